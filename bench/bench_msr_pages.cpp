// Page generation at the size of a large plant: the demo project with 10^3 and
// with 10^4 measure points (written by korintool beside this program, without
// pages), every measure point assigned its originals automatically, then the
// pages of all of them generated in one run. Reported per size: the run's time,
// pages per second and the time per page; at the end the ratio of the two runs'
// times, which stays near 10 while nothing in the run grows with the project.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "msr/msr_assign.h"
#include "msr/msr_generate.h"
#include "msr/msr_originals.h"
#include "msr/msr_project.h"

namespace {

namespace fs = std::filesystem;
using namespace korin::msr;

std::map<int, double> g_seconds;

// korintool lies in the build folder, one level above this program.
std::string Korintool() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return (self.parent_path().parent_path() / "korintool").string();
}

void Generate(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const fs::path dir = fs::temp_directory_path() / ("korin-bench-msr-" + std::to_string(count));
    fs::remove_all(dir);
    const std::string command = Korintool() + " demo " + dir.string() + " --no-pages --measure-points " +
                                std::to_string(count) + " > /dev/null";
    if (std::system(command.c_str()) != 0) {
        state.SkipWithError("korintool demo failed");
        return;
    }
    for (auto _ : state) {
        TMsrProject project((dir / "Demo").string());
        const std::vector<std::string> all = project.Designations();
        AutoAssign(project.mpoint, OriginalRows(BuildOriginalLists((dir / "Originale").string(), {"TYPICALS"})),
                   TCriterion::Processing, all);
        TPageGenerator generator(project, ReadLevels(project.Dir()), {});
        const auto start = std::chrono::steady_clock::now();
        const TGenerateResult r = generator.Generate(all);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        g_seconds[count] = seconds;
        state.counters["pages"] = r.created;
        state.counters["pages_per_s"] = r.created / seconds;
        state.counters["us_per_page"] = 1e6 * seconds / r.created;
        if (!r.refused.empty()) state.SkipWithError(r.refused.front().c_str());
    }
    fs::remove_all(dir);
}

BENCHMARK(Generate)->Arg(1000)->Arg(10000)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (g_seconds.count(1000) && g_seconds.count(10000) && g_seconds[1000] > 0)
        std::fprintf(stderr, "ratio 10^4 / 10^3 measure points: %.2f (linear: 10, allowed: 12)\n",
                     g_seconds[10000] / g_seconds[1000]);
    benchmark::Shutdown();
    return 0;
}
