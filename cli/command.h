// korintool's command families.
//
// Each family lives in its own source file and registers itself at start-up
// with KORINTOOL_COMMAND(name, summary, function). The function gets the
// arguments after the family name (args[0] is the command) and returns the exit
// code: 0 success, 1 failure, 2 usage. Store exceptions are caught once in main
// and printed unchanged on stderr (exit 1).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace korin {
class TKorProjectLock;
}

namespace korintool {

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);

struct CommandFamily {
    const char* name;
    const char* usage;  // the family's usage lines
    CommandFn run;
};

bool RegisterFamily(const CommandFamily& family);

// A usage error: main prints the message and the family's usage and exits 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Splits FILE into its directory (with a trailing "/", "./" when none) and its
// last component. A directory that does not exist raises korin::Exception
// "korintool: Das Verzeichnis DIR existiert nicht!".
void SplitPath(const std::string& file, std::string& dir, std::string& name);

// Parses a number argument; a usage error when it is not a whole number.
int64_t ParseInt(const std::string& text, const char* what);

// Parses key parts "L:N:TEXT" from args[from..]; keys separated by "---".
// Returns the key list in the store's form (separator entries between keys).
std::vector<std::string> ParseKeyList(const Args& args, size_t from);
// The same for exactly one key (no "---" allowed).
std::vector<std::string> ParseKey(const Args& args, size_t from);

// The lock that main took for the running command (project/kor_project_lock.h);
// not held for a command that only reads.
korin::TKorProjectLock& HeldProjectLock();

// Writes the fields joined by TAB and a "\n" to stdout, byte for byte.
void PrintLine(const std::vector<std::string>& fields);

}  // namespace korintool

#define KORINTOOL_CONCAT2(a, b) a##b
#define KORINTOOL_CONCAT(a, b) KORINTOOL_CONCAT2(a, b)
#define KORINTOOL_COMMAND(name, usage, fn)                                   \
    static const bool KORINTOOL_CONCAT(korintool_registered_, __LINE__) =   \
        ::korintool::RegisterFamily({name, usage, fn})
