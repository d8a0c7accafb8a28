#include "demo/demo_ini.h"

#include <cstdio>
#include <stdexcept>

#include <unistd.h>

#include "store/kor_error.h"

namespace korin::demo {
namespace {

void CheckName(const std::string& text, const char* what) {
    if (text.empty() || text.find_first_of("]=\r\n") != std::string::npos)
        throw std::invalid_argument(std::string("invalid INI ") + what + ": " + text);
}

}  // namespace

std::string FormatIni(const std::vector<TIniSection>& sections) {
    std::string out;
    for (size_t s = 0; s < sections.size(); ++s) {
        const TIniSection& section = sections[s];
        CheckName(section.name, "section");
        if (s) out += "\r\n";
        out += "[" + section.name + "]\r\n";
        for (const auto& [key, value] : section.values) {
            CheckName(key, "key");
            if (value.find_first_of("\r\n") != std::string::npos)
                throw std::invalid_argument("invalid INI value of " + key);
            out += key + "=" + value + "\r\n";
        }
    }
    return out;
}

std::vector<TIniSection> ProjectIni(const std::string& masterFolder, const std::string& masterName) {
    return {
        {"RVK",
         {{"LevelCount", "4"},
          {"Level1", "<ANLAGE:Bereich>"},
          {"Level2", "<MESSTELLE:Bezeichner_Anlage>"},
          {"Level3", ""}}},
        {"CableDataBase",
         {{"ProjectPath", masterFolder},
          {"ProjectName", masterName},
          {"Name1", "AUC_SYSTEM"},
          {"Name2", ""},
          {"Name3", ""}}},
    };
}

void WriteFileReplacing(const std::string& file, const std::string& bytes) {
    const std::string temp = file + ".tmp";
    FILE* out = std::fopen(temp.c_str(), "wb");
    bool ok = out != nullptr;
    if (ok) {
        ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        ok = std::fflush(out) == 0 && ok;
        ok = fsync(fileno(out)) == 0 && ok;
        ok = std::fclose(out) == 0 && ok;
    }
    if (!ok || std::rename(temp.c_str(), file.c_str()) != 0) {
        std::remove(temp.c_str());
        throw Exception("Demo: Die Datei " + file + " konnte nicht geschrieben werden!");
    }
}

}  // namespace korin::demo
