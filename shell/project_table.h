// Opening a table of the open project by its catalogue path.
#pragma once

#include <string>
#include <vector>

namespace korin {

class TKorDirFile;
class TKorTable;

// Asks the catalogue for the table's data and key file (path: folder texts, then
// the table name). When both are catalogued and the data file exists in the
// project directory, or `force` is set: the table gets Project = projectDir, its
// key file name and its file name, and is opened; the result is whether it is
// open. Otherwise false, and the table is not touched. Errors of the table file
// pass through.
bool OpenProjectTable(TKorDirFile& dir, const std::string& projectDir,
                      const std::vector<std::string>& path, TKorTable& table, bool force);

}  // namespace korin
