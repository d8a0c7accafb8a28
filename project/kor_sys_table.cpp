#include "project/kor_sys_table.h"

#include <cstring>

#include "store/kor_error.h"
#include "store/kor_key_file.h"
#include "store/kor_path.h"
#include "store/le.h"

namespace korin {

namespace {

TKeyList ScheduleKey(const char* head, const std::string& name) {
    return {KeyPart('C', 0, head), KeyPart('C', 0, name)};
}

}  // namespace

TKorSysTable::TKorSysTable() = default;
TKorSysTable::~TKorSysTable() = default;

void TKorSysTable::SetProject(const std::string& value) {
    // The catalogue's usual name is looked up directly; only a project whose
    // catalogue is named in other letter case needs the directory listed, which
    // costs a pass over every numbered file of the project.
    const std::string dir = path::AsDirectory(value);
    if (!value.empty() && path::FileExists(dir + dirref::kFileName)) {
        project_ = dir;
        projectValid_ = true;
    } else {
        TKorMMF::SetProject(value);
    }
    schedule_.SetProject(value);
}

void TKorSysTable::InitContent() {
    uint8_t* v = View();
    std::memcpy(v + systab::kSignature, systab::kSignatureText.data(), systab::kSignatureText.size());
    le::PutI32(v + systab::kOne, 1);
    le::PutI32(v + systab::kZero, 0);
}

bool TKorSysTable::CheckContent() {
    if (FileSize() < systab::kHeaderSize) return false;
    const uint8_t* sig = View() + systab::kSignature;
    const void* nul = std::memchr(sig, 0, systab::kSignatureBytes);
    const size_t len = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - sig)
                           : static_cast<size_t>(systab::kSignatureBytes);
    return std::string(reinterpret_cast<const char*>(sig), len) == systab::kSignatureText;
}

void TKorSysTable::Open() {
    TKorMMF::Open();
    if (!IsOpen())
        throw EKorSysTabError("KorSysTable: Datei konnte nicht geöffnet werden. Datei : " + FileName());
    try {
        schedule_.Open();
    } catch (...) {
        TKorMMF::Close();
        throw;
    }
}

void TKorSysTable::Close() { TKorMMF::Close(); }

void TKorSysTable::RequireOpen() const {
    if (!IsOpen())
        throw EKorSysTabError("KorSysTable: Datei konnte nicht geöffnet werden. Datei : " + FileName());
}

uint8_t* TKorSysTable::Slot(int32_t k) const {
    if (!IsOpen() || k < 0) return nullptr;
    const int64_t at = systab::kHeaderSize + int64_t{systab::kSlotSize} * k;
    if (at + systab::kSlotSize > FileSize()) return nullptr;
    return View() + at;
}

int32_t TKorSysTable::AddedCount() const { return IsOpen() ? le::I32(View() + systab::kAdded) : 0; }
int32_t TKorSysTable::Capacity() const { return IsOpen() ? le::I32(View() + systab::kCapacity) : 0; }

int32_t TKorSysTable::SlotCount() const {
    if (!IsOpen()) return 0;
    return (FileSize() - systab::kHeaderSize) / systab::kSlotSize;
}

int32_t TKorSysTable::SlotState(int32_t k) const {
    const uint8_t* s = Slot(k);
    return s ? le::I16(s + systab::kSlotState) : 0;
}
int32_t TKorSysTable::SlotDataFile(int32_t k) const {
    const uint8_t* s = Slot(k);
    return s ? le::I32(s + systab::kSlotData) : 0;
}
int32_t TKorSysTable::SlotKeyFile(int32_t k) const {
    const uint8_t* s = Slot(k);
    return s ? le::I32(s + systab::kSlotKey) : 0;
}

std::string TKorSysTable::SlotName(int32_t k) const {
    const uint8_t* s = Slot(k);
    if (s == nullptr) return {};
    const uint8_t* name = s + systab::kSlotName;
    const void* nul = std::memchr(name, 0, systab::kSlotNameBytes);
    const size_t len = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - name)
                           : static_cast<size_t>(systab::kSlotNameBytes);
    return std::string(reinterpret_cast<const char*>(name), len);
}

void TKorSysTable::AddTable(const std::string& name, int32_t dataFile, int32_t keyFile) {
    RequireOpen();
    // Room first: one more slot whenever the count of additions has caught up
    // with the capacity (freed slots do not count, see RemoveTable).
    const int32_t added = AddedCount();
    const int32_t capacity = Capacity();
    if (added >= capacity) {
        if (capacity == INT32_MAX) return;
        GrowFile(static_cast<int64_t>(FileSize()) + systab::kSlotSize);
        le::PutI32(View() + systab::kCapacity, capacity + 1);
    }
    int32_t slot = -1;
    for (int32_t k = 0; Slot(k) != nullptr; ++k) {
        if (le::I16(Slot(k) + systab::kSlotState) != systab::kInUse) {
            slot = k;
            break;
        }
    }
    if (slot < 0) return;

    uint8_t* s = Slot(slot);
    le::PutI16(s + systab::kSlotState, systab::kInUse);
    le::PutI32(s + systab::kSlotData, dataFile);
    le::PutI32(s + systab::kSlotKey, keyFile);
    const size_t len = std::min<size_t>(name.size(), systab::kNameChars);
    std::memcpy(s + systab::kSlotName, name.data(), len);
    s[systab::kSlotName + len] = 0;

    TKeyList key = ScheduleKey("SYSTABLE", name);
    schedule_.AddKeys(key, slot);
    key = ScheduleKey("OPEN", name);
    schedule_.AddKeys(key, 0);
    // The schedule may have grown; the header is addressed anew.
    if (added < INT32_MAX) le::PutI32(View() + systab::kAdded, added + 1);
}

void TKorSysTable::RemoveTable(const std::string& name) {
    RequireOpen();
    // A slot holds at most the first 32 characters of the name it was given.
    const std::string stored = name.substr(0, systab::kNameChars);
    for (int32_t k = 0; Slot(k) != nullptr; ++k) {
        if (SlotState(k) == systab::kInUse && SlotName(k) == stored) {
            le::PutI16(Slot(k) + systab::kSlotState, 0);
            break;
        }
    }
    TKeyList key = ScheduleKey("SYSTABLE", name);
    schedule_.DeleteKeys(key);
    key = ScheduleKey("OPEN", name);
    schedule_.DeleteKeys(key);
}

}  // namespace korin
