// The table file against SQLite 3 on the same work, at 10^5 and at 10^6
// records: appending them, 10^5 random lookups by primary key, a walk of every
// record in primary-key order, and a rebuild of all indexes.
//
// Both hold the same five columns (K primary key, Name, Ort, Nr, Typ) with a
// non-unique index over Ort and a unique one over (Nr, Typ). SQLite is set up as
// fast as it honestly goes for this: a file database without journal, without
// syncing, locked exclusively, memory-mapped and with a cache larger than the
// file; every run is one transaction of prepared statements. The table is a
// WITHOUT ROWID table, stored in primary-key order as the key file orders ours.
// Keys are inserted in random order. Neither side flushes to the disk.
//
// The whole sequence (both sizes, both sides, every operation, each timed once
// by the wall clock) runs in three rounds, and every round begins by appending
// into new files, so the rounds are alike and each operation of each side and
// size is timed three times, spread over the run. On a virtual machine that
// shares its memory with others a single timing of a 10^6 operation, which
// misses the caches and takes hundreds of MB of fresh memory, may be half again
// as long as the next one; the best of the three rounds is what the operation
// costs here, for both sides and both sizes alike.
//
// At the end one line per operation prints both best times, the ratio ours /
// SQLite and the slowest round of each side, then the growth of every operation
// from 10^5 to 10^6 records (10 is linear, about 12 is n log n; the lookups stay
// 10^5, so theirs shows only the deeper trees) from the best times, beside the
// growth each single round showed, and the memory our side held: the peak
// resident memory of each operation (the highest of the rounds) and what stays
// resident after the walk (mapped file pages and heap) beside the file sizes.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <malloc.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
constexpr int kRounds = 3;

std::string Tag(int n) { return n == kSmall ? "10^5" : n == kLarge ? "10^6" : std::to_string(n); }

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

// A line of /proc/self/status in MB ("VmHWM", "VmRSS", "RssAnon", "RssFile").
double StatusMb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::atof(line.c_str() + field.size() + 1) / 1024.0;
    return 0.0;
}

// Mapped file pages held in huge pages, in MB (a walk or look-up through a
// file the system holds in small pages pays a page-table walk per miss).
double HugeMappedMb() {
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string line;
    while (std::getline(rollup, line))
        if (line.rfind("FilePmdMapped:", 0) == 0) return std::atof(line.c_str() + 14) / 1024.0;
    return 0.0;
}

// Peak resident memory is measured per operation of ours: what SQLite freed
// before is given back to the system and the peak is reset to the present.
void StartPeak() {
    ::malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::map<std::string, double>& PeakMb() {
    static std::map<std::string, double> peak;
    return peak;
}

std::vector<std::string>& MemoryNotes() {
    static std::vector<std::string> notes;
    return notes;
}

double FileMb(const std::string& name) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(ScratchDir() + name, ec);
    return ec ? 0.0 : static_cast<double>(size) / (1024.0 * 1024.0);
}

// Seconds of each operation in every round, ours and SQLite's.
struct Timings {
    std::vector<double> ours, sqlite;
};

std::map<std::string, Timings>& Times() {
    static std::map<std::string, Timings> times;
    return times;
}

int Round(const benchmark::State& state) { return static_cast<int>(state.range(1)); }

void Record(benchmark::State& state, const std::string& op, bool ours, double seconds) {
    state.SetIterationTime(seconds);
    Timings& t = Times()[op];
    std::vector<double>& rounds = ours ? t.ours : t.sqlite;
    rounds.resize(static_cast<size_t>(kRounds), 0.0);
    rounds[static_cast<size_t>(Round(state))] = seconds;
    if (ours) PeakMb()[op] = std::max(PeakMb()[op], StatusMb("VmHWM"));
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
    for (auto _ : state) {
        StartPeak();
        Record(state, "append " + Tag(n), true, BuildOurs(n));
    }
    state.SetItemsProcessed(n);
}

