// Table file: a table of the store.
//
// A mapped file (store/kor_mmf.h) holds a header, the field definitions and
// fixed-length record slots (store/kor_table_format.h); a key file
// (store/kor_key_file.h) beside it holds the primary index under "P_KEY","0" and
// up to 20 secondary indexes under "S_KEY","0",name. Records are rows of texts,
// one per field. The table appends, edits and deletes records and keeps both
// indexes current, refuses duplicate keys, navigates in key order, finds records
// by primary or secondary key, and restructures itself.
//
// Keys a record contributes (letter L = the type letter of the field concerned,
// store/kor_field_defs.h), passed as one key list with DIndex = slot + 1:
//   pointer part   with a primary key field p: L(p) + byte 80 + p's text;
//                  without one: "N" + byte 80 + the decimal slot number + 1
//   primary key    ("C",0,"P_KEY") ("N",0,"0") pointer part
//   secondary key  ("C",0,"S_KEY") ("N",0,"0") ("C",0,name) (L,0,text) per field,
//                  then the pointer part unless the key is unique
// So the key file's default selection lists the records in primary-key order, or
// in slot order when the table has no primary key field.
//
// Values are normalised when Append or EditField writes them:
//   type 1   trimmed of blanks (characters up to " "); empty becomes "0"
//   type 2   trimmed, its first "," made "."; read as a decimal number (empty: 0)
//            and written as "%1.<decimals>f" does, the first "," of that made ".",
//            trimmed. A text that is no number raises
//            Exception "'<text>' ist kein gültiger Gleitkommawert"
//   type 17  Append only, the value given is ignored: the counter at header 88
//            goes up by one and its decimal text is the value
//   type 19  Append only: the counter at header 48 goes up by one; "?" + its text
//   others   unchanged
// and a value is stored as at most the field's width characters.
//
// Warnings that do not end the program's work go to ShowErrorMessage
// (store/kor_ui.h) and the operation reports failure to its caller:
//   "Achtung! In der Tabelle <title> kam es zu\r einem Schlüsselkonflikt." followed by
//       " PIndex <value> existiert bereits!"            (table with a primary key field)
//       " Der eindeutige Sekundärschlüssel existiert bereits!"   (otherwise)
//   "Datensatz konnte nicht angelegt werden!\rDatei läßt sich nicht erweitern!"
//
// Refusals (EKorTabError unless another class is named):
//   "KorTable: KeyFile konnte nicht geöffnet werden! Datei: " + key file name
//       (Open; the table file stays open, so that Reindex can rebuild the key file)
//   "KorTable: KeyFile ist nicht geöffnet! Datei: " + key file name
//       (Append, EditField, Delete on a table whose key file is not open;
//        nothing is written)
//   "KorTable: Die Tabelle hat <n> Felder, erlaubt sind höchstens 100! Datei: " + name
//   "KorTable: Die Tabelle hat <k> Sekundärschlüssel, erlaubt sind höchstens 20! Datei: " + name
//   "KorTable: Die Felddefinitionen sind ungültig! Datei: " + name
//       (entries beyond the end of the file, or a negative width)
//   "KorTable: Die Sekundärschlüsseldefinitionen sind ungültig! Datei: " + name
//       (a definition running past offset 2304, a name of more than 32
//        characters, more than 20 fields, or a field number that names no field)
//   "KorTable: Die Datensatzzähler sind ungültig! Datei: " + name   (negative counts)
//   "KorTable: Die Datensätze reichen über das Dateiende hinaus! Datei: " + name
//       (the used slots, placed by the field widths, do not fit in the file)
//       These six are raised by Open (and by the operations that read another
//       table file); the table is closed afterwards.
//   "KorTable: Datensatz <slot> existiert nicht!"
//   "KorTable: Datensatz <slot> ist gelöscht und kann nicht geändert werden!"   (EditField)
//   "KorTable: Datensatz <slot> ist gelöscht und kann nicht gelöscht werden!"   (Delete)
//   "KorTable: Datensatz <slot> liegt außerhalb der Datei!"   (store/kor_records.h)
//   "KorTable: Es können höchstens 20 Sekundärschlüssel angelegt werden!"
//   "KorTable: Ein Sekundärschlüssel kann höchstens 20 Felder haben!"
//   "KorTable: Der Sekundärschlüssel <name> passt nicht mehr in den Tabellenkopf!"
//   "KorTable: Eine Tabelle kann höchstens 100 Felder haben!"       (AddField)
//   "KorTable: Die Feldlänge <width> ist ungültig!"                  (AddField)
//   "Die Datei 000000tmp kann nicht schriebend geöffnet werden!"     (AddField)
//   "KorTable: Die Feldnummer <id> ist ungültig!"                     (CheckNewFields)
//   "KorTable: Die Datei <file> konnte nicht geöffnet werden!"        (CopyRecordsFrom, CopyHeaderFrom)
//   "KorTable: Die Datei <path> konnte nicht geschrieben werden!"
//   "KorTable: Die Datei <path> konnte nicht umbenannt werden!"
//   "KorTable: Die Datei <path> ist kleiner als der Tabellenkopf von <file>!"   (CopyHeaderFrom)
//   "KorTable: Die Datei <file> hat weniger Datensätze als die Tabelle!"        (CopyRecordsFrom)
//   the filter's messages (store/kor_table_filter.h); errors of the mapped file,
//   the key file and the record accessor pass through.
// An operation that raises has written nothing to the table file unless its
// description says otherwise.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/kor_field_defs.h"
#include "store/kor_int_list.h"
#include "store/kor_key_file.h"
#include "store/kor_mmf.h"
#include "store/kor_records.h"
#include "store/kor_ui.h"

