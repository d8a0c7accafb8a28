#include "store/kor_key_table.h"

#include <cstring>

#include "store/kor_error.h"

namespace korin {

void TKorKeyTable::Attach(uint8_t* base, int32_t size) {
    if (base == nullptr) {
        base_ = nullptr;
        attached_ = false;
        size_ = 0;
        count_ = 0;
        return;
    }
    base_ = base;
    attached_ = true;
    size_ = size;
    count_ = size / keynode::kSize;
}

void TKorKeyTable::RaiseGet(const char* getter, int32_t k) {
    throw Exception(std::string("KorKeyTable: ") + getter +
                    " greift auf einen unerlaubten Tabelleneintrag zu: " + std::to_string(k));
}

void TKorKeyTable::RaiseSet(const char* field, int32_t k) {
    throw Exception("KorKeyTable: Index " + std::to_string(k) + " ist ungültig! " + field +
                    " kann nicht geschrieben werden!");
}

std::string TKorKeyTable::GetValue(int32_t k) const { return std::string(GetValueView(k)); }

std::string_view TKorKeyTable::GetValueView(int32_t k) const { return NameOf(NodeBytes(k, "GetValue")); }

int32_t TKorKeyTable::GetNextFree() const {
    if (!attached_ || size_ < 8)
        throw Exception("KorKeyTable: GetNextFree greift auf einen unerlaubten Tabelleneintrag zu!");
    return le::I32(base_ + keynode::kUp);
}

void TKorKeyTable::SetDown(int32_t k, int32_t v) {
    if (!attached_) return;
    if (k < 0 || k >= count_) RaiseSet("Down", k);
    le::PutI32(At(k, keynode::kDown), v);
}

void TKorKeyTable::SetBalance(int32_t k, int32_t v) {
    if (!attached_) return;
    if (k < 1 || k >= count_)
        throw Exception("KorKeyTable: Index " + std::to_string(k) +
                        " ist ungültig! Balance kann nicht geschrieben werden.");
    le::PutI16(At(k, keynode::kBalance), static_cast<int16_t>(v));
}

void TKorKeyTable::SetName(int32_t k, const std::string& text) {
    if (!SetOk(k, "Name")) return;
    const size_t n = std::min<size_t>(text.size(), keynode::kNameChars);
    uint8_t* p = At(k, keynode::kName);
    std::memcpy(p, text.data(), n);
    p[n] = 0;
}

void TKorKeyTable::SetNextFree(int32_t v) {
    if (!attached_ || size_ < 8) return;
    le::PutI32(base_ + keynode::kUp, v);
}

}  // namespace korin