std::vector<std::string> LookupKeys(int n) {
    std::mt19937 rng(99);
    std::vector<std::string> keys;
    for (int i = 0; i < kLookups; ++i) keys.push_back(MakeRow(static_cast<int>(rng() % static_cast<unsigned>(n)), 0).k);
    return keys;
}

void BM_OursLookup(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OursBuilt(n);
    const std::vector<std::string> keys = LookupKeys(n);
    StartPeak();
    auto t = OpenOurs(n);
    t->Open();
    for (auto _ : state) {
        const auto start = Clock::now();
        size_t found = 0;
        for (const std::string& k : keys)
            found += t->FindByPrimary(k) && !t->Records().GetFieldView(1).empty();
        Record(state, "lookup 10^5 of " + Tag(n), true, Since(start));
        if (found != keys.size()) std::abort();
    }
}

void BM_OursWalk(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OursBuilt(n);
    StartPeak();
    auto t = OpenOurs(n);
    t->Open();
    for (auto _ : state) {
        const auto start = Clock::now();
        size_t rows = 0, bytes = 0;
        const korin::TKorRecords& records = t->Records();
        for (bool more = t->First(); more; more = t->Next(), ++rows)
            for (int32_t i = 0; i < 5; ++i) bytes += records.GetFieldView(i).size();
        Record(state, "walk " + Tag(n) + " in key order", true, Since(start));
        if (rows != static_cast<size_t>(n)) std::abort();
        benchmark::DoNotOptimize(bytes);
    }
    if (Round(state) != kRounds - 1) return;
    char note[256];
    std::snprintf(note, sizeof note,
                  "after the walk of %s: resident %.1f MB (heap %.1f, mapped files %.1f, of them in huge pages %.1f); "
                  "files %.1f MB",
                  Tag(n).c_str(), StatusMb("VmRSS"), StatusMb("RssAnon"), StatusMb("RssFile"), HugeMappedMb(),
                  FileMb(TableName(n) + ".dat") + FileMb(TableName(n) + ".key"));
    MemoryNotes().push_back(note);
}

void BM_OursReindex(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OursBuilt(n);
    StartPeak();
    auto t = OpenOurs(n);
    t->Open();
    for (auto _ : state) {
        const auto start = Clock::now();
        t->Reindex();
        Record(state, "rebuild indexes of " + Tag(n), true, Since(start));
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
    for (auto _ : state) Record(state, "append " + Tag(n), false, BuildSqlite(n));
    state.SetItemsProcessed(n);
}

void BM_SqliteLookup(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    SqliteBuilt(n);
    sqlite3* db = OpenSqlite(n);
    sqlite3_stmt* find = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM t WHERE k = ?", -1, &find, nullptr);
    const std::vector<std::string> keys = LookupKeys(n);
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
        Record(state, "lookup 10^5 of " + Tag(n), false, Since(start));
        if (found != keys.size()) std::abort();
    }
    sqlite3_finalize(find);
    sqlite3_close(db);
}

void BM_SqliteWalk(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    SqliteBuilt(n);
    sqlite3* db = OpenSqlite(n);
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
        Record(state, "walk " + Tag(n) + " in key order", false, Since(start));
        if (rows != static_cast<size_t>(n)) std::abort();
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_finalize(walk);
    sqlite3_close(db);
}

void BM_SqliteReindex(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    SqliteBuilt(n);
    sqlite3* db = OpenSqlite(n);
    for (auto _ : state) {
        const auto start = Clock::now();
        Exec(db, "BEGIN");
        Exec(db, "DROP INDEX t_ort; DROP INDEX t_nrtyp;");
        Exec(db, kCreateIndexes);
        Exec(db, "COMMIT");
        Record(state, "rebuild indexes of " + Tag(n), false, Since(start));
    }
    sqlite3_close(db);
}

