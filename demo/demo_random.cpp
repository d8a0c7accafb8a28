#include "demo/demo_random.h"

namespace korin::demo {

int32_t TRandom::Between(int32_t lo, int32_t hi) {
    if (lo > hi) throw std::invalid_argument("TRandom::Between: empty range");
    const uint64_t range = static_cast<uint64_t>(static_cast<int64_t>(hi) - lo) + 1;
    if (range == (uint64_t{1} << 32)) return static_cast<int32_t>(Next());
    // The largest multiple of range not above 2^32: values at or above it
    // would favour the low results.
    const uint64_t limit = (uint64_t{1} << 32) - (uint64_t{1} << 32) % range;
    uint64_t x = Next();
    while (x >= limit) x = Next();
    return static_cast<int32_t>(lo + static_cast<int64_t>(x % range));
}

size_t TRandom::Weighted(std::span<const int32_t> weights) {
    int64_t total = 0;
    for (int32_t w : weights)
        if (w > 0) total += w;
    if (total <= 0 || total > INT32_MAX) throw std::invalid_argument("TRandom::Weighted: bad weights");
    int32_t x = Between(0, static_cast<int32_t>(total) - 1);
    for (size_t i = 0; i < weights.size(); ++i) {
        if (weights[i] <= 0) continue;
        if (x < weights[i]) return i;
        x -= weights[i];
    }
    return weights.size() - 1;  // not reached
}

}  // namespace korin::demo
