// Sources read in a child process.
//
// libmdb and pxlib trust the files they read; a damaged file can crash them
// or make them loop. OpenSourceIsolated reads in a forked child: the table
// names when the source is opened, and a whole table (fields, indexes, every
// row) when a table is opened; the parent keeps them in memory. A child that
// dies by a signal, exits without an answer, or sends nothing for 30 seconds
// (it is then killed) gives "ExtDB: Die Datei <path> ist beschädigt!"; the
// child's own refusals come through with their message. The tables it returns
// are snapshots: RowCount and NextRow need no further reading.
#pragma once

#include <memory>
#include <string>

#include "extdb/ext_source.h"

namespace korin::extdb {

std::unique_ptr<IExtSource> OpenSourceIsolated(const std::string& path, TExtFormat format = TExtFormat::Auto);

}  // namespace korin::extdb
