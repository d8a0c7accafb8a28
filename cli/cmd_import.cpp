// korintool import: records and structures from Access databases (and the
// other sources of extdb/).
#include <cstdio>
#include <string>
#include <vector>

#include "cli/catalogue_args.h"
#include "cli/command.h"
#include "extdb/ext_isolated.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_table.h"
#include "tables/table_import.h"

namespace korintool {
namespace {

constexpr const char* kUsage =
    "  import tables MDB\n"
    "  import structure DIR PATH MDB ATABLE\n"
    "  import map DIR PATH [--source MDB ATABLE] [--by-name] [FIELD=SOURCEFIELD]...\n"
    "  import read DIR PATH\n"
    "        PATH is the catalogue path, texts joined by '/', the table last\n";

void OpenCatalogue(korin::TKorDirFile& cat, const std::string& dir) {
    cat.SetProject(dir);
    if (!cat.ProjectValid())
        throw korin::EKorKeyError("KorKeyFile: Datei konnte nicht geöffnet werden. Datei : " + cat.FileName());
    cat.Open();
}

void RequireFile(const std::string& path) {
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return;
    }
    throw korin::Exception("ExtDB: Die Datei " + path + " existiert nicht!");
}

// The project table at PATH, opened, and its owner key in "ImpMap.db".
struct ProjectTable {
    ProjectTable(const std::string& dir, const std::string& pathText) {
        const auto path = SplitCataloguePath(pathText);
        OpenCatalogue(cat, dir);
        std::string dataFile, keyFile;
        if (!cat.TableFiles(path, dataFile, keyFile) || dataFile == "000000")
            throw korin::Exception("Die Tabelle " + pathText + " existiert nicht!");
        table.SetProject(cat.Project());
        table.SetFileName(dataFile);
        table.SetKeyFileName(keyFile);
        table.Open();
        if (!table.IsOpen()) throw korin::Exception("Die Tabelle " + pathText + " existiert nicht!");
        owner.table = path.back();
        if (path.size() >= 2) owner.level1 = path[0];
        if (path.size() >= 3) owner.level2 = path[1];
        if (path.size() >= 4) owner.level3 = path[2];
    }
    korin::TKorDirFile cat;
    korin::TKorTable table;
    korin::TImpMapOwner owner;
};

int Tables(const Args& args) {
    if (args.size() != 2) throw UsageError("wrong number of arguments");
    auto source = korin::extdb::OpenSourceIsolated(args[1]);
    for (const auto& name : korin::extdb::SortedTableNames(*source)) PrintLine({name});
    return 0;
}

int Structure(const Args& args) {
    if (args.size() != 5) throw UsageError("wrong number of arguments");
    const auto path = SplitCataloguePath(args[2]);
    if (path.size() < 2) throw UsageError("PATH needs a folder and the table name");
    RequireFile(args[3]);
    korin::TKorDirFile cat;
    OpenCatalogue(cat, args[1]);
    std::string dataFile, keyFile;
    if (!korin::DirectImport(cat, path, args[3], args[4], dataFile, keyFile))
        throw korin::Exception("Die Tabelle " + args[2] + " existiert bereits!");
    PrintLine({dataFile, keyFile});
    return 0;
}

int Map(const Args& args) {
    if (args.size() < 3) throw UsageError("missing DIR or PATH");
    std::string mdb, atable;
    bool byName = false;
    std::vector<std::pair<std::string, std::string>> sets;
    for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == "--source") {
            if (i + 2 >= args.size()) throw UsageError("--source needs MDB and ATABLE");
            mdb = args[++i];
            atable = args[++i];
        } else if (args[i] == "--by-name") {
            byName = true;
        } else if (auto eq = args[i].find('='); eq != std::string::npos && eq > 0) {
            sets.emplace_back(args[i].substr(0, eq), args[i].substr(eq + 1));
        } else {
            throw UsageError("unknown argument " + args[i]);
        }
    }
    ProjectTable pt(args[1], args[2]);
    korin::TTableImport import(pt.table, pt.cat.Project(), pt.owner);
    import.LoadMapping();
    if (!mdb.empty()) {
        RequireFile(mdb);
        // The table must exist before the mapping records it.
        korin::extdb::OpenSourceIsolated(mdb)->OpenTable(atable);
        import.ChooseSource(mdb, atable);
    }
    if (byName) import.MapByName();
    for (const auto& [field, source] : sets)
        if (!import.SetSourceField(field, source))
            throw korin::Exception("Die Tabelle " + args[2] + " hat kein Feld " + field + "!");
    for (const auto& row : import.Mapping())
        PrintLine({std::to_string(row.code), row.korName, std::to_string(row.fieldLen), std::to_string(row.fieldType),
                   row.exName});
    return 0;
}

int Read(const Args& args) {
    if (args.size() != 3) throw UsageError("wrong number of arguments");
    ProjectTable pt(args[1], args[2]);
    korin::TTableImport import(pt.table, pt.cat.Project(), pt.owner);
    import.LoadMapping();
    if (!import.SourceDatabase().empty()) RequireFile(import.SourceDatabase());
    const korin::TImportReport report = import.Read(nullptr);
    PrintLine({"appended", std::to_string(report.appended)});
    PrintLine({"updated", std::to_string(report.updated)});
    PrintLine({"refused", std::to_string(report.refused)});
    if (report.converted > 0)
        std::fprintf(stderr, "Import: %lld Werte enthielten Zeichen, die es in CP850 nicht gibt (als \"?\" übernommen).\n",
                     static_cast<long long>(report.converted));
    if (report.cut > 0)
        std::fprintf(stderr, "Import: %lld Werte waren länger als ihr Feld und wurden gekürzt.\n",
                     static_cast<long long>(report.cut));
    if (report.binary > 0)
        std::fprintf(stderr, "Import: %lld Binärwerte nicht übernommen (die Felder nehmen nur Text auf).\n",
                     static_cast<long long>(report.binary));
    return 0;
}

int Run(const Args& args) {
    if (args.empty()) throw UsageError("missing command");
    const std::string& cmd = args[0];
    if (cmd == "tables") return Tables(args);
    if (cmd == "structure") return Structure(args);
    if (cmd == "map") return Map(args);
    if (cmd == "read") return Read(args);
    throw UsageError("unknown command " + cmd);
}

}  // namespace

KORINTOOL_COMMAND("import", kUsage, Run);

}  // namespace korintool
