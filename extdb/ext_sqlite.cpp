// SQLite databases as sources: tables from sqlite_master, fields and indexes
// from the table_info / index_list / index_info pragmas.
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "extdb/ext_readers.h"
#include "store/kor_error.h"

namespace korin::extdb {

namespace {

std::string Quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// Kind and size by the declared type, as SQLite's affinity rules read it.
TExtField FieldOf(const std::string& name, std::string type, bool notNull) {
    for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    TExtField f{name, TExtFieldKind::Text, 0, notNull};
    auto has = [&](const char* s) { return type.find(s) != std::string::npos; };
    int32_t size = 0;
    if (auto open = type.find('('); open != std::string::npos) size = std::atoi(type.c_str() + open + 1);
    if (has("SMALLINT")) f.kind = TExtFieldKind::SmallInt, f.size = 2;
    else if (has("INT")) f.kind = TExtFieldKind::Integer, f.size = 4;
    else if (has("BOOL")) f.kind = TExtFieldKind::Boolean;
    else if (has("DATE") || has("TIME")) f.kind = TExtFieldKind::Date;
    else if (has("CHAR") || has("CLOB") || has("TEXT")) f.kind = size > 0 ? TExtFieldKind::Text : TExtFieldKind::Memo, f.size = size;
    else if (has("BLOB") || type.empty()) f.kind = type.empty() ? TExtFieldKind::Memo : TExtFieldKind::Binary;
    else if (has("REAL") || has("FLOA") || has("DOUB")) f.kind = TExtFieldKind::Float, f.size = 8;
    else f.kind = TExtFieldKind::Other;
    return f;
}

class TStatement {
public:
    TStatement(sqlite3* db, const std::string& sql, const std::string& path) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt_);
            ThrowDamaged(path);
        }
    }
    ~TStatement() { sqlite3_finalize(stmt_); }
    sqlite3_stmt* get() const { return stmt_; }
    std::string Text(int i) const {
        auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        return t ? std::string(t, static_cast<size_t>(sqlite3_column_bytes(stmt_, i))) : std::string();
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

class TSQLiteTable final : public IExtTable {
public:
    TSQLiteTable(std::shared_ptr<sqlite3> handle, std::string name, std::string path)
        : handle_(std::move(handle)), db_(handle_.get()), name_(std::move(name)), path_(std::move(path)) {
        std::vector<std::pair<int, std::string>> pk;
        {
            TStatement info(db_, "PRAGMA table_info(" + Quoted(name_) + ")", path_);
            while (sqlite3_step(info.get()) == SQLITE_ROW) {
                fields_.push_back(FieldOf(info.Text(1), info.Text(2), sqlite3_column_int(info.get(), 3) != 0));
                if (int k = sqlite3_column_int(info.get(), 5); k > 0) pk.emplace_back(k, info.Text(1));
            }
        }
        if (!pk.empty()) {
            std::sort(pk.begin(), pk.end());
            TExtIndex primary{"PRIMARY", true, true, {}};
            for (auto& [k, n] : pk) primary.fields.push_back(n);
            indexes_.push_back(std::move(primary));
        }
        // index_list names the newest index first; keep the order of creation.
        const size_t firstSecondary = indexes_.size();
        TStatement list(db_, "PRAGMA index_list(" + Quoted(name_) + ")", path_);
        while (sqlite3_step(list.get()) == SQLITE_ROW) {
            if (list.Text(3) == "pk") continue;
            TExtIndex index{list.Text(1), false, sqlite3_column_int(list.get(), 2) != 0, {}};
            TStatement cols(db_, "PRAGMA index_info(" + Quoted(index.name) + ")", path_);
            while (sqlite3_step(cols.get()) == SQLITE_ROW) index.fields.push_back(cols.Text(2));
            indexes_.push_back(std::move(index));
        }
        std::reverse(indexes_.begin() + static_cast<std::ptrdiff_t>(firstSecondary), indexes_.end());
        Rewind();
    }

    const std::string& Name() const override { return name_; }
    const std::vector<TExtField>& Fields() const override { return fields_; }
    const std::vector<TExtIndex>& Indexes() const override { return indexes_; }
    int64_t RowCount() override {
        TStatement count(db_, "SELECT count(*) FROM " + Quoted(name_), path_);
        return sqlite3_step(count.get()) == SQLITE_ROW ? sqlite3_column_int64(count.get(), 0) : -1;
    }
    void Rewind() override { rows_ = std::make_unique<TStatement>(db_, "SELECT * FROM " + Quoted(name_), path_); }

    bool NextRow(std::vector<TExtValue>& row) override {
        const int rc = sqlite3_step(rows_->get());
        if (rc == SQLITE_DONE) return false;
        if (rc != SQLITE_ROW) ThrowDamaged(path_);
        row.assign(fields_.size(), TExtValue{});
        for (size_t i = 0; i < fields_.size(); ++i) {
            const int c = static_cast<int>(i);
            switch (sqlite3_column_type(rows_->get(), c)) {
                case SQLITE_NULL: break;
                case SQLITE_BLOB:
                    if (sqlite3_column_bytes(rows_->get(), c) > 0) row[i] = {std::string(), false, true};
                    else row[i].null = false;
                    break;
                case SQLITE_FLOAT: row[i] = {DoubleText(sqlite3_column_double(rows_->get(), c)), false}; break;
                default: row[i] = {rows_->Text(c), false}; break;
            }
        }
        return true;
    }

private:
    std::shared_ptr<sqlite3> handle_;  // the table keeps its database open
    sqlite3* db_;
    std::string name_;
    std::string path_;
    std::vector<TExtField> fields_;
    std::vector<TExtIndex> indexes_;
    std::unique_ptr<TStatement> rows_;
};

class TSQLiteSource final : public IExtSource {
public:
    explicit TSQLiteSource(const std::string& path) : path_(path) {
        const int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
        handle_.reset(db_, sqlite3_close);
        if (rc != SQLITE_OK) ThrowNotOfFormat(path, TExtFormat::SQLite);
        // A file that is no database is found at its first read.
        if (sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
            ThrowNotOfFormat(path, TExtFormat::SQLite);
    }

    TExtFormat Format() const override { return TExtFormat::SQLite; }
    const std::string& Path() const override { return path_; }
    std::vector<std::string> TableNames() override {
        std::vector<std::string> names;
        TStatement list(db_, "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid", path_);
        while (sqlite3_step(list.get()) == SQLITE_ROW) names.push_back(list.Text(0));
        return names;
    }
    std::unique_ptr<IExtTable> OpenTable(const std::string& name) override {
        for (const auto& n : TableNames())
            if (SameName(n, name)) return std::make_unique<TSQLiteTable>(handle_, n, path_);
        ThrowNoTable(name, path_);
    }

private:
    std::string path_;
    sqlite3* db_ = nullptr;
    std::shared_ptr<sqlite3> handle_;
};

}  // namespace

std::unique_ptr<IExtSource> OpenSQLiteSource(const std::string& path) { return std::make_unique<TSQLiteSource>(path); }

}  // namespace korin::extdb
