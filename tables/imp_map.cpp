// "ImpMap.db" and its index files through pxlib: read by field name, written
// whole beside and renamed.
#include "tables/imp_map.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "extdb/export_sql.h"
#include "extdb/ext_readers.h"
#include "extdb/paradox_index.h"
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
constexpr int kKorName = 1;        // the field of the secondary index
constexpr int kKorNameOffset = 4;  // its place in the record, after IndexNo
static_assert(kFields[0].len == kKorNameOffset);
constexpr int kCodePage = 850;
constexpr int kDataBlockHeader = 6;  // a data block's next, previous and size words
constexpr const char* kNewSuffix = ".~new";
constexpr const char* kOldSuffix = ".~old";

std::string RightTrimmed(const std::string& s) {
    size_t end = s.size();
    while (end > 0 && (s[end - 1] == ' ' || s[end - 1] == '\0')) --end;
    return s.substr(0, end);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The change count the next set carries: one above the old table's, 1 .. 255.
unsigned char NextChangeCount(const std::string& table) {
    unsigned char old = 0;
    if (!extdb::ReadPxHeaderBytes(table, extdb::pxhead::kChangeCount, &old, 1)) old = 0;
    return static_cast<unsigned char>(old % 255 + 1);
}

// Whether the index files beside the table were written with it. The .X02 is
// the last file of a set to be renamed into place and repeats the table's
// change count, so a complete .X02 of the table's count means a complete set.
// Header bytes only: a damaged index file is never handed to pxlib here.
bool IndexSetComplete(const std::string& dir, size_t rows) {
    using namespace extdb::pxhead;
    unsigned char dbCount = 0, xCount = 0, xType = 0, xField = 0, pxType = 0, yType = 0;
    unsigned char xRecords[4] = {};
    const std::string x = dir + TImpMap::kSecondaryIndex;
    if (!extdb::ReadPxHeaderBytes(dir + TImpMap::kFileName, kChangeCount, &dbCount, 1) ||
        !extdb::ReadPxHeaderBytes(x, kChangeCount, &xCount, 1) ||
        !extdb::ReadPxHeaderBytes(x, kFileType, &xType, 1) || !extdb::ReadPxHeaderBytes(x, kIndexField, &xField, 1) ||
        !extdb::ReadPxHeaderBytes(x, kNumRecords, xRecords, sizeof xRecords) ||
        !extdb::ReadPxHeaderBytes(dir + TImpMap::kPrimaryIndex, kFileType, &pxType, 1) ||
        !extdb::ReadPxHeaderBytes(dir + TImpMap::kSecondaryIndexIndex, kFileType, &yType, 1))
        return false;
    const uint32_t records = xRecords[0] | xRecords[1] << 8 | xRecords[2] << 16 | uint32_t(xRecords[3]) << 24;
    return xType == pxfFileTypIncSecIndex && xField == kKorName + 1 && xCount == dbCount && records == rows &&
           pxType == pxfFileTypPrimIndex && yType == pxfFileTypSecIndex;
}

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
    indexesCurrent_ = false;
    const std::string path = FilePath();
    if (!FileExists(path)) return;
    const std::string refusal = "ImpMap: Die Datei " + path + " kann nicht gelesen werden!";
    // Read in this process: nothing pxlib could loop on (ours is never encrypted).
    if (!extdb::ParadoxHeaderPlausible(path, false)) throw Exception(refusal);
    extdb::TPxDocument px;
    if (PX_open_file(px.get(), path.c_str()) < 0 || px.get()->px_head == nullptr) throw Exception(refusal);
    pxhead_t* head = px.get()->px_head;
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
    const int count = PX_get_num_records(px.get());
    for (int r = 0; r < count; ++r) {
        if (PX_get_record(px.get(), r, record.data()) == nullptr) throw Exception(refusal);
        TImpMapRow row;
        for (int k = 0; k < kFieldCount; ++k) {
            char* data = record.data() + offsets[k];
            if (kFields[k].type == pxfAlpha) {
                char* s = nullptr;
                if (PX_get_data_alpha(px.get(), data, lens[k], &s) > 0 && s) {
                    TextOf(row, k) = RightTrimmed(s);
                    px.get()->free(px.get(), s);
                }
            } else if (lens[k] == 2) {
                short n = 0;
                if (PX_get_data_short(px.get(), data, lens[k], &n) > 0) NumberOf(row, k) = n;
            } else {
                long n = 0;
                if (PX_get_data_long(px.get(), data, lens[k], &n) > 0) NumberOf(row, k) = static_cast<int32_t>(n);
            }
        }
        nextIndex_ = std::max(nextIndex_, row.indexNo + 1);
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TImpMapRow& a, const TImpMapRow& b) { return a.indexNo < b.indexNo; });
    rows_ = std::move(rows);
    nextIndex_ = std::max<int32_t>(nextIndex_, head->px_autoinc + 1);
    indexesCurrent_ = IndexSetComplete(dir_, rows_.size());
}

void TImpMap::Save() {
    const std::string refusal = "ImpMap: Die Datei " + FilePath() + " kann nicht geschrieben werden!";
    const std::string finals[kSetSize] = {FilePath(), dir_ + kPrimaryIndex, dir_ + kSecondaryIndex,
                                          dir_ + kSecondaryIndexIndex};
    for (const std::string& f : finals) {
        ::unlink((f + kNewSuffix).c_str());
        ::unlink((f + kOldSuffix).c_str());
    }
    const auto discardNew = [&] {
        for (const std::string& f : finals) ::unlink((f + kNewSuffix).c_str());
    };
    try {
        WriteSet(finals, NextChangeCount(FilePath()));
    } catch (const Exception&) {
        discardNew();
        throw Exception(refusal);
    }
    for (const std::string& f : finals)
        if (!extdb::SyncFile(f + kNewSuffix)) {
            discardNew();
            throw Exception(refusal);
        }
    if (!ReplaceSet(finals)) {
        discardNew();
        throw Exception(refusal);
    }
    extdb::SyncFile(dir_);  // the renames themselves
    // An index of an older set under another letter case no longer matches.
    for (const std::string& f : extdb::CompanionFiles(dir_, kFileName, {"PX", "X02", "Y02"}))
        if (std::find(std::begin(finals), std::end(finals), f) == std::end(finals)) ::unlink(f.c_str());
    indexesCurrent_ = true;
}