namespace korin {

// Data types of the field definitions given for a new file.
enum class TKorFieldType { SmallInt, Integer, Word, Float, String, Other };

// A field definition for a new file: the name may carry an id after "#"
// ("Loop#600"); the size counts for text fields.
struct TKorNewField {
    std::string name;
    TKorFieldType type = TKorFieldType::String;
    int32_t size = 0;
};

// The text without the characters up to " " (blanks, control characters) at
// both ends: how values and filter expressions are trimmed.
std::string TrimBlanks(std::string_view text);

// A secondary key as the table holds it: field numbers are 1-based.
struct TKorSecondaryKey {
    std::string name;
    bool unique = false;
    std::vector<int32_t> fields;
};

class TKorTable : public TKorMMF {
public:
    TKorTable();
    ~TKorTable() override;

    // Any existing directory is taken as the project directory (a table need not
    // lie in a catalogued project); the key file gets it too.
    void SetProject(const std::string& value) override;
    // Also gives the key file the table's Project.
    void SetFileName(const std::string& value) override;
    const std::string& KeyFileName() const { return keyFile_.FileName(); }
    void SetKeyFileName(const std::string& value) { keyFile_.SetFileName(value); }
    TKorKeyFile& KeyFile() { return keyFile_; }

    // Not owned; may be null. Reindex, AddField and CopyRecordsFrom drive it:
    // range 0 .. slot count, step 10, one step after every tenth slot, reset.
    IKorProgress* ProgressBar() const { return progress_; }
    void SetProgressBar(IKorProgress* progress) { progress_ = progress; }

