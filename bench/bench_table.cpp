// The table file against SQLite 3 on the same work: append 10^5 and 10^6
// records, 10^5 random lookups by primary key, a walk of every record in
// primary-key order, and a rebuild of all indexes.
//
// Both hold the same five columns (K primary key, Name, Ort, Nr, Typ) with a
// non-unique index over Ort and a unique one over (Nr, Typ). SQLite is set up as
// fast as it honestly goes for this: a file database without journal, without
// syncing, locked exclusively, memory-mapped and with a cache larger than the
// file; every run is one transaction of prepared statements. The table is a
// WITHOUT ROWID table, stored in primary-key order as the key file orders ours.
// Keys are inserted in random order. Neither side flushes to the disk.
//
// Each benchmark runs once (wall clock); at the end one line per operation
// prints both times and the ratio ours / SQLite, and the growth of the append
// time from 10^5 to 10^6 records (10.0 would be linear, about 12 is n log n).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "store/kor_table.h"

namespace {

constexpr int kSmall = 100'000;
constexpr int kLarge = 1'000'000;
constexpr int kLookups = 100'000;

const char* const kCities[] = {"Kiel", "Bonn", "Ulm", "Hamm", "Gera", "Jena", "Suhl", "Trier", "Fulda", "Hof"};

struct Row {
    std::string k, name, ort, nr, typ;
};

// Record i of a data set of n: keys in a random order, Nr unique.
std::vector<int> Order(int n) {
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(12345));
    return order;
}

Row MakeRow(int key, int i) {
    char k[16];
    std::snprintf(k, sizeof k, "K%09d", key);
    return {k, "Messstelle " + std::to_string(i), kCities[i % 10], std::to_string(i), "T" + std::to_string(i % 7)};
}

std::string ScratchDir() {
    static const std::string dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "korin-bench-table-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchDir(), ec);
        });
        return pattern + "/";
    }();
    return dir;
}

// Seconds of each operation, ours and SQLite's.
std::map<std::string, std::pair<double, double>>& Times() {
    static std::map<std::string, std::pair<double, double>> times;
    return times;
}

void Record(benchmark::State& state, const std::string& op, bool ours, double seconds) {
    state.SetIterationTime(seconds);
    auto& t = Times()[op];
    (ours ? t.first : t.second) = seconds;
}

// The data sets on disk: n for ours, -n for SQLite's.
std::map<int, bool>& Built() {
    static std::map<int, bool> built;
    return built;
}

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// ---- ours ----------------------------------------------------------------------

std::string TableName(int n) { return "t" + std::to_string(n); }

std::unique_ptr<korin::TKorTable> OpenOurs(int n) {
    auto t = std::make_unique<korin::TKorTable>();
    t->SetProject(ScratchDir());
    t->SetFileName(TableName(n) + ".dat");
    t->SetKeyFileName(TableName(n) + ".key");
    return t;
}

// Creates the table and appends n records; the seconds of the appends.
double BuildOurs(int n) {
    auto t = OpenOurs(n);
    t->SetFieldDefs({{"K", korin::TKorFieldType::String, 10},
                     {"Name", korin::TKorFieldType::String, 20},
                     {"Ort", korin::TKorFieldType::String, 10},
                     {"Nr", korin::TKorFieldType::Integer, 0},
                     {"Typ", korin::TKorFieldType::String, 4}});
    t->SetPrimaryKeyField(1);
    t->CreateNew(true);
    std::filesystem::remove(ScratchDir() + TableName(n) + ".key");
    t->Open();
    t->DefineSecondaryKey("ORT", {"Ort"});
    t->DefineSecondaryKey("NRTYP", {"Nr", "Typ"}, true);
    const std::vector<int> order = Order(n);
    const auto start = Clock::now();
    for (int i = 0; i < n; ++i) {
        const Row r = MakeRow(order[static_cast<size_t>(i)], i);
        if (t->Append({r.k, r.name, r.ort, r.nr, r.typ}) < 0) std::abort();
    }
    const double seconds = Since(start);
    t->Close();
    Built()[n] = true;
    return seconds;
}

void OursBuilt(int n) {
    if (!Built()[n]) BuildOurs(n);
}

void BM_OursAppend(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) Record(state, "append " + std::to_string(n), true, BuildOurs(n));
    state.SetItemsProcessed(n);
}

