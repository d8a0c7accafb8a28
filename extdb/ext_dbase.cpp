// dBase III / FoxPro tables through shapelib, read-only. A .dbf file is one
// table named after the file; deleted records are skipped. Texts are recoded
// from the code page the language driver byte names; without one, bytes that
// are valid UTF-8 are taken as UTF-8 and others as Windows-1252. Memo fields
// hold only a block number in the .dbf and read as empty.
#include <shapefil.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "extdb/ext_readers.h"
#include "store/kor_error.h"

namespace korin::extdb {

namespace {

const char* CharsetOfDriver(int ldid) {
    switch (ldid) {
        case 0x01: return "CP437";
        case 0x02: return "CP850";
        case 0x03:
        case 0x57:
        case 0x58:
        case 0x59: return "CP1252";
        case 0x64: return "CP852";
        case 0x65: return "CP866";
        case 0x66: return "CP865";
        case 0xC8: return "CP1250";
        case 0xC9: return "CP1251";
        default: return nullptr;
    }
}

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

std::string TrimBoth(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : TrimRight(s.substr(b));
}

class TDBaseTable final : public IExtTable, public IExtSource {
public:
    explicit TDBaseTable(const std::string& path) : path_(path) {
        dbf_ = DBFOpen(path.c_str(), "rb");
        if (dbf_ == nullptr) ThrowNotOfFormat(path, TExtFormat::DBase);
        name_ = BaseName(path);
        const char* cp = DBFGetCodePage(dbf_);
        if (cp && std::strncmp(cp, "LDID/", 5) == 0) charset_ = CharsetOfDriver(std::atoi(cp + 5));
        const int n = DBFGetFieldCount(dbf_);
        for (int i = 0; i < n; ++i) {
            char name[XBASE_FLDNAME_LEN_READ + 1] = {};
            int width = 0, decimals = 0;
            DBFGetFieldInfo(dbf_, i, name, &width, &decimals);
            const char native = DBFGetNativeFieldType(dbf_, i);
            TExtField f{Text(name), TExtFieldKind::Other, 0, false};
            switch (native) {
                case 'C': f.kind = TExtFieldKind::Text, f.size = width; break;
                case 'N':
                case 'F':
                    if (decimals > 0) f.kind = TExtFieldKind::Float, f.size = 8;
                    else f.kind = width < 5 ? TExtFieldKind::SmallInt : TExtFieldKind::Integer, f.size = width < 5 ? 2 : 4;
                    break;
                case 'I': f.kind = TExtFieldKind::Integer, f.size = 4; break;
                case 'L': f.kind = TExtFieldKind::Boolean; break;
                case 'D': f.kind = TExtFieldKind::Date; break;
                case 'M': f.kind = TExtFieldKind::Memo; break;
                default: break;
            }
            fields_.push_back(f);
            native_.push_back(native);
        }
        // The header's count is trusted only as far as the file holds records.
        struct stat st {};
        records_ = DBFGetRecordCount(dbf_);
        if (::stat(path.c_str(), &st) != 0 || dbf_->nRecordLength <= 0) records_ = 0;
        else if (st.st_size > dbf_->nHeaderLength)
            records_ = static_cast<int>(std::min<int64_t>(records_, (st.st_size - dbf_->nHeaderLength) / dbf_->nRecordLength));
        else records_ = 0;
        for (int r = 0; r < records_; ++r)
            if (!DBFIsRecordDeleted(dbf_, r)) ++live_;
    }
    ~TDBaseTable() override { DBFClose(dbf_); }

    TExtFormat Format() const override { return TExtFormat::DBase; }
    const std::string& Path() const override { return path_; }
    std::vector<std::string> TableNames() override { return {name_}; }
    std::unique_ptr<IExtTable> OpenTable(const std::string& name) override {
        if (!SameName(name, name_)) ThrowNoTable(name, path_);
        return std::make_unique<TDBaseTable>(path_);
    }

    const std::string& Name() const override { return name_; }
    const std::vector<TExtField>& Fields() const override { return fields_; }
    const std::vector<TExtIndex>& Indexes() const override { return indexes_; }
    int64_t RowCount() override { return live_; }
    void Rewind() override { next_ = 0; }

    bool NextRow(std::vector<TExtValue>& row) override {
        while (next_ < records_ && DBFIsRecordDeleted(dbf_, next_)) ++next_;
        if (next_ >= records_) return false;
        row.assign(fields_.size(), TExtValue{});
        for (size_t i = 0; i < fields_.size(); ++i) {
            const int f = static_cast<int>(i);
            if (native_[i] == 'M' || DBFIsAttributeNULL(dbf_, next_, f)) continue;
            const char* raw = DBFReadStringAttribute(dbf_, next_, f);
            if (raw == nullptr) continue;
            std::string s = native_[i] == 'C' ? TrimRight(raw) : TrimBoth(raw);
            switch (native_[i]) {
                case 'D':
                    if (s.size() == 8) s = s.substr(6, 2) + "." + s.substr(4, 2) + "." + s.substr(0, 4);
                    break;
                case 'L': s = (s == "T" || s == "t" || s == "Y" || s == "y") ? "1" : "0"; break;
                case 'C': s = Text(s); break;
                default: break;
            }
            row[i] = {s, false};
        }
        ++next_;
        return true;
    }

private:
    std::string Text(const std::string& bytes) const {
        if (charset_ == nullptr) return IsValidUtf8(bytes) ? bytes : ToUtf8(bytes, "CP1252");
        return ToUtf8(bytes, charset_);
    }

    std::string path_;
    std::string name_;
    const char* charset_ = nullptr;
    DBFHandle dbf_ = nullptr;
    std::vector<TExtField> fields_;
    std::vector<TExtIndex> indexes_;
    std::vector<char> native_;
    int records_ = 0;
    int64_t live_ = 0;
    int next_ = 0;
};

}  // namespace

std::unique_ptr<IExtSource> OpenDBaseSource(const std::string& path) { return std::make_unique<TDBaseTable>(path); }

}  // namespace korin::extdb