    // ---- a new file ------------------------------------------------------------
    // CreateNew writes the header from these: field i as entry i (id from "#id",
    // else 600, 601, ... in order; at most 20 characters of the name; smallint:
    // type 1 width 6; integer, word: type 1 width 11; float: type 2 width 10
    // decimals 2; others: type 0 width = size), the primary key field, the title
    // (at most 32 characters) and the text lines (count at 98, the first three
    // joined by NULs at 100, cut to 100 bytes). A "#" followed by no number
    // raises Exception "'<text>' ist kein gültiger Integerwert".
    void SetFieldDefs(std::vector<TKorNewField> defs) { newFields_ = std::move(defs); }
    // Raises what CreateNew would run into with these definitions, before any
    // file is touched (CreateNew itself reports every failure of a new file's
    // content as the container's "kann nicht neu angelegt werden", after the old
    // file is gone): more than 100 fields ("KorTable: Eine Tabelle kann höchstens
    // 100 Felder haben!"), an id that is no number (the conversion error above)
    // or outside -32768 .. 32767 ("KorTable: Die Feldnummer <id> ist ungültig!"),
    // a text size outside 0 .. 32767 ("KorTable: Die Feldlänge <size> ist ungültig!").
    static void CheckNewFields(const std::vector<TKorNewField>& defs);
    const std::vector<TKorNewField>& NewFieldDefs() const { return newFields_; }
    void SetPrimaryKeyField(int32_t field) { newPrimary_ = field; }
    void SetTitle(const std::string& title) { newTitle_ = title; }
    // The header's title when open, else the title for a new file.
    std::string Title() const;
    std::vector<std::string>& TextLines() { return textLines_; }
    // Whether the first field becomes the primary key field when an imported
    // table names no primary index.
    bool FirstFieldKey = true;

    // ---- open and close --------------------------------------------------------
    // Maps the file (a missing file leaves the table closed), checks the header
    // (refusals above), creates the key file when it does not exist, opens it and
    // positions on the first record in key order.
    void Open() override;
    void Close() override;

    // ---- navigation in the key file's current order ----------------------------
    // Each moves the key file and, on success, selects the slot of its current
    // record; false and nothing happens when the table is closed.
    bool First();
    bool Next();
    bool Prior();
    bool Last();
    // When i < the header's record count: the key file's GoTo(i), then its record.
    virtual void GoTo(int32_t i);
    // When 0 <= s < the slot count: positions the key file on its first entry
    // without refreshing and selects slot s; true. Otherwise false, nothing moves.
    bool GoToSlot(int32_t s);
    bool Eof() const;
    bool Bof() const;
    // Entries of the key file's result list; 0 when closed.
    virtual int32_t RecordCount();
    int32_t CurrentSlot() const { return records_.CurrentSlot(); }
    // Header words: records in use, slots ever used, free-slot head.
    int32_t HeaderRecordCount() const;
    int32_t SlotCount() const;
    int32_t FreeHead() const;

    // ---- fields of the current record ------------------------------------------
    const TKorFieldDefs& FieldDefs() const { return fieldDefs_; }
    TKorFieldDefs& FieldDefs() { return fieldDefs_; }
    const TKorRecords& Records() const { return records_; }
    int32_t FieldCount() const { return fieldDefs_.FieldCount(); }
    std::string GetField(int32_t i) const;  // empty when i is not a field
    std::string GetFieldByName(std::string_view name) const;
    std::string GetFieldById(int32_t id) const;
    bool IsActive() const { return records_.IsActive(); }
    // Raw field data of the current slot (S bytes); valid until the file grows.
    const uint8_t* DataAddress() const { return records_.DataAddress(); }
    // Copies S bytes into the current slot and recomputes its checksum.
    void SetData(const uint8_t* bytes) { records_.SetData(bytes); }

