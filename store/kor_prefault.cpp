#include "store/kor_prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
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
        thread_ = std::thread([this, begin, end] {
            // A piece is a huge page, so that Stop waits for at most one.
            constexpr uintptr_t kPiece = static_cast<uintptr_t>(kRoomStep);
            for (uintptr_t at = begin; at < end && !stop_.load(std::memory_order_relaxed);) {
                const uintptr_t next = std::min(end, (at / kPiece + 1) * kPiece);
                if (::madvise(reinterpret_cast<void*>(at), next - at, MADV_POPULATE_WRITE) != 0) return;
                at = next;
            }
        });
    } catch (const std::system_error&) {
        // Without a thread the store's writes fault the pages in themselves.
    }
}

void TKorPrefault::Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    thread_.join();
}

}  // namespace korin