void BM_OursLookup(benchmark::State& state) {
    OursBuilt(kLarge);
    auto t = OpenOurs(kLarge);
    t->Open();
    std::mt19937 rng(99);
    std::vector<std::string> keys;
    for (int i = 0; i < kLookups; ++i) keys.push_back(MakeRow(static_cast<int>(rng() % kLarge), 0).k);
    for (auto _ : state) {
        const auto start = Clock::now();
        size_t found = 0;
        for (const std::string& k : keys) found += t->FindByPrimary(k) && !t->GetField(1).empty();
        Record(state, "lookup 10^5 of 10^6", true, Since(start));
        if (found != keys.size()) std::abort();
    }
}

void BM_OursWalk(benchmark::State& state) {
    OursBuilt(kLarge);
    auto t = OpenOurs(kLarge);
    t->Open();
    for (auto _ : state) {
        const auto start = Clock::now();
        size_t rows = 0, bytes = 0;
        for (bool more = t->First(); more; more = t->Next(), ++rows)
            for (int32_t i = 0; i < 5; ++i) bytes += t->GetField(i).size();
        Record(state, "walk 10^6 in key order", true, Since(start));
        if (rows != static_cast<size_t>(kLarge)) std::abort();
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_OursReindex(benchmark::State& state) {
    OursBuilt(kLarge);
    auto t = OpenOurs(kLarge);
    t->Open();
    for (auto _ : state) {
        const auto start = Clock::now();
        t->Reindex();
        Record(state, "rebuild indexes of 10^6", true, Since(start));
    }
}

// ---- SQLite ----------------------------------------------------------------------

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s: %s\n", sql, error ? error : "?");
        std::abort();
    }
}

sqlite3* OpenSqlite(int n) {
    sqlite3* db = nullptr;
    if (sqlite3_open((ScratchDir() + TableName(n) + ".sqlite").c_str(), &db) != SQLITE_OK) std::abort();
    Exec(db, "PRAGMA journal_mode=OFF");
    Exec(db, "PRAGMA synchronous=OFF");
    Exec(db, "PRAGMA locking_mode=EXCLUSIVE");
    Exec(db, "PRAGMA mmap_size=4294967296");
    Exec(db, "PRAGMA cache_size=-2097152");  // 2 GiB
    Exec(db, "PRAGMA temp_store=MEMORY");
    return db;
}

const char* const kCreateIndexes =
    "CREATE INDEX t_ort ON t(ort);"
    "CREATE UNIQUE INDEX t_nrtyp ON t(nr, typ);";

