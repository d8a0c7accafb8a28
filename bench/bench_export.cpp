// The table export of 10^5 records into each target format (Paradox, FoxPro,
// SQLite), beside SQLite's own insert of the same rows.
//
// The source is a store table of five fields (K key, Name, Ort, Nr integer,
// Typ) with umlauts in its texts, so that every value goes through the code page
// conversion. The export generates and carries out one INSERT statement per
// record, as the table module does. SQLite's own insert is the fastest honest
// way to put the same converted rows into a table with the same columns and key:
// one transaction of one prepared statement with bound values. Neither syncs
// more than SQLite's defaults make it.
//
// Each benchmark runs once (wall clock); at the end one line per format prints
// its time and records per second, and the ratio to SQLite's own insert.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "store/kor_table.h"
#include "tables/table_export.h"

namespace {

constexpr int kRecords = 100'000;

std::string ScratchDir() {
    static const std::string dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "korin-bench-export-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchDir(), ec);
        });
        return pattern + "/";
    }();
    return dir;
}

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::map<std::string, double>& Seconds() {
    static std::map<std::string, double> seconds;
    return seconds;
}

// The source table, made once: "M\x81nchen" is München in code page 850.
korin::TKorTable& Source() {
    static korin::TKorTable* table = [] {
        auto* t = new korin::TKorTable;
        t->SetProject(ScratchDir());
        t->SetFileName("src.dat");
        t->SetKeyFileName("src.key");
        t->SetFieldDefs({{"K", korin::TKorFieldType::String, 10},
                         {"Name", korin::TKorFieldType::String, 30},
                         {"Ort", korin::TKorFieldType::String, 12},
                         {"Nr", korin::TKorFieldType::Integer, 0},
                         {"Typ", korin::TKorFieldType::String, 4}});
        t->SetPrimaryKeyField(1);
        t->CreateNew(true);
        t->Open();
        for (int i = 0; i < kRecords; ++i) {
            char k[16];
            std::snprintf(k, sizeof k, "K%08d", (i * 7919) % kRecords);
            t->Append({k, "Messstelle " + std::to_string(i), i % 3 ? "M\x81nchen" : "K\x94ln", std::to_string(i),
                       "T" + std::to_string(i % 7)});
        }
        return t;
    }();
    return *table;
}

void Export(benchmark::State& state, korin::TExportFormat format, const std::string& name) {
    korin::TKorTable& table = Source();
    for (auto _ : state) {
        korin::TExportOptions options{format, ScratchDir(), name, true};
        if (format == korin::TExportFormat::SQLite) options.database = ScratchDir() + "export.sqlite";
        korin::TTableExport exporter(options);
        const auto start = Clock::now();
        exporter.Run(table, true);
        const double s = Since(start);
        state.SetIterationTime(s);
        Seconds()[name] = s;
    }
}

void SqliteInsert(benchmark::State& state) {
    // The same rows, already converted, in memory before the clock starts.
    korin::TKorTable& table = Source();
    std::vector<std::vector<std::string>> rows;
    for (bool more = table.First(); more; more = table.Next()) {
        std::vector<std::string> row;
        for (int32_t i = 0; i < 5; ++i)
            row.push_back(korin::ExportText(table.GetField(i), korin::TExportCodePage::Utf8));
        rows.push_back(std::move(row));
    }
    for (auto _ : state) {
        const std::string file = ScratchDir() + "own.sqlite";
        std::filesystem::remove(file);
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        const auto start = Clock::now();
        sqlite3_exec(db,
                     "BEGIN; CREATE TABLE T ( K CHAR(11) , Name CHAR(31) , Ort CHAR(13) , Nr INTEGER , "
                     "Typ CHAR(5) , PRIMARY KEY (K) );",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO T VALUES (?1, ?2, ?3, ?4, ?5)", -1, &st, nullptr);
        for (const auto& row : rows) {
            for (int i = 0; i < 5; ++i)
                if (i == 3)
                    sqlite3_bind_int(st, 4, std::atoi(row[3].c_str()));
                else
                    sqlite3_bind_text(st, i + 1, row[i].c_str(), static_cast<int>(row[i].size()), SQLITE_STATIC);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        const double s = Since(start);
        state.SetIterationTime(s);
        Seconds()["sqlite own insert"] = s;
    }
}

void Setup(benchmark::internal::Benchmark* b) { b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond); }

BENCHMARK_CAPTURE(Export, Paradox, korin::TExportFormat::Paradox, "T.db")->Apply(Setup);
BENCHMARK_CAPTURE(Export, FoxPro, korin::TExportFormat::FoxPro, "T.dbf")->Apply(Setup);
BENCHMARK_CAPTURE(Export, SQLite, korin::TExportFormat::SQLite, "T")->Apply(Setup);
BENCHMARK(SqliteInsert)->Apply(Setup);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double own = Seconds()["sqlite own insert"];
    std::printf("\n%-20s %10s %14s %14s\n", "export of 10^5", "s", "records/s", "/ sqlite own");
    for (const char* name : {"T.db", "T.dbf", "T", "sqlite own insert"}) {
        const double s = Seconds()[name];
        if (s <= 0) continue;
        const std::string label = std::string(name) == "T.db"    ? "Paradox"
                                  : std::string(name) == "T.dbf" ? "FoxPro"
                                  : std::string(name) == "T"     ? "SQLite"
                                                                 : name;
        std::printf("%-20s %10.3f %14.0f %14.2f\n", label.c_str(), s, kRecords / s, own > 0 ? s / own : 0.0);
    }
    return 0;
}
