// Shared pieces of the fuzz targets.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

// An invariant of the target: a broken one stops the run as a crash, so that
// libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                 \
    do {                                                                                 \
        if (!(cond)) {                                                                   \
            std::fprintf(stderr, "invariant broken: %s (line %d)\n", #cond, __LINE__); \
            __builtin_trap();                                                            \
        }                                                                                \
    } while (0)

// A scratch folder of the process (in memory where /dev/shm is writable), ending
// in "/"; made once per name.
inline std::string FuzzScratchDir(const char* name) {
    std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/");
    pattern += name;
    pattern += "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) __builtin_trap();
    return pattern + "/";
}
