// CRC-32 of ISO 3309 / IEEE 802.3 (reflected polynomial 0xEDB88320, initial value
// all ones, result complemented): the checksum of drawing files and of table
// records. zlib computes it; a zero-length range gives 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korin {

uint32_t Crc32(const void* data, size_t length);
inline uint32_t Crc32(std::string_view text) { return Crc32(text.data(), text.size()); }

}  // namespace korin
