// The one 64-bit hash finaliser of the program (the MurmurHash3 fmix64 steps): spreads the bits of
// a key or of a running hash over all 64 bits, so that the low bits can pick a bucket. Used by the
// sheet tables' hash indexes and by the result grid's value interning.
#pragma once

#include <cstdint>

namespace shuhui::workbooks {

inline uint64_t mix64(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

}  // namespace shuhui::workbooks
