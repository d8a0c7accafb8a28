// korintool table: a table file and its key file.
#include <climits>
#include <string>
#include <vector>

#include "cli/catalogue_args.h"
#include "cli/command.h"
#include "cli/field_args.h"
#include "store/kor_error.h"
#include "store/kor_key_file.h"
#include "store/kor_table.h"

namespace korintool {
namespace {

constexpr const char* kUsage =
    "  table create DATAFILE KEYFILE [--title T] [--primary N] FIELD...\n"
    "        FIELD is NAME[#ID]:KIND[:SIZE], KIND one of smallint integer word float string\n"
    "  table info DATAFILE KEYFILE\n"
    "  table dump DATAFILE KEYFILE [--filter EXPR]\n"
    "  table append DATAFILE KEYFILE VALUE...\n"
    "  table edit DATAFILE KEYFILE SLOT FIELD VALUE\n"
    "  table delete DATAFILE KEYFILE SLOT\n"
    "  table find DATAFILE KEYFILE VALUE\n"
    "  table find-secondary DATAFILE KEYFILE NAME VALUE...\n"
    "  table define-key DATAFILE KEYFILE NAME FIELDNAME... [--unique]\n"
    "  table add-field DATAFILE KEYFILE NAME ID WIDTH DECIMALS TYPE ATTR\n"
    "  table empty DATAFILE KEYFILE\n"
    "  table reindex DATAFILE KEYFILE\n";

// A table object on DATAFILE with its key file KEYFILE (same directory).
void Name(korin::TKorTable& table, const std::string& dataFile, const std::string& keyFile) {
    auto folderOf = [](const std::string& file) {
        const auto slash = file.find_last_of('/');
        return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
    };
    if (folderOf(dataFile) != folderOf(keyFile))
        throw UsageError("DATAFILE and KEYFILE must lie in the same directory");
    std::string dir, name, keyDir, keyName;
    SplitPath(dataFile, dir, name);
    SplitPath(keyFile, keyDir, keyName);
    if (name.empty() || keyName.empty()) throw UsageError("missing file name");
    table.SetProject(dir);
    table.SetFileName(name);
    table.SetKeyFileName(keyName);
}

// Opens the table. A missing file is an error here. With `keyFileMayFail` a key
// file that cannot be opened is passed over, so that reindex can rebuild it.
void OpenTable(korin::TKorTable& table, bool keyFileMayFail = false) {
    try {
        table.Open();
    } catch (const korin::Exception&) {
        if (!keyFileMayFail || !table.IsOpen()) throw;
    }
    if (!table.IsOpen())
        throw korin::EKorMMFError("KorMMF: Konnte Datei nicht öffnen. Datei : " + table.FileName());
}

int Create(const Args& args) {
    if (args.size() < 3) throw UsageError("missing DATAFILE or KEYFILE");
    korin::TKorTable table;
    Name(table, args[1], args[2]);
    const TableDefinition definition = ParseTableDefinition(args, 3, "--title");
    const std::string& title = definition.text;
    const int32_t primary = definition.primary;
    const std::vector<korin::TKorNewField>& fields = definition.fields;
    table.SetFieldDefs(fields);
    table.SetPrimaryKeyField(primary);
    table.SetTitle(title);
    korin::TKorTable::CheckNewFields(fields);
    table.CreateNew(true);
    korin::TKorKeyFile keys;
    keys.SetProject(table.Project());
    keys.SetFileName(table.KeyFileName());
    keys.CreateNew(true);
    return 0;
}


void Dump(korin::TKorTable& table) {
    for (bool more = table.First(); more; more = table.Next()) {
        std::vector<std::string> line{std::to_string(table.CurrentSlot())};
        for (int32_t i = 0; i < table.FieldCount(); ++i) line.push_back(table.GetField(i));
        PrintLine(line);
    }
}

void Need(const Args& args, size_t atLeast, size_t atMost = SIZE_MAX) {
    if (args.size() < atLeast || args.size() > atMost) throw UsageError("wrong number of arguments");
}

void GoToSlot(korin::TKorTable& table, const std::string& text) {
    const int32_t slot = ParseInt32(text, "SLOT");
    if (!table.GoToSlot(slot)) throw korin::EKorTabError(korin::TKorTable::SlotMissingText(slot));
}

int Run(const Args& args) {
    if (args.empty()) throw UsageError("missing command");
    const std::string& cmd = args[0];
    if (cmd == "create") return Create(args);
    Need(args, 3);
    korin::TKorTable table;
    Name(table, args[1], args[2]);

    if (cmd == "info") {
        Need(args, 3, 3);
        OpenTable(table);
        PrintTableInfo(table);
    } else if (cmd == "dump") {
        if (args.size() != 3 && !(args.size() == 5 && args[3] == "--filter"))
            throw UsageError("wrong arguments");
        OpenTable(table);
        if (args.size() == 5) table.SetFilter(args[4]);
        Dump(table);
    } else if (cmd == "append") {
        OpenTable(table);
        PrintLine({std::to_string(table.Append(Args(args.begin() + 3, args.end())))});
    } else if (cmd == "edit") {
        Need(args, 6, 6);
        const int32_t field = ParseInt32(args[4], "FIELD");
        OpenTable(table);
        GoToSlot(table, args[3]);
        table.EditField(field, args[5]);
    } else if (cmd == "delete") {
        Need(args, 4, 4);
        OpenTable(table);
        GoToSlot(table, args[3]);
        table.Delete();
    } else if (cmd == "find") {
        Need(args, 4, 4);
        OpenTable(table);
        PrintLine({std::to_string(table.FindByPrimary(args[3]) ? table.CurrentSlot() : -1)});
    } else if (cmd == "find-secondary") {
        Need(args, 4);
        OpenTable(table);
        korin::TIntegerList slots;
        table.FindBySecondary(args[3], Args(args.begin() + 4, args.end()), slots);
        for (int32_t i = 0; i < slots.Count(); ++i) PrintLine({std::to_string(slots.Items(i))});
    } else if (cmd == "define-key") {
        Need(args, 5);
        bool unique = false;
        Args names;
        for (size_t i = 4; i < args.size(); ++i) {
            if (args[i] == "--unique")
                unique = true;
            else
                names.push_back(args[i]);
        }
        OpenTable(table, true);
        table.DefineSecondaryKey(args[3], names, unique);
        table.Reindex();
    } else if (cmd == "add-field") {
        Need(args, 9, 9);
        const int32_t id = ParseInt32(args[4], "ID", INT16_MIN, INT16_MAX);
        const int32_t width = ParseInt32(args[5], "WIDTH", 0, INT16_MAX);
        const int32_t decimals = ParseInt32(args[6], "DECIMALS", 0, 255);
        const int32_t type = ParseInt32(args[7], "TYPE", 0, 255);
        const int32_t attr = ParseInt32(args[8], "ATTR", 0, UINT16_MAX);
        OpenTable(table);
        table.AddField(args[3], id, width, decimals, type, attr);
    } else if (cmd == "empty") {
        Need(args, 3, 3);
        OpenTable(table, true);
        table.Empty();
    } else if (cmd == "reindex") {
        Need(args, 3, 3);
        OpenTable(table, true);
        table.Reindex();
    } else {
        throw UsageError("unknown command: " + cmd);
    }
    return 0;
}

}  // namespace

KORINTOOL_COMMAND("table", kUsage, Run);

}  // namespace korintool
