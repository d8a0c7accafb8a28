// Announcing changes of tables to the windows that show them.
//
// Several objects of the process may work on the same table file (a module's
// table, the reader of a grid, the standard tables); a grid must never show a
// row that is no longer there. Whoever shows a table subscribes with the full
// path of its data file; the store announces every change made through any
// object on that path:
//   Records     a record was written, added or deleted (announced by the record
//               slots, store/kor_records.h, after each record write)
//   Structure   the file was replaced or its header rewritten (AddField, Empty,
//               Reindex; a renamed field, announced by whoever renames it).
//               An object that maps the old file must open it again.
// Watchers run synchronously inside the writing operation, possibly in the
// middle of it (before the header's counts are written): they should only note
// the change and read the table once the operation has ended.
//
// With nobody subscribed an announcement costs one branch.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace korin {

enum class TKorTableChange { Records, Structure };

using TKorTableWatcher = std::function<void(TKorTableChange change)>;

// Returns a token for Unwatch (never 0).
int64_t WatchTable(const std::string& dataFilePath, TKorTableWatcher watcher);
void UnwatchTable(int64_t token);
void AnnounceTableChange(const std::string& dataFilePath, TKorTableChange change);

}  // namespace korin
