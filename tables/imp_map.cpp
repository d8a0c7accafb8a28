// "ImpMap.db" through pxlib: read by field name, written whole and renamed.
#include "tables/imp_map.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

extern "C" {
#include <paradox.h>
}

#include "extdb/ext_readers.h"
#include "store/kor_error.h"

namespace korin {

namespace {

struct TFieldSpec {
    const char* name;
    char type;
    int len;
};

// The layout of "ImpMap.db", in field order.
constexpr TFieldSpec kFields[] = {
    {"IndexNo", pxfAutoInc, 4},   {"KorName", pxfAlpha, 32},   {"Code", pxfShort, 2},
    {"FieldLen", pxfShort, 2},    {"FieldType", pxfShort, 2},  {"ExName", pxfAlpha, 40},
    {"Level1", pxfAlpha, 32},     {"Level2", pxfAlpha, 32},    {"Level3", pxfAlpha, 32},
    {"KorTabName", pxfAlpha, 32}, {"ExDBName", pxfAlpha, 255}, {"ExTabName", pxfAlpha, 40},
};
constexpr int kFieldCount = sizeof kFields / sizeof kFields[0];
static_assert(kFieldCount == 12);

void Quiet(pxdoc_t*, int, const char*, void* data) {
    if (data) *static_cast<bool*>(data) = true;
}

std::string RightTrimmed(const std::string& s) {
    size_t end = s.size();
    while (end > 0 && (s[end - 1] == ' ' || s[end - 1] == '\0')) --end;
    return s.substr(0, end);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// A pxlib document that is deleted with its scope.
struct TPxDoc {
    bool failed = false;
    pxdoc_t* doc = nullptr;
    TPxDoc() { doc = PX_new3(Quiet, nullptr, nullptr, nullptr, &failed); }
    ~TPxDoc() {
        if (doc) {
            PX_close(doc);
            PX_delete(doc);
        }
    }
};

std::string& TextOf(TImpMapRow& row, int field) {
    switch (field) {
        case 1: return row.korName;
        case 5: return row.exName;
        case 6: return row.level1;
        case 7: return row.level2;
        case 8: return row.level3;
        case 9: return row.korTabName;
        case 10: return row.exDBName;
        default: return row.exTabName;
    }
}

int32_t& NumberOf(TImpMapRow& row, int field) {
    switch (field) {
        case 0: return row.indexNo;
        case 2: return row.code;
        case 3: return row.fieldLen;
        default: return row.fieldType;
    }
}

}  // namespace

TImpMap::TImpMap(std::string projectDir) : dir_(std::move(projectDir)) {
    if (!dir_.empty() && dir_.back() != '/') dir_ += '/';
}

bool TImpMap::SameText(const std::string& a, const std::string& b) { return RightTrimmed(a) == RightTrimmed(b); }

void TImpMap::EnsureExists() {
    if (FileExists(FilePath())) return;
    std::vector<TImpMapRow> keep;
    keep.swap(rows_);
    try {
        Save();
    } catch (...) {
        rows_.swap(keep);
        throw;
    }
    rows_.swap(keep);
}

void TImpMap::Load() {
    rows_.clear();
    nextIndex_ = 1;
    const std::string path = FilePath();
    if (!FileExists(path)) return;
    const std::string refusal = "ImpMap: Die Datei " + path + " kann nicht gelesen werden!";
    if (!extdb::ParadoxHeaderPlausible(path)) throw Exception(refusal);
    TPxDoc px;
    if (px.doc == nullptr || PX_open_file(px.doc, path.c_str()) < 0 || px.doc->px_head == nullptr)
        throw Exception(refusal);
    pxhead_t* head = px.doc->px_head;
    // Where each of our fields lies in the file's record.
    int offsets[kFieldCount];
    int lens[kFieldCount];
    std::fill(std::begin(offsets), std::end(offsets), -1);
    int offset = 0;
    for (int i = 0; i < head->px_numfields; ++i) {
        const pxfield_t& f = head->px_fields[i];
        for (int k = 0; k < kFieldCount; ++k)
            if (f.px_fname && strcasecmp(f.px_fname, kFields[k].name) == 0) {
                offsets[k] = offset;
                lens[k] = f.px_flen;
            }
        offset += f.px_flen;
    }
    if (offset > head->px_recordsize) throw Exception(refusal);
    for (int k = 0; k < kFieldCount; ++k)
        if (offsets[k] < 0) throw Exception(refusal);
    std::vector<char> record(static_cast<size_t>(head->px_recordsize));
    std::vector<TImpMapRow> rows;
    const int count = PX_get_num_records(px.doc);
    for (int r = 0; r < count; ++r) {
        if (PX_get_record(px.doc, r, record.data()) == nullptr) throw Exception(refusal);
        TImpMapRow row;
        for (int k = 0; k < kFieldCount; ++k) {
            char* data = record.data() + offsets[k];
            if (kFields[k].type == pxfAlpha) {
                char* s = nullptr;
                if (PX_get_data_alpha(px.doc, data, lens[k], &s) > 0 && s) {
                    TextOf(row, k) = RightTrimmed(s);
                    px.doc->free(px.doc, s);
                }
            } else if (lens[k] == 2) {
                short n = 0;
                if (PX_get_data_short(px.doc, data, lens[k], &n) > 0) NumberOf(row, k) = n;
            } else {
                long n = 0;
                if (PX_get_data_long(px.doc, data, lens[k], &n) > 0) NumberOf(row, k) = static_cast<int32_t>(n);
            }
        }
        nextIndex_ = std::max(nextIndex_, row.indexNo + 1);
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TImpMapRow& a, const TImpMapRow& b) { return a.indexNo < b.indexNo; });
    rows_ = std::move(rows);
    nextIndex_ = std::max<int32_t>(nextIndex_, head->px_autoinc + 1);
}

void TImpMap::Save() {
    const std::string path = FilePath();
    const std::string temp = dir_ + "ImpMap.$$$";
    const std::string refusal = "ImpMap: Die Datei " + path + " kann nicht geschrieben werden!";
    ::unlink(temp.c_str());
    {
        TPxDoc px;
        if (px.doc == nullptr) throw Exception(refusal);
        auto* fields = static_cast<pxfield_t*>(px.doc->malloc(px.doc, kFieldCount * sizeof(pxfield_t), "ImpMap"));
        for (int k = 0; k < kFieldCount; ++k) {
            fields[k].px_fname = PX_strdup(px.doc, kFields[k].name);
            fields[k].px_ftype = kFields[k].type;
            fields[k].px_flen = kFields[k].len;
            fields[k].px_fdc = 0;
        }
        if (PX_create_file(px.doc, fields, kFieldCount, temp.c_str(), pxfFileTypIndexDB) < 0) {
            ::unlink(temp.c_str());
            throw Exception(refusal);
        }
        PX_set_parameter(px.doc, "tablename", "ImpMap");
        PX_set_value(px.doc, "codepage", 850);
        PX_set_value(px.doc, "numprimkeys", 1);
        std::vector<char> record(static_cast<size_t>(px.doc->px_head->px_recordsize));
        for (TImpMapRow row : rows_) {
            std::fill(record.begin(), record.end(), '\0');
            int offset = 0;
            for (int k = 0; k < kFieldCount; ++k) {
                char* data = record.data() + offset;
                if (kFields[k].type == pxfAlpha) {
                    std::string text = TextOf(row, k).substr(0, static_cast<size_t>(kFields[k].len));
                    if (!text.empty()) PX_put_data_alpha(px.doc, data, kFields[k].len, text.data());
                } else if (kFields[k].len == 2) {
                    PX_put_data_short(px.doc, data, 2, static_cast<short>(NumberOf(row, k)));
                } else {
                    PX_put_data_long(px.doc, data, 4, NumberOf(row, k));
                }
                offset += kFields[k].len;
            }
            if (PX_put_record(px.doc, record.data()) < 0) {
                ::unlink(temp.c_str());
                throw Exception(refusal);
            }
        }
        px.doc->px_head->px_autoinc = nextIndex_ - 1;
        if (px.failed) {
            ::unlink(temp.c_str());
            throw Exception(refusal);
        }
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw Exception(refusal);
    }
}

std::vector<size_t> TImpMap::Owned(const TImpMapOwner& owner) const {
    std::vector<size_t> owned;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const TImpMapRow& r = rows_[i];
        if (SameText(r.level1, owner.level1) && SameText(r.level2, owner.level2) &&
            SameText(r.level3, owner.level3) && SameText(r.korTabName, owner.table))
            owned.push_back(i);
    }
    return owned;
}

int32_t TImpMap::Insert(TImpMapRow row) {
    row.indexNo = nextIndex_++;
    rows_.push_back(std::move(row));
    return rows_.back().indexNo;
}

bool TImpMap::Delete(int32_t indexNo) {
    auto it = std::find_if(rows_.begin(), rows_.end(), [&](const TImpMapRow& r) { return r.indexNo == indexNo; });
    if (it == rows_.end()) return false;
    rows_.erase(it);
    return true;
}

void TImpMap::SetSource(const TImpMapOwner& owner, const std::string& dbName, const std::string& tabName) {
    for (size_t i : Owned(owner)) {
        rows_[i].exDBName = dbName;
        rows_[i].exTabName = tabName;
        rows_[i].exName.clear();
    }
}

}  // namespace korin
