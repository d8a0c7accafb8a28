// The core (store, catalogue, drawings) depends on the standard library, POSIX,
// zlib and iconv only: a Qt header there would drag the user interface into
// korintool and every test of the store.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace {

TEST(Layers, CoreIncludesNoQt) {
    const std::regex qtInclude(R"(^\s*#\s*include\s*[<"](Q[A-Za-z]|qt|QtCore|QtGui|QtWidgets))");
    int files = 0;
    // The module folders' logic is UI-free as well; only their ui/ folders see Qt.
    for (const char* folder : {"store", "project", "drawing", "extdb", "tables", "cable", "msr"}) {
        const auto dir = std::filesystem::path(KORIN_SOURCE_DIR) / folder;
        if (!std::filesystem::exists(dir)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
            if (entry.path().parent_path().filename() == "ui") continue;
            const auto ext = entry.path().extension();
            if (ext != ".h" && ext != ".cpp") continue;
            ++files;
            std::ifstream in(entry.path());
            std::string line;
            for (int n = 1; std::getline(in, line); ++n)
                EXPECT_FALSE(std::regex_search(line, qtInclude))
                    << entry.path().string() << ":" << n << " includes Qt: " << line;
        }
    }
    EXPECT_GT(files, 10);
}

}  // namespace
