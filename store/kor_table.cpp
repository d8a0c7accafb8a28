// The table file: creation, opening with its header check, navigation, field
// access, secondary key definitions and finding. Writing records lives in
// kor_table_write.cpp, restructuring in kor_table_restructure.cpp and the filter
// in kor_table_filter.cpp.
#include "store/kor_table.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/kor_table_format.h"
#include "store/le.h"

namespace korin {

using namespace tablefmt;

namespace {

std::string WithFile(const std::string& text, const std::string& fileName) {
    return text + " Datei: " + fileName;
}

// StrToInt: an optional sign and decimal digits, nothing else.
int64_t ParseInteger(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < INT32_MIN || value > INT32_MAX)
        throw Exception("'" + text + "' ist kein gültiger Integerwert");
    return value;
}

struct NewEntry {
    std::string name;
    int64_t id = 0;
    bool hasId = false;
    int32_t type = type::kText;
    int32_t width = 0;
    int32_t decimals = 0;
};

NewEntry DescribeNewField(const TKorNewField& def) {
    NewEntry e;
    const auto hash = def.name.find('#');
    e.name = def.name.substr(0, hash);
    if (hash != std::string::npos) {
        e.id = ParseInteger(def.name.substr(hash + 1));
        e.hasId = true;
    }
    switch (def.type) {
        case TKorFieldType::SmallInt:
            e.type = type::kInteger;
            e.width = 6;
            break;
        case TKorFieldType::Integer:
        case TKorFieldType::Word:
            e.type = type::kInteger;
            e.width = 11;
            break;
        case TKorFieldType::Float:
            e.type = type::kDecimal;
            e.width = 10;
            e.decimals = 2;
            break;
        default:
            e.type = type::kText;
            e.width = def.size;
            break;
    }
    return e;
}

void PutText(uint8_t* target, const std::string& text, size_t maxChars) {
    const size_t n = std::min(text.size(), maxChars);
    std::memcpy(target, text.data(), n);
    target[n] = 0;
}

}  // namespace

