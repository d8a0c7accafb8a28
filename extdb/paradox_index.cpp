// Paradox index files: pxlib writes the files, this unit orders the secondary
// index and sets the header bytes pxlib leaves out.
#include "extdb/paradox_index.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "store/kor_error.h"

namespace korin::extdb {

namespace {

// pxlib reports through a callback; the last error (not warning) is kept so
// that a failed call can say what went wrong.
void RecordError(pxdoc_t*, int type, const char* message, void* data) {
    if (type != PX_Warning && data) *static_cast<std::string*>(data) = message ? message : "";
}

[[noreturn]] void Failed(const std::string& file, const std::string& detail) {
    throw Exception("ExtDB: Die Datei " + file + " konnte nicht geschrieben werden!" +
                    (detail.empty() ? "" : " (" + detail + ")"));
}

// Constants Paradox 7 writes into every .DB and .Xnn header.
constexpr unsigned char kEncryptionMarker[4] = {0x00, 0xFF, 0x00, 0xFF};  // 0xFF00FF00: see the data header
constexpr unsigned char kSecondaryFixed2C = 0xFF;
constexpr unsigned char kFixed3E[2] = {0x1F, 0x0F};
constexpr unsigned char kFixed56 = 0x20;
constexpr unsigned char kFixed6C[2] = {0x01, 0x01};
constexpr char kHintFieldName[] = "Blk Num";

// Offset of the field numbers in a .DB or .Xnn header: after the field infos
// (type and length, 2 bytes each), the table name pointer, one name pointer
// per field, the table name and the NUL-terminated field names.
long FieldNumbersOffset(const std::vector<TPxFieldSpec>& fields) {
    long at = pxhead::kFieldInfo + static_cast<long>(fields.size()) * (2 + 4) + 4 + pxhead::kTableNameLength;
    for (const TPxFieldSpec& f : fields) at += static_cast<long>(f.name.size()) + 1;
    return at;
}

}  // namespace

TPxDocument::TPxDocument() {
    doc_ = PX_new3(RecordError, nullptr, nullptr, nullptr, &error_);
    if (!doc_) throw Exception("ExtDB: pxlib konnte nicht gestartet werden!");
}

TPxDocument::~TPxDocument() { Close(); }

void TPxDocument::Close() {
    if (!doc_) return;
    PX_close(doc_);
    PX_delete(doc_);
    doc_ = nullptr;
}

pxfield_t* NewPxFields(const std::vector<TPxFieldSpec>& specs) {
    auto* fields = static_cast<pxfield_t*>(std::calloc(std::max<size_t>(specs.size(), 1), sizeof(pxfield_t)));
    if (!fields) throw std::bad_alloc();
    for (size_t i = 0; i < specs.size(); ++i) {
        fields[i].px_fname = strdup(specs[i].name.c_str());
        fields[i].px_ftype = specs[i].type;
        fields[i].px_flen = specs[i].len;
        fields[i].px_fdc = 0;
    }
    return fields;
}

void CreatePxFile(TPxDocument& doc, const std::vector<TPxFieldSpec>& fields, const std::string& path, int type,
                  const std::string& tableName) {
    if (PX_create_file(doc.get(), NewPxFields(fields), static_cast<int>(fields.size()), path.c_str(), type) < 0 ||
        PX_set_parameter(doc.get(), "tablename", tableName.c_str()) < 0)
        Failed(path, doc.Error());
}

void WritePrimaryIndex(TPxDocument& table, const std::vector<TPxFieldSpec>& keyFields, const std::string& path,
                       const std::string& tableName) {
    TPxDocument index;
    CreatePxFile(index, keyFields, path, pxfFileTypPrimIndex, tableName);
    if (PX_get_num_records(table.get()) > 0 && PX_write_primary_index(table.get(), index.get()) < 0)
        Failed(path, index.Error());
    index.Close();
    if (!index.Error().empty()) Failed(path, index.Error());
}

void WriteSecondaryIndex(const std::vector<TPxFieldSpec>& fields, int fieldNumber,
                         std::vector<TPxSecondaryEntry> entries, int codePage, const std::string& xPath,
                         const std::string& xName, const std::string& yPath, const std::string& yName,
                         const std::string& tablePath, const std::string& primaryPath) {
    const std::vector<TPxFieldSpec> xFields{fields[0], fields[1], {kHintFieldName, pxfShort, 2}};
    const auto valueLen = static_cast<size_t>(fields[0].len);
    const auto keyLen = static_cast<size_t>(fields[1].len);
    // std::string compares as unsigned bytes, the order of the stored values.
    std::sort(entries.begin(), entries.end(), [](const TPxSecondaryEntry& a, const TPxSecondaryEntry& b) {
        return std::tie(a.value, a.key) < std::tie(b.value, b.key);
    });
    {
        TPxDocument x;
        CreatePxFile(x, xFields, xPath, pxfFileTypIncSecIndex, xName);
        if (PX_set_value(x.get(), "codepage", static_cast<float>(codePage)) < 0) Failed(xPath, x.Error());
        x.get()->px_head->px_indexfieldnumber = fieldNumber;
        std::vector<char> record(valueLen + keyLen + 2, '\0');
        int position = 0;
        for (const TPxSecondaryEntry& e : entries) {
            std::fill(record.begin(), record.end(), '\0');
            std::memcpy(record.data(), e.value.data(), std::min(valueLen, e.value.size()));
            std::memcpy(record.data() + valueLen, e.key.data(), std::min(keyLen, e.key.size()));
            PX_put_data_short(x.get(), record.data() + valueLen + keyLen, 2, static_cast<short>(e.block));
            if (PX_put_recordn(x.get(), record.data(), position++) < 0) Failed(xPath, x.Error());
        }
        TPxDocument y;
        CreatePxFile(y, {fields[0], fields[1]}, yPath, pxfFileTypSecIndex, yName);
        if (!entries.empty() && PX_write_primary_index(x.get(), y.get()) < 0) Failed(yPath, y.Error());
        y.Close();
        x.Close();
        if (!x.Error().empty()) Failed(xPath, x.Error());
        if (!y.Error().empty()) Failed(yPath, y.Error());
    }
    unsigned char changeCount = 0, primaryStamp = 0;
    if (!ReadPxHeaderBytes(tablePath, pxhead::kChangeCount, &changeCount, 1) ||
        !ReadPxHeaderBytes(primaryPath, pxhead::kPrimaryStamp, &primaryStamp, 1))
        Failed(xPath, "");
    const unsigned char field = static_cast<unsigned char>(fieldNumber);
    const unsigned char number[2] = {field, static_cast<unsigned char>(fieldNumber >> 8)};
    if (!WritePxHeaderBytes(xPath, pxhead::kIndexField, &field, 1) ||
        !WritePxHeaderBytes(xPath, pxhead::kEncryption1, kEncryptionMarker, sizeof kEncryptionMarker) ||
        !WritePxHeaderBytes(xPath, pxhead::kPrimaryStamp, &kSecondaryFixed2C, 1) ||
        !WritePxHeaderBytes(xPath, pxhead::kChangeCount, &changeCount, 1) ||
        !WritePxHeaderBytes(xPath, pxhead::kIndexStamp, &primaryStamp, 1) ||
        !WritePxHeaderBytes(xPath, pxhead::kFixed3E, kFixed3E, sizeof kFixed3E) ||
        !WritePxHeaderBytes(xPath, pxhead::kFixed56, &kFixed56, 1) ||
        !WritePxHeaderBytes(xPath, pxhead::kFixed6C, kFixed6C, sizeof kFixed6C) ||
        !WritePxHeaderBytes(xPath, FieldNumbersOffset(xFields), number, sizeof number))
        Failed(xPath, "");
}

bool ReadPxHeaderBytes(const std::string& path, long offset, void* out, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    const bool ok = std::fseek(f, offset, SEEK_SET) == 0 && std::fread(out, 1, size, f) == size;
    std::fclose(f);
    return ok;
}

bool WritePxHeaderBytes(const std::string& path, long offset, const void* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0 && std::ftell(f) >= offset + static_cast<long>(size) &&
              std::fseek(f, offset, SEEK_SET) == 0 && std::fwrite(data, 1, size, f) == size;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

bool SyncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace korin::extdb
