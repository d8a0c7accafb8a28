// "project.ini": the settings file of a project (the levels of the MSR pages, the
// master cable database), read as Windows reads INI files.
//
// The file is plain 8-bit text: "[Section]" lines start a section, "Key=Value"
// lines give values, lines beginning with ";" are comments, and any other line
// is ignored. Line ends may be CRLF or LF; a UTF-8 byte order mark at the start
// is skipped. Section and key names compare ignoring ASCII case, the first
// section of a name and the first key of a name count (later ones are ignored,
// as Windows does). Names and values are trimmed of blanks and tabs at both
// ends; nothing else is done to a value (no quotes removed, no escapes, no
// comment after a value): what the line holds is what the caller gets.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korin {

class TKorIniFile {
public:
    // An empty file (every value missing).
    TKorIniFile() = default;

    // Reads the file. A file that does not exist gives an empty one (as Windows
    // reads every value of a missing file as missing) and false. Raises
    // Exception "KorIni: Die Datei <file> konnte nicht gelesen werden." when it
    // exists but cannot be read (a directory, no permission, a read error).
    bool Load(const std::string& file);
    // Takes the text as the file's content.
    void Parse(const std::string& text);

    // The value, or `fallback` when the section or the key is missing.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& fallback = "") const;
    bool ValueExists(const std::string& section, const std::string& key) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> values;
    };
    const std::pair<std::string, std::string>* Find(const std::string& section, const std::string& key) const;

    std::vector<Section> sections_;
};

}  // namespace korin
