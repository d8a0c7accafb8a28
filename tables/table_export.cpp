#include "tables/table_export.h"

#include <iconv.h>

#include <array>
#include <cctype>
#include <memory>
#include <unordered_map>

#include "extdb/export_sql.h"
#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/kor_table.h"
#include "store/kor_ui.h"

namespace korin {

namespace {

// ---- code pages -------------------------------------------------------------------

// One character of an 8-bit code page as a Unicode code point (through iconv);
// 0xFFFFFFFF when the code page leaves the byte undefined.
char32_t Decode(const char* codePage, unsigned char byte) {
    iconv_t cd = iconv_open("UTF-32LE", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0xFFFFFFFF;
    char in[1] = {static_cast<char>(byte)};
    unsigned char out[8] = {};
    char* inp = in;
    char* outp = reinterpret_cast<char*>(out);
    size_t inLeft = 1, outLeft = sizeof out;
    const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || outLeft != 4) return 0xFFFFFFFF;
    return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | static_cast<uint32_t>(out[3]) << 24);
}

struct CodePages {
    std::array<char32_t, 256> oem{};                    // code page 850 → Unicode
    std::unordered_map<char32_t, unsigned char> ansi;   // Unicode → Windows-1252
    CodePages() {
        for (int b = 0; b < 256; ++b) {
            oem[b] = b < 0x80 ? static_cast<char32_t>(b) : Decode("CP850", static_cast<unsigned char>(b));
            if (oem[b] == 0xFFFFFFFF) oem[b] = static_cast<char32_t>(b);
            const char32_t c = b < 0x80 ? static_cast<char32_t>(b) : Decode("CP1252", static_cast<unsigned char>(b));
            if (c != 0xFFFFFFFF) ansi.emplace(c, static_cast<unsigned char>(b));
        }
    }
};

const CodePages& Tables() {
    static const CodePages tables;
    return tables;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string QuotedName(TExportFormat format, const std::string& table) {
    if (format == TExportFormat::Paradox || format == TExportFormat::FoxPro) {
        std::string quoted = "'";
        for (char c : table) {
            quoted += c;
            if (c == '\'') quoted += '\'';
        }
        return quoted + "'";
    }
    return "[" + table + "]";
}

std::string Trimmed(const std::string& text) {
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

std::string KeyColumn(const std::vector<TExportField>& fields, int32_t primaryKeyField) {
    if (primaryKeyField < 1 || primaryKeyField > static_cast<int32_t>(fields.size())) return {};
    return ExportColumnName(fields[static_cast<size_t>(primaryKeyField - 1)].name);
}

bool DirectoryFormat(TExportFormat format) {
    return format == TExportFormat::Paradox || format == TExportFormat::FoxPro;
}

// Empties the progress indicator however the export ends.
struct ProgressReset {
    IKorProgress* progress;
    ~ProgressReset() {
        if (progress) progress->Reset();
    }
};

}  // namespace

// ---- rules ------------------------------------------------------------------------

bool ExportIntegerType(int32_t type) { return type == 1 || type == 3 || type == 4 || type == 17 || type == 18; }

std::string ExportColumnType(int32_t type, int32_t width) {
    if (ExportIntegerType(type)) return "INTEGER";
    return "CHAR(" + std::to_string(width + 1) + ")";
}

std::string ExportColumnName(const std::string& fieldName) {
    std::string upper = fieldName;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper == "TEXT" ? "KorText" : fieldName;
}

std::string ExportText(std::string_view oem, TExportCodePage codePage) {
    const CodePages& tables = Tables();
    std::string out;
    out.reserve(oem.size());
    for (unsigned char b : oem) {
        char32_t c = tables.oem[b];
        if (c == U'`' || c == U'\'' || c == U'"' || c == U'\u00B4') c = U' ';
        if (codePage == TExportCodePage::Utf8) {
            AppendUtf8(out, c);
        } else {
            const auto it = tables.ansi.find(c);
            out += it == tables.ansi.end() ? '?' : static_cast<char>(it->second);
        }
    }
    return out;
}

std::string ExportValue(int32_t type, const std::string& text, const std::string& fieldName) {
    if (ExportIntegerType(type)) {
        const std::string trimmed = Trimmed(text);
        if (trimmed.empty()) return "0";
        // Written as it is, so it must be a number: anything else would change
        // the statement itself.
        try {
            extdb::IntegerValue({trimmed, false}, fieldName);
        } catch (const Exception&) {
            throw Exception("Export: Der Wert '" + text + "' des Feldes " + fieldName + " ist keine ganze Zahl!");
        }
        return text;
    }
    return "'" + text + "'";
}

std::vector<std::string> CreateTableLines(TExportFormat format, const std::string& table,
                                          const std::vector<TExportField>& fields, int32_t primaryKeyField) {
    std::vector<std::string> lines{"CREATE TABLE " + QuotedName(format, table) + " "};
    for (size_t i = 0; i < fields.size(); ++i)
        lines.push_back(std::string(i == 0 ? "(" : ",") + " " + ExportColumnName(fields[i].name) + " " +
                        ExportColumnType(fields[i].type, fields[i].width) + " ");
    const std::string key = KeyColumn(fields, primaryKeyField);
    if (DirectoryFormat(format)) {
        if (!key.empty()) lines.push_back(", PRIMARY KEY (" + key + ")");
        lines.push_back(");");
        return lines;
    }
    std::string line;
    for (const std::string& part : lines) line += part;
    if (format == TExportFormat::SQLite && !key.empty()) line += ", PRIMARY KEY (" + key + ") ";
    return {line + ");"};
}

std::string CreateIndexStatement(TExportFormat format, const std::string& table,
                                 const std::vector<TExportField>& fields, int32_t primaryKeyField) {
    const std::string key = KeyColumn(fields, primaryKeyField);
    if (format != TExportFormat::Access || key.empty()) return {};
    return "CREATE INDEX " + key + " ON " + " [" + table + "] " + "(" + key + ") WITH PRIMARY;";
}

std::string InsertStatement(TExportFormat format, const std::string& table, const std::vector<std::string>& values) {
    std::string st = "INSERT INTO " + QuotedName(format, table) + " VALUES ( ";
    for (size_t i = 0; i < values.size(); ++i) {
        st += i == 0 ? " " : ",";
        st += " ";
        st += values[i];
    }
    return st + " );";
}

// ---- the export -------------------------------------------------------------------

TTableExport::TTableExport(TExportOptions options) : options_(std::move(options)) {
    // A directory table named without extension is the file of its format.
    if (DirectoryFormat(options_.format) && !options_.tableName.empty() &&
        options_.tableName.find('.') == std::string::npos)
        options_.tableName += options_.format == TExportFormat::Paradox ? ".db" : ".dbf";
}

bool TTableExport::TargetValid() const {
    const std::string& db = options_.database;
    if (db.empty()) return false;
    if (DirectoryFormat(options_.format)) return path::DirectoryExists(db);
    if (path::FileExists(db)) return true;
    if (options_.format != TExportFormat::SQLite || path::AnyExists(db)) return false;
    const size_t slash = path::Native(db).find_last_of('/');
    return slash == std::string::npos || path::DirectoryExists(db.substr(0, slash + 1));
}

bool TTableExport::TableExists() const {
    if (DirectoryFormat(options_.format))
        return path::FileExists(path::AsDirectory(options_.database) + options_.tableName);
    if (options_.format != TExportFormat::SQLite) return false;
    for (const std::string& name : extdb::TExtSqliteDatabase::TableNames(options_.database)) {
        if (name.size() != options_.tableName.size()) continue;
        bool same = true;
        for (size_t i = 0; same && i < name.size(); ++i)
            same = std::tolower(static_cast<unsigned char>(name[i])) ==
                   std::tolower(static_cast<unsigned char>(options_.tableName[i]));
        if (same) return true;
    }
    return false;
}

TTableExport::TResult TTableExport::Run(TKorTable& table, bool replace, IKorProgress* progress,
                                        const std::function<bool()>& cancelled) {
    const TExportFormat format = options_.format;
    const std::string& name = options_.tableName;
    if (format == TExportFormat::Access) throw Exception("Export: Access-Datenbanken können nicht geschrieben werden!");
    if (!table.IsOpen()) throw Exception("Export: Die Tabelle ist nicht geöffnet!");
    if (!TargetValid()) throw Exception("Export: Das Ziel " + options_.database + " existiert nicht!");
    if (name.empty() || name.find_first_of("/\\") != std::string::npos ||
        (!DirectoryFormat(format) && name.find(']') != std::string::npos))
        throw Exception("Export: Der Tabellenname " + name + " ist ungültig!");
    const bool exists = TableExists();
    if (exists && !replace) throw Exception("Die Tabelle existiert bereits.");

    std::vector<TExportField> fields;
    const TKorFieldDefs& defs = table.FieldDefs();
    for (int32_t i = 0; i < defs.FieldCount(); ++i)
        fields.push_back({defs.FieldName(i), defs.FieldType(i), defs.FieldWidth(i)});
    const int32_t key = table.PrimaryKeyField();

    // One of the two kinds of database; each keeps everything apart until Commit.
    std::unique_ptr<extdb::TExtDirectoryDatabase> dir;
    std::unique_ptr<extdb::TExtSqliteDatabase> file;
    std::function<void(const std::string&)> execute;
    if (DirectoryFormat(format)) {
        dir = std::make_unique<extdb::TExtDirectoryDatabase>(
            options_.database,
            format == TExportFormat::Paradox ? extdb::TExtTargetFormat::Paradox : extdb::TExtTargetFormat::DBase);
        execute = [&](const std::string& st) { dir->Execute(st); };
    } else {
        file = std::make_unique<extdb::TExtSqliteDatabase>(options_.database);
        execute = [&](const std::string& st) { file->Execute(st); };
    }
    if (exists) execute("DROP TABLE " + QuotedName(format, name) + ";");
    std::string create;
    for (const std::string& line : CreateTableLines(format, name, fields, key))
        create += (create.empty() ? "" : "\r\n") + line;
    execute(create);
    if (const std::string index = CreateIndexStatement(format, name, fields, key); !index.empty()) execute(index);

    if (options_.withContents) {
        ProgressReset reset{progress};
        if (progress) {
            progress->SetRange(0, table.RecordCount());
            progress->SetStep(10);
        }
        const TExportCodePage codePage =
            format == TExportFormat::SQLite ? TExportCodePage::Utf8 : TExportCodePage::Windows1252;
        std::vector<std::string> values(fields.size());
        int64_t done = 0;
        for (bool more = table.First(); more; more = table.Next()) {
            for (size_t i = 0; i < fields.size(); ++i)
                values[i] = ExportValue(fields[i].type, ExportText(table.GetField(static_cast<int32_t>(i)), codePage),
                                        fields[i].name);
            execute(InsertStatement(format, name, values));
            if (++done % 10 == 0) {
                if (progress) progress->StepIt();
                if (cancelled && cancelled()) return TResult::Cancelled;  // the databases roll back
            }
        }
    }
    if (dir) dir->Commit();
    if (file) file->Commit();
    return TResult::Done;
}

}  // namespace korin
