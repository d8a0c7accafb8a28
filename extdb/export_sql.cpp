#include "extdb/export_sql.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "extdb/dbase_writer.h"
#include "extdb/paradox_writer.h"
#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin::extdb {

namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

bool SameName(std::string_view a, std::string_view b) { return Upper(a) == Upper(b); }

[[noreturn]] void Invalid(std::string_view text) {
    std::string shown(text.substr(0, 200));
    if (text.size() > 200) shown += "...";
    throw Exception("ExtDB: Die Anweisung ist ungültig: " + shown);
}

// ---- tokens --------------------------------------------------------------------

struct Token {
    enum Kind { Word, Quoted, Bracketed, Punct, End } kind = End;
    std::string text;
};

class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    Token Next() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
        Token token;
        if (pos_ >= text_.size()) return token;
        const char c = text_[pos_];
        if (c == '\'') {
            token.kind = Token::Quoted;
            ++pos_;
            while (true) {
                if (pos_ >= text_.size()) Invalid(text_);
                if (text_[pos_] == '\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        token.text += '\'';
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                token.text += text_[pos_++];
            }
        } else if (c == '[') {
            token.kind = Token::Bracketed;
            const size_t close = text_.find(']', pos_ + 1);
            if (close == std::string_view::npos) Invalid(text_);
            token.text = std::string(text_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
        } else if (c == '(' || c == ')' || c == ',' || c == ';') {
            token.kind = Token::Punct;
            token.text = std::string(1, c);
            ++pos_;
        } else {
            token.kind = Token::Word;
            while (pos_ < text_.size() && !IsBlank(text_[pos_]) && !IsSpecial(text_[pos_]))
                token.text += text_[pos_++];
        }
        return token;
    }

private:
    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    static bool IsSpecial(char c) {
        return c == '(' || c == ')' || c == ',' || c == ';' || c == '\'' || c == '[' || c == ']';
    }
    std::string_view text_;
    size_t pos_ = 0;
};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text), lexer_(text) { Advance(); }

    TExtStatement Statement() {
        TExtStatement st;
        const std::string verb = Keyword();
        if (verb == "CREATE") {
            Expect("TABLE");
            st.kind = TExtStatement::Kind::CreateTable;
            st.table = Name();
            Punct("(");
            while (true) {
                const Token column = Take(Token::Word);
                if (Upper(column.text) == "PRIMARY" && Is(Token::Word) && Upper(token_.text) == "KEY") {
                    Advance();
                    Punct("(");
                    st.primaryKey = Take(Token::Word).text;
                    Punct(")");
                    Punct(")");
                    break;
                }
                TExtColumn col;
                col.name = column.text;
                const std::string type = Keyword();
                if (type == "INTEGER") {
                    col.integer = true;
                } else if (type == "CHAR") {
                    Punct("(");
                    col.size = Number(Take(Token::Word).text);
                    Punct(")");
                } else {
                    Invalid(text_);
                }
                st.columns.push_back(std::move(col));
                if (IsPunct(")")) {
                    Advance();
                    break;
                }
                Punct(",");
            }
        } else if (verb == "INSERT") {
            Expect("INTO");
            st.kind = TExtStatement::Kind::InsertInto;
            st.table = Name();
            Expect("VALUES");
            Punct("(");
            while (true) {
                if (!Is(Token::Quoted) && !Is(Token::Word)) Invalid(text_);
                st.values.push_back({token_.text, token_.kind == Token::Quoted});
                Advance();
                if (IsPunct(")")) {
                    Advance();
                    break;
                }
                Punct(",");
            }
        } else if (verb == "DROP") {
            Expect("TABLE");
            st.kind = TExtStatement::Kind::DropTable;
            st.table = Name();
        } else {
            Invalid(text_);
        }
        if (IsPunct(";")) Advance();
        if (token_.kind != Token::End) Invalid(text_);
        return st;
    }

private:
    void Advance() { token_ = lexer_.Next(); }
    bool Is(Token::Kind kind) const { return token_.kind == kind; }
    bool IsPunct(const char* p) const { return token_.kind == Token::Punct && token_.text == p; }
    Token Take(Token::Kind kind) {
        if (token_.kind != kind) Invalid(text_);
        Token t = std::move(token_);
        Advance();
        return t;
    }
    std::string Keyword() { return Upper(Take(Token::Word).text); }
    void Expect(const char* word) {
        if (Keyword() != word) Invalid(text_);
    }
    void Punct(const char* p) {
        if (!IsPunct(p)) Invalid(text_);
        Advance();
    }
    std::string Name() {
        if (!Is(Token::Quoted) && !Is(Token::Bracketed) && !Is(Token::Word)) Invalid(text_);
        std::string name = token_.text;
        Advance();
        return name;
    }
    int32_t Number(const std::string& text) {
        if (text.empty() || text.size() > 6 || !std::all_of(text.begin(), text.end(), [](char c) {
                return c >= '0' && c <= '9';
            }))
            Invalid(text_);
        const int32_t n = std::atoi(text.c_str());
        if (n < 1) Invalid(text_);
        return n;
    }

    std::string_view text_;
    Lexer lexer_;
    Token token_;
};

