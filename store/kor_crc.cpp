#include "store/kor_crc.h"

#include <zlib.h>

#include <algorithm>

namespace korin {

uint32_t Crc32(const void* data, size_t length) {
    uLong crc = crc32(0L, Z_NULL, 0);
    auto* p = static_cast<const Bytef*>(data);
    // zlib takes a uInt length; large ranges are fed in pieces.
    while (length > 0) {
        const uInt piece = static_cast<uInt>(std::min<size_t>(length, 1u << 30));
        crc = crc32(crc, p, piece);
        p += piece;
        length -= piece;
    }
    return static_cast<uint32_t>(crc);
}

}  // namespace korin
