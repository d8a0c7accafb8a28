// korintool: the store's inspector and batch tool.
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <set>
#include <string>

#include "cli/command.h"
#include "project/kor_project_lock.h"
#include "project/kor_recovery.h"
#include "store/kor_error.h"
#include "store/kor_key_file.h"
#include "store/kor_mmf.h"
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

// ---- one writer per project --------------------------------------------------
// Every command that can write takes the lock of the folder it writes before it
// runs; the commands below only read. A family's first argument after the
// command names what it writes: a FILE for the families in kFileFamilies (the
// lock is its folder's), a folder for all others. The export family writes
// only its target, outside the project.
const std::set<std::string> kReadingCommands = {
    "dump", "info", "tree", "check", "list", "wires", "rows", "files", "tables", "verify", "locate",
    "records", "find", "find-secondary", "indexvalues", "level", "print", "export-text", "originals",
    "check-instruments", "check-pages"};
const std::set<std::string> kFileFamilies = {"table", "keyfile", "drawing"};
const std::set<std::string> kFolderFirstFamilies = {"demo", "recover"};  // args[0] is DIR
const std::set<std::string> kProjectReadingFamilies = {"export"};

std::string FolderToLock(const std::string& family, const Args& args) {
    if (args.empty() || kProjectReadingFamilies.count(family)) return {};
    const bool folderFirst = kFolderFirstFamilies.count(family) > 0;
    if (!folderFirst && kReadingCommands.count(args[0])) return {};
    const size_t at = folderFirst ? 0 : 1;
    if (args.size() <= at) return {};
    const std::string& target = args[at];
    if (!kFileFamilies.count(family)) return korin::path::DirectoryExists(target) ? target : std::string();
    const auto slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "./" : target.substr(0, slash + 1);
    return korin::path::DirectoryExists(dir) ? dir : std::string();
}

// A program that held the project died: the audit says what it left behind,
// the repair is offered, nothing is mended here.
void ReportCrash(korin::TKorProjectLock& lock) {
    std::fprintf(stderr, "korintool: Das Programm %s wurde beendet, während es das Projekt %s bearbeitete.\n",
                 lock.CrashedHolder().c_str(), lock.Folder().c_str());
    if (!korin::path::ExistsIgnoringCase(lock.Folder(), "dir.ref")) return;
    korin::TKorRecovery recovery;
    recovery.Audit(lock.Folder());
    for (const std::string& line : recovery.ReportLines()) std::fprintf(stderr, "korintool: %s\n", line.c_str());
    if (recovery.Clean()) return;
    lock.SetRecoveryPending(true);
    std::fprintf(stderr, "korintool: Reparieren mit: korintool recover %s\n", lock.Folder().c_str());
}

}  // namespace

korin::TKorProjectLock& HeldProjectLock() {
    static korin::TKorProjectLock lock;
    return lock;
}

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
        const std::string folder = FolderToLock(it->first, args);
        if (!folder.empty()) {
            HeldProjectLock().Acquire(folder, "korintool");
            if (HeldProjectLock().FoundCrash() && it->first != "recover") ReportCrash(HeldProjectLock());
        }
        const int rc = it->second.run(args);
        korin::TKorMMF::FlushAll();
        HeldProjectLock().Release();
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
