// FoxPro / dBase table files written with shapelib, for the directory database
// of the export (extdb/export_sql.h).
//
// The file is a dBase III / FoxPro table without memo (version byte 0x03) with
// language driver 0x03, Windows-1252. Columns: INTEGER becomes N(11,0), CHAR(n)
// C(n) with n at most 254. Field names are cut to the 10 characters the format
// allows (FitColumnNames). Texts are written byte for byte.
//
// The format keeps no primary key in the table file itself and shapelib writes
// no index file, so a key clause is not stored.
//
// The file is written as "<name>.~new.dbf" in the directory; the database
// renames it. Companions of an older table of that stem (.cdx, .mdx, .fpt, .dbt)
// are stale.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "extdb/export_sql.h"

namespace korin::extdb {

std::unique_ptr<IExtTableWriter> MakeDBaseWriter(const std::string& directory, const std::string& fileName,
                                                 const std::vector<TExtColumn>& columns);

}  // namespace korin::extdb
