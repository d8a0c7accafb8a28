// The table model (shell/models/kor_dataset.h) over a table of 10^6 records:
// opening it with its first row, scrolling to the end (the last screen of 40
// rows, every column; the first time and once the key file has counted),
// and 10^4 rows read at random positions, as a grid asks for them. Each
// benchmark runs once (wall clock); the summary prints the time per operation.
// The table is built once in a scratch folder ($TMPDIR or /tmp); building it is
// not timed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "shell/models/kor_dataset.h"
#include "store/kor_table.h"

namespace {

constexpr int kRecords = 1'000'000;
constexpr int kScreen = 40;
constexpr int kRandomReads = 10'000;

using Clock = std::chrono::steady_clock;

std::string ScratchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/korin-bench-dataset/";
    std::filesystem::create_directories(dir);
    return dir;
}

void Name(korin::TKorTable& t) {
    t.SetProject(ScratchDir());
    t.SetFileName("dataset.dat");
    t.SetKeyFileName("dataset.key");
}

// The table of kRecords records, made when it is not there yet.
void EnsureTable() {
    korin::TKorTable t;
    Name(t);
    if (std::filesystem::exists(ScratchDir() + "dataset.dat")) {
        t.Open();
        if (t.IsOpen() && t.RecordCount() == kRecords) return;
        t.Close();
    }
    t.SetFieldDefs({{"K", korin::TKorFieldType::String, 10},
                    {"Name", korin::TKorFieldType::String, 20},
                    {"Ort", korin::TKorFieldType::String, 10},
                    {"Nr", korin::TKorFieldType::Integer, 0}});
    t.SetPrimaryKeyField(1);
    t.CreateNew(true);
    std::filesystem::remove(ScratchDir() + "dataset.key");
    t.Open();
    char key[16];
    for (int i = 0; i < kRecords; ++i) {
        std::snprintf(key, sizeof key, "%08lld", static_cast<long long>(i) * 7919 % kRecords);
        if (t.Append({key, "Messstelle " + std::to_string(i), "Kiel", std::to_string(i)}) < 0) std::abort();
    }
}

std::map<std::string, std::pair<double, int>>& Results() {
    static std::map<std::string, std::pair<double, int>> results;
    return results;
}

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Reads every column of a row as the grid paints it.
size_t ReadRow(korin::TKorDataSet& ds, int row) {
    size_t bytes = 0;
    for (int c = 0; c < ds.columnCount(); ++c) bytes += ds.data(ds.index(row, c)).toString().size();
    return bytes;
}

void BM_Open(benchmark::State& state) {
    EnsureTable();
    for (auto _ : state) {
        korin::TKorTable t;
        Name(t);
        korin::TKorDataSet ds;
        ds.SetKorTab(&t);
        const auto start = Clock::now();
        ds.Open();
        benchmark::DoNotOptimize(ds.rowCount());
        ReadRow(ds, 0);
        const double s = Since(start);
        state.SetIterationTime(s);
        Results()["open"] = {s, 1};
        if (ds.rowCount() != kRecords) state.SkipWithError("wrong row count");
    }
}

void BM_ScrollToEnd(benchmark::State& state) {
    EnsureTable();
    korin::TKorTable t;
    Name(t);
    korin::TKorDataSet ds;
    ds.SetKorTab(&t);
    ds.Open();
    ReadRow(ds, 0);
    // The first jump lets the key file count its tree (the desktop program does
    // that when it is first idle after opening); later jumps find ranks by the
    // counts.
    auto lastScreen = [&] {
        const auto start = Clock::now();
        size_t bytes = 0;
        for (int r = ds.rowCount() - kScreen; r < ds.rowCount(); ++r) bytes += ReadRow(ds, r);
        benchmark::DoNotOptimize(bytes);
        return Since(start);
    };
    for (auto _ : state) {
        const double first = lastScreen();
        ReadRow(ds, 0);
        const double again = lastScreen();
        state.SetIterationTime(first + again);
        Results()["scroll to the end, first jump"] = {first, 1};
        Results()["scroll to the end, counted"] = {again, 1};
    }
}

void BM_RandomRows(benchmark::State& state) {
    EnsureTable();
    korin::TKorTable t;
    Name(t);
    korin::TKorDataSet ds;
    ds.SetKorTab(&t);
    ds.Open();
    std::mt19937 rng(4711);
    std::uniform_int_distribution<int> pick(0, ds.rowCount() - 1);
    for (auto _ : state) {
        const auto start = Clock::now();
        size_t bytes = 0;
        for (int i = 0; i < kRandomReads; ++i) bytes += ReadRow(ds, pick(rng));
        benchmark::DoNotOptimize(bytes);
        const double s = Since(start);
        state.SetIterationTime(s);
        Results()["random row read"] = {s, kRandomReads};
    }
}

void Once(benchmark::internal::Benchmark* b) { b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond); }

}  // namespace

int main(int argc, char** argv) {
    Once(benchmark::RegisterBenchmark("dataset/open 10^6", BM_Open));
    Once(benchmark::RegisterBenchmark("dataset/scroll to end 10^6", BM_ScrollToEnd));
    Once(benchmark::RegisterBenchmark("dataset/10^4 random rows 10^6", BM_RandomRows));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n%-32s %14s\n", "operation on 10^6 records", "ms per op");
    for (const auto& [name, result] : Results())
        std::printf("%-32s %14.4f\n", name.c_str(), result.first * 1000.0 / result.second);
    return 0;
}
