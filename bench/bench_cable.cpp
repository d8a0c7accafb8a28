// The cable module: "Adern erzeugen" for 10^4 cables of 8 wires each into an
// empty wire table (80,000 appends, each with its key lookups), and the second
// run that finds every wire present. Prints the time per 1,000 cables
// (counter "je 1000 Kabel", CPU time); the target is well under a second.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cable/kor_cable_ops.h"
#include "project/kor_dir_file.h"
#include "tests/cable/cable_project.h"

namespace {

constexpr int kCables = 10000;

// A project with the cables and an empty wire table, in a scratch folder that
// goes with the process.
class CableProject {
public:
    CableProject() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korin-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        dir_ = pattern + "/";
        korin::testing::Rows cables;
        for (int i = 0; i < kCables; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "W%05d", i);
            cables.push_back({name, "LIYCY-8X0.75", "A10", "Messsignal", "A10.TI1", "8"});
        }
        korin::testing::MakeCables(dir_, cables);
        korin::testing::MakeWires(dir_, {});
    }
    ~CableProject() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
};

const CableProject& Project() {
    static CableProject project;
    return project;
}

void Report(benchmark::State& state) {
    // Thousands of cables per run as an inverted rate: the time per 1,000 cables.
    state.counters["je 1000 Kabel"] = benchmark::Counter(
        kCables / 1000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_CreateWires(benchmark::State& state) {
    korin::TKorDirFile cat;
    cat.SetProject(Project().Dir());
    cat.Open();
    korin::TKorCableOps ops;
    ops.Open(cat);
    int32_t appended = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ops.WireTable().Empty();
        state.ResumeTiming();
        appended = ops.CreateWires();
    }
    if (appended != kCables * 8) state.SkipWithError("wrong number of wires");
    Report(state);
}
BENCHMARK(BM_CreateWires)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CreateWiresAllPresent(benchmark::State& state) {
    korin::TKorDirFile cat;
    cat.SetProject(Project().Dir());
    cat.Open();
    korin::TKorCableOps ops;
    ops.Open(cat);
    ops.CreateWires();
    for (auto _ : state) {
        if (ops.CreateWires() != 0) state.SkipWithError("wires appended twice");
    }
    Report(state);
}
BENCHMARK(BM_CreateWiresAllPresent)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
