#include "store/kor_table_filter.h"

#include <charconv>

#include "store/kor_error.h"
#include "store/kor_table.h"

namespace korin {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int32_t ParseFieldNumber(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || value < INT32_MIN || value > INT32_MAX)
        throw Exception("'" + text + "' ist kein gültiger Integerwert");
    return static_cast<int32_t>(value);
}

}  // namespace

TKorFilterExpression ParseFilterExpression(const std::string& expression) {
    const auto equals = expression.find('=');
    if (equals == std::string::npos)
        throw Exception("KorTable: Der Filterausdruck \"" + expression + "\" ist ungültig!");
    TKorFilterExpression result;
    result.field = TrimBlanks(std::string_view(expression).substr(0, equals));
    if (result.field.empty()) throw Exception("KorTable: Der Feldbezeichner ist ungültig!");
    const std::string value = TrimBlanks(std::string_view(expression).substr(equals + 1));
    if (value.empty() || value.front() != '"' || value.back() != '"')
        throw Exception("KorTable: Der Datentyp des Filters wird nicht unterstützt!");
    result.value = value.size() < 2 ? std::string() : TrimBlanks(std::string_view(value).substr(1, value.size() - 2));
    return result;
}

void TKorTable::SetFilter(const std::string& expression) {
    filter_ = expression;
    if (TrimBlanks(expression).empty()) {
        if (IsOpen() && keyFile_.IsOpen()) keyFile_.ResetSelection();
        return;
    }
    const TKorFilterExpression parsed = ParseFilterExpression(expression);
    if (!IsOpen()) return;

    // A name that names no field is refused rather than taken as field 0.
    int32_t f = -1;
    if (IsLetter(parsed.field.front())) {
        for (int32_t i = 0; i < FieldCount() && f < 0; ++i)
            if (fieldDefs_.FieldName(i) == parsed.field) f = i;
        if (f < 0) throw Exception("KorTable: Der Feldbezeichner ist ungültig!");
    } else {
        f = ParseFieldNumber(parsed.field);
    }

    TKeyList prefix;
    bool leaf = false;
    const int32_t p = PrimaryKeyField();
    if (p > 0 && int64_t{f} + 1 == p) {
        prefix = {KeyPart('C', 0, "P_KEY"), KeyPart('N', 0, "0"), KeyPart('C', kPointerType, parsed.value)};
        leaf = true;
    } else {
        for (const auto& key : keys_) {
            if (!key.fields.empty() && key.fields.front() == int64_t{f} + 1) {
                prefix = {KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, key.name),
                          KeyPart('C', 0, parsed.value)};
                leaf = key.unique;
                break;
            }
        }
    }
    if (prefix.empty()) throw Exception("KorTable: Das Feld ist nicht in einem Index verzeichnet!");
    RequireKeyFile();
    keyFile_.SetSelection(prefix, leaf);
}

}  // namespace korin
