// Paradox index files written with pxlib beside a keyed table: the primary
// index "<stem>.PX" and a maintained secondary index over one field,
// "<stem>.Xnn" with its own index "<stem>.Ynn" (nn: the field's number, two
// hex digits). Used by the export writer (extdb/paradox_writer.h) and by the
// import's mapping table (tables/imp_map.h).
//
// The primary index (file type 1): per data block of the table its first key,
// the block number, the block's record count and a zero (pxlib's
// PX_write_primary_index).
//
// A maintained secondary index, as Paradox 7 writes one for
// CREATE INDEX <field> ON <table> (<field>):
//   .Xnn  (file type 5) a table keyed on its first two fields: the indexed
//         field, the table's key field, then "Blk Num" (Short), the data block
//         of the table that held the record when the index was written - a
//         hint: a reader that does not find the record there looks it up by
//         its key. Records ordered by the indexed field, then by the key (both
//         compared by their stored bytes, which orders numbers by value).
//         Header: the indexed field's number at 0x15 and first among the
//         field numbers; the table's change count (0x2E of the .DB) at 0x2E
//         and the primary index's stamp (0x2C of the .PX) at 0x2F, by which a
//         reader tells an index that belongs to its table; the constants at
//         0x25, 0x3E, 0x56 and 0x6C that Paradox writes in every .DB and .Xnn.
//   .Ynn  (file type 4) the primary index of the .Xnn: per .Xnn data block its
//         first two fields, the block number, the record count and a zero.
//
// Refusals (korin::Exception):
//   "ExtDB: pxlib konnte nicht gestartet werden!"
//   "ExtDB: Die Datei <path> konnte nicht geschrieben werden! (<pxlib's message>)"
#pragma once

extern "C" {
#include <paradox.h>
}

#include <cstdint>
#include <string>
#include <vector>

namespace korin::extdb {

// Header bytes of Paradox files that pxlib neither reads nor writes for us.
namespace pxhead {
constexpr long kFileType = 0x04;
constexpr long kBlockKb = 0x05;
constexpr long kNumRecords = 0x06;
constexpr long kIndexField = 0x15;
constexpr long kEncryption1 = 0x25;
constexpr long kPrimaryStamp = 0x2C;  // .PX
constexpr long kChangeCount = 0x2E;   // .DB and .Xnn
constexpr long kIndexStamp = 0x2F;    // .Xnn: kPrimaryStamp of the .PX
constexpr long kFixed3E = 0x3E;
constexpr long kFixed56 = 0x56;
constexpr long kFixed6C = 0x6C;
constexpr long kFieldInfo = 0x78;     // .DB and .Xnn of Paradox 4 and later
constexpr long kTableNameLength = 261;  // Paradox 7
static_assert(kFieldInfo > kFixed6C + 4);
}  // namespace pxhead

// A pxlib document, deleted with its scope. pxlib reports through a callback;
// the last error (not warning) is kept.
class TPxDocument {
public:
    TPxDocument();
    ~TPxDocument();
    TPxDocument(const TPxDocument&) = delete;
    TPxDocument& operator=(const TPxDocument&) = delete;
    pxdoc_t* get() const { return doc_; }
    const std::string& Error() const { return error_; }
    // Closes the file (pxlib writes the header); the document stays.
    void Close();

private:
    pxdoc_t* doc_ = nullptr;
    std::string error_;
};

struct TPxFieldSpec {
    std::string name;
    char type = pxfAlpha;
    int len = 0;
};

// The field array PX_create_file takes over (pxlib frees it with the document).
pxfield_t* NewPxFields(const std::vector<TPxFieldSpec>& fields);

// Creates `path` as a Paradox file of `type` with the given fields and table
// name, or refuses.
void CreatePxFile(TPxDocument& doc, const std::vector<TPxFieldSpec>& fields, const std::string& path, int type,
                  const std::string& tableName);

// Writes the primary index of `table` (keyed on its first keyFields.size()
// fields, every record written in key order, file still open) to `path`.
void WritePrimaryIndex(TPxDocument& table, const std::vector<TPxFieldSpec>& keyFields, const std::string& path,
                       const std::string& tableName);

// One record of a secondary index: the indexed field's and the key field's
// stored bytes (as long as their fields) and the data block (1-based).
struct TPxSecondaryEntry {
    std::string value;
    std::string key;
    int block = 0;
};

// Writes "<stem>.Xnn" to `xPath` and "<stem>.Ynn" to `yPath` (names in their
// headers: `xName`, `yName`). `fields` are the indexed field and the key field
// as the table declares them; `fieldNumber` the indexed field's 1-based
// number; `tablePath` and `primaryPath` the finished table and primary index
// files, whose stamps the .Xnn repeats. `entries` are sorted here.
void WriteSecondaryIndex(const std::vector<TPxFieldSpec>& fields, int fieldNumber,
                         std::vector<TPxSecondaryEntry> entries, int codePage, const std::string& xPath,
                         const std::string& xName, const std::string& yPath, const std::string& yName,
                         const std::string& tablePath, const std::string& primaryPath);

// Raw header access for stamps and checks: false when the file is shorter.
bool ReadPxHeaderBytes(const std::string& path, long offset, void* out, size_t size);
bool WritePxHeaderBytes(const std::string& path, long offset, const void* data, size_t size);

// Flushes a finished file to the disk, so that a rename after it never
// exposes a file whose bytes are not yet written; false on failure.
bool SyncFile(const std::string& path);

}  // namespace korin::extdb
