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
// The thread keeps only a short lead (kLead) ahead of what the owner has
// reached: a whole room faulted in at once (an eighth of the file) would take
// its memory long before the owner writes there, and the system, which zeroes
// each page through the processor's cache, would push out of the cache the
// nodes a key file's descents read most.
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
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

namespace korin {

class TKorPrefault {
public:
    TKorPrefault() = default;
    TKorPrefault(const TKorPrefault&) = delete;
    TKorPrefault& operator=(const TKorPrefault&) = delete;
    ~TKorPrefault() { Stop(); }

    static constexpr size_t kLead = size_t{4} << 20;

    // Stops a fault-in that still runs, then faults in the whole pages within
    // [from, from + length) of a shared, writable mapping on a new thread, no
    // further than kLead beyond the last address Reached gave. Nothing is
    // started for less than a page, or when no thread can be had.
    void Start(uint8_t* from, size_t length);
    // The owner has come to `at` in the mapping (its length ends there).
    void Reached(const uint8_t* at);
    // Returns when no fault-in of this object runs any more: at once when none
    // does or it waits for the owner, else after the piece being faulted in.
    void Stop();

private:
    void Run(uintptr_t begin, uintptr_t end);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;  // guarded by mutex_
    std::atomic<uintptr_t> reached_{0};
};

}  // namespace korin
