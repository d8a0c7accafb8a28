#include "msr/msr_run.h"

#include <cstdio>
#include <ctime>

#include "store/kor_path.h"

namespace korin::msr {
namespace {

std::string Format(const char* pattern) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, pattern, &local);
    return text;
}

}  // namespace

void AppendProjectLog(const std::string& dir, const std::string& source, const std::string& message) {
    const std::string file = path::AsDirectory(dir) + "KorPro.Log";
    if (std::FILE* f = std::fopen(file.c_str(), "ab")) {
        const std::string line = Format("%d.%m.%Y %H:%M:%S") + " " + source + " " + message + "\n";
        std::fwrite(line.data(), 1, line.size(), f);
        std::fclose(f);
    }
}

std::string TodayText() { return Format("%d.%m.%Y"); }

}  // namespace korin::msr
