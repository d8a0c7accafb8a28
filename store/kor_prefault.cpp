#include "store/kor_prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <system_error>

#include "store/kor_file_room.h"

namespace korin {

void TKorPrefault::Start(uint8_t* from, size_t length) {
    Stop();
    const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(from) + page - 1) / page * page;
    const uintptr_t end = (reinterpret_cast<uintptr_t>(from) + length) / page * page;
    if (end <= begin) return;
    stop_ = false;
    try {
        thread_ = std::thread([this, begin, end] { Run(begin, end); });
    } catch (const std::system_error&) {
        // Without a thread the store's writes fault the pages in themselves.
    }
}

void TKorPrefault::Reached(const uint8_t* at) {
    // The thread looks at the owner's place when it wakes; the owner, which
    // comes here every few records, neither waits for a lock nor wakes it.
    reached_.store(reinterpret_cast<uintptr_t>(at), std::memory_order_relaxed);
}

void TKorPrefault::Run(uintptr_t begin, uintptr_t end) {
    // A piece is a huge page, so that Stop waits for at most one.
    constexpr auto kPiece = static_cast<uintptr_t>(kRoomStep);
    for (uintptr_t at = begin; at < end;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            // An appending owner writes some tens of megabytes a second. One
            // that has paused is looked at less and less often, but at least
            // every 16 ms, in which even a fast writer does not use up the
            // lead. (The programs flush, and so stop the thread, at the end
            // of every operation: a file does not wait long with room.)
            auto pause = std::chrono::milliseconds(1);
            while (!stop_ && at >= reached_.load(std::memory_order_relaxed) + kLead) {
                wake_.wait_for(lock, pause);
                pause = std::min(2 * pause, std::chrono::milliseconds(16));
            }
            if (stop_) return;
        }
        const uintptr_t next = std::min(end, (at / kPiece + 1) * kPiece);
        if (::madvise(reinterpret_cast<void*>(at), next - at, MADV_POPULATE_WRITE) != 0) return;
        at = next;
    }
}

void TKorPrefault::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

}  // namespace korin