// Every benchmark runs once per round (arguments: records, round), timed by
// the wall clock it reports.
void Once(benchmark::internal::Benchmark* b, int n, int round) {
    b->Args({n, round})->ArgNames({"n", "round"})->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void Register() {
    for (int round = 0; round < kRounds; ++round) {
        for (int n : {kSmall, kLarge}) {
            Once(benchmark::RegisterBenchmark("ours/append", BM_OursAppend), n, round);
            Once(benchmark::RegisterBenchmark("sqlite/append", BM_SqliteAppend), n, round);
            Once(benchmark::RegisterBenchmark("ours/lookup", BM_OursLookup), n, round);
            Once(benchmark::RegisterBenchmark("sqlite/lookup", BM_SqliteLookup), n, round);
            Once(benchmark::RegisterBenchmark("ours/walk", BM_OursWalk), n, round);
            Once(benchmark::RegisterBenchmark("sqlite/walk", BM_SqliteWalk), n, round);
            Once(benchmark::RegisterBenchmark("ours/reindex", BM_OursReindex), n, round);
            Once(benchmark::RegisterBenchmark("sqlite/reindex", BM_SqliteReindex), n, round);
        }
    }
}

// The best and the slowest of the rounds that ran (0 when none did).
double Best(const std::vector<double>& rounds) {
    double best = 0.0;
    for (double s : rounds)
        if (s > 0 && (best == 0 || s < best)) best = s;
    return best;
}

double Slowest(const std::vector<double>& rounds) {
    return rounds.empty() ? 0.0 : *std::max_element(rounds.begin(), rounds.end());
}

void PrintRatios() {
    const char* const kOps[] = {"append ", "lookup 10^5 of ", "walk ", "rebuild indexes of "};
    auto opName = [](const char* op, const std::string& tag) {
        return std::string(op) + tag + (std::string(op) == "walk " ? " in key order" : "");
    };
    std::printf("\nbest of %d rounds\n%-28s %10s %10s %12s %14s %22s\n", kRounds, "operation", "ours s",
                "sqlite s", "ours/sqlite", "ours peak MB", "slowest ours / sqlite");
    for (const std::string tag : {"10^5", "10^6"}) {
        for (const char* op : kOps) {
            const std::string name = opName(op, tag);
            const auto it = Times().find(name);
            if (it == Times().end()) continue;
            const Timings& t = it->second;
            const double ours = Best(t.ours), sqlite = Best(t.sqlite);
            char ratio[32] = "-";
            if (ours > 0 && sqlite > 0) std::snprintf(ratio, sizeof ratio, "%.2f", ours / sqlite);
            std::printf("%-28s %10.3f %10.3f %12s %14.1f %11.3f / %.3f\n", name.c_str(), ours, sqlite, ratio,
                        PeakMb()[name], Slowest(t.ours), Slowest(t.sqlite));
        }
    }
    std::printf("\ngrowth 10^5 -> 10^6 of the best times (10 linear, ~12 n log n; lookups: 10^5 each),\n"
                "in brackets the least and the most a single round showed\n");
    auto growth = [](double a, double b) { return a > 0 && b > 0 ? b / a : 0.0; };
    // Best growth and the range of the rounds' own growths.
    auto describe = [&](const std::vector<double>& small, const std::vector<double>& large) {
        double least = 0.0, most = 0.0;
        for (size_t r = 0; r < small.size() && r < large.size(); ++r) {
            const double g = growth(small[r], large[r]);
            if (g == 0) continue;
            least = least == 0 ? g : std::min(least, g);
            most = std::max(most, g);
        }
        char text[64];
        std::snprintf(text, sizeof text, "x%.1f (%.1f-%.1f)", growth(Best(small), Best(large)), least, most);
        return std::string(text);
    };
    for (const char* op : kOps) {
        const auto small = Times().find(opName(op, "10^5"));
        const auto large = Times().find(opName(op, "10^6"));
        if (small == Times().end() || large == Times().end()) continue;
        std::printf("%-28s ours %-18s sqlite %s\n", (std::string(op) + "n").c_str(),
                    describe(small->second.ours, large->second.ours).c_str(),
                    describe(small->second.sqlite, large->second.sqlite).c_str());
    }
    std::printf("\n");
    for (const std::string& note : MemoryNotes()) std::printf("%s\n", note.c_str());
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