    // ---- writing ---------------------------------------------------------------
    // Appends a record (one value per field, extra values ignored) and returns
    // its slot, or -1: fewer values than fields; a key conflict (the warning
    // above; also when the primary value is empty after trimming; values are
    // compared as they would be stored); no slot to be had (the warning above,
    // free-slot head := 0); or the key file took none of the record's keys.
    // A slot is reused from the free chain first (the chain's head is used only
    // when it names a deleted slot below the slot count; else the first deleted
    // slot is searched), else the slot after the last one is taken, the file
    // growing by 10 slots when fewer than 48 + S + 100 bytes are left. The
    // record and its keys are written before the header's counts and chain head,
    // and a refused record leaves no slot in use. Then, unless the key file is at
    // its end, its current record is selected (the first in key order).
    int32_t Append(const std::vector<std::string>& values);
    // When i is a field: writes the normalised value (types 1 and 2; others
    // unchanged) into the current record; when the field belongs to the primary
    // or a secondary key, the record's keys are deleted before and added after.
    // A value that would give the record a primary value (or an empty one) or a
    // unique secondary key that another record holds is refused with the key
    // conflict warning before anything is written; a key file that cannot take
    // the new keys gets the former value and keys back and the warning
    // "Datensatz konnte nicht geändert werden!\rDatei läßt sich nicht erweitern!".
    // True when the value was written. A current slot that does not exist or is
    // not in use is refused (above).
    bool EditField(int32_t i, const std::string& text);
    void SetFieldById(int32_t id, const std::string& text) { EditField(fieldDefs_.IndexOfId(id), text); }
    // Deletes the current record: its keys, then the slot (put at the head of
    // the free chain), then the count; unless the key file is at its end, its
    // current record is selected. A slot that does not exist or is not in use is
    // refused (above).
    void Delete();

    // ---- finding ---------------------------------------------------------------
    // Locates ("C",0,"P_KEY") ("N",0,"0") (L(p),80,value) and selects the slot
    // found. Without a primary key field only the two leading parts are looked
    // up, which never name a record.
    bool FindByPrimary(const std::string& value);
    bool FindByPrimary(const char* value) { return FindByPrimary(std::string(value)); }
    // Booleans as "True"/"False", characters as themselves, integers in decimal,
    // floating-point numbers with up to 15 significant digits and ".".
    template <std::integral T>
    bool FindByPrimary(T value) { return FindByPrimary(IntegralText(value)); }
    template <std::floating_point T>
    bool FindByPrimary(T value) { return FindByPrimary(FloatText(static_cast<double>(value))); }
    // The records of the named secondary key (exact name) whose first fields
    // equal the values (at most as many as the key has fields), in key order.
    // True when some were found.
    bool FindBySecondary(const std::string& name, const std::vector<std::string>& values,
                         TIntegerList& slots);

    // ---- keys ------------------------------------------------------------------
    // 1-based primary key field (header 1025) when open; else the one for a new file.
    int32_t PrimaryKeyField() const;
    int32_t SecondaryKeyCount() const;  // -1 when closed
    std::string SecondaryKeyName(int32_t i) const;
    int32_t SecondaryKeyFieldCount(int32_t i) const;
    std::string SecondaryKeyFieldName(int32_t i, int32_t j) const;
    int32_t SecondaryKeyFieldIndex(int32_t i, int32_t j) const;  // 0-based, -1 outside
    bool SecondaryKeyUnique(int32_t i) const;
    const std::vector<TKorSecondaryKey>& SecondaryKeys() const { return keys_; }
    // Adds a secondary key over the named fields (case-insensitive; names without
    // a field are dropped) and writes all definitions back into the header. The
    // name is trimmed and cut to 32 characters; an empty name, a closed table, or
    // no field found changes nothing. Refused (above) when 20 keys exist, when
    // more than 20 fields are named, or when the packed definitions would run
    // past offset 2304. The key file is not touched: Reindex adds the keys.
    void DefineSecondaryKey(const std::string& name, const std::vector<std::string>& fieldNames,
                            bool unique = false);
    // The key list of the current record.
    TKeyList RecordKeys() const;

    // ---- filter (store/kor_table_filter.h) --------------------------------------
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& expression);

