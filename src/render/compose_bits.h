// The bit work that the merges share, inside the composition only. A cell's
// 8 bitmap bytes are treated as one 64-bit word: each byte is one pixel
// line of four 2-bit pixels, and every operation here stays inside its
// byte.
//
// compose_avx512.cpp, built for other processors, takes the constants and
// macros alone: it must not instantiate these functions (see that file).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Whether the merges are built twice, with and without the popcount
// instruction (the portable x86-64 build has none), and whether the
// AVX-512 path exists.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZBX_MERGE_VARIANTS 1
#define ZBX_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define ZBX_MERGE_VARIANTS 0
#define ZBX_ALWAYS_INLINE inline
#endif

namespace compose_impl {

// A slot or object colour that is not there.
constexpr int kNone = 255;
// Merge passes before the colours without a slot are left out (only
// reachable with inconsistent usage bits).
constexpr int kPassLimit = 16;

constexpr uint64_t kLow = 0x5555555555555555ULL;
constexpr uint64_t kPairs = 0x3333333333333333ULL;
constexpr uint64_t kNibbles = 0x0F0F0F0F0F0F0F0FULL;

// Candidates for eviction in the order they are scanned: slots 3, 2, 1,
// then object pairs 3, 2, 1. A candidate's key is its pixel count shifted
// left by 3 with its place in this order below, so that the smallest key
// is the smallest count and, among equal counts, the earliest candidate.
constexpr int kNoCandidate = 1 << 12;

inline int candidate_key(bool candidate, int count, int place_in_order)
{
    return candidate ? (count << 3) | place_in_order : kNoCandidate;
}

// Byte b with its four bit pairs in reverse order.
constexpr uint8_t mirror_byte(uint8_t b)
{
    return static_cast<uint8_t>(((b & 0x03) << 6) | ((b & 0x0C) << 2) | ((b & 0x30) >> 2) |
                                ((b & 0xC0) >> 6));
}

// mirror_byte applied to all eight lines at once.
inline uint64_t mirror_lines(uint64_t x)
{
    x = ((x & kPairs) << 2) | ((x >> 2) & kPairs);
    return ((x & kNibbles) << 4) | ((x >> 4) & kNibbles);
}

inline uint64_t load_lines(const uint8_t *p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline void store_lines(uint8_t *p, uint64_t v)
{
    std::memcpy(p, &v, 8);
}

// One bit (the lower of the pair) for every pixel of value 1, 2 or 3.
struct PixelMasks
{
    uint64_t of[4];
};

inline PixelMasks pixel_masks(uint64_t lines)
{
    const uint64_t lo = lines & kLow;
    const uint64_t hi = (lines >> 1) & kLow;
    return {{0, lo & ~hi, hi & ~lo, lo & hi}};
}

// Number of pixels in a mask of PixelMasks (only the lower bit of each pair
// set), with the instruction or with plain arithmetic.
template <bool kInstruction> ZBX_ALWAYS_INLINE int count_pixels(uint64_t low_bits)
{
    if constexpr (!ZBX_MERGE_VARIANTS) {
        return std::popcount(low_bits);
    } else if constexpr (kInstruction) {
        return __builtin_popcountll(low_bits);
    } else {
        uint64_t x = (low_bits + (low_bits >> 2)) & kPairs;
        x = (x + (x >> 4)) & kNibbles;
        return static_cast<int>((x * 0x0101010101010101ULL) >> 56);
    }
}

// Both bits of every pair whose lower bit is set.
inline uint64_t both_bits(uint64_t low_bits)
{
    return low_bits | (low_bits << 1);
}

} // namespace compose_impl
