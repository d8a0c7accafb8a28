// korintool demo: writes the example project, its original project and its
// master cable database.
#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "demo/demo.h"

namespace korintool {
namespace {

constexpr const char* kUsage =
    "  demo DIR [--seed N] [--measure-points N] [--unadapted] [--no-pages] [--replace]\n"
    "        writes DIR/Demo, DIR/Originale and DIR/Stammkabel.pro; prints the project folder;\n"
    "        assigns the originals and generates the pages of every measure point unless\n"
    "        --no-pages or --unadapted\n";

int Run(const Args& args) {
    if (args.empty()) throw UsageError("missing DIR");
    korin::demo::TDemoOptions options;
    options.pages = true;
    std::string dir;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--seed" || arg == "--measure-points") {
            if (i + 1 >= args.size()) throw UsageError("missing value of " + arg);
            const int64_t v = ParseInt(args[++i], arg.c_str());
            if (arg == "--seed") {
                if (v < 0 || v > UINT32_MAX) throw UsageError("--seed must lie between 0 and 4294967295");
                options.seed = static_cast<uint32_t>(v);
            } else {
                if (v < 1 || v > 200000) throw UsageError("--measure-points must lie between 1 and 200000");
                options.measurePoints = static_cast<int32_t>(v);
            }
        } else if (arg == "--unadapted") {
            options.adapted = false;
        } else if (arg == "--no-pages") {
            options.pages = false;
        } else if (arg == "--replace") {
            options.replace = true;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            throw UsageError("unknown option " + arg);
        } else if (dir.empty()) {
            dir = arg;
        } else {
            throw UsageError("only one DIR is taken");
        }
    }
    if (dir.empty()) throw UsageError("missing DIR");
    const korin::demo::TDemoResult result = korin::demo::Generate(dir, options);
    for (const std::string& warning : result.warnings) std::fprintf(stderr, "%s\n", warning.c_str());
    std::string printed = result.projectDir;
    if (printed.size() > 1 && printed.back() == '/') printed.pop_back();
    PrintLine({printed});
    return 0;
}

}  // namespace

KORINTOOL_COMMAND("demo", kUsage, Run);

}  // namespace korintool