    // ---- maintenance (store/kor_table_restructure.cpp) -------------------------
    // Adds a field (id, width, decimals, type, attribute, at most 31 characters
    // of the name) behind the last one. The new table file is written completely
    // beside the table as "000000tmp" in the project directory (an existing one is
    // deleted first), with every used slot widened by width + 1 bytes (record
    // header and texts kept, the new field empty), then renamed over the table
    // file; the table is open again afterwards. The key file stays as it is.
    void AddField(const std::string& name, int32_t id, int32_t width, int32_t decimals, int32_t type,
                  int32_t attribute);
    // Removes every record and key, keeping field and secondary key definitions:
    // the table file becomes its first B bytes (counts, free head and both
    // counters 0) and 100 zero bytes, the key file a fresh one of 72 bytes. Both
    // are written beside as name + ".tmp" and renamed over the originals (key
    // file first); the table is open again afterwards. Needs both file names.
    void Empty();
    // Rebuilds the key file from the records: a fresh key file is built beside
    // the old one (key file name + ".tmp") and renamed over it; every slot in use
    // adds its keys, every other slot goes on the free chain (link := head,
    // head := slot + 1, in ascending order); the header's record count and free
    // head are written last.
    void Reindex();
    // Copies every used slot's record header and field texts (by index) from
    // the table file `fileName` of the same project into this table, clearing
    // this table's further fields. The other file must have at least as many
    // slots.
    void CopyRecordsFrom(const std::string& fileName);
    // Copies the first B bytes of the table file `fileName` (everything before
    // its slot 0) into this table and attaches anew.
    void CopyHeaderFrom(const std::string& fileName);
    // When overwrite is set or the file does not exist: closes the table and
    // writes 200 zero bytes, "TABLE" and size - 205 further zero bytes.
    void CreateRawFile(int32_t size, bool overwrite);

    static std::string SlotMissingText(int32_t slot);

    // Raises the refusals above when the header at `view` is unsound.
    static void CheckHeader(const uint8_t* view, int64_t size, const std::string& fileName);

protected:
    int32_t InitialSize() override;
    void InitContent() override;
    bool CheckContent() override;

private:
    int32_t HeaderI32(int32_t offset) const;
    void PutHeaderI32(int32_t offset, int32_t value);
    void Attach(int32_t slot);
    void RequireKeyFile() const;
    void RequireRecord(const char* action) const;

    // Reads the packed secondary key definitions; false when malformed.
    static bool ParseKeys(const uint8_t* view, int32_t fieldCount, std::vector<TKorSecondaryKey>& keys);
    static int64_t PackedKeysEnd(const std::vector<TKorSecondaryKey>& keys);
    void StoreKeys();
    bool WriteRebuiltKeys(const std::string& path, int32_t& head, int32_t& count);

    // Key parts of a record whose texts `text(i)` gives.
    template <typename TextOf>
    TKeyList BuildKeys(int32_t slot, TextOf&& text) const;
    // absent: bit 0 when the primary key, bit j + 1 when the key of secondary
    // index j is known to be absent from the key file (PreloadKeyPaths).
    bool KeyConflict(const std::vector<std::string>& given, const std::vector<std::string>& stored,
                     uint64_t absent = 0);
    bool EditConflict(int32_t i, const std::string& stored);
    int32_t PrepareSlot();
    std::string Normalised(int32_t i, const std::string& value, bool append, int32_t& counterText,
                           int32_t& counterNumber) const;
    std::string AsStored(int32_t i, std::string value) const;

    template <std::integral T>
    static std::string IntegralText(T value) {
        if constexpr (std::same_as<T, bool>)
            return value ? "True" : "False";
        else if constexpr (std::same_as<T, char>)
            return std::string(1, value);
        else
            return std::to_string(value);
    }
    static std::string FloatText(double value);

    void StepProgress(int32_t done);
    void StartProgress(int32_t total);
    void EndProgress();

    TKorRecords records_;
    TKorFieldDefs fieldDefs_;
    TKorKeyFile keyFile_;
    std::vector<TKorSecondaryKey> keys_;
    int32_t cachedCount_ = 0;
    // The parts of a primary-key look-up, kept from one to the next.
    TKeyList primaryParts_;
    IKorProgress* progress_ = nullptr;

    int32_t newPrimary_ = 0;
    std::string newTitle_;
    std::vector<TKorNewField> newFields_;
    std::vector<std::string> textLines_;
    std::string filter_;
};

}  // namespace korin
