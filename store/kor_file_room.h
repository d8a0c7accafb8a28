// Room ahead of a growing file.
//
// A large store file grows a few bytes at a time (a key file by some nodes per
// key, a table by some slots), and every step through the mapping ends in a
// new small page at the file's end: the page cache then holds the file in
// 4 KiB pieces, each with a page-table entry of its own, and a descent through
// a file of hundreds of megabytes pays a page-table walk for nearly every node
// it reads. A file of at least kRoomFrom bytes is therefore extended ahead, in
// whole huge pages, beyond the length its format gives it, so that the system
// can keep it in huge pages; the bytes beyond that length are zero and never
// read. The room is cut off again whenever the file is flushed or closed, so a
// file at rest has exactly its own length.
//
// The objects of the process that map one file share one TKorFileExtent: the
// length the format gives the file (the most any of them has grown it to) and
// how far the file really reaches now.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>

namespace korin {

struct TKorFileExtent {
    int64_t length = 0;
    int64_t end = 0;  // 0: nobody has mapped the file yet
};

// The extent shared by every object of the process mapping the open file fd
// (told apart by device and inode); nullptr when the file cannot be asked.
std::shared_ptr<TKorFileExtent> ExtentOf(int fd);

constexpr int64_t kRoomStep = int64_t{1} << 21;  // a huge page
constexpr int64_t kRoomFrom = 2 * kRoomStep;

// How far a file of `length` bytes is extended: to the huge page boundary
// after an eighth of its length more (at least one huge page more), or to
// the length itself for a small file.
inline int64_t RoomEnd(int64_t length) {
    if (length < kRoomFrom) return length;
    const int64_t ahead = length + std::max<int64_t>(kRoomStep, length / 8);
    return (ahead + kRoomStep - 1) / kRoomStep * kRoomStep;
}

}  // namespace korin
