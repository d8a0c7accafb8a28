// What durability costs: 10^5 records appended to a fresh table, once left in
// the page cache and once followed by the flush that ends every user
// operation (TKorMMF::FlushAll: msync and fsync of the table and its key
// file). Per-record flushing is not done; the line "flush/append" is the share
// the one final flush adds. The scratch folder is in the system's temporary
// directory (TMPDIR), on the disk a project would be on.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "store/kor_mmf.h"
#include "store/kor_table.h"

namespace {

using Clock = std::chrono::steady_clock;
std::map<std::string, double>& Seconds() {
    static std::map<std::string, double> seconds;
    return seconds;
}

std::string ScratchDir() {
    const char* base = std::getenv("TMPDIR");
    std::string dir = std::string(base != nullptr ? base : "/tmp") + "/korin-bench-flush-XXXXXX";
    if (::mkdtemp(dir.data()) == nullptr) std::abort();
    return dir + "/";
}

void Append(benchmark::State& state, bool flush) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const std::string dir = ScratchDir();
        {
            korin::TKorTable t;
            t.SetProject(dir);
            t.SetFileName("t.dat");
            t.SetKeyFileName("t.key");
            t.SetFieldDefs({{"K", korin::TKorFieldType::String, 10}, {"V", korin::TKorFieldType::String, 20}});
            t.SetPrimaryKeyField(1);
            t.CreateNew(true);
            t.Open();
            char key[16];
            const auto start = Clock::now();
            for (int i = 0; i < n; ++i) {
                std::snprintf(key, sizeof key, "K%08d", (i * 7919) % n);
                t.Append({key, "Wert"});
            }
            if (flush) korin::TKorMMF::FlushAll();
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            state.SetIterationTime(seconds);
            Seconds()[flush ? "append+flush" : "append"] = seconds;
            // Closing flushes as well; that is not part of either measurement.
        }
        std::filesystem::remove_all(dir);
    }
    state.SetItemsProcessed(static_cast<int64_t>(n) * state.iterations());
}

void AppendOnly(benchmark::State& state) { Append(state, false); }
void AppendAndFlush(benchmark::State& state) { Append(state, true); }

BENCHMARK(AppendOnly)->Arg(100000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(AppendAndFlush)->Arg(100000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double plain = Seconds()["append"], flushed = Seconds()["append+flush"];
    if (plain > 0 && flushed > 0)
        std::printf("\nappend of 10^5 records: %.3f s, with the final flush %.3f s, flush/append %.2f\n", plain,
                    flushed, flushed / plain);
    return 0;
}
