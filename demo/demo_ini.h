// "project.ini" of a demo project.
//
// The file is read by the page creation window (section "RVK": the level
// choice) and the cable module (section "CableDataBase": where the master
// cable database lies). It is a Windows INI file: "[Section]" lines and
// "Key=Value" lines, CRLF line ends, values written verbatim (no quoting, no
// escaping; a value runs to the end of its line).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korin::demo {

struct TIniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
};

// The text of the file. Throws std::invalid_argument for a section name or key
// that is empty or holds "]", "=" or a line break, or a value with a line break.
std::string FormatIni(const std::vector<TIniSection>& sections);

// The demo's settings: four levels, box 2 the plant's "Bereich" and box 3 the
// measure point's plant, so that a page lies at Bereich / plant / designation /
// page; the master project `masterName` in `masterFolder`, tables under
// "AUC_SYSTEM".
std::vector<TIniSection> ProjectIni(const std::string& masterFolder, const std::string& masterName);

// Writes the bytes to `file` through a file beside it that is renamed over it,
// so that a failure leaves the old file (or none). Throws korin::Exception.
void WriteFileReplacing(const std::string& file, const std::string& bytes);

}  // namespace korin::demo
