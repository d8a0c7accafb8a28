// Paradox 7 table files written with pxlib, for the directory database of the
// export (extdb/export_sql.h).
//
// Columns: INTEGER becomes a Long field (4 bytes), CHAR(n) an Alpha field of n
// characters (n at most 255). Field names are cut to the 25 characters Paradox
// allows (FitColumnNames). The header declares code page 1252 and the table name
// as given; texts are written byte for byte.
//
// A primary key column: Paradox keys the leading fields of a record, so the key
// column becomes the first field, the others follow in their order; the file is
// a keyed table (one primary key field), its records are written in key order
// (numbers by value, texts by their bytes), and the primary index "<stem>.PX" is
// written beside it. A key value given twice is refused ("Schlüsselverletzung").
// Without a key the table is unkeyed and its records keep their order.
//
// Files are written as "<name>.~new" and "<stem>.PX.~new" in the directory;
// the database renames them. Companion files of an older table of that stem
// (.PX when the new table has none, .MB, .VAL, .Xnn, .Ynn) are stale.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "extdb/export_sql.h"

namespace korin::extdb {

// `directory` ends in a separator; `keyColumn` is an index into `columns`, or -1.
std::unique_ptr<IExtTableWriter> MakeParadoxWriter(const std::string& directory, const std::string& fileName,
                                                   const std::vector<TExtColumn>& columns, int32_t keyColumn);

}  // namespace korin::extdb
