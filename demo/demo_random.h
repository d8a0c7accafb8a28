// Deterministic random numbers for the sample data.
//
// std::mt19937 produces the same sequence for a seed on every platform; the
// distributions of the standard library do not (their algorithms are left to
// each library), so the few this generator needs are written out here. The
// same seed therefore gives the same project everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace korin::demo {

class TRandom {
public:
    explicit TRandom(uint32_t seed) : engine_(seed) {}

    // The next raw 32-bit value of the engine.
    uint32_t Next() { return static_cast<uint32_t>(engine_()); }

    // Uniform over [lo, hi], both included. Rejection sampling: values of the
    // incomplete last block of the 32-bit range are drawn again, so that every
    // result is equally likely. Throws std::invalid_argument when lo > hi.
    int32_t Between(int32_t lo, int32_t hi);

    // True with a chance of `percent` in 100 (0 never, 100 always).
    bool Chance(int32_t percent) { return Between(0, 99) < percent; }

    // An index in [0, weights.size()) drawn in proportion to the weights.
    // Throws std::invalid_argument when no weight is positive.
    size_t Weighted(std::span<const int32_t> weights);

    // A copy of one item, each equally likely.
    template <typename T>
    T Pick(std::span<const T> items) {
        if (items.empty()) throw std::invalid_argument("TRandom::Pick: no items");
        return items[static_cast<size_t>(Between(0, static_cast<int32_t>(items.size()) - 1))];
    }
    template <typename T>
    T Pick(const std::vector<T>& items) {
        return Pick(std::span<const T>(items));
    }

private:
    std::mt19937 engine_;
};

}  // namespace korin::demo
