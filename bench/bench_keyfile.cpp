// Key file against std::map on the same keys: N table-style records, each with
// a 3-part primary key and a 5-part secondary key, inserted, located, walked in
// key order and deleted. std::map holds the same keys as flat strings, in the
// same process, as the baseline; the ratio ours/map is printed per operation.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "store/kor_key_file.h"

namespace {

using korin::KeyPart;
using korin::TKeyList;

struct Record {
    std::string id;     // primary key text
    std::string group;  // secondary key field 1
    std::string tag;    // secondary key field 2
};

std::vector<Record> MakeRecords(int n) {
    std::mt19937 rng(20261206);
    std::vector<Record> records(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        Record& r = records[static_cast<size_t>(i)];
        r.id = "M" + std::to_string(rng() % 100000000u);
        r.id += "-" + std::to_string(i);  // unique
        r.group = "G" + std::to_string(rng() % 1000);
        r.tag = "T" + std::to_string(rng() % 50);
    }
    return records;
}

TKeyList PrimaryKey(const Record& r) {
    return {KeyPart('C', 0, "P_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 80, r.id)};
}

TKeyList RecordKeys(const Record& r) {
    TKeyList keys = PrimaryKey(r);
    keys.push_back(korin::kKeySeparator);
    for (auto& p : {KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, "GRUPPE"),
                    KeyPart('C', 0, r.group), KeyPart('C', 80, r.id)})
        keys.push_back(p);
    return keys;
}

std::string Flat(const TKeyList& key) {
    std::string s;
    for (const auto& p : key) {
        s += p;
        s.push_back('\x1f');
    }
    return s;
}

struct Timings {
    double insert = 0, locate = 0, walk = 0, erase = 0;
};

double Seconds(std::chrono::steady_clock::time_point a) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

Timings RunKeyFile(const std::vector<Record>& records, const std::string& dir) {
    Timings t;
    korin::TKorKeyFile kf;
    kf.SetProject(dir);
    kf.SetFileName("bench.idx");
    kf.CreateNew(true);
    kf.Open();
    auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < records.size(); ++i) {
        TKeyList keys = RecordKeys(records[i]);
        kf.AddKeys(keys, static_cast<int32_t>(i) + 1);
    }
    t.insert = Seconds(start);
    start = std::chrono::steady_clock::now();
    int64_t sum = 0;
    for (const Record& r : records) sum += kf.Locate(PrimaryKey(r));
    t.locate = Seconds(start);
    start = std::chrono::steady_clock::now();
    for (bool ok = kf.First(); ok; ok = kf.Next()) sum += kf.CurrentRecord();
    t.walk = Seconds(start);
    start = std::chrono::steady_clock::now();
    for (const Record& r : records) {
        TKeyList keys = RecordKeys(r);
        kf.DeleteKeys(keys);
    }
    t.erase = Seconds(start);
    benchmark::DoNotOptimize(sum);
    kf.Close();
    return t;
}

Timings RunMap(const std::vector<Record>& records) {
    Timings t;
    std::map<std::string, int> map;
    auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        map.emplace(Flat(PrimaryKey(r)), static_cast<int>(i));
        map.emplace(Flat({KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, "GRUPPE"),
                          KeyPart('C', 0, r.group), KeyPart('C', 80, r.id)}),
                    static_cast<int>(i));
    }
    t.insert = Seconds(start);
    start = std::chrono::steady_clock::now();
    int64_t sum = 0;
    for (const Record& r : records) sum += map.find(Flat(PrimaryKey(r)))->second;
    t.locate = Seconds(start);
    start = std::chrono::steady_clock::now();
    const std::string prefix = Flat({KeyPart('C', 0, "P_KEY"), KeyPart('N', 0, "0")});
    for (auto it = map.lower_bound(prefix); it != map.end() && it->first.starts_with(prefix); ++it)
        sum += it->second;
    t.walk = Seconds(start);
    start = std::chrono::steady_clock::now();
    for (const Record& r : records) {
        map.erase(Flat(PrimaryKey(r)));
        map.erase(Flat({KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, "GRUPPE"),
                        KeyPart('C', 0, r.group), KeyPart('C', 80, r.id)}));
    }
    t.erase = Seconds(start);
    benchmark::DoNotOptimize(sum);
    return t;
}

void BM_KeyFileAgainstMap(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const auto records = MakeRecords(n);
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("korin-bench-keyfile-" + std::to_string(n))).string();
    std::filesystem::create_directories(dir);
    for (auto _ : state) {
        const Timings ours = RunKeyFile(records, dir);
        const Timings base = RunMap(records);
        state.SetIterationTime(ours.insert + ours.locate + ours.walk + ours.erase);
        state.counters["insert_s"] = ours.insert;
        state.counters["locate_s"] = ours.locate;
        state.counters["walk_s"] = ours.walk;
        state.counters["delete_s"] = ours.erase;
        state.counters["insert_x_map"] = ours.insert / base.insert;
        state.counters["locate_x_map"] = ours.locate / base.locate;
        state.counters["walk_x_map"] = ours.walk / base.walk;
        state.counters["delete_x_map"] = ours.erase / base.erase;
        std::printf("N=%d  key file: insert %.3fs locate %.3fs walk %.3fs delete %.3fs | "
                    "std::map: insert %.3fs locate %.3fs walk %.3fs delete %.3fs\n",
                    n, ours.insert, ours.locate, ours.walk, ours.erase, base.insert, base.locate,
                    base.walk, base.erase);
    }
    std::filesystem::remove_all(dir);
}

}  // namespace

BENCHMARK(BM_KeyFileAgainstMap)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
