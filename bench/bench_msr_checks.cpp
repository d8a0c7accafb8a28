// The two page checks over the demo project with 10^4 measure points and its
// pages (written once by korintool beside this program): the instrumentation
// check (its default comparison of symbol texts) and the page info check with
// every comparison. Each run must stay under 10 s (counter within_10s).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "msr/msr_checks.h"

namespace {

namespace fs = std::filesystem;
using namespace korin::msrcheck;

constexpr double kLimitSeconds = 10.0;

std::string Korintool() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return (self.parent_path().parent_path() / "korintool").string();
}

// KORIN_BENCH_KEEP=1 keeps the project for the next run.
const fs::path& Project() {
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / "korin-bench-msr-checks";
        if (std::getenv("KORIN_BENCH_KEEP") && fs::exists(d / "Demo")) return d / "Demo";
        fs::remove_all(d);
        const std::string command = Korintool() + " demo " + d.string() + " --measure-points 10000 > /dev/null";
        return std::system(command.c_str()) == 0 ? d / "Demo" : fs::path();
    }();
    return dir;
}

template <typename Run>
void Timed(benchmark::State& state, Run run) {
    if (Project().empty()) {
        state.SkipWithError("korintool demo failed");
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int64_t pages = run();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["pages"] = static_cast<double>(pages);
        state.counters["pages_per_s"] = pages / seconds;
        state.counters["within_10s"] = seconds < kLimitSeconds ? 1 : 0;
    }
}

void InstrumentationCheck(benchmark::State& state) {
    Timed(state, [] { return RunInstrumentationCheck(Project().string() + "/", InstMode::SymbolText, false).pages; });
}

void PageInfoCheck(benchmark::State& state) {
    PageInfoOptions all;
    all.composed = all.found63 = all.found12135 = all.same = true;
    Timed(state, [&] { return RunPageInfoCheck(Project().string() + "/", all).pages; });
}

BENCHMARK(InstrumentationCheck)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(PageInfoCheck)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!Project().empty() && !std::getenv("KORIN_BENCH_KEEP")) fs::remove_all(Project().parent_path());
    return 0;
}
