#include "shell/kor_log.h"

#include <cstdio>

#include "store/kor_error.h"

namespace korin {
namespace {

void WriteLine(const std::string& file, const char* mode, const std::string& line) {
    std::FILE* f = std::fopen(file.c_str(), mode);
    bool ok = f != nullptr;
    if (ok) {
        ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
        ok = std::fclose(f) == 0 && ok;
    }
    if (!ok)
        throw Exception("KorPro: In die Protokolldatei " + file +
                        " konnte nicht geschrieben werden!");
}

}  // namespace

std::string LogDateTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
    return text;
}

void AppendLogLine(const std::string& file, const std::string& source,
                   const std::string& message) {
    WriteLine(file, "ab", LogDateTime(std::time(nullptr)) + " " + source + " " + message + "\n");
}

void StartLog(const std::string& file) {
    WriteLine(file, "wb", LogDateTime(std::time(nullptr)) + " KorPro gestartet\n");
}

}  // namespace korin
