// The project catalogue at the size of a large plant: 10^4 folders, each with
// its schedule, system table and one table, and 10 page drawings per folder
// (10^5 drawing entries; the entries only, the pages' files are not copied).
// Built once through the catalogue itself, then timed: opening (the walk into
// the result list and the used-entry bookkeeping included), resolving 10^5
// paths, the check report, creating and deleting a table, and deleting a
// folder with its tables.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "project/kor_dir_file.h"

namespace {

using korin::TKorDirFile;

constexpr int kFolders = 10000;
constexpr int kPagesPerFolder = 10;

std::string FolderName(int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "F%05d", i);
    return buf;
}

// The catalogue, built on first use and removed at exit.
struct Catalogue {
    Catalogue() {
        // In memory where possible: the build creates 2·10^4 files.
        const std::filesystem::path base =
            ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::filesystem::temp_directory_path();
        dir = (base / "korin-bench-project").string() + "/";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        const auto start = std::chrono::steady_clock::now();
        TKorDirFile cat;
        cat.SetProject(dir);
        cat.CreateCatalogue();
        cat.Open();
        std::string a, b;
        for (int i = 0; i < kFolders; ++i) {
            const std::string folder = FolderName(i);
            cat.CreateScheduleEntries({folder}, a, b);
            cat.CreateTableEntries({folder, "MESSTELLE"}, "Messstellen", a, b);
            for (int p = 0; p < kPagesPerFolder; ++p)
                cat.CreateEntry(std::to_string(p), korin::DrawingKey({folder, "SEITE" + std::to_string(p)}));
        }
        entries = cat.UsedEntries().Count();
        cat.Close();
        build = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "catalogue of %d entries built in %.2f s\n", entries, build);
    }
    ~Catalogue() { std::filesystem::remove_all(dir); }
    std::string dir;
    int entries = 0;
    double build = 0;
};

Catalogue& Shared() {
    static Catalogue c;
    return c;
}

void BM_Open(benchmark::State& state) {
    Catalogue& c = Shared();
    for (auto _ : state) {
        TKorDirFile cat;
        cat.SetProject(c.dir);
        cat.Open();
        benchmark::DoNotOptimize(cat.UsedEntries().Count());
        cat.Close();
    }
    state.counters["entries"] = c.entries;
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

void BM_ResolvePaths(benchmark::State& state) {
    Catalogue& c = Shared();
    TKorDirFile cat;
    cat.SetProject(c.dir);
    cat.Open();
    std::vector<korin::TKeyList> keys;
    for (int i = 0; i < kFolders; ++i)
        for (int p = 0; p < kPagesPerFolder; ++p)
            keys.push_back(korin::DrawingKey({FolderName(i), "SEITE" + std::to_string(p)}));
    for (auto _ : state) {
        int64_t sum = 0;
        for (const auto& key : keys) sum += cat.Locate(key);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["paths"] = static_cast<double>(keys.size());
}
BENCHMARK(BM_ResolvePaths)->Unit(benchmark::kMillisecond);

void BM_TableFiles(benchmark::State& state) {
    Catalogue& c = Shared();
    TKorDirFile cat;
    cat.SetProject(c.dir);
    cat.Open();
    for (auto _ : state) {
        std::string data, key;
        int found = 0;
        for (int i = 0; i < kFolders; ++i) found += cat.TableFiles({FolderName(i), "MESSTELLE"}, data, key);
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_TableFiles)->Unit(benchmark::kMillisecond);

void BM_CheckReport(benchmark::State& state) {
    Catalogue& c = Shared();
    TKorDirFile cat;
    cat.SetProject(c.dir);
    cat.Open();
    for (auto _ : state) {
        std::vector<std::string> lines;
        cat.CheckReport(lines);
        benchmark::DoNotOptimize(lines.size());
    }
}
BENCHMARK(BM_CheckReport)->Unit(benchmark::kMillisecond);

void BM_CreateAndDeleteTable(benchmark::State& state) {
    Catalogue& c = Shared();
    TKorDirFile cat;
    cat.SetProject(c.dir);
    cat.Open();
    const std::vector<std::string> path = {FolderName(kFolders / 2), "KABEL"};
    for (auto _ : state) {
        std::string data, key;
        cat.CreateTableEntries(path, "Kabel", data, key);
        cat.DeleteTable(path);
    }
}
BENCHMARK(BM_CreateAndDeleteTable)->Unit(benchmark::kMicrosecond);

void BM_DeleteFolder(benchmark::State& state) {
    Catalogue& c = Shared();
    TKorDirFile cat;
    cat.SetProject(c.dir);
    cat.Open();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string folder = "NEU" + std::to_string(round++);
        std::string a, b;
        cat.CreateScheduleEntries({folder}, a, b);
        for (int t = 0; t < 10; ++t) cat.CreateTableEntries({folder, "T" + std::to_string(t)}, "", a, b);
        state.ResumeTiming();
        cat.DeleteFolder({folder});
    }
}
BENCHMARK(BM_DeleteFolder)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
