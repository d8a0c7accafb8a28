// RVKFunc: small file routines of the catalogue and the store.
//
// Refusals (general class Exception):
//   "RVKFunc: Datei existiert bereits. Datei: " + target   (failIfExists, target present;
//       the target is not touched)
//   "RVKFunc: Datei kann nicht geöffnet werden. Datei: " + source
//   "RVKFunc: Datei kann nicht angelegt werden. Datei: " + target
#pragma once

#include <string>

namespace korin {

// Copies every byte of `source` to `target`, creating or truncating the target.
// The source is read with others free to read and write it. True when the
// target's size equals the source's size afterwards (a short copy gives false).
bool CopyFile(const std::string& source, const std::string& target, bool failIfExists);

}  // namespace korin
