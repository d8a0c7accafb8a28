// "Daten lesen" at 10^5 rows against SQLite importing the same rows.
//
// The source is an SQLite table of 10^5 rows (K primary key, Name, Ort, Nr,
// Typ; keys in random order). Ours: the import reads it (in this process, as
// the tests do; the desktop program reads in a child) into a project table
// with K as primary key field, a non-unique secondary key over Ort and a
// unique one over (Nr, Typ), converting every text to CP850. SQLite's own: the
// same rows read from the same source and inserted into a table with the same
// keys (primary key, a non-unique and a unique index), one transaction of
// prepared statements, without journal or syncing. Each side runs once; the
// last line gives rows per second of both and the ratio.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "extdb/ext_source.h"
#include "store/kor_table.h"
#include "tables/table_import.h"

namespace {

constexpr int kRows = 100'000;
const char* const kCities[] = {"Kiel", "Bonn", "Ulm", "München", "Gera", "Jena", "Suhl", "Trier", "Fulda", "Hof"};

std::string g_dir;
double g_ours = 0, g_theirs = 0;

void Exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

void MakeSource() {
    sqlite3* db = nullptr;
    sqlite3_open((g_dir + "source.sqlite").c_str(), &db);
    Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
             "CREATE TABLE src (K TEXT, Name TEXT, Ort TEXT, Nr INTEGER, Typ TEXT); BEGIN;");
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO src VALUES (?,?,?,?,?)", -1, &ins, nullptr);
    std::vector<int> order(kRows);
    for (int i = 0; i < kRows; ++i) order[static_cast<size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(42));
    for (int i : order) {
        const std::string k = "K" + std::to_string(1000000 + i);
        const std::string name = "Messstelle " + std::to_string(i);
        sqlite3_bind_text(ins, 1, k.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 3, kCities[i % 10], -1, SQLITE_STATIC);
        sqlite3_bind_int(ins, 4, i / 4);
        sqlite3_bind_text(ins, 5, i % 4 == 0 ? "PT" : i % 4 == 1 ? "FT" : i % 4 == 2 ? "LT" : "TT", -1, SQLITE_STATIC);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    Exec(db, "COMMIT;");
    sqlite3_close(db);
}

void BM_OurImport(benchmark::State& state) {
    for (auto _ : state) {
        std::filesystem::remove(g_dir + "000001");
        std::filesystem::remove(g_dir + "000002");
        std::filesystem::remove(g_dir + "ImpMap.db");
        korin::TKorTable table;
        table.SetProject(g_dir);
        table.SetFileName("000001");
        table.SetKeyFileName("000002");
        table.SetFieldDefs({{"K", korin::TKorFieldType::String, 10},
                            {"Name", korin::TKorFieldType::String, 30},
                            {"Ort", korin::TKorFieldType::String, 15},
                            {"Nr", korin::TKorFieldType::Integer, 0},
                            {"Typ", korin::TKorFieldType::String, 4}});
        table.SetPrimaryKeyField(1);
        table.CreateNew(true);
        table.Open();
        table.DefineSecondaryKey("ORT", {"Ort"});
        table.DefineSecondaryKey("NRTYP", {"Nr", "Typ"}, true);
        korin::TTableImport import(table, g_dir, {"BENCH", "", "", "MST"},
                                   [](const std::string& p) { return korin::extdb::OpenSource(p); });
        import.LoadMapping();
        import.ChooseSource(g_dir + "source.sqlite", "src");
        import.MapByName();
        const auto start = std::chrono::steady_clock::now();
        const korin::TImportReport report = import.Read(nullptr);
        g_ours = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (report.appended != kRows) state.SkipWithError("not every row was appended");
        state.SetIterationTime(g_ours);
    }
}

void BM_SQLiteImport(benchmark::State& state) {
    for (auto _ : state) {
        std::filesystem::remove(g_dir + "target.sqlite");
        sqlite3* db = nullptr;
        sqlite3_open((g_dir + "target.sqlite").c_str(), &db);
        Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
                 "CREATE TABLE mst (K TEXT PRIMARY KEY, Name TEXT, Ort TEXT, Nr INTEGER, Typ TEXT) WITHOUT ROWID;"
                 "CREATE INDEX ort ON mst(Ort); CREATE UNIQUE INDEX nrtyp ON mst(Nr, Typ);");
        const auto start = std::chrono::steady_clock::now();
        sqlite3* src = nullptr;
        sqlite3_open_v2((g_dir + "source.sqlite").c_str(), &src, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* sel = nullptr;
        sqlite3_stmt* ins = nullptr;
        sqlite3_prepare_v2(src, "SELECT * FROM src", -1, &sel, nullptr);
        sqlite3_prepare_v2(db, "INSERT INTO mst VALUES (?,?,?,?,?)", -1, &ins, nullptr);
        Exec(db, "BEGIN;");
        while (sqlite3_step(sel) == SQLITE_ROW) {
            for (int c = 0; c < 5; ++c) sqlite3_bind_value(ins, c + 1, sqlite3_column_value(sel, c));
            sqlite3_step(ins);
            sqlite3_reset(ins);
        }
        Exec(db, "COMMIT;");
        sqlite3_finalize(sel);
        sqlite3_finalize(ins);
        sqlite3_close(src);
        g_theirs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        sqlite3_close(db);
        state.SetIterationTime(g_theirs);
    }
}

BENCHMARK(BM_OurImport)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLiteImport)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/bench_import-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    g_dir = std::string(pattern) + "/";
    MakeSource();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("import of 10^5 rows: ours %.0f rows/s, sqlite3 %.0f rows/s, ratio ours/sqlite3 time %.2f\n",
                kRows / g_ours, kRows / g_theirs, g_ours / g_theirs);
    std::filesystem::remove_all(g_dir);
    return 0;
}
