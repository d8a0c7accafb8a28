// Page drawings: open, change one code on every symbol that has codes, and save
// 1,000 generated pages of realistic size (a title block and a few hundred
// symbols, most with codes); and the CRC-32 alone over the same page images.
// Prints pages per second (wall clock, the flush of every save included) and the
// CRC throughput in MB/s (counter "MB/s", shown as a rate).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "drawing/kor_drawing.h"
#include "store/kor_crc.h"
#include "tests/drawing/drawing_gen.h"

namespace {

namespace gen = korin::testing::gen;

constexpr int kPages = 1000;
constexpr int kSymbolsPerPage = 300;

// The pages, written once into a scratch folder that goes with the process.
class Pages {
public:
    Pages() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korin-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        dir_ = pattern + "/";
        for (int i = 0; i < kPages; ++i) {
            images_.push_back(gen::Build(gen::RandomDrawing(static_cast<uint32_t>(1000 + i), kSymbolsPerPage)));
            names_.push_back(Name(i));
            std::FILE* f = std::fopen((dir_ + names_.back()).c_str(), "wb");
            if (!f || std::fwrite(images_.back().data(), 1, images_.back().size(), f) != images_.back().size())
                std::abort();
            std::fclose(f);
            bytes_ += images_.back().size();
        }
    }
    ~Pages() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    static std::string Name(int i) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%6.6d", i + 1);
        return buf;
    }
    const std::string& Dir() const { return dir_; }
    const std::vector<std::string>& Names() const { return names_; }
    const std::vector<std::vector<uint8_t>>& Images() const { return images_; }
    size_t Bytes() const { return bytes_; }

private:
    std::string dir_;
    std::vector<std::string> names_;
    std::vector<std::vector<uint8_t>> images_;
    size_t bytes_ = 0;
};

Pages& ThePages() {
    static Pages pages;
    return pages;
}

void BM_OpenChangeSave(benchmark::State& state) {
    Pages& pages = ThePages();
    int64_t round = 0, symbols = 0;
    for (auto _ : state) {
        ++round;
        for (const std::string& name : pages.Names()) {
            korin::TKorDrawing d;
            d.SetProject(pages.Dir());
            d.SetFileName(name);
            d.Open();
            for (int32_t i = 0; i < d.Symbols().Count(); ++i) {
                korin::TKorDrawSym& s = *d.SymbolAt(i);
                if (s.CodeCount() == 0) continue;
                // Alternate the length so that records and the index really move.
                s.SetCodeTextAt(0, round % 2 ? "MP-" + std::to_string(i) + "-X" : "MP-" + std::to_string(i));
                ++symbols;
            }
            if (!d.Save()) state.SkipWithError("a page was not saved");
        }
    }
    state.counters["pages/s"] =
        benchmark::Counter(static_cast<double>(kPages) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["changed/page"] =
        static_cast<double>(symbols) / (static_cast<double>(kPages) * static_cast<double>(state.iterations()));
    state.counters["KiB/page"] = static_cast<double>(pages.Bytes()) / kPages / 1024.0;
}
// Wall-clock time: every save flushes its file to disk before the rename.
BENCHMARK(BM_OpenChangeSave)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_Crc32(benchmark::State& state) {
    Pages& pages = ThePages();
    uint32_t sink = 0;
    for (auto _ : state) {
        for (const auto& image : pages.Images()) sink ^= korin::TKorDrawing::ImageCrc(image.data(), image.size());
        benchmark::DoNotOptimize(sink);
    }
    const double bytes = static_cast<double>(pages.Bytes()) * static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Crc32)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
