// What a project's catalogue files tell of damage before they are opened.
//
// "Dir.ref" is a key file of 64·N + 8 bytes; "Dir.dat" holds one 90-byte record
// per catalogue node. Opening the catalogue takes the whole nodes of a "Dir.ref"
// of another size and regrows a short "Dir.dat" with zero records, so the
// damage would go unseen: these warnings name the file and what was ignored or
// lost, for the user and the log. Nothing is written.
#pragma once

#include <string>
#include <vector>

namespace korin {

// The warnings for the catalogue files in `projectDir` (with or without a
// trailing separator); empty when both are sound or "Dir.ref" is missing. A
// missing "Dir.dat" is made anew at open and loses the creation times and
// long texts of every entry; it is reported when the catalogue has entries.
std::vector<std::string> CatalogueDamageWarnings(const std::string& projectDir);

}  // namespace korin