std::string TrimBlanks(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    size_t b = 0, e = text.size();
    while (b < e && blank(text[b])) ++b;
    while (e > b && blank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

std::string TKorTable::SlotMissingText(int32_t slot) {
    return "KorTable: Datensatz " + std::to_string(slot) + " existiert nicht!";
}

std::string TKorTable::FloatText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string text = buffer;
    if (const auto comma = text.find(','); comma != std::string::npos) text[comma] = '.';
    return text;
}

TKorTable::TKorTable() = default;
TKorTable::~TKorTable() = default;

// ---- project and names -----------------------------------------------------

void TKorTable::SetProject(const std::string& value) {
    SetProjectDirectory(value);
    keyFile_.SetProject(value);
}

void TKorTable::SetFileName(const std::string& value) {
    TKorMMF::SetFileName(value);
    if (!Project().empty()) keyFile_.SetProject(Project());
}

// ---- a new file ------------------------------------------------------------

void TKorTable::CheckNewFields(const std::vector<TKorNewField>& defs) {
    if (defs.size() > static_cast<size_t>(kMaxFields))
        throw EKorTabError("KorTable: Eine Tabelle kann höchstens 100 Felder haben!");
    for (const auto& def : defs) {
        const NewEntry e = DescribeNewField(def);
        if (e.hasId && (e.id < INT16_MIN || e.id > INT16_MAX))
            throw EKorTabError("KorTable: Die Feldnummer " + std::to_string(e.id) + " ist ungültig!");
        if (e.width < 0 || e.width > INT16_MAX)
            throw EKorTabError("KorTable: Die Feldlänge " + std::to_string(e.width) + " ist ungültig!");
    }
}

int32_t TKorTable::InitialSize() {
    if (newFields_.empty()) return kEmptyNewFileSize;
    int64_t size = kSlotsBase + kNewFileSlack + int64_t{field::kSize} * static_cast<int64_t>(newFields_.size());
    for (const auto& def : newFields_) size += int64_t{def.size} + 1;
    return static_cast<int32_t>(std::clamp<int64_t>(size, 1, INT32_MAX));
}

void TKorTable::InitContent() {
    CheckNewFields(newFields_);
    uint8_t* v = View();
    int32_t nextId = 600;
    for (size_t i = 0; i < newFields_.size(); ++i) {
        const NewEntry e = DescribeNewField(newFields_[i]);
        uint8_t* entry = v + FieldEntryOffset(static_cast<int32_t>(i));
        const int32_t id = e.hasId ? static_cast<int32_t>(e.id) : nextId++;
        le::PutI16(entry + field::kId, static_cast<int16_t>(id));
        le::PutI16(entry + field::kWidth, static_cast<int16_t>(e.width));
        entry[field::kType] = static_cast<uint8_t>(e.type);
        entry[field::kDecimals] = static_cast<uint8_t>(e.decimals);
        std::memset(entry + field::kMarks, field::kMarkValue, 3);
        entry[field::kWritten] = 1;
        le::PutU16(entry + field::kAttribute, 0);
        PutText(entry + field::kName, e.name, field::kNewFileNameChars);
    }
    std::memcpy(v + kTypeTag, kTypeTagText, sizeof kTypeTagText);
    v[kFieldCount] = static_cast<uint8_t>(newFields_.size());
    v[kKeyCount] = 0;
    v[kPrimaryField] = static_cast<uint8_t>(newPrimary_);
    v[kFormatByte] = kFormatByteValue;

    // Text lines: their number, then the first three joined by NULs.
    le::PutI16(v + kTextLineCount, static_cast<int16_t>(textLines_.size()));
    std::string joined;
    for (size_t i = 0; i < textLines_.size() && i < static_cast<size_t>(kTextLinesShown); ++i) {
        if (i) joined.push_back('\0');
        joined += textLines_[i];
    }
    std::memcpy(v + kTextLines, joined.data(), std::min<size_t>(joined.size(), kTextLinesBytes));

    // The title may fill all 32 bytes; its NUL then falls on the counter at 48,
    // which is zero here.
    PutText(v + kTitle, newTitle_, kTitleChars);
    le::PutI32(v + kVersion, kVersionValue);
    le::PutI32(v + kRecordCount, 0);
    le::PutI32(v + kFreeHead, 0);
    le::PutI32(v + kSlotCount, 0);
}

bool TKorTable::CheckContent() {
    if (FileSize() <= kMinFileSize) return false;
    const auto* tag = reinterpret_cast<const char*>(View() + kTypeTag);
    return std::string_view(tag, ::strnlen(tag, kTypeTagChecked)) == kTypeTagText;
}

// ---- the header check ------------------------------------------------------

bool TKorTable::ParseKeys(const uint8_t* v, int32_t fieldCount, std::vector<TKorSecondaryKey>& keys) {
    keys.clear();
    const int32_t count = v[kKeyCount];
    if (count > kMaxKeys) return false;
    int32_t pos = kKeyDefs;
    for (int32_t k = 0; k < count; ++k) {
        const auto* name = reinterpret_cast<const char*>(v + pos);
        const size_t room = static_cast<size_t>(std::min(kKeyNameChars + 1, kKeyDefsEnd - pos));
        const size_t len = ::strnlen(name, room);
        if (len >= room) return false;  // no NUL where the name must end
        TKorSecondaryKey key;
        key.name.assign(name, len);
        pos += static_cast<int32_t>(len) + 1;
        if (pos + 2 > kKeyDefsEnd) return false;
        key.unique = v[pos] != 0;
        const int32_t fields = v[pos + 1];
        pos += 2;
        if (fields > kMaxKeyFields || pos + 2 * fields > kKeyDefsEnd) return false;
        for (int32_t j = 0; j < fields; ++j) {
            const int32_t number = le::I16(v + pos + 2 * j);
            if (number < 1 || number > fieldCount) return false;
            key.fields.push_back(number);
        }
        pos += 2 * fields;
        keys.push_back(std::move(key));
    }
    return true;
}

int64_t TKorTable::PackedKeysEnd(const std::vector<TKorSecondaryKey>& keys) {
    int64_t end = kKeyDefs;
    for (const auto& key : keys) end += static_cast<int64_t>(key.name.size()) + 1 + 2 + 2 * static_cast<int64_t>(key.fields.size());
    return end;
}

void TKorTable::CheckHeader(const uint8_t* v, int64_t size, const std::string& fileName) {
    const int32_t n = v[kFieldCount];
    if (n > kMaxFields)
        throw EKorTabError(WithFile("KorTable: Die Tabelle hat " + std::to_string(n) +
                                        " Felder, erlaubt sind höchstens 100!",
                                    fileName));
    if (FieldEntryOffset(n) > size)
        throw EKorTabError(WithFile("KorTable: Die Felddefinitionen sind ungültig!", fileName));
    int64_t s = 0;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t width = le::I16(v + FieldEntryOffset(i) + field::kWidth);
        if (width < 0) throw EKorTabError(WithFile("KorTable: Die Felddefinitionen sind ungültig!", fileName));
        s += width + 1;
    }
    const int32_t keyCount = v[kKeyCount];
    if (keyCount > kMaxKeys)
        throw EKorTabError(WithFile("KorTable: Die Tabelle hat " + std::to_string(keyCount) +
                                        " Sekundärschlüssel, erlaubt sind höchstens 20!",
                                    fileName));
    std::vector<TKorSecondaryKey> keys;
    if (!ParseKeys(v, n, keys))
        throw EKorTabError(WithFile("KorTable: Die Sekundärschlüsseldefinitionen sind ungültig!", fileName));
    const int32_t records = le::I32(v + kRecordCount);
    const int32_t slots = le::I32(v + kSlotCount);
    if (records < 0 || slots < 0)
        throw EKorTabError(WithFile("KorTable: Die Datensatzzähler sind ungültig!", fileName));
    const int64_t end = RecordsOffset(n, s) + static_cast<int64_t>(slots) * (slot::kHeaderSize + s);
    if (slots > 0 && end > size)
        throw EKorTabError(WithFile("KorTable: Die Datensätze reichen über das Dateiende hinaus!", fileName));
}

