// korintool project: a project folder and its catalogue.
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/catalogue_args.h"
#include "cli/command.h"
#include "cli/field_args.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/kor_table.h"

namespace korintool {

// -1 when args[0] is none of its commands.
int RunProjectTables(const Args& args);

namespace {

constexpr const char* kUsage =
    "  project create DIR\n"
    "  project tree DIR\n"
    "  project files DIR PATH\n"
    "  project create-table DIR PATH [--text LONGTEXT] [--primary N] FIELD...\n"
    "        PATH is the catalogue path, texts joined by '/', the table last;\n"
    "        FIELD is NAME[#ID]:KIND[:SIZE], KIND one of smallint integer word float string\n"
    "  project delete-table DIR PATH\n"
    "  project delete-folder DIR PATH\n"
    "  project add-drawing DIR SOURCE PATH\n"
    "  project delete-drawing DIR PATH\n"
    "  project check DIR\n"
    "  project repair DIR\n"
    "  project dump DIR PATH [--filter EXPR]\n"
    "  project info DIR PATH\n"
    "  project empty DIR PATH\n"
    "  project reindex DIR PATH\n"
    "  project print DIR PATH --pdf FILE\n"
    "  project export-text DIR PATH FILE\n";

void Need(const Args& args, size_t count) {
    if (args.size() != count) throw UsageError("wrong number of arguments");
}


// The catalogue of DIR, opened.
struct Catalogue {
    explicit Catalogue(const std::string& dir) {
        cat.SetProject(dir);
        if (!cat.ProjectValid())
            throw korin::EKorKeyError("KorKeyFile: Datei konnte nicht geöffnet werden. Datei : " +
                                      cat.FileName());
        cat.Open();
    }
    korin::TKorDirFile cat;
};

int Create(const Args& args) {
    Need(args, 2);
    std::error_code ec;
    std::filesystem::create_directories(korin::path::Native(args[1]), ec);
    korin::TKorDirFile cat;
    cat.SetProject(args[1]);
    if (!cat.ProjectValid())
        throw korin::EKorMMFError("KorMMF: Konnte Datei nicht anlegen. Datei : " + cat.FileName());
    cat.CreateCatalogue();
    return 0;
}

int Tree(const Args& args) {
    Need(args, 2);
    Catalogue c(args[1]);
    std::vector<korin::TDirTreeEntry> lines;
    c.cat.ListTree(lines);
    for (const auto& line : lines)
        PrintLine({std::string(2 * static_cast<size_t>(line.depth), ' ') + line.name,
                   std::to_string(line.type), korin::TKorDirFile::EntryFileName(line.entry)});
    return 0;
}

int Files(const Args& args) {
    Need(args, 3);
    const auto path = SplitCataloguePath(args[2]);
    Catalogue c(args[1]);
    std::string dataFile, keyFile;
    if (!c.cat.TableFiles(path, dataFile, keyFile)) return 1;
    PrintLine({dataFile, keyFile});
    return 0;
}

int CreateTable(const Args& args) {
    if (args.size() < 3) throw UsageError("missing DIR or PATH");
    const auto path = SplitCataloguePath(args[2]);
    const TableDefinition definition = ParseTableDefinition(args, 3, "--text");
    const std::string& longText = definition.text;
    const int32_t primary = definition.primary;
    const std::vector<korin::TKorNewField>& fields = definition.fields;
    // Definitions that the table would refuse are refused before the catalogue
    // changes.
    korin::TKorTable::CheckNewFields(fields);

    Catalogue c(args[1]);
    std::string scheduleFile, sysTableFile, dataFile, keyFile;
    c.cat.CreateScheduleEntries({path.begin(), path.end() - 1}, scheduleFile, sysTableFile);
    if (!c.cat.CreateTableEntries(path, longText, dataFile, keyFile))
        throw korin::Exception("Die Tabelle " + args[2] + " existiert bereits!");
    if (dataFile == "000000" || keyFile == "000000")
        throw korin::Exception("Die Tabelle " + args[2] + " konnte nicht eingetragen werden!");

    korin::TKorTable table;
    table.SetProject(c.cat.Project());
    table.SetFileName(dataFile);
    table.SetKeyFileName(keyFile);
    table.SetFieldDefs(fields);
    table.SetPrimaryKeyField(primary);
    try {
        table.CreateNew(true);
        table.Open();  // makes the key file
        table.Close();
    } catch (...) {
        // The catalogue names no table whose files could not be made.
        try {
            table.Close();
        } catch (const korin::Exception&) {
            // The first failure is the one to report.
        }
        c.cat.DeleteTable(path);
        throw;
    }
    PrintLine({dataFile, keyFile});
    return 0;
}

int Run(const Args& args) {
    if (args.empty()) throw UsageError("missing command");
    const std::string& cmd = args[0];
    if (cmd == "create") return Create(args);
    if (cmd == "tree") return Tree(args);
    if (cmd == "files") return Files(args);
    if (cmd == "create-table") return CreateTable(args);
    if (cmd == "delete-table") {
        Need(args, 3);
        const auto path = SplitCataloguePath(args[2]);
        Catalogue c(args[1]);
        c.cat.DeleteTable(path);
        return 0;
    }
    if (cmd == "delete-folder") {
        Need(args, 3);
        const auto path = SplitCataloguePath(args[2]);
        Catalogue c(args[1]);
        c.cat.DeleteFolder(path);
        return 0;
    }
    if (cmd == "add-drawing") {
        Need(args, 4);
        const auto path = SplitCataloguePath(args[3]);
        Catalogue c(args[1]);
        PrintLine({c.cat.CreateDrawingEntry(args[2], korin::DrawingKey(path))});
        return 0;
    }
    if (cmd == "delete-drawing") {
        Need(args, 3);
        const auto path = SplitCataloguePath(args[2]);
        Catalogue c(args[1]);
        c.cat.DeleteDrawing(path);
        return 0;
    }
    if (cmd == "check") {
        Need(args, 2);
        Catalogue c(args[1]);
        std::vector<std::string> lines;
        c.cat.CheckReport(lines);
        for (const auto& line : lines) PrintLine({line});
        return 0;
    }
    if (cmd == "repair") {
        Need(args, 2);
        Catalogue c(args[1]);
        c.cat.RepairFreeChain();
        return 0;
    }
    // The table module's commands (cli/cmd_project_tables.cpp).
    if (const int rc = RunProjectTables(args); rc >= 0) return rc;
    throw UsageError("unknown command: " + cmd);
}

}  // namespace

KORINTOOL_COMMAND("project", kUsage, Run);

}  // namespace korintool
