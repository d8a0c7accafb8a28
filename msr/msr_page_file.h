// Writing the files of generated pages.
//
// A generated page is a copy of its original with the title block's codes set,
// so it is written straight from the original's model (TKorDrawing::BuildImage,
// checksum included) instead of being copied and then rewritten. The image goes
// into a file beside the target, which is then renamed over it, so that the
// target is either absent or whole. A run that writes thousands of pages does
// not wait for the disk after every one: SyncProject, called once at the end of
// the run (also when it ends by an error or is cancelled), makes every page of
// the run durable together.
//
// Refusal (general class Exception), the target left as it was:
//   "ModMSRCreatePages: Die Datei <path> konnte nicht geschrieben werden!"
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korin::msr {

void WritePageFile(const std::string& path, const std::vector<uint8_t>& image);

// Flushes the file system that holds the project directory; errors are ignored
// (the files are written, only their durability is not confirmed).
void SyncProject(const std::string& dir);

}  // namespace korin::msr