// ---- open and close --------------------------------------------------------

void TKorTable::Attach(int32_t slotNumber) {
    fieldDefs_.Attach(View());
    records_.Init(View(), FileSize(), fieldDefs_.FieldCount(), slotNumber);
    records_.SetWatchPath(View() ? FullPath() : std::string());
    cachedCount_ = View() ? le::I32(View() + kRecordCount) : 0;
}

void TKorTable::Open() {
    TKorMMF::Open();
    if (!IsOpen()) return;
    try {
        CheckHeader(View(), FileSize(), FileName());
    } catch (...) {
        Close();
        throw;
    }
    // The table is attached before its key file is opened: a table whose key
    // file fails stays open and can rebuild it (Reindex).
    Attach(0);
    ParseKeys(View(), FieldCount(), keys_);
    if (!Project().empty()) keyFile_.SetProject(Project());
    const std::string keyError =
        "KorTable: KeyFile konnte nicht geöffnet werden! Datei: " + keyFile_.FileName();
    if (keyFile_.FileName().empty()) throw EKorTabError(keyError);
    if (!path::FileExists(keyFile_.FullPath())) keyFile_.CreateNew(false);
    keyFile_.Open();
    if (!keyFile_.IsOpen()) throw EKorTabError(keyError);
    // A walk in key order loads the records it reaches next while it reads
    // the ones before.
    keyFile_.SetUpcoming([this](int32_t record) { records_.Prefetch(record); });
    First();
}

void TKorTable::Close() {
    TKorMMF::Close();
    keyFile_.Close();
    fieldDefs_.Attach(nullptr);
    records_.Detach();
    keys_.clear();
    cachedCount_ = 0;
}

int32_t TKorTable::HeaderI32(int32_t offset) const { return IsOpen() ? le::I32(View() + offset) : 0; }

void TKorTable::PutHeaderI32(int32_t offset, int32_t value) {
    if (IsOpen()) le::PutI32(View() + offset, value);
}

int32_t TKorTable::HeaderRecordCount() const { return HeaderI32(kRecordCount); }
int32_t TKorTable::SlotCount() const { return HeaderI32(kSlotCount); }
int32_t TKorTable::FreeHead() const { return HeaderI32(kFreeHead); }

std::string TKorTable::Title() const {
    if (!IsOpen()) return newTitle_;
    const auto* title = reinterpret_cast<const char*>(View() + kTitle);
    return std::string(title, ::strnlen(title, kTitleChars));
}

int32_t TKorTable::PrimaryKeyField() const { return IsOpen() ? View()[kPrimaryField] : newPrimary_; }

