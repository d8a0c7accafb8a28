// Paradox tables through pxlib, read-only. A .DB file is one table, named after
// the file. Texts are recoded here from the table's DOS code page (pxlib's own
// recoding leaves field names and memos alone). A memo longer than its leader
// in the record is read here from the blob file (.MB): Debian's pxlib 0.6.8
// overflows its stack in PX_set_blob_file. Blob file layout (4 KB blocks): a
// record's blob field ends in 10 bytes - place (block offset, and in its low
// byte the entry of a shared block, 0xFF for a block of its own), length,
// modification number, little-endian. A block of its own (type 2) holds a
// 9-byte head (type, block count, length, modification) and the bytes; a
// shared block (type 3) holds after its 12-byte head 64 entries of 5 bytes
// (data offset / 16, length / 16 rounded up, modification, length % 16).
// Anything that disagrees or points outside the file leaves the memo empty.
extern "C" {
#include <paradox.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "extdb/export_sql.h"
#include "extdb/ext_readers.h"
#include "store/kor_error.h"

namespace korin::extdb {

namespace {

// Days from 1.1.0001 as pxlib counts them, minus these, are OLE days.
constexpr double kOleEpoch = 693594.0;
constexpr int kBlobTail = 10;  // a blob field's last bytes: place 4, length 4, modification 2
constexpr uint32_t kOwnBlock = 2, kSharedBlock = 3;
constexpr uint32_t kOwnHead = 9, kSharedHead = 12, kSharedEntry = 5, kSharedEntries = 64;

uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

void QuietErrors(pxdoc_t*, int, const char*, void* data) {
    if (data) *static_cast<bool*>(data) = true;
}

TExtFieldKind KindOf(char type) {
    switch (type) {
        case pxfAlpha: return TExtFieldKind::Text;
        case pxfShort: return TExtFieldKind::SmallInt;
        case pxfLong:
        case pxfAutoInc: return TExtFieldKind::Integer;
        case pxfNumber: return TExtFieldKind::Float;
        case pxfCurrency: return TExtFieldKind::Currency;
        case pxfLogical: return TExtFieldKind::Boolean;
        case pxfDate:
        case pxfTime:
        case pxfTimestamp: return TExtFieldKind::Date;
        case pxfMemoBLOb:
        case pxfFmtMemoBLOb: return TExtFieldKind::Memo;
        case pxfBLOb:
        case pxfOLE:
        case pxfGraphic:
        case pxfBytes: return TExtFieldKind::Binary;
        default: return TExtFieldKind::Other;
    }
}

class TParadoxTable final : public IExtTable, public IExtSource {
public:
    explicit TParadoxTable(const std::string& path) : path_(path) {
        if (!ParadoxHeaderPlausible(path)) ThrowNotOfFormat(path, TExtFormat::Paradox);
        doc_ = PX_new3(QuietErrors, nullptr, nullptr, nullptr, &failed_);
        if (doc_ == nullptr) ThrowDamaged(path);
        if (PX_open_file(doc_, path.c_str()) < 0 || doc_->px_head == nullptr) {
            PX_delete(doc_);
            ThrowNotOfFormat(path, TExtFormat::Paradox);
        }
        pxhead_t* head = doc_->px_head;
        if (head->px_filetype != pxfFileTypIndexDB && head->px_filetype != pxfFileTypNonIndexDB) {
            Release();
            ThrowNotOfFormat(path, TExtFormat::Paradox);
        }
        char cp[16];
        std::snprintf(cp, sizeof cp, "CP%d", head->px_doscodepage > 0 ? head->px_doscodepage : 1252);
        charset_ = cp;
        name_ = BaseName(path);
        int offset = 0;
        for (int i = 0; i < head->px_numfields; ++i) {
            const pxfield_t& f = head->px_fields[i];
            TExtField field{Text(f.px_fname ? f.px_fname : ""), KindOf(f.px_ftype), 0, false};
            if (field.kind == TExtFieldKind::Text) field.size = f.px_flen;
            else if (field.kind == TExtFieldKind::SmallInt || field.kind == TExtFieldKind::Integer ||
                     field.kind == TExtFieldKind::Float)
                field.size = f.px_flen;
            fields_.push_back(field);
            types_.push_back(f.px_ftype);
            lens_.push_back(f.px_flen);
            offsets_.push_back(offset);
            offset += f.px_flen;
        }
        if (offset > head->px_recordsize || head->px_recordsize <= 0) {
            Release();
            ThrowDamaged(path);
        }
        if (head->px_primarykeyfields > 0 && head->px_primarykeyfields <= head->px_numfields) {
            TExtIndex primary{"PRIMARY", true, true, {}};
            for (int i = 0; i < head->px_primarykeyfields; ++i) primary.fields.push_back(fields_[i].name);
            indexes_.push_back(std::move(primary));
        }
        record_.assign(static_cast<size_t>(head->px_recordsize), '\0');
        // The header's count is trusted only as far as the file holds records:
        // pxlib searches its data blocks for every record it is asked for.
        struct stat st {};
        records_ = head->px_numrecords;
        if (::stat(path.c_str(), &st) != 0 || st.st_size <= head->px_headersize || head->px_headersize <= 0) records_ = 0;
        else records_ = static_cast<int>(std::min<int64_t>(records_, (st.st_size - head->px_headersize) / head->px_recordsize));
        if (records_ < 0) records_ = 0;
        const size_t slash = path.find_last_of('/');
        const std::string dir = slash == std::string::npos ? "./" : path.substr(0, slash + 1);
        const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
        for (const std::string& mb : CompanionFiles(dir, file, {"MB"})) {
            struct stat mst {};
            if (blob_ < 0 && ::stat(mb.c_str(), &mst) == 0 && S_ISREG(mst.st_mode)) {
                blob_ = ::open(mb.c_str(), O_RDONLY);
                blobSize_ = mst.st_size;
            }
        }
    }
    ~TParadoxTable() override { Release(); }

    // As a source: the one table of the file.
    TExtFormat Format() const override { return TExtFormat::Paradox; }
    const std::string& Path() const override { return path_; }
    std::vector<std::string> TableNames() override { return {name_}; }
    std::unique_ptr<IExtTable> OpenTable(const std::string& name) override {
        if (!SameName(name, name_)) ThrowNoTable(name, path_);
        return std::make_unique<TParadoxTable>(path_);
    }

    const std::string& Name() const override { return name_; }
    const std::vector<TExtField>& Fields() const override { return fields_; }
    const std::vector<TExtIndex>& Indexes() const override { return indexes_; }
    int64_t RowCount() override { return records_; }
    void Rewind() override { next_ = 0; }

    bool NextRow(std::vector<TExtValue>& row) override {
        if (next_ >= records_) return false;
        if (PX_get_record(doc_, next_, record_.data()) == nullptr) ThrowDamaged(path_);
        ++next_;
        row.assign(fields_.size(), TExtValue{});
        for (size_t i = 0; i < fields_.size(); ++i) row[i] = Value(i);
        return true;
    }

private:
    void Release() {
        if (blob_ >= 0) ::close(blob_);
        blob_ = -1;
        if (doc_) {
            PX_close(doc_);
            PX_delete(doc_);
            doc_ = nullptr;
        }
    }

    std::string Text(const std::string& bytes) const { return ToUtf8(bytes, charset_.c_str()); }

    bool ReadBlobFile(uint64_t at, void* out, uint64_t n) const {
        return at <= static_cast<uint64_t>(blobSize_) && n <= static_cast<uint64_t>(blobSize_) - at &&
               ::pread(blob_, out, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n);
    }

    // The bytes of a blob that lies in the blob file (layout above).
    std::string BlobBytes(const unsigned char* tail, uint32_t size) const {
        const uint32_t place = Le32(tail), entry = place & 0xFF, block = place & ~0xFFu;
        unsigned char head[kSharedHead] = {};
        if (blob_ < 0 || block == 0 || !ReadBlobFile(block, head, kOwnHead)) return {};
        uint64_t start = 0;
        if (head[0] == kOwnBlock && entry == 0xFF && Le32(head + 3) == size) {
            start = uint64_t(block) + kOwnHead;
        } else if (head[0] == kSharedBlock && entry < kSharedEntries) {
            unsigned char e[kSharedEntry] = {};
            if (!ReadBlobFile(uint64_t(block) + kSharedHead + entry * kSharedEntry, e, sizeof e) ||
                (int64_t(e[1]) - 1) * 16 + e[4] != int64_t(size))
                return {};
            start = uint64_t(block) + e[0] * 16u;
        } else {
            return {};
        }
        std::string bytes;
        if (start > static_cast<uint64_t>(blobSize_) || size > static_cast<uint64_t>(blobSize_) - start) return {};
        bytes.resize(size);
        return ReadBlobFile(start, bytes.data(), size) ? bytes : std::string();
    }

    TExtValue Value(size_t i) {
        char* data = record_.data() + offsets_[i];
        const int len = lens_[i];
        TExtValue v;
        switch (types_[i]) {
            case pxfAlpha: {
                char* s = nullptr;
                if (PX_get_data_alpha(doc_, data, len, &s) > 0 && s) {
                    v = {Text(s), false};
                    doc_->free(doc_, s);
                }
                break;
            }
            case pxfShort: {
                short n = 0;
                if (PX_get_data_short(doc_, data, len, &n) > 0) v = {std::to_string(n), false};
                break;
            }
            case pxfLong:
            case pxfAutoInc: {
                long n = 0;
                if (PX_get_data_long(doc_, data, len, &n) > 0) v = {std::to_string(n), false};
                break;
            }
            case pxfNumber:
            case pxfCurrency: {
                double d = 0;
                if (PX_get_data_double(doc_, data, len, &d) > 0) v = {DoubleText(d), false};
                break;
            }
            case pxfLogical: {
                char b = 0;
                if (PX_get_data_byte(doc_, data, len, &b) > 0) v = {b ? "1" : "0", false};
                break;
            }
            case pxfDate: {
                long n = 0;
                if (PX_get_data_long(doc_, data, len, &n) > 0) v = {OleDateText(double(n) - kOleEpoch), false};
                break;
            }
            case pxfTime: {
                long ms = 0;
                if (PX_get_data_long(doc_, data, len, &ms) > 0 && ms >= 0) {
                    char buf[16];
                    const long s = ms / 1000;
                    std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", s / 3600 % 24, s / 60 % 60, s % 60);
                    v = {buf, false};
                }
                break;
            }
            case pxfTimestamp: {
                double ms = 0;
                if (PX_get_data_double(doc_, data, len, &ms) > 0) v = {OleDateText(ms / 86400000.0 - kOleEpoch), false};
                break;
            }
            case pxfMemoBLOb:
            case pxfFmtMemoBLOb: {
                if (len < kBlobTail) break;
                const auto* tail = reinterpret_cast<const unsigned char*>(data + len - kBlobTail);
                const uint32_t size = Le32(tail + 4);
                const std::string bytes =
                    size <= static_cast<uint32_t>(len - kBlobTail) ? std::string(data, size) : BlobBytes(tail, size);
                if (!bytes.empty()) v = {Text(bytes), false};
                break;
            }
            case pxfBLOb:
            case pxfOLE:
            case pxfGraphic:
                // A leader, then the blob's place and length (little-endian) and a modification number.
                if (len >= kBlobTail && (data[len - 6] | data[len - 5] | data[len - 4] | data[len - 3]) != 0)
                    v = {std::string(), false, true};
                break;
            case pxfBytes:
                if (std::any_of(data, data + len, [](char c) { return c != 0; })) v = {std::string(), false, true};
                break;
            case pxfBCD: {
                char* s = nullptr;
                if (PX_get_data_bcd(doc_, reinterpret_cast<unsigned char*>(data), lens_[i], &s) > 0 && s) {
                    v = {s, false};
                    doc_->free(doc_, s);
                }
                break;
            }
            default: break;
        }
        // Memo texts end at their NUL in the leader.
        if (auto nul = v.text.find('\0'); nul != std::string::npos) v.text.resize(nul);
        return v;
    }

    std::string path_;
    std::string name_;
    std::string charset_;
    pxdoc_t* doc_ = nullptr;
    bool failed_ = false;
    int blob_ = -1;  // the blob file, when there is one
    off_t blobSize_ = 0;
    std::vector<TExtField> fields_;
    std::vector<TExtIndex> indexes_;
    std::vector<char> types_;
    std::vector<int> lens_;
    std::vector<int> offsets_;
    std::vector<char> record_;
    int records_ = 0;
    int next_ = 0;
};

}  // namespace

// The header words: record size at 0, header size at 2, file type at 4, block
// size in KB at 5, file blocks at 12, first and last block at 14 and 16; the
// encryption word at 0x25 (0xFF00FF00: the one at 0x5C counts). A data block
// begins with the number of the next block (0: the last).
bool ParadoxHeaderPlausible(const std::string& path, bool allowEncrypted) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    const auto closer = std::unique_ptr<std::FILE, int (*)(std::FILE*)>(f, std::fclose);
    unsigned char h[0x60] = {};
    const size_t got = std::fread(h, 1, sizeof h, f);
    struct stat st {};
    if (got < 18 || ::stat(path.c_str(), &st) != 0) return false;
    auto u16 = [](const unsigned char* p) { return static_cast<int64_t>(p[0] | (p[1] << 8)); };
    const int64_t recordSize = u16(h), headerSize = u16(h + 2), blockKb = h[5];
    const int64_t fileBlocks = u16(h + 12), first = u16(h + 14), last = u16(h + 16);
    if (recordSize <= 0 || headerSize <= 0 || blockKb < 1 || blockKb > 32) return false;
    const int64_t blocksInFile = st.st_size > headerSize ? (st.st_size - headerSize + blockKb * 1024 - 1) / (blockKb * 1024) : 0;
    if (fileBlocks > blocksInFile || first > blocksInFile || last > blocksInFile) return false;
    const uint32_t key1 = got >= 0x29 ? Le32(h + 0x25) : 0, key2 = got >= 0x60 ? Le32(h + 0x5C) : 0;
    if (key1 != 0 && !(key1 == 0xFF00FF00u && key2 == 0)) return allowEncrypted;
    int64_t steps = 0;
    for (int64_t block = first; block != 0; ++steps) {
        unsigned char next[2] = {};
        if (block > blocksInFile || steps >= fileBlocks ||
            std::fseek(f, static_cast<long>(headerSize + (block - 1) * blockKb * 1024), SEEK_SET) != 0 ||
            std::fread(next, 1, 2, f) != 2)
            return false;
        block = u16(next);
    }
    return true;
}

std::unique_ptr<IExtSource> OpenParadoxSource(const std::string& path) { return std::make_unique<TParadoxTable>(path); }

}  // namespace korin::extdb
