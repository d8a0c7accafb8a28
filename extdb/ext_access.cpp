// Access databases (Jet 3 and Jet 4) through libmdb.
//
// libmdb gives texts as UTF-8 and formats numbers the way mdb-export prints
// them; dates are taken as the stored double (days since 30.12.1899) and
// formatted here, because libmdb's own date text is wrong outside 1900 .. 9999.
// Binary columns (OLE, binary) are not bound; a value that holds bytes is
// marked binary (an OLE value by the length in its memo-like header).
#include <glib.h>
#include <mdbtools.h>

#include <cstring>
#include <memory>

#include "extdb/ext_readers.h"
#include "store/kor_error.h"

namespace korin::extdb {

namespace {

constexpr size_t kBindSize = 200000;  // a memo of 65535 characters as UTF-8, and more
// An OLE value in the row is a 12-byte header like a memo's: its length in the
// low 30 bits of the first word, the top bits telling where the bytes lie.
constexpr int kOleHeader = 12;
constexpr long kOleLengthMask = 0x3FFFFFFF;

TExtFieldKind KindOf(int colType) {
    switch (colType) {
        case MDB_BYTE:
        case MDB_INT: return TExtFieldKind::SmallInt;
        case MDB_LONGINT: return TExtFieldKind::Integer;
        case MDB_FLOAT:
        case MDB_DOUBLE: return TExtFieldKind::Float;
        case MDB_MONEY: return TExtFieldKind::Currency;
        case MDB_BOOL: return TExtFieldKind::Boolean;
        case MDB_DATETIME: return TExtFieldKind::Date;
        case MDB_TEXT: return TExtFieldKind::Text;
        case MDB_MEMO: return TExtFieldKind::Memo;
        case MDB_OLE:
        case MDB_BINARY: return TExtFieldKind::Binary;
        default: return TExtFieldKind::Other;
    }
}

// Sizes as the field rules count them: characters for text (Jet 4 stores the
// byte width of UCS-2 text), no size for kinds that declare none.
int32_t SizeOf(MdbHandle* mdb, const MdbColumn* col) {
    switch (col->col_type) {
        case MDB_TEXT: return mdb->f->jet_version == MDB_VER_JET3 ? col->col_size : col->col_size / 2;
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
        case MDB_FLOAT:
        case MDB_DOUBLE: return col->col_size;
        default: return 0;
    }
}

class TAccessTable final : public IExtTable {
public:
    TAccessTable(std::shared_ptr<MdbHandle> handle, MdbTableDef* table, std::string path)
        : handle_(std::move(handle)), mdb_(handle_.get()), table_(table), path_(std::move(path)) {
        name_ = table_->name;
        if (!mdb_read_columns(table_)) {
            mdb_free_tabledef(table_);
            ThrowDamaged(path_);
        }
        mdb_read_indices(table_);
        const unsigned n = table_->columns ? table_->columns->len : 0;
        binds_.resize(n);
        lens_.resize(n);
        for (unsigned i = 0; i < n; ++i) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i));
            fields_.push_back({col->name, KindOf(col->col_type), SizeOf(mdb_, col), false});
            const auto kind = fields_.back().kind;
            if (kind != TExtFieldKind::Date && kind != TExtFieldKind::Binary) {
                binds_[i].assign(kBindSize, '\0');
                mdb_bind_column(table_, static_cast<int>(i + 1), binds_[i].data(), &lens_[i]);
            }
        }
        if (table_->indices) {
            for (unsigned i = 0; i < table_->indices->len; ++i) {
                auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(table_->indices, i));
                if (idx->index_type == 2) continue;  // a foreign-key reference, no index
                TExtIndex index{idx->name, idx->index_type == 1, (idx->flags & MDB_IDX_UNIQUE) != 0, {}};
                for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
                    const int c = idx->key_col_num[k];
                    if (c >= 1 && static_cast<unsigned>(c) <= n) index.fields.push_back(fields_[c - 1].name);
                }
                if (index.primary) index.unique = true;
                indexes_.push_back(std::move(index));
            }
        }
        mdb_rewind_table(table_);
    }
    ~TAccessTable() override { mdb_free_tabledef(table_); }

    const std::string& Name() const override { return name_; }
    const std::vector<TExtField>& Fields() const override { return fields_; }
    const std::vector<TExtIndex>& Indexes() const override { return indexes_; }
    int64_t RowCount() override { return table_->num_rows; }
    void Rewind() override { mdb_rewind_table(table_); }

    bool NextRow(std::vector<TExtValue>& row) override {
        for (auto& l : lens_) l = 0;
        if (!mdb_fetch_row(table_)) return false;
        row.assign(fields_.size(), TExtValue{});
        for (size_t i = 0; i < fields_.size(); ++i) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i));
            TExtValue& v = row[i];
            switch (fields_[i].kind) {
                case TExtFieldKind::Binary:
                    if (col->cur_value_len > 0 && col->cur_value_start >= 0 &&
                        col->cur_value_start + col->cur_value_len <= static_cast<int>(mdb_->fmt->pg_size)) {
                        const bool present = col->col_type != MDB_OLE ||
                                             (col->cur_value_len >= kOleHeader &&
                                              (mdb_get_int32(mdb_->pg_buf, col->cur_value_start) & kOleLengthMask) > 0);
                        if (present) v = {std::string(), false, true};
                    }
                    break;
                case TExtFieldKind::Date:
                    if (col->cur_value_len == 8 && col->cur_value_start >= 0 &&
                        col->cur_value_start + 8 <= static_cast<int>(mdb_->fmt->pg_size)) {
                        v.text = OleDateText(mdb_get_double(mdb_->pg_buf, col->cur_value_start));
                        v.null = false;
                    }
                    break;
                default: {
                    const int len = lens_[i];
                    if (len > 0 && static_cast<size_t>(len) < kBindSize) {
                        v.text.assign(binds_[i].data(), static_cast<size_t>(len));
                        v.null = false;
                    } else if (fields_[i].kind == TExtFieldKind::Boolean) {
                        v.text = binds_[i].data();
                        v.null = false;
                    }
                    break;
                }
            }
        }
        return true;
    }