void TKorTable::RequireKeyFile() const {
    if (!keyFile_.IsOpen())
        throw EKorTabError("KorTable: KeyFile ist nicht geöffnet! Datei: " + keyFile_.FileName());
}

void TKorTable::RequireRecord(const char* action) const {
    const int32_t s = records_.CurrentSlot();
    if (s < 0 || s >= SlotCount() || !records_.SlotInFile(s)) throw EKorTabError(SlotMissingText(s));
    if (!records_.IsActive())
        throw EKorTabError("KorTable: Datensatz " + std::to_string(s) + " ist gelöscht und kann nicht " +
                           action + " werden!");
}

// ---- navigation ------------------------------------------------------------

bool TKorTable::First() {
    if (!IsOpen() || !keyFile_.IsOpen() || !keyFile_.First()) return false;
    records_.Select(keyFile_.CurrentRecord());
    return true;
}

bool TKorTable::Next() {
    if (!IsOpen() || !keyFile_.IsOpen() || !keyFile_.Next()) return false;
    records_.Select(keyFile_.CurrentRecord());
    return true;
}

bool TKorTable::Prior() {
    if (!IsOpen() || !keyFile_.IsOpen() || !keyFile_.Prior()) return false;
    records_.Select(keyFile_.CurrentRecord());
    return true;
}

bool TKorTable::Last() {
    if (!IsOpen() || !keyFile_.IsOpen() || !keyFile_.Last()) return false;
    records_.Select(keyFile_.CurrentRecord());
    return true;
}

void TKorTable::GoTo(int32_t i) {
    if (!IsOpen() || !keyFile_.IsOpen() || i >= HeaderRecordCount()) return;
    keyFile_.GoTo(i);
    records_.Select(keyFile_.CurrentRecord());
}

bool TKorTable::GoToSlot(int32_t s) {
    if (!IsOpen() || s < 0 || s >= SlotCount()) return false;
    if (keyFile_.IsOpen()) keyFile_.PositionOnFirst();
    records_.Select(s);
    return true;
}

bool TKorTable::Eof() const { return !IsOpen() || keyFile_.Eof(); }
bool TKorTable::Bof() const { return !IsOpen() || keyFile_.Bof(); }

int32_t TKorTable::RecordCount() {
    if (!IsOpen() || !keyFile_.IsOpen()) return 0;
    return keyFile_.RecordCount();
}

// ---- fields ----------------------------------------------------------------

std::string TKorTable::GetField(int32_t i) const {
    if (!IsOpen() || i < 0 || i >= FieldCount()) return {};
    return records_.GetField(i);
}

std::string TKorTable::GetFieldByName(std::string_view name) const {
    return GetField(fieldDefs_.IndexOfName(name));
}

std::string TKorTable::GetFieldById(int32_t id) const { return GetField(fieldDefs_.IndexOfId(id)); }

// ---- secondary keys --------------------------------------------------------

int32_t TKorTable::SecondaryKeyCount() const { return IsOpen() ? static_cast<int32_t>(keys_.size()) : -1; }

std::string TKorTable::SecondaryKeyName(int32_t i) const {
    return i >= 0 && i < static_cast<int32_t>(keys_.size()) ? keys_[static_cast<size_t>(i)].name : std::string();
}

int32_t TKorTable::SecondaryKeyFieldCount(int32_t i) const {
    return i >= 0 && i < static_cast<int32_t>(keys_.size())
               ? static_cast<int32_t>(keys_[static_cast<size_t>(i)].fields.size())
               : 0;
}

int32_t TKorTable::SecondaryKeyFieldIndex(int32_t i, int32_t j) const {
    if (j < 0 || j >= SecondaryKeyFieldCount(i)) return -1;
    return keys_[static_cast<size_t>(i)].fields[static_cast<size_t>(j)] - 1;
}

std::string TKorTable::SecondaryKeyFieldName(int32_t i, int32_t j) const {
    return fieldDefs_.FieldName(SecondaryKeyFieldIndex(i, j));
}

bool TKorTable::SecondaryKeyUnique(int32_t i) const {
    return i >= 0 && i < static_cast<int32_t>(keys_.size()) && keys_[static_cast<size_t>(i)].unique;
}

