// korintool cable: the cable module without its window.
#include <string>

#include "cable/kor_cable_ops.h"
#include "cli/command.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"

namespace korintool {
namespace {

constexpr const char* kUsage =
    "  cable list DIR\n"
    "  cable wires DIR CABLE\n"
    "  cable create-wires DIR\n"
    "  cable align DIR\n";

// The catalogue of DIR, then the module's tables through it.
struct Project {
    explicit Project(const std::string& dir) {
        cat.SetProject(dir);
        if (!cat.ProjectValid())
            throw korin::EKorKeyError("KorKeyFile: Datei konnte nicht geöffnet werden. Datei : " + cat.FileName());
        cat.Open();
        ops.Open(cat);
    }
    korin::TKorDirFile cat;
    korin::TKorCableOps ops;
};

int Run(const Args& args) {
    if (args.empty()) throw UsageError("missing command");
    const std::string& cmd = args[0];
    const auto want = [&](size_t n) {
        if (args.size() != n) throw UsageError("wrong number of arguments for cable " + cmd);
    };
    if (cmd == "list") {
        want(2);
        Project p(args[1]);
        for (const std::string& cable : p.ops.Cables()) PrintLine({cable});
    } else if (cmd == "wires") {
        want(3);
        Project p(args[1]);
        for (const korin::TKorWireRow& row : p.ops.Wires(args[2]))
            PrintLine({row.wire, row.colour, row.section, row.type});
    } else if (cmd == "create-wires") {
        want(2);
        Project p(args[1]);
        PrintLine({"appended", std::to_string(p.ops.CreateWires())});
    } else if (cmd == "align") {
        want(2);
        Project p(args[1]);
        PrintLine({"aligned", std::to_string(p.ops.Align())});
    } else {
        throw UsageError("unknown command: cable " + cmd);
    }
    return 0;
}

}  // namespace

KORINTOOL_COMMAND("cable", kUsage, Run);

}  // namespace korintool
