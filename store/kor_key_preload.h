// Loading the ways of several keys through a key file at once.
//
// Each key of a large file is found by a descent of some twenty nodes, each
// read only when the one before it has told which way to go: a key that has
// not been looked for lately waits on the memory some twenty times in a row.
// The keys of one record (its primary key, the entries of its secondary
// indexes) are independent of one another, so their descents can go step by
// step side by side: the processor then waits for their nodes together.
// PreloadKeyPaths does only that, reading and writing nothing else; the
// insertions and look-ups that follow find their nodes in the cache.
//
// Damage is left to those that follow: a link outside the file ends that key's
// descent, and a descent stops after as many steps as a sound tree can need.
//
// What the descents found is returned: bit i is set when key i of the list (the
// first 64) is certainly absent, that is when Locate would not find it: its
// descent ended at an empty link as FindParts's would, having met no damage.
#pragma once

#include "store/kor_key_file.h"

namespace korin {

// Walks the keys of the list (a key list: parts, separators) down the tree of
// `nodes` side by side, as far as each is present; the keys found absent.
uint64_t PreloadKeyPaths(const TKorKeyTable& nodes, const TKeyList& list);

}  // namespace korin