void TKorTable::StoreKeys() {
    uint8_t* v = View();
    std::memset(v + kKeyDefs, 0, kKeyDefsEnd - kKeyDefs);
    int32_t pos = kKeyDefs;
    for (const auto& key : keys_) {
        PutText(v + pos, key.name, kKeyNameChars);
        pos += static_cast<int32_t>(key.name.size()) + 1;
        v[pos] = key.unique ? 1 : 0;
        v[pos + 1] = static_cast<uint8_t>(key.fields.size());
        pos += 2;
        for (int32_t number : key.fields) {
            le::PutI16(v + pos, static_cast<int16_t>(number));
            pos += 2;
        }
    }
    // The definitions first, their count last.
    v[kKeyCount] = static_cast<uint8_t>(keys_.size());
}

void TKorTable::DefineSecondaryKey(const std::string& name, const std::vector<std::string>& fieldNames,
                                   bool unique) {
    std::string trimmed = TrimBlanks(name);
    trimmed = trimmed.substr(0, std::min(trimmed.find('\0'), static_cast<size_t>(kKeyNameChars)));
    if (trimmed.empty() || !IsOpen()) return;
    TKorSecondaryKey key;
    key.name = trimmed;
    key.unique = unique;
    for (const auto& fieldName : fieldNames) {
        const int32_t i = fieldDefs_.IndexOfName(fieldName);
        if (i >= 0) key.fields.push_back(i + 1);
    }
    if (key.fields.empty()) return;
    if (keys_.size() >= static_cast<size_t>(kMaxKeys))
        throw EKorTabError("KorTable: Es können höchstens 20 Sekundärschlüssel angelegt werden!");
    if (key.fields.size() > static_cast<size_t>(kMaxKeyFields))
        throw EKorTabError("KorTable: Ein Sekundärschlüssel kann höchstens 20 Felder haben!");
    std::vector<TKorSecondaryKey> all = keys_;
    all.push_back(key);
    if (PackedKeysEnd(all) > kKeyDefsEnd)
        throw EKorTabError("KorTable: Der Sekundärschlüssel " + key.name +
                           " passt nicht mehr in den Tabellenkopf!");
    keys_ = std::move(all);
    StoreKeys();
}

// ---- finding ---------------------------------------------------------------

bool TKorTable::FindByPrimary(const std::string& value) {
    if (!IsOpen() || !keyFile_.IsOpen()) return false;
    TKeyList& parts = primaryParts_;
    if (parts.empty()) parts = {KeyPart('C', 0, "P_KEY"), KeyPart('N', 0, "0")};
    const int32_t p = PrimaryKeyField();
    if (p > 0) {
        parts.resize(3);
        AssignKeyPart(parts[2], fieldDefs_.TypeLetter(p - 1), kPointerType, value);
    } else {
        parts.resize(2);
    }
    const int32_t slotFound = keyFile_.Locate(parts);
    if (slotFound < 0) return false;
    records_.Select(slotFound);
    return true;
}

bool TKorTable::FindBySecondary(const std::string& name, const std::vector<std::string>& values,
                                TIntegerList& slots) {
    slots.Clear();
    if (!IsOpen() || !keyFile_.IsOpen()) return false;
    const auto key = std::find_if(keys_.begin(), keys_.end(), [&](const auto& k) { return k.name == name; });
    if (key == keys_.end()) return false;
    TKeyList parts{KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, key->name)};
    const size_t used = std::min(values.size(), key->fields.size());
    for (size_t j = 0; j < used; ++j)
        parts.push_back(KeyPart(fieldDefs_.TypeLetter(key->fields[j] - 1), 0, values[j]));
    if (keyFile_.SetStart(parts)) {
        if (key->unique)
            keyFile_.GetIndexValues(slots);
        else
            keyFile_.GetRecords(slots);
    }
    return slots.Count() > 0;
}

// ---- progress --------------------------------------------------------------

void TKorTable::StartProgress(int32_t total) {
    if (!progress_) return;
    progress_->SetRange(0, total);
    progress_->SetStep(10);
}

void TKorTable::StepProgress(int32_t done) {
    if (progress_ && done % 10 == 0) progress_->StepIt();
}

void TKorTable::EndProgress() {
    if (progress_) progress_->Reset();
}

}  // namespace korin
