// System table: the list of the tables of one catalogue folder.
//
// A numbered project file (the folder's ("C",8,"SYSTABLE") catalogue entry)
// with a 1024-byte header followed by 512-byte slots; slot k lies at
// 1024 + 512·k. Its schedule (project/kor_schedule.h) indexes the same tables
// by name. The catalogue keeps both current when tables are created or deleted.
//
//   header (little-endian)                 slot
//   0    2 B    zero                       0   int16  state: 1 in use, else free
//   2    30 B   "SYSTABLE", NUL, zeros     2   int32  entry of the data file
//   32   int32  1, written at creation     6   int32  entry of the key file
//   36   int32  0, written at creation     10  502 B  table name, NUL-terminated,
//   40   88 B   zero                                  at most 32 characters
//   128  int32  tables added (never decremented)
//   132  int32  slots the file has room for
//   136  888 B  zero
//
// A new file is the 1024-byte header alone (count and capacity 0). The content
// check accepts a file of at least 1024 bytes whose bytes from offset 2 up to
// the first NUL (at most 30) read "SYSTABLE". Slots are only read or written
// where they lie wholly inside the file, whatever the counts in the header say.
//
// The folder path the catalogue hands over when it creates the pair is kept in
// FolderPath only; the header has no field for it and none is written.
//
// Refusals:
//   EKorSysTabError "KorSysTable: Datei konnte nicht geöffnet werden. Datei : " + FileName
//       (Open of a missing file; AddTable and RemoveTable on a closed table)
//   errors of the mapped file container (a header that fails the content check:
//   "... Inhalt stimmt nicht mit Dateityp überein ...", a file that cannot grow)
//   and of the schedule's key file pass through. After a failed Open both files
//   are closed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "project/kor_schedule.h"
#include "store/kor_mmf.h"

namespace korin {

namespace systab {
constexpr int32_t kHeaderSize = 1024;
constexpr int32_t kSignature = 2;
constexpr int32_t kSignatureBytes = 30;
inline const std::string kSignatureText = "SYSTABLE";
constexpr int32_t kOne = 32;   // 1 at creation
constexpr int32_t kZero = 36;  // 0 at creation
constexpr int32_t kAdded = 128;
constexpr int32_t kCapacity = 132;
constexpr int32_t kSlotSize = 512;
constexpr int32_t kSlotState = 0;
constexpr int32_t kSlotData = 2;
constexpr int32_t kSlotKey = 6;
constexpr int32_t kSlotName = 10;
constexpr int32_t kSlotNameBytes = 502;
constexpr int32_t kNameChars = 32;  // what AddTable writes at most, before the NUL
constexpr int16_t kInUse = 1;
static_assert(kSignature + kSignatureBytes == kOne, "the signature field ends at 32");
static_assert(kCapacity + 4 + 888 == kHeaderSize, "zeros fill the header after the capacity");
static_assert(kSlotName + kSlotNameBytes == kSlotSize, "the name fills the slot");
}  // namespace systab

class TKorSysTable : public TKorMMF {
public:
    TKorSysTable();
    ~TKorSysTable() override;

    // Sets the table's Project as every store file does (the directory must hold
    // a "dir.ref") and the schedule's.
    void SetProject(const std::string& value) override;

    // Opens the file, then the schedule (which must exist: the key file's
    // refusal passes through). Refusals above.
    void Open() override;
    // Closes the file; the schedule stays open until the object is destroyed.
    void Close() override;

    TKorSchedule& Schedule() { return schedule_; }
    std::vector<std::string>& FolderPath() { return folderPath_; }

    // Enters a table: when the count of tables added has reached the capacity
    // the file grows by one slot (capacity + 1); the first slot from 0 up that
    // is not in use and lies wholly in the file takes state 1, the two entry
    // numbers and the name (at most 32 characters and a NUL; the rest of the slot
    // stays as it was); the schedule gets ("C",0,"SYSTABLE")("C",0,name) with
    // DIndex = the slot and ("C",0,"OPEN")("C",0,name) with DIndex 0; the count
    // goes up by one. Without a free slot nothing is entered (nor counted).
    void AddTable(const std::string& name, int32_t dataFile, int32_t keyFile);
    // Frees the first slot in use (from 0 up, within the file) whose name equals
    // the name as AddTable stores it (its first 32 characters): its state becomes 0,
    // nothing else of it changes. Then deletes both schedule keys of the name.
    // Count and capacity stay; a name that is not entered changes no slot.
    void RemoveTable(const std::string& name);

    // Header counts; 0 when closed.
    int32_t AddedCount() const;
    int32_t Capacity() const;
    // Slots lying wholly in the file.
    int32_t SlotCount() const;
    // A slot's fields; state 0, entries 0 and an empty name outside the file.
    int32_t SlotState(int32_t k) const;
    int32_t SlotDataFile(int32_t k) const;
    int32_t SlotKeyFile(int32_t k) const;
    std::string SlotName(int32_t k) const;

protected:
    int32_t InitialSize() override { return systab::kHeaderSize; }
    void InitContent() override;
    bool CheckContent() override;

private:
    void RequireOpen() const;
    // Slot k's first byte, or null when it does not lie wholly in the file.
    uint8_t* Slot(int32_t k) const;

    TKorSchedule schedule_;
    std::vector<std::string> folderPath_;
};

}  // namespace korin