double BuildSqlite(int n) {
    std::filesystem::remove(ScratchDir() + TableName(n) + ".sqlite");
    sqlite3* db = OpenSqlite(n);
    Exec(db, "CREATE TABLE t(k TEXT PRIMARY KEY, name TEXT, ort TEXT, nr INTEGER, typ TEXT) WITHOUT ROWID");
    Exec(db, kCreateIndexes);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?,?,?,?,?)", -1, &insert, nullptr);
    const std::vector<int> order = Order(n);
    const auto start = Clock::now();
    Exec(db, "BEGIN");
    for (int i = 0; i < n; ++i) {
        const Row r = MakeRow(order[static_cast<size_t>(i)], i);
        sqlite3_bind_text(insert, 1, r.k.c_str(), static_cast<int>(r.k.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, r.name.c_str(), static_cast<int>(r.name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, r.ort.c_str(), static_cast<int>(r.ort.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert, 4, i);
        sqlite3_bind_text(insert, 5, r.typ.c_str(), static_cast<int>(r.typ.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE) std::abort();
        sqlite3_reset(insert);
    }
    Exec(db, "COMMIT");
    const double seconds = Since(start);
    sqlite3_finalize(insert);
    sqlite3_close(db);
    Built()[-n] = true;
    return seconds;
}

void SqliteBuilt(int n) {
    if (!Built()[-n]) BuildSqlite(n);
}

void BM_SqliteAppend(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) Record(state, "append " + std::to_string(n), false, BuildSqlite(n));
    state.SetItemsProcessed(n);
}

void BM_SqliteLookup(benchmark::State& state) {
    SqliteBuilt(kLarge);
    sqlite3* db = OpenSqlite(kLarge);
    sqlite3_stmt* find = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM t WHERE k = ?", -1, &find, nullptr);
    std::mt19937 rng(99);
    std::vector<std::string> keys;
    for (int i = 0; i < kLookups; ++i) keys.push_back(MakeRow(static_cast<int>(rng() % kLarge), 0).k);
    for (auto _ : state) {
        const auto start = Clock::now();
        Exec(db, "BEGIN");
        size_t found = 0;
        for (const std::string& k : keys) {
            sqlite3_bind_text(find, 1, k.c_str(), static_cast<int>(k.size()), SQLITE_STATIC);
            if (sqlite3_step(find) == SQLITE_ROW) found += sqlite3_column_bytes(find, 0) > 0;
            sqlite3_reset(find);
        }
        Exec(db, "COMMIT");
        Record(state, "lookup 10^5 of 10^6", false, Since(start));
        if (found != keys.size()) std::abort();
    }
    sqlite3_finalize(find);
    sqlite3_close(db);
}

void BM_SqliteWalk(benchmark::State& state) {
    SqliteBuilt(kLarge);
    sqlite3* db = OpenSqlite(kLarge);
    sqlite3_stmt* walk = nullptr;
    sqlite3_prepare_v2(db, "SELECT k, name, ort, nr, typ FROM t ORDER BY k", -1, &walk, nullptr);
    for (auto _ : state) {
        const auto start = Clock::now();
        size_t rows = 0, bytes = 0;
        Exec(db, "BEGIN");
        while (sqlite3_step(walk) == SQLITE_ROW) {
            ++rows;
            for (int i = 0; i < 5; ++i) {
                // As text, as the table hands out its values.
                sqlite3_column_text(walk, i);
                bytes += static_cast<size_t>(sqlite3_column_bytes(walk, i));
            }
        }
        sqlite3_reset(walk);
        Exec(db, "COMMIT");
        Record(state, "walk 10^6 in key order", false, Since(start));
        if (rows != static_cast<size_t>(kLarge)) std::abort();
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_finalize(walk);
    sqlite3_close(db);
}

void BM_SqliteReindex(benchmark::State& state) {
    SqliteBuilt(kLarge);
    sqlite3* db = OpenSqlite(kLarge);
    for (auto _ : state) {
        const auto start = Clock::now();
        Exec(db, "BEGIN");
        Exec(db, "DROP INDEX t_ort; DROP INDEX t_nrtyp;");
        Exec(db, kCreateIndexes);
        Exec(db, "COMMIT");
        Record(state, "rebuild indexes of 10^6", false, Since(start));
    }
    sqlite3_close(db);
}

// Every benchmark runs once, timed by the wall clock it reports.
void Once(benchmark::internal::Benchmark* b) {
    b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void Register() {
    for (int n : {kSmall, kLarge}) {
        Once(benchmark::RegisterBenchmark("ours/append", BM_OursAppend)->Arg(n));
        Once(benchmark::RegisterBenchmark("sqlite/append", BM_SqliteAppend)->Arg(n));
    }
    Once(benchmark::RegisterBenchmark("ours/lookup", BM_OursLookup));
    Once(benchmark::RegisterBenchmark("sqlite/lookup", BM_SqliteLookup));
    Once(benchmark::RegisterBenchmark("ours/walk", BM_OursWalk));
    Once(benchmark::RegisterBenchmark("sqlite/walk", BM_SqliteWalk));
    Once(benchmark::RegisterBenchmark("ours/reindex", BM_OursReindex));
    Once(benchmark::RegisterBenchmark("sqlite/reindex", BM_SqliteReindex));
}

void PrintRatios() {
    std::printf("\n%-28s %12s %12s %10s\n", "operation", "ours s", "sqlite s", "ours/sqlite");
    for (const auto& [op, t] : Times()) {
        if (t.first > 0 && t.second > 0)
            std::printf("%-28s %12.3f %12.3f %10.2f\n", op.c_str(), t.first, t.second, t.first / t.second);
        else
            std::printf("%-28s %12.3f %12.3f %10s\n", op.c_str(), t.first, t.second, "-");
    }
    const auto& small = Times()["append " + std::to_string(kSmall)];
    const auto& large = Times()["append " + std::to_string(kLarge)];
    if (small.first > 0 && large.first > 0)
        std::printf("append 10^5 -> 10^6 grows ours x%.1f, sqlite x%.1f (10 linear, ~12 n log n)\n",
                    large.first / small.first, small.second > 0 ? large.second / small.second : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintRatios();
    return 0;
}
