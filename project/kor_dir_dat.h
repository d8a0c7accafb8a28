// Directory data: "Dir.dat", the companion of a project's catalogue "Dir.ref".
//
// One 90-byte record per entry number of the catalogue: record n belongs to
// entry n and lies at 90·n. Record 0 belongs to the catalogue's header node and
// is not used. The catalogue keeps this file at least as long, in records, as
// itself in nodes: whenever it grows by k nodes, this file grows by k records
// first (TKorDirFile::Grow).
//
//   record (little-endian)
//   0   int32  creation time, seconds since 1970-01-01 00:00 local time
//   4   86 B   long text, NUL-terminated; at most 80 characters are written
//
// A new file is one record of zeros (90 bytes). There is no content check: every
// file is accepted. Records are addressed by number and bounds-checked against
// the file as it is mapped now: reading a record that does not lie wholly in
// the file gives time 0 and an empty text, writing one changes nothing.
//
// Refusals: those of the mapped file container (store/kor_mmf.h) pass through;
// a failed Grow leaves the file as it was and the object open.
#pragma once

#include <cstdint>
#include <string>

#include "store/kor_mmf.h"

namespace korin {

namespace dirdat {
constexpr int32_t kRecordSize = 90;
constexpr int32_t kTime = 0;
constexpr int32_t kText = 4;
constexpr int32_t kTextBytes = 86;
constexpr int32_t kTextChars = 80;  // what SetText writes at most, before the NUL
static_assert(kText + kTextBytes == kRecordSize, "the long text fills the record");
static_assert(kTextChars < kTextBytes, "the written text always has room for its NUL");
inline const std::string kFileName = "Dir.dat";
}  // namespace dirdat

class TKorDirDat : public TKorMMF {
public:
    // FileName is "Dir.dat".
    TKorDirDat();

    // Any existing directory is taken (the catalogue gives its own Project; no
    // "dir.ref" is asked for). Empty: nothing changes.
    void SetProject(const std::string& value) override;

    // Whole records in the file; 0 when closed.
    int32_t RecordCount() const { return FileSize() / dirdat::kRecordSize; }

    // Makes the file 90·n bytes longer (the new records are zeros). The size is
    // counted from this object's own idea of the file: when another object has
    // grown the same file meanwhile, the file becomes the larger of the two
    // sizes, and FileSize is taken from the file afterwards. Does nothing when
    // closed or n <= 0.
    void Grow(int32_t n);

    // Opens the file so that it holds at least `records` records: a missing file
    // is created (zeros), a shorter one is extended with zero records. A name that
    // differs only in letter case ("DIR.DAT", written on Windows) is taken as the
    // file.
    void OpenCovering(int32_t records);

    // Record n's long text up to its first NUL (at most 86 characters).
    std::string GetText(int32_t n) const;
    // At most the first 80 characters of text and a NUL into record n; the bytes
    // after the NUL stay as they were.
    void SetText(int32_t n, const std::string& text);
    int32_t GetTime(int32_t n) const;
    void SetTime(int32_t n, int32_t seconds);

protected:
    int32_t InitialSize() override { return dirdat::kRecordSize; }
    void InitContent() override {}
    bool CheckContent() override { return true; }

private:
    // The record's first byte, or null when it does not lie wholly in the file.
    uint8_t* Record(int32_t n) const;
};

// The current local time as a creation time: whole seconds since 1970-01-01
// 00:00, counted in local time.
int32_t LocalTimeStamp();

}  // namespace korin
