// Table filter: narrowing a table to the records whose value in one indexed
// field equals a text.
//
// The filter does not scan records: it turns the expression into a key prefix
// and makes that the key file's selection, so navigation and RecordCount see only
// the matching records, in key order. Setting TKorTable::Filter applies it:
//   1. the expression is stored (also when it is refused below);
//   2. empty or blank: the key file's default selection again (all records);
//   3. syntax  field = "value"  with blanks around each part ignored. The field is
//      a field name (when it begins with a letter A-Z or a-z; compared exactly,
//      letter case included) or a 0-based field number. The value lies between
//      two double quotes, which are removed, and is trimmed; there is no escape;
//   4. the primary key field gives the prefix ("C",0,"P_KEY") ("N",0,"0")
//      ("C",80,value) in leaf mode; else the first secondary key (in definition
//      order) whose first field it is gives ("C",0,"S_KEY") ("N",0,"0")
//      ("C",0,name) ("C",0,value), in leaf mode when the key is unique.
// The letter "C" of the value part does not matter: the key file compares texts
// in its own order, so "7" matches a stored "7" of a number field. A value that
// matches no key leaves an empty list, not an error.
//
// Refusals (general class Exception; the key file's selection stays as it was):
//   "KorTable: Der Filterausdruck \"<expression>\" ist ungültig!"   (no "=")
//   "KorTable: Der Feldbezeichner ist ungültig!"   (empty field, or a name that
//       names no field)
//   "KorTable: Der Datentyp des Filters wird nicht unterstützt!"   (value not quoted)
//   "KorTable: Das Feld ist nicht in einem Index verzeichnet!"
//   "'<text>' ist kein gültiger Integerwert"   (a field number that is no number)
#pragma once

#include <string>

namespace korin {

struct TKorFilterExpression {
    std::string field;  // trimmed, not empty
    std::string value;  // without its quotes, trimmed
};

// Steps 3 of the filter: splits and checks the expression (not blank).
TKorFilterExpression ParseFilterExpression(const std::string& expression);

}  // namespace korin
