// korintool project dump/info/empty/reindex/print/export-text: the table
// module without its window, on a table named by its catalogue path.
#include <string>
#include <vector>

#include "cli/command.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_table.h"
#include "tables/table_grids.h"
#include "tables/ui/table_print_tool.h"

namespace korintool {

int RunProjectTables(const Args& args);

namespace {

void Need(const Args& args, size_t count) {
    if (args.size() != count) throw UsageError("wrong number of arguments");
}

std::vector<std::string> SplitPath(const std::string& text) {
    if (text.empty()) throw UsageError("empty PATH");
    std::vector<std::string> texts;
    size_t from = 0;
    while (true) {
        const size_t slash = text.find('/', from);
        texts.push_back(text.substr(from, slash == std::string::npos ? std::string::npos : slash - from));
        if (slash == std::string::npos) return texts;
        from = slash + 1;
    }
}

// The table at PATH of the project DIR, opened; exit 1 when PATH names none.
// With `keyFileMayFail` a key file that cannot be opened is passed over, so
// that reindex can rebuild it.
void OpenProjectTable(const std::string& dir, const std::string& pathText, korin::TKorTable& table,
                      bool keyFileMayFail = false) {
    const auto path = SplitPath(pathText);
    korin::TKorDirFile cat;
    cat.SetProject(dir);
    if (!cat.ProjectValid())
        throw korin::EKorKeyError("KorKeyFile: Datei konnte nicht geöffnet werden. Datei : " + cat.FileName());
    cat.Open();
    std::string dataFile, keyFile;
    if (!cat.TableFiles(path, dataFile, keyFile))
        throw korin::Exception("Die Tabelle " + pathText + " gibt es im Projekt nicht!");
    table.SetProject(cat.Project());
    table.SetFileName(dataFile);
    table.SetKeyFileName(keyFile);
    try {
        table.Open();
    } catch (const korin::Exception&) {
        if (!keyFileMayFail || !table.IsOpen()) throw;
    }
    if (!table.IsOpen()) throw korin::EKorMMFError("KorMMF: Konnte Datei nicht öffnen. Datei : " + dataFile);
}

void Info(korin::TKorTable& table) {
    PrintLine({"title", table.Title()});
    PrintLine({"records", std::to_string(table.HeaderRecordCount())});
    PrintLine({"slots", std::to_string(table.SlotCount())});
    PrintLine({"freehead", std::to_string(table.FreeHead())});
    PrintLine({"primary", std::to_string(table.PrimaryKeyField())});
    const korin::TKorFieldDefs& defs = table.FieldDefs();
    for (int32_t i = 0; i < defs.FieldCount(); ++i)
        PrintLine({"field", std::to_string(i), std::to_string(defs.FieldId(i)), defs.FieldName(i),
                   std::to_string(defs.FieldWidth(i)), std::to_string(defs.FieldType(i)),
                   std::to_string(defs.FieldDecimals(i))});
    for (int32_t k = 0; k < table.SecondaryKeyCount(); ++k) {
        std::string numbers;
        for (int32_t j = 0; j < table.SecondaryKeyFieldCount(k); ++j) {
            if (j) numbers += ",";
            numbers += std::to_string(table.SecondaryKeyFieldIndex(k, j) + 1);
        }
        PrintLine({"key", std::to_string(k), table.SecondaryKeyName(k), table.SecondaryKeyUnique(k) ? "1" : "0",
                   numbers});
    }
}

}  // namespace

// -1 when args[0] is none of these commands.
int RunProjectTables(const Args& args) {
    if (args.empty()) return -1;
    const std::string& cmd = args[0];
    korin::TKorTable table;
    if (cmd == "info") {
        Need(args, 3);
        OpenProjectTable(args[1], args[2], table);
        Info(table);
    } else if (cmd == "dump") {
        if (args.size() != 3 && !(args.size() == 5 && args[3] == "--filter")) throw UsageError("wrong arguments");
        OpenProjectTable(args[1], args[2], table);
        if (args.size() == 5) table.SetFilter(args[4]);
        for (bool more = table.First(); more; more = table.Next()) {
            std::vector<std::string> line{std::to_string(table.CurrentSlot())};
            for (int32_t i = 0; i < table.FieldCount(); ++i) line.push_back(table.GetField(i));
            PrintLine(line);
        }
    } else if (cmd == "empty") {
        Need(args, 3);
        OpenProjectTable(args[1], args[2], table);
        korin::EmptyTable(table);
    } else if (cmd == "reindex") {
        Need(args, 3);
        OpenProjectTable(args[1], args[2], table, true);
        table.Reindex();
    } else if (cmd == "print") {
        if (args.size() != 5 || args[3] != "--pdf") throw UsageError("usage: project print DIR PATH --pdf FILE");
        OpenProjectTable(args[1], args[2], table);
        korin::PrintTableContentsToPdf(table, "Inhalt " + args[2], args[4]);
    } else if (cmd == "export-text") {
        Need(args, 4);
        OpenProjectTable(args[1], args[2], table);
        korin::TTableContentsGrid grid(table);
        grid.FileName = args[3];
        grid.Export();
    } else {
        return -1;
    }
    return 0;
}

}  // namespace korintool
