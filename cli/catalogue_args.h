// Tables on korintool's command line: catalogue paths ("AUC_SYSTEM/MESSTELLE"),
// opening a table by its path, and the lines of `info`.
#pragma once

#include <string>
#include <vector>

namespace korin {
class TKorTable;
}

namespace korintool {

// The texts of a catalogue path, top level first. An empty text is a usage
// error, or no texts at all with `allowEmpty`.
std::vector<std::string> SplitCataloguePath(const std::string& text, bool allowEmpty = false);

// Opens the table at PATH of the project DIR through its catalogue. A folder
// without a catalogue, a PATH that names no table, or a data file that cannot
// be opened raise the store's message ("Die Tabelle PATH gibt es im Projekt
// nicht!"). With `keyFileMayFail` a key file that cannot be opened is passed
// over, so that reindex can make it anew.
void OpenCatalogueTable(const std::string& dir, const std::string& pathText, korin::TKorTable& table,
                        bool keyFileMayFail = false);

// The lines of `table info` / `project info`: title, records, slots, freehead,
// primary, one per field, one per secondary key.
void PrintTableInfo(korin::TKorTable& table);

}  // namespace korintool