private:
    std::shared_ptr<MdbHandle> handle_;  // the table keeps its database open
    MdbHandle* mdb_;
    MdbTableDef* table_;
    std::string path_;
    std::string name_;
    std::vector<TExtField> fields_;
    std::vector<TExtIndex> indexes_;
    std::vector<std::string> binds_;
    std::vector<int> lens_;
};

class TAccessSource final : public IExtSource {
public:
    explicit TAccessSource(const std::string& path) : path_(path) {
        MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
        if (mdb == nullptr) ThrowNotOfFormat(path, TExtFormat::Access);
        handle_.reset(mdb, mdb_close);
        mdb_ = mdb;
        if (mdb_->f->jet_version != MDB_VER_JET3 && mdb_->f->jet_version != MDB_VER_JET4)
            ThrowNotOfFormat(path, TExtFormat::Access);
        mdb_set_bind_size(mdb_, kBindSize);
        mdb_set_boolean_fmt_numbers(mdb_);
        if (!mdb_read_catalog(mdb_, MDB_TABLE)) ThrowDamaged(path);
    }

    TExtFormat Format() const override { return TExtFormat::Access; }
    const std::string& Path() const override { return path_; }

    std::vector<std::string> TableNames() override {
        std::vector<std::string> names;
        for (unsigned i = 0; i < mdb_->num_catalog; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
            if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry)) continue;
            names.emplace_back(entry->object_name);
        }
        return names;
    }

    std::unique_ptr<IExtTable> OpenTable(const std::string& name) override {
        for (unsigned i = 0; i < mdb_->num_catalog; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
            if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry)) continue;
            if (!SameName(entry->object_name, name)) continue;
            MdbTableDef* table = mdb_read_table(entry);
            if (table == nullptr) ThrowDamaged(path_);
            return std::make_unique<TAccessTable>(handle_, table, path_);
        }
        ThrowNoTable(name, path_);
    }

private:
    std::string path_;
    std::shared_ptr<MdbHandle> handle_;
    MdbHandle* mdb_ = nullptr;
};

}  // namespace

std::unique_ptr<IExtSource> OpenAccessSource(const std::string& path) { return std::make_unique<TAccessSource>(path); }

}  // namespace korin::extdb
