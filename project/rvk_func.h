// RVKFunc: small file routines of the catalogue and the store.
//
// Refusals (general class Exception; a failed system call's cause follows as
// "\rUrsache: " + the German text of its errno, store/kor_mmf.h):
//   "RVKFunc: Datei existiert bereits. Datei: " + target   (failIfExists, target present;
//       the target is not touched)
//   "RVKFunc: Datei kann nicht geöffnet werden. Datei: " + source
//   "RVKFunc: Datei kann nicht angelegt werden. Datei: " + target
//   "RVKFunc: Datei kann nicht gelesen werden. Datei: " + source
//   "RVKFunc: Datei kann nicht geschrieben werden. Datei: " + target
//       (a write, the flush, the close or the rename failed; the target is as
//        it was before)
#pragma once

#include <string>

namespace korin {

// Copies every byte of `source` to `target`. The copy is written into a
// temporary file beside the target, flushed to the disk and renamed into place
// (the directory flushed after), so that the target holds either its former
// content or the whole copy, never part of it. With failIfExists an existing
// target is refused, atomically: the copy is linked to the target's name, which
// fails when the name exists. The source is read with others free to read and
// write it. A read, write, flush or close error raises (above) and leaves no
// temporary file behind; a source shorter at the end than at the start is a
// read error. True when the copy is in place.
bool CopyFile(const std::string& source, const std::string& target, bool failIfExists);

// Removes a file that exists (a missing one is no error); a file that stays
// raises Exception "RVKFunc: Datei kann nicht gelöscht werden. Datei: " + file
// with the cause.
void RemoveFileOrRaise(const std::string& file);

}  // namespace korin