void CheckTableName(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
        name == "." || name == "..")
        throw Exception("ExtDB: Der Tabellenname " + name + " ist ungültig!");
}

}  // namespace

TExtStatement ParseStatement(std::string_view text) {
    TExtStatement st = Parser(text).Statement();
    for (size_t i = 0; i < st.columns.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (SameName(st.columns[i].name, st.columns[j].name))
                throw Exception("ExtDB: Die Spalte " + st.columns[i].name + " ist doppelt vorhanden!");
    if (!st.primaryKey.empty() &&
        std::none_of(st.columns.begin(), st.columns.end(),
                     [&](const TExtColumn& c) { return SameName(c.name, st.primaryKey); }))
        throw Exception("ExtDB: Die Spalte " + st.primaryKey + " existiert nicht!");
    return st;
}

int32_t IntegerValue(const TExtLiteral& value, const std::string& column) {
    const std::string& t = value.text;
    size_t b = t.find_first_not_of(' ');
    size_t e = t.find_last_not_of(' ');
    bool ok = b != std::string::npos;
    int64_t n = 0;
    if (ok) {
        size_t i = b;
        bool negative = false;
        if (t[i] == '-' || t[i] == '+') negative = t[i++] == '-';
        ok = i <= e;
        for (; ok && i <= e; ++i) {
            if (t[i] < '0' || t[i] > '9' || n > 2147483647) {
                ok = false;
                break;
            }
            n = n * 10 + (t[i] - '0');
        }
        if (negative) n = -n;
        ok = ok && n >= -2147483647 && n <= 2147483647;
    }
    if (!ok) throw Exception("ExtDB: Der Wert " + t + " der Spalte " + column + " ist keine ganze Zahl!");
    return static_cast<int32_t>(n);
}

std::vector<std::string> FitColumnNames(const std::vector<std::string>& names, size_t limit) {
    std::vector<std::string> fitted;
    for (const std::string& name : names) {
        std::string cut = name.substr(0, limit);
        auto taken = [&](const std::string& candidate) {
            return std::any_of(fitted.begin(), fitted.end(),
                               [&](const std::string& f) { return SameName(f, candidate); });
        };
        for (int n = 2; taken(cut) && n < 100000; ++n) {
            const std::string suffix = std::to_string(n);
            cut = name.substr(0, limit > suffix.size() ? limit - suffix.size() : 0) + suffix;
        }
        fitted.push_back(cut);
    }
    return fitted;
}

std::vector<std::string> CompanionFiles(const std::string& directory, const std::string& fileName,
                                        const std::vector<std::string>& extensions) {
    const size_t dot = fileName.rfind('.');
    const std::string stem = Upper(fileName.substr(0, dot));
    std::vector<std::string> found;
    for (const std::string& entry : path::ListDirectory(directory)) {
        const size_t d = entry.rfind('.');
        if (d == std::string::npos || Upper(entry.substr(0, d)) != stem) continue;
        const std::string ext = Upper(entry.substr(d + 1));
        for (const std::string& pattern : extensions) {
            bool match = pattern.size() == ext.size();
            for (size_t i = 0; match && i < ext.size(); ++i) match = pattern[i] == '?' || pattern[i] == ext[i];
            if (match) {
                found.push_back(path::AsDirectory(directory) + entry);
                break;
            }
        }
    }
    return found;
}

// ---- directory database -----------------------------------------------------------

struct TExtDirectoryDatabase::Pending {
    std::string name;
    size_t columnCount = 0;
    std::unique_ptr<IExtTableWriter> writer;
};

TExtDirectoryDatabase::TExtDirectoryDatabase(std::string directory, TExtTargetFormat format)
    : directory_(path::AsDirectory(directory)), format_(format) {}

TExtDirectoryDatabase::~TExtDirectoryDatabase() { Rollback(); }

TExtDirectoryDatabase::Pending* TExtDirectoryDatabase::Find(const std::string& name) {
    for (auto& p : pending_)
        if (p->name == name) return p.get();
    return nullptr;
}

bool TExtDirectoryDatabase::TableExists(const std::string& name) const {
    for (const auto& p : pending_)
        if (p->name == name) return true;
    if (std::find(dropped_.begin(), dropped_.end(), name) != dropped_.end()) return false;
    return path::FileExists(directory_ + name);
}

void TExtDirectoryDatabase::Execute(std::string_view statement) {
    TExtStatement st = ParseStatement(statement);
    CheckTableName(st.table);
    switch (st.kind) {
    case TExtStatement::Kind::CreateTable: {
        if (TableExists(st.table)) throw Exception("ExtDB: Die Tabelle " + st.table + " existiert bereits!");
        int32_t key = -1;
        for (size_t i = 0; i < st.columns.size(); ++i)
            if (!st.primaryKey.empty() && SameName(st.columns[i].name, st.primaryKey)) key = static_cast<int32_t>(i);
        auto pending = std::make_unique<Pending>();
        pending->name = st.table;
        pending->columnCount = st.columns.size();
        pending->writer = format_ == TExtTargetFormat::Paradox
                              ? MakeParadoxWriter(directory_, st.table, st.columns, key)
                              : MakeDBaseWriter(directory_, st.table, st.columns);
        pending_.push_back(std::move(pending));
        break;
    }
    case TExtStatement::Kind::InsertInto: {
        Pending* p = Find(st.table);
        if (!p) {
            if (TableExists(st.table))
                throw Exception("ExtDB: Die Tabelle " + st.table + " kann nicht erweitert werden!");
            throw Exception("ExtDB: Die Tabelle " + st.table + " existiert nicht!");
        }
        if (st.values.size() != p->columnCount)
            throw Exception("ExtDB: Die Tabelle " + st.table + " erwartet " + std::to_string(p->columnCount) +
                            " Werte, nicht " + std::to_string(st.values.size()) + "!");
        p->writer->Insert(st.values);
        break;
    }
    case TExtStatement::Kind::DropTable: {
        if (!TableExists(st.table)) throw Exception("ExtDB: Die Tabelle " + st.table + " existiert nicht!");
        if (Pending* p = Find(st.table)) {
            for (const auto& f : p->writer->Files()) path::RemoveFile(f.first);
            pending_.erase(std::find_if(pending_.begin(), pending_.end(),
                                        [&](const auto& q) { return q.get() == p; }));
        }
        dropped_.push_back(st.table);
        break;
    }
    }
}

void TExtDirectoryDatabase::Commit() {
    try {
        for (auto& p : pending_) p->writer->Finish();
    } catch (...) {
        Rollback();
        throw;
    }
    // Every new file is complete; now they replace the old ones.
    for (auto& p : pending_) {
        for (const auto& [temp, final] : p->writer->Files())
            if (std::rename(temp.c_str(), final.c_str()) != 0) {
                const std::string failed = final;
                Rollback();
                throw Exception("ExtDB: Die Datei " + failed + " konnte nicht umbenannt werden!");
            }
        for (const std::string& stale : p->writer->StaleFiles()) path::RemoveFile(stale);
    }
    for (const std::string& name : dropped_)
        if (!Find(name)) path::RemoveFile(directory_ + name);
    pending_.clear();
    dropped_.clear();
}

void TExtDirectoryDatabase::Rollback() {
    for (auto& p : pending_) {
        auto files = p->writer->Files();
        p->writer.reset();  // closes what the library still holds open
        for (const auto& f : files) path::RemoveFile(f.first);
    }
    pending_.clear();
    dropped_.clear();
}

// ---- SQLite -------------------------------------------------------------------------

namespace {

[[noreturn]] void SqliteFailed(sqlite3* db, const char* message = nullptr) {
    throw Exception(std::string("ExtDB: SQLite: ") + (message ? message : db ? sqlite3_errmsg(db) : "out of memory"));
}

}  // namespace

TExtSqliteDatabase::TExtSqliteDatabase(std::string file) : file_(std::move(file)) {
    created_ = !path::AnyExists(file_);
    if (sqlite3_open_v2(file_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        Close();
        if (created_) path::RemoveFile(file_);
        throw Exception("ExtDB: SQLite: " + message);
    }
    try {
        Execute("BEGIN IMMEDIATE");
    } catch (...) {
        Close();
        if (created_) path::RemoveFile(file_);
        throw;
    }
    open_ = true;
}

TExtSqliteDatabase::~TExtSqliteDatabase() {
    try {
        Rollback();
    } catch (...) {
    }
}

void TExtSqliteDatabase::Close() {
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
}

void TExtSqliteDatabase::Execute(std::string_view statement) {
    if (!db_) SqliteFailed(nullptr, "Die Datenbank ist nicht geöffnet.");
    const std::string text(statement);
    char* error = nullptr;
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        throw Exception("ExtDB: SQLite: " + message);
    }
}

bool TExtSqliteDatabase::TableExists(const std::string& name) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_,
                           "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                           "AND lower(name) = lower(?1)",
                           -1, &st, nullptr) != SQLITE_OK)
        SqliteFailed(db_);
    sqlite3_bind_text(st, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) SqliteFailed(db_);
    return rc == SQLITE_ROW;
}

void TExtSqliteDatabase::Commit() {
    if (!open_) return;
    Execute("COMMIT");
    open_ = false;
    Close();
}

void TExtSqliteDatabase::Rollback() {
    if (!db_) return;
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    open_ = false;
    Close();
    if (created_) {
        path::RemoveFile(file_);
        path::RemoveFile(file_ + "-journal");
    }
}

std::vector<std::string> TExtSqliteDatabase::TableNames(const std::string& file) {
    std::vector<std::string> names;
    if (!path::FileExists(file)) return names;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                               "ORDER BY name",
                               -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW)
                names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return names;
}

}  // namespace korin::extdb
