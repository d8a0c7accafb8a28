// Faulting in the room ahead of a growing file on a thread of its own.
//
// The room a large file is given beyond its length (store/kor_file_room.h) is
// written into soon, page after page. The first write of each page costs a
// fault in which the system finds a new page of the page cache, zeroes it and
// maps it; for a file that grows by hundreds of megabytes those faults are a
// noticeable part of the time of an append, and on a machine whose memory the
// host takes back when it is free, each of them also waits for the host. A
// TKorPrefault has them taken on a second thread while the store's thread goes
// on: it asks the system to fault the room in (MADV_POPULATE_WRITE), a huge page
// at a time, and stops between two of them when told to.
//
// The thread only asks the system: it reads and writes no byte of the mapping
// and no object of the store, so the bytes of the file are what they would be
// without it. Where the system cannot fault a page in (a kernel without the
// request, a range that another object has cut off the file meanwhile, no
// memory) the thread ends quietly: the store's own writes fault that page in as
// before. The owner calls Stop before the mapping moves, shrinks or goes, so
// that no request names an address the mapping has left.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace korin {

class TKorPrefault {
public:
    TKorPrefault() = default;
    TKorPrefault(const TKorPrefault&) = delete;
    TKorPrefault& operator=(const TKorPrefault&) = delete;
    ~TKorPrefault() { Stop(); }

    // Stops a fault-in that still runs, then faults in the whole pages within
    // [from, from + length) of a shared, writable mapping on a new thread.
    // Nothing is started for less than a page, or when no thread can be had.
    void Start(uint8_t* from, size_t length);
    // Returns when no fault-in of this object runs any more: at once when none
    // does, else after the piece being faulted in.
    void Stop();

private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

}  // namespace korin