void TImpMap::WriteSet(const std::string (&finals)[kSetSize], unsigned char changeCount) const {
    const std::string db = finals[0] + kNewSuffix, px = finals[1] + kNewSuffix;
    std::vector<extdb::TPxFieldSpec> specs;
    for (const TFieldSpec& f : kFields) specs.push_back({f.name, f.type, f.len});
    // Records in key order (IndexNo), written by position.
    std::vector<size_t> order(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return rows_[a].indexNo < rows_[b].indexNo; });
    std::vector<extdb::TPxSecondaryEntry> entries;
    {
        extdb::TPxDocument doc;
        extdb::CreatePxFile(doc, specs, db, pxfFileTypIndexDB, "ImpMap");
        if (PX_set_value(doc.get(), "codepage", kCodePage) < 0 || PX_set_value(doc.get(), "numprimkeys", 1) < 0)
            throw Exception(doc.Error());
        const int recordSize = doc.get()->px_head->px_recordsize;
        const int perBlock = (doc.get()->px_head->px_maxtablesize * 0x400 - kDataBlockHeader) / recordSize;
        std::vector<char> record(static_cast<size_t>(recordSize));
        int position = 0;
        for (size_t i : order) {
            TImpMapRow row = rows_[i];
            std::fill(record.begin(), record.end(), '\0');
            int offset = 0;
            for (int k = 0; k < kFieldCount; ++k) {
                char* data = record.data() + offset;
                if (kFields[k].type == pxfAlpha) {
                    std::string text = TextOf(row, k).substr(0, static_cast<size_t>(kFields[k].len));
                    if (!text.empty()) PX_put_data_alpha(doc.get(), data, kFields[k].len, text.data());
                } else if (kFields[k].len == 2) {
                    PX_put_data_short(doc.get(), data, 2, static_cast<short>(NumberOf(row, k)));
                } else {
                    PX_put_data_long(doc.get(), data, 4, NumberOf(row, k));
                }
                offset += kFields[k].len;
            }
            entries.push_back({std::string(record.data() + kKorNameOffset, static_cast<size_t>(kFields[kKorName].len)),
                               std::string(record.data(), static_cast<size_t>(kFields[0].len)),
                               position / perBlock + 1});
            if (PX_put_recordn(doc.get(), record.data(), position++) < 0) throw Exception(doc.Error());
        }
        // pxlib writes its header when a value is set, not when it closes.
        doc.get()->px_head->px_autoinc = nextIndex_ - 1;
        if (PX_set_value(doc.get(), "codepage", kCodePage) < 0) throw Exception(doc.Error());
        extdb::WritePrimaryIndex(doc, {specs[0]}, px, kPrimaryIndex);
        doc.Close();
        if (!doc.Error().empty()) throw Exception(doc.Error());
    }
    if (!extdb::WritePxHeaderBytes(db, extdb::pxhead::kChangeCount, &changeCount, 1))
        throw Exception("change count");
    extdb::WriteSecondaryIndex({specs[kKorName], specs[0]}, kKorName + 1, std::move(entries), kCodePage,
                               finals[2] + kNewSuffix, kSecondaryIndex, finals[3] + kNewSuffix,
                               kSecondaryIndexIndex, db, px);
}

bool TImpMap::ReplaceSet(const std::string (&finals)[kSetSize]) {
    // Order: the old secondary index leaves first, then the primary index and
    // the table replace theirs, then the secondary index comes back, its index
    // before it. So the .X02 exists only beside its own table and .Y02, and
    // between the two renames of .PX and .db no reader waits for a missing file.
    enum { kDb, kPx, kX, kY };
    bool had[kSetSize] = {};
    bool backedUp[kSetSize] = {};
    for (int i : {kDb, kPx}) {
        had[i] = FileExists(finals[i]);
        // A hard link keeps the old file without ever removing its name.
        backedUp[i] = had[i] && ::link(finals[i].c_str(), (finals[i] + kOldSuffix).c_str()) == 0;
    }
    bool installed[kSetSize] = {};
    const auto undo = [&] {
        for (int i = 0; i < kSetSize; ++i) {
            const std::string old = finals[i] + kOldSuffix;
            if (backedUp[i]) {
                ::rename(old.c_str(), finals[i].c_str());
            } else if (installed[i] && !had[i]) {
                ::unlink(finals[i].c_str());
            }
        }
        return false;
    };
    for (int i : {kX, kY}) {
        had[i] = FileExists(finals[i]);
        if (had[i]) {
            if (::rename(finals[i].c_str(), (finals[i] + kOldSuffix).c_str()) != 0) return undo();
            backedUp[i] = true;
        }
    }
    for (int i : {kPx, kDb, kY, kX}) {
        if (::rename((finals[i] + kNewSuffix).c_str(), finals[i].c_str()) != 0) return undo();
        installed[i] = true;
    }
    for (int i = 0; i < kSetSize; ++i)
        if (backedUp[i]) ::unlink((finals[i] + kOldSuffix).c_str());
    return true;
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
