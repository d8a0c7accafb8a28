#include "store/kor_file_room.h"

#include "store/kor_file_shared.h"

namespace korin {

std::shared_ptr<TKorFileExtent> ExtentOf(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return nullptr;
    return SharedPerFile<TKorFileExtent>(st);
}

}  // namespace korin
