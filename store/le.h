// Little-endian field access for mapped file formats.
//
// Many fields of the store's formats are unaligned, so they are read and written
// through memcpy, never by casting a struct onto the mapping. The host is
// little-endian (x86-64, arm64); the static_assert keeps it that way.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace korin::le {

static_assert(std::endian::native == std::endian::little,
              "the store's formats are little-endian and read without byte swapping");

template <typename T>
inline T Read(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
inline void Write(uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

inline int32_t I32(const uint8_t* p) { return Read<int32_t>(p); }
inline uint32_t U32(const uint8_t* p) { return Read<uint32_t>(p); }
inline int16_t I16(const uint8_t* p) { return Read<int16_t>(p); }
inline uint16_t U16(const uint8_t* p) { return Read<uint16_t>(p); }

inline void PutI32(uint8_t* p, int32_t v) { Write(p, v); }
inline void PutU32(uint8_t* p, uint32_t v) { Write(p, v); }
inline void PutI16(uint8_t* p, int16_t v) { Write(p, v); }
inline void PutU16(uint8_t* p, uint16_t v) { Write(p, v); }

}  // namespace korin::le
