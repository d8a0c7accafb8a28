#include "store/kor_file_room.h"

#include <sys/stat.h>

#include <map>
#include <utility>

namespace korin {

std::shared_ptr<TKorFileExtent> ExtentOf(int fd) {
    static std::map<std::pair<dev_t, ino_t>, std::weak_ptr<TKorFileExtent>> extents;
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return nullptr;
    // Entries of files nobody maps any more go when the map is next grown.
    if (extents.size() > 64) std::erase_if(extents, [](const auto& e) { return e.second.expired(); });
    auto& slot = extents[{st.st_dev, st.st_ino}];
    std::shared_ptr<TKorFileExtent> extent = slot.lock();
    if (!extent) {
        extent = std::make_shared<TKorFileExtent>();
        slot = extent;
    }
    return extent;
}

}  // namespace korin
