// korintool: the store's inspector and batch tool.
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <string>

#include "cli/command.h"
#include "store/kor_error.h"
#include "store/kor_key_file.h"
#include "store/kor_path.h"

namespace korintool {
namespace {

std::map<std::string, CommandFamily>& Families() {
    static std::map<std::string, CommandFamily> families;
    return families;
}

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: korintool FAMILY COMMAND [ARGUMENTS]\n");
    for (const auto& [name, family] : Families()) std::fprintf(out, "%s", family.usage);
}

}  // namespace

bool RegisterFamily(const CommandFamily& family) {
    Families()[family.name] = family;
    return true;
}

void SplitPath(const std::string& file, std::string& dir, std::string& name) {
    const auto slash = file.find_last_of('/');
    if (slash == std::string::npos) {
        dir = "./";
        name = file;
    } else {
        dir = file.substr(0, slash + 1);
        name = file.substr(slash + 1);
    }
    // A store object keeps its former directory when it is given one that does
    // not exist, and would then work on a file of that name in the current one.
    if (!korin::path::DirectoryExists(dir))
        throw korin::Exception("korintool: Das Verzeichnis " + dir + " existiert nicht!");
}

int64_t ParseInt(const std::string& text, const char* what) {
    if (text.empty()) throw UsageError(std::string("missing number: ") + what);
    size_t used = 0;
    long long v = 0;
    try {
        v = std::stoll(text, &used, 10);
    } catch (const std::exception&) {
        throw UsageError(std::string("not a number for ") + what + ": " + text);
    }
    if (used != text.size()) throw UsageError(std::string("not a number for ") + what + ": " + text);
    return v;
}

static std::string ParsePart(const std::string& arg) {
    // L:N:TEXT — one letter, the number byte in decimal, then everything else.
    if (arg.size() < 4 || arg[1] != ':') throw UsageError("bad key part: " + arg);
    const auto colon = arg.find(':', 2);
    if (colon == std::string::npos) throw UsageError("bad key part: " + arg);
    const std::string number = arg.substr(2, colon - 2);
    if (number.empty() || number.size() > 3 ||
        number.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError("bad key part: " + arg);
    const int n = std::stoi(number);
    if (n > 255) throw UsageError("bad key part: " + arg);
    return korin::KeyPart(arg[0], static_cast<uint8_t>(n), arg.substr(colon + 1));
}

std::vector<std::string> ParseKeyList(const Args& args, size_t from) {
    std::vector<std::string> list;
    bool expectPart = true;
    for (size_t i = from; i < args.size(); ++i) {
        if (args[i] == "---") {
            if (expectPart) throw UsageError("empty key");
            list.push_back(korin::kKeySeparator);
            expectPart = true;
        } else {
            list.push_back(ParsePart(args[i]));
            expectPart = false;
        }
    }
    if (expectPart) throw UsageError("missing key");
    return list;
}

std::vector<std::string> ParseKey(const Args& args, size_t from) {
    std::vector<std::string> key;
    for (size_t i = from; i < args.size(); ++i) {
        if (args[i] == "---") throw UsageError("only one key is taken here");
        key.push_back(ParsePart(args[i]));
    }
    return key;
}

void PrintLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line.push_back('\t');
        line += fields[i];
    }
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace korintool

int main(int argc, char** argv) {
    using namespace korintool;
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    auto it = Families().find(argv[1]);
    if (it == Families().end()) {
        std::fprintf(stderr, "korintool: unknown command family '%s'\n", argv[1]);
        PrintUsage(stderr);
        return 2;
    }
    Args args(argv + 2, argv + argc);
    try {
        const int rc = it->second.run(args);
        std::fflush(stdout);
        return rc;
    } catch (const UsageError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "korintool: %s\nusage:\n%s", e.what(), it->second.usage);
        return 2;
    } catch (const std::exception& e) {
        // The store's message, unchanged, on one line.
        std::fflush(stdout);
        std::string message = e.what();
        std::fprintf(stderr, "%s\n", message.c_str());
        return 1;
    }
}
