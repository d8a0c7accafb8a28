// korintool keyfile: a key file on its own.
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "store/kor_error.h"
#include "store/kor_key_file.h"

namespace korintool {
namespace {

constexpr const char* kUsage =
    "  keyfile create FILE\n"
    "  keyfile add FILE DINDEX KEY [--- KEY]...\n"
    "  keyfile delete FILE KEY [--- KEY]...\n"
    "  keyfile locate FILE KEY\n"
    "  keyfile list FILE [--leaf] [KEY]\n"
    "  keyfile records FILE [KEY]\n"
    "  keyfile indexvalues FILE [KEY]\n"
    "  keyfile level FILE [KEY]\n"
    "  keyfile dump FILE\n";

// A key file object on FILE (its directory is the project directory).
struct KeyFileArg {
    explicit KeyFileArg(const std::string& file) {
        std::string dir, name;
        SplitPath(file, dir, name);
        keys.SetProject(dir);
        keys.SetFileName(name);
    }
    korin::TKorKeyFile keys;
};

void Need(const Args& args, size_t atLeast, size_t atMost) {
    if (args.size() < atLeast || args.size() > atMost) throw UsageError("wrong number of arguments");
}

void PrintNumber(int64_t v) { PrintLine({std::to_string(v)}); }

int Dump(korin::TKorKeyFile& keys) {
    keys.Open();
    const korin::TKorKeyTable& n = keys.Nodes();
    PrintLine({"header", std::to_string(n.GetDown(0)), std::to_string(n.GetNextFree()),
               std::to_string(keys.FileSize())});
    for (int32_t k = 1; k < n.Count(); ++k) {
        PrintLine({std::to_string(k), std::to_string(n.GetDown(k)), std::to_string(n.GetUp(k)),
                   std::to_string(n.GetLeft(k)), std::to_string(n.GetRight(k)),
                   std::to_string(n.GetBalance(k)), std::to_string(n.GetIndex(k)),
                   std::to_string(n.GetType(k)), n.GetValue(k)});
    }
    return 0;
}

int Run(const Args& args) {
    if (args.empty()) throw UsageError("missing command");
    const std::string& cmd = args[0];
    if (cmd == "create") {
        Need(args, 2, 2);
        KeyFileArg f(args[1]);
        f.keys.CreateNew(true);
        return 0;
    }
    if (args.size() < 2) throw UsageError("missing FILE");
    KeyFileArg f(args[1]);
    korin::TKorKeyFile& keys = f.keys;

    if (cmd == "add") {
        if (args.size() < 4) throw UsageError("missing DINDEX or KEY");
        const int64_t dindex = ParseInt(args[2], "DINDEX");
        auto list = ParseKeyList(args, 3);
        keys.Open();
        PrintNumber(keys.AddKeys(list, static_cast<int32_t>(dindex)) ? 1 : 0);
        return 0;
    }
    if (cmd == "delete") {
        if (args.size() < 3) throw UsageError("missing KEY");
        auto list = ParseKeyList(args, 2);
        keys.Open();
        keys.DeleteKeys(list);
        return 0;
    }
    if (cmd == "locate") {
        if (args.size() < 3) throw UsageError("missing KEY");
        const auto key = ParseKey(args, 2);
        keys.Open();
        PrintNumber(keys.Locate(key));
        return 0;
    }
    if (cmd == "list") {
        size_t from = 2;
        bool leaf = false;
        if (args.size() > 2 && args[2] == "--leaf") {
            leaf = true;
            from = 3;
        }
        const auto key = ParseKey(args, from);
        keys.Open();
        if (key.empty()) {
            // The default selection, in the leaf mode asked for.
            const korin::TKeyList selection = keys.Selection();
            keys.SetSelection(selection, leaf);
        } else {
            keys.SetSelection(key, leaf);
        }
        for (bool ok = keys.First(); ok; ok = keys.Next()) PrintNumber(keys.CurrentRecord());
        return 0;
    }
    if (cmd == "records" || cmd == "indexvalues" || cmd == "level") {
        const auto key = ParseKey(args, 2);
        keys.Open();
        const bool started = keys.SetStart(key);
        if (cmd == "records") {
            if (!started) return 0;
            korin::TIntegerList list;
            keys.GetRecords(list);
            for (const int32_t v : list.Values()) PrintNumber(v);
        } else if (cmd == "indexvalues") {
            korin::TIntegerList list;
            keys.GetIndexValues(list);
            for (const int32_t v : list.Values()) PrintNumber(v);
        } else {
            std::vector<std::string> lines;
            keys.ListLevel(lines);
            for (const std::string& line : lines) PrintLine({line});
        }
        return 0;
    }
    if (cmd == "dump") {
        Need(args, 2, 2);
        return Dump(keys);
    }
    throw UsageError("unknown command '" + cmd + "'");
}

}  // namespace

KORINTOOL_COMMAND("keyfile", kUsage, Run);

}  // namespace korintool
