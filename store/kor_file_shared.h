// State that every object of the process working on one file shares: made
// when it is first asked for, gone with its last holder. Files are told apart
// by device and inode, so two names of one file share it and a file replaced
// under its name gets fresh state. One thread uses the store.
#pragma once

#include <sys/stat.h>

#include <map>
#include <memory>
#include <utility>

namespace korin {

template <typename T>
std::shared_ptr<T> SharedPerFile(const struct stat& file) {
    static std::map<std::pair<dev_t, ino_t>, std::weak_ptr<T>> shared;
    // Entries of files nobody holds any more go when the map has grown.
    if (shared.size() > 64) std::erase_if(shared, [](const auto& e) { return e.second.expired(); });
    auto& slot = shared[{file.st_dev, file.st_ino}];
    std::shared_ptr<T> state = slot.lock();
    if (!state) {
        state = std::make_shared<T>();
        slot = state;
    }
    return state;
}

}  // namespace korin
