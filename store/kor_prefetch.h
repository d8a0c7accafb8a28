// Asking the processor to load a cache line that is read soon.
#pragma once

namespace korin {

// The empty volatile statement keeps the compiler from taking a function whose
// only work is a prefetch for one without effect and dropping its calls.
inline void PrefetchLine(const void* p) {
    __builtin_prefetch(p);
    asm volatile("");
}

}  // namespace korin
