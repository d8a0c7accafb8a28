#include "tables/ui/table_print_tool.h"

#include <QGuiApplication>
#include <QString>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <memory>

#include "tables/table_grids.h"
#include "tables/ui/grid_printer.h"

namespace korin {
namespace {

// Fonts need a GUI application object; a command-line program makes one on
// the offscreen platform unless it has a display.
void EnsureGuiApplication() {
    if (QCoreApplication::instance()) return;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt wants a private runtime folder and warns on stderr when it has to
    // pick one itself; the tool's stderr carries only its own messages.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) {
        const std::string folder = "/tmp/runtime-" + std::to_string(::getuid());
        ::mkdir(folder.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
    static int argc = 1;
    static char name[] = "korintool";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

void PrintTableContentsToPdf(const TKorTable& table, const std::string& title, const std::string& pdfFile) {
    EnsureGuiApplication();
    TTableContentsGrid grid(table);
    grid.RepeatHeader = true;
    grid.PrintTitle = title;
    PrintGridToPdf(grid, QString::fromLocal8Bit(pdfFile.c_str()));
}

}  // namespace korin
