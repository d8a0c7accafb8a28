// The rows of a drawing as the symbol dataset shows them, and its filter.
//
// One row per symbol (TKorDrawTable::Symbol: CodeNo 0, CodeText empty) or one
// row per code of every symbol that has codes (TKorDrawTable::Code), in the
// drawing's order. Five fields, in this order: "SymNo" (the symbol's position,
// 0-based), "SymTyp" (its type), "SymName" (at most 32 characters), "CodeNo",
// "CodeText" (at most 138 characters).
//
// The filter holds one condition: a field, an operator and a comparison text,
// read from a text such as "SymTyp=9" or "SymName LIKE 'TT'":
//   1. the first field, in field order, whose name begins the text (none: no
//      condition), its name and the blanks around it removed;
//   2. the operator at the start of the rest, longest first: "<=", ">=", "<>",
//      "LIKE", then "=", "<", ">" (none: no condition), removed with the blanks
//      around it;
//   3. for the text fields SymName and CodeText, the first and the last
//      character of the rest (the quotes) removed;
//   4. the rest is the comparison text.
// A row passes when there is no condition, or when the field's value as text
// (numbers in decimal) compares with the comparison text by plain byte order as
// the operator says; "LIKE": the comparison text occurs anywhere in the value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korin {

class TKorDrawing;

enum class TKorDrawTable { Symbol, Code };

struct TKorDrawRow {
    int32_t symNo = 0;
    int32_t symTyp = 0;
    std::string symName;
    int32_t codeNo = 0;
    std::string codeText;
};

constexpr int kDrawRowFields = 5;
// "SymNo", "SymTyp", "SymName", "CodeNo", "CodeText".
const char* DrawRowFieldName(int field);
// The value of field 0 … 4 as text (numbers in decimal).
std::string DrawRowField(const TKorDrawRow& row, int field);

std::vector<TKorDrawRow> BuildDrawRows(const TKorDrawing& drawing, TKorDrawTable table);

class TKorDrawFilter {
public:
    enum class Op { None = -1, Equal = 0, Less = 1, Greater = 2, LessEqual = 3, GreaterEqual = 4, NotEqual = 5, Like = 6 };

    TKorDrawFilter() = default;
    explicit TKorDrawFilter(const std::string& text);

    bool Accepts(const TKorDrawRow& row) const;
    int Field() const { return field_; }  // -1: no condition
    Op Operator() const { return op_; }
    const std::string& Text() const { return text_; }

private:
    int field_ = -1;
    Op op_ = Op::None;
    std::string text_;
};

}  // namespace korin
