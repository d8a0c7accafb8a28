#include "store/kor_field_defs.h"

#include <cstring>

#include "store/kor_table_format.h"
#include "store/le.h"

namespace korin {
namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

bool IsNameChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

}  // namespace

void TKorFieldDefs::Attach(uint8_t* view) {
    view_ = view;
    count_ = view ? view[tablefmt::kFieldCount] : 0;
}

const uint8_t* TKorFieldDefs::Entry(int32_t i) const {
    return view_ + tablefmt::FieldEntryOffset(i);
}

int32_t TKorFieldDefs::IndexOfName(std::string_view name) const {
    for (int32_t i = 0; i < count_; ++i)
        if (EqualIgnoringCase(FieldName(i), name)) return i;
    return -1;
}

int32_t TKorFieldDefs::IndexOfId(int32_t id) const {
    for (int32_t i = 0; i < count_; ++i)
        if (FieldId(i) == id) return i;
    return -1;
}

std::string TKorFieldDefs::FieldName(int32_t i) const {
    if (!Valid(i)) return {};
    const auto* name = reinterpret_cast<const char*>(Entry(i) + tablefmt::field::kName);
    return std::string(name, ::strnlen(name, tablefmt::field::kNameBytes));
}

int32_t TKorFieldDefs::FieldId(int32_t i) const {
    return Valid(i) ? le::I16(Entry(i) + tablefmt::field::kId) : -1;
}

int32_t TKorFieldDefs::FieldType(int32_t i) const {
    return Valid(i) ? Entry(i)[tablefmt::field::kType] : -1;
}

int32_t TKorFieldDefs::FieldWidth(int32_t i) const {
    return Valid(i) ? le::I16(Entry(i) + tablefmt::field::kWidth) : -1;
}

int32_t TKorFieldDefs::FieldDecimals(int32_t i) const {
    return Valid(i) ? Entry(i)[tablefmt::field::kDecimals] : -1;
}

int32_t TKorFieldDefs::FieldAttribute(int32_t i) const {
    return Valid(i) ? le::U16(Entry(i) + tablefmt::field::kAttribute) : -1;
}

char TKorFieldDefs::LetterOfType(int32_t type) {
    switch (type) {
        case tablefmt::type::kInteger:
        case tablefmt::type::kRaw:
        case tablefmt::type::kAutoNumber:
        case tablefmt::type::kRawAlt:
            return 'N';
        case tablefmt::type::kDecimal:
            return 'F';
        case tablefmt::type::kAutoText:
            return 'I';
        default:
            return 'C';
    }
}

char TKorFieldDefs::TypeLetter(int32_t i) const {
    if (view_ == nullptr) return ' ';
    return LetterOfType(FieldType(i));
}

bool TKorFieldDefs::SetFieldName(int32_t i, std::string_view name) {
    if (!Valid(i) || name.empty() || name.size() > static_cast<size_t>(tablefmt::field::kRenameChars))
        return false;
    for (char c : name)
        if (!IsNameChar(c)) return false;
    uint8_t* target = view_ + tablefmt::FieldEntryOffset(i) + tablefmt::field::kName;
    std::memcpy(target, name.data(), name.size());
    target[name.size()] = 0;
    return true;
}

}  // namespace korin
