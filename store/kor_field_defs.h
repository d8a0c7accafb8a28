// Field definitions of a table file.
//
// TKorFieldDefs reads (and renames) the field definition entries that lie at
// 2304 + 64·i of an open table file (layout in store/kor_table_format.h). It owns
// nothing in the file: the table attaches it to its view whenever it opens, grows
// or closes. The table checks on opening that all n entries lie inside the file,
// so the accessor trusts the count it is given.
//
// Values are stored as text in every type; the type decides how a value is
// normalised when written (store/kor_table.h) and which letter its key parts
// carry:
//   type 0 text "C" · 1 integer "N" · 2 decimal "F" · 4 stored unchanged "N" ·
//   17 automatic number "N" · 18 stored unchanged "N" · 19 automatic text "I" ·
//   any other type: text "C".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korin {

class TKorFieldDefs {
public:
    // Attaches to a table file's view (the field count is the header byte at
    // 1027), or detaches with null (count 0).
    void Attach(uint8_t* view);
    bool Attached() const { return view_ != nullptr; }

    int32_t FieldCount() const { return count_; }

    // First field whose name equals `name` when both are upper-cased (ASCII),
    // or -1.
    int32_t IndexOfName(std::string_view name) const;
    // First field with that id, or -1.
    int32_t IndexOfId(int32_t id) const;

    // Empty when detached or i is not a field.
    std::string FieldName(int32_t i) const;
    // The entry's value, or -1 when detached or i is not a field.
    int32_t FieldId(int32_t i) const;
    int32_t FieldType(int32_t i) const;
    int32_t FieldWidth(int32_t i) const;
    int32_t FieldDecimals(int32_t i) const;
    int32_t FieldAttribute(int32_t i) const;
    // The key part letter of the field's type; a space when detached.
    char TypeLetter(int32_t i) const;

    // Renames field i. Nothing changes (false) when detached, i is not a field,
    // the name is empty, longer than 51 characters (the entry holds 52 bytes with
    // the NUL), or holds a character other than 0-9, A-Z, a-z and "_".
    bool SetFieldName(int32_t i, std::string_view name);

    static char LetterOfType(int32_t type);

private:
    bool Valid(int32_t i) const { return view_ != nullptr && i >= 0 && i < count_; }
    const uint8_t* Entry(int32_t i) const;

    uint8_t* view_ = nullptr;
    int32_t count_ = 0;
};

}  // namespace korin
