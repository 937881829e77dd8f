// Panel composition over plain byte buffers. The per-cell work treats the 8
// bitmap bytes of a cell as one 64-bit word: each byte is one pixel line of
// four 2-bit pixels, and every operation below stays inside its byte.
#include "render/compose.h"
#include "items/objects.h"

#include <algorithm>
#include <bit>
#include <bitset>
#include <climits>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// GCC takes the intrinsics' deliberately undefined start values for
// uninitialised reads.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

namespace {

constexpr int kNone = 255;
constexpr int kPassLimit = 16;
// Panels are item indexes; anything outside is no panel.
constexpr int kPanelIndexes = 256;

constexpr uint64_t kLow = 0x5555555555555555ULL;
constexpr uint64_t kPairs = 0x3333333333333333ULL;
constexpr uint64_t kNibbles = 0x0F0F0F0F0F0F0F0FULL;

constexpr uint8_t mirror_byte(uint8_t b)
{
    return static_cast<uint8_t>(((b & 0x03) << 6) | ((b & 0x0C) << 2) | ((b & 0x30) >> 2) |
                                ((b & 0xC0) >> 6));
}

constexpr std::array<uint8_t, 256> make_mirror_table()
{
    std::array<uint8_t, 256> t{};
    for (int b = 0; b < 256; b++) {
        t[b] = mirror_byte(static_cast<uint8_t>(b));
    }
    return t;
}

// The mirror table applied to all eight lines at once.
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
// set). The portable x86-64 build has no popcount instruction, so the merge
// is built twice: with the instruction, for processors that have it, and
// with plain arithmetic.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZBX_MERGE_VARIANTS 1
#define ZBX_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define ZBX_MERGE_VARIANTS 0
#define ZBX_ALWAYS_INLINE inline
#endif

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

inline uint64_t both_bits(uint64_t low_bits)
{
    return low_bits | (low_bits << 1);
}

inline void copy_cell(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour, uint64_t lines,
                      uint8_t screen, uint8_t colour)
{
    store_lines(dst_bitmap, lines);
    dst_screen = screen;
    dst_colour = colour;
}

// Candidates for eviction in the order they are scanned: slots 3, 2, 1,
// then object pairs 3, 2, 1. A candidate's key is its pixel count shifted
// left by 3 with its place in this order below, so that the smallest key
// is the smallest count and, among equal counts, the earliest candidate.
constexpr int kNoCandidate = 1 << 12;

inline int candidate_key(bool candidate, int count, int place_in_order)
{
    return candidate ? (count << 3) | place_in_order : kNoCandidate;
}

// The merge as the rule states it, step by step: the reference that the
// fast merge below is checked against. Every value lives in its own
// variable (index 1..3 for bit pairs 01, 10, 11).
inline void merge_reference(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour,
                            uint64_t lines, uint8_t screen, uint8_t colour, int bg)
{
    // Slot colours of the destination and the object's colours.
    int d1 = (dst_colour & 0x20) ? dst_screen >> 4 : kNone;
    int d2 = (dst_colour & 0x40) ? dst_screen & 15 : kNone;
    int d3 = (dst_colour & 0x80) ? dst_colour & 15 : kNone;
    int s1 = (colour & 0x20) ? screen >> 4 : kNone;
    int s2 = (colour & 0x40) ? screen & 15 : kNone;
    int s3 = (colour & 0x80) ? colour & 15 : kNone;
    int m1 = kNone;
    int m2 = kNone;
    int m3 = kNone;
    const uint64_t below = load_lines(dst_bitmap);
    const PixelMasks object_pixels = pixel_masks(lines);

    // The census only depends on the two bitmaps, so it is taken once.
    bool counted = false;
    int object_base1 = 0, object_base2 = 0, object_base3 = 0;
    int visible_base1 = 0, visible_base2 = 0, visible_base3 = 0;

    for (int pass = 0;; pass++) {
        bool fresh1 = false, fresh2 = false, fresh3 = false;
        int conflicts = 0;
        // An object colour goes to the background, a slot that holds it,
        // the first free slot, or nowhere.
        auto map = [&](int c) {
            if (c == kNone) {
                return kNone;
            }
            if (c == bg) {
                return 0;
            }
            if (c == d1) {
                return 1;
            }
            if (c == d2) {
                return 2;
            }
            if (c == d3) {
                return 3;
            }
            if (d1 == kNone) {
                d1 = c;
                fresh1 = true;
                return 1;
            }
            if (d2 == kNone) {
                d2 = c;
                fresh2 = true;
                return 2;
            }
            if (d3 == kNone) {
                d3 = c;
                fresh3 = true;
                return 3;
            }
            conflicts++;
            return kNone;
        };
        m3 = map(s3);
        m2 = map(s2);
        m1 = map(s1);
        // Past the pass limit (only reachable with inconsistent usage bits)
        // the colours without a slot are left out.
        if (conflicts == 0 || pass + 1 == kPassLimit) {
            break;
        }

        if (!counted) {
            const uint64_t covering =
                both_bits(object_pixels.of[1] | object_pixels.of[2] | object_pixels.of[3]);
            const PixelMasks visible = pixel_masks(below & ~covering);
            object_base1 = count_pixels<false>(object_pixels.of[1]);
            object_base2 = count_pixels<false>(object_pixels.of[2]);
            object_base3 = count_pixels<false>(object_pixels.of[3]);
            visible_base1 = count_pixels<false>(visible.of[1]);
            visible_base2 = count_pixels<false>(visible.of[2]);
            visible_base3 = count_pixels<false>(visible.of[3]);
            counted = true;
        }
        // Object pixels of a colour that has a slot count for that slot.
        int object_count1 = object_base1, object_count2 = object_base2,
            object_count3 = object_base3;
        int dest_count1 = visible_base1, dest_count2 = visible_base2, dest_count3 = visible_base3;
        auto credit = [&](int m, int &count) {
            dest_count1 += m == 1 ? count : 0;
            dest_count2 += m == 2 ? count : 0;
            dest_count3 += m == 3 ? count : 0;
            count = m != kNone ? 0 : count;
        };
        credit(m1, object_count1);
        credit(m2, object_count2);
        credit(m3, object_count3);

        // Eviction. Within one pass the candidates' counts do not change;
        // candidates only drop out. So the keys are taken once, and the
        // slots emptied on the way lose their colour once at the end.
        int key_slot3 = candidate_key(d3 != kNone && !fresh3 && dest_count3 != 0, dest_count3, 0);
        int key_slot2 = candidate_key(d2 != kNone && !fresh2 && dest_count2 != 0, dest_count2, 1);
        int key_slot1 = candidate_key(d1 != kNone && !fresh1 && dest_count1 != 0, dest_count1, 2);
        int key_pair3 = candidate_key(s3 != kNone && object_count3 != 0, object_count3, 3);
        int key_pair2 = candidate_key(s2 != kNone && object_count2 != 0, object_count2, 4);
        int key_pair1 = candidate_key(s1 != kNone && object_count1 != 0, object_count1, 5);
        int free_slots = (dest_count1 == 0 && !fresh1) + (dest_count2 == 0 && !fresh2) +
                         (dest_count3 == 0 && !fresh3);
        // A slot's colour goes, and with it the object colours mapped to it.
        auto drop_slot = [&](int slot, int &dest_count) {
            dest_count = 0;
            free_slots++;
            if (m1 == slot) {
                s1 = kNone;
                conflicts--;
            }
            if (m2 == slot) {
                s2 = kNone;
                conflicts--;
            }
            if (m3 == slot) {
                s3 = kNone;
                conflicts--;
            }
        };
        while (free_slots < conflicts) {
            int best =
                std::min(std::min(std::min(key_slot3, key_slot2), std::min(key_slot1, key_pair3)),
                         std::min(key_pair2, key_pair1));
            if (best == kNoCandidate) {
                // Only with usage bits that promise pixels the bitmap does
                // not have: give up the first colour that found no slot.
                if (s3 != kNone && m3 == kNone) {
                    best = 3;
                } else if (s2 != kNone && m2 == kNone) {
                    best = 4;
                } else if (s1 != kNone && m1 == kNone) {
                    best = 5;
                } else {
                    break;
                }
            }
            switch (best & 7) {
            case 0:
                key_slot3 = kNoCandidate;
                drop_slot(3, dest_count3);
                break;
            case 1:
                key_slot2 = kNoCandidate;
                drop_slot(2, dest_count2);
                break;
            case 2:
                key_slot1 = kNoCandidate;
                drop_slot(1, dest_count1);
                break;
            case 3:
                key_pair3 = kNoCandidate;
                s3 = kNone;
                conflicts--;
                break;
            case 4:
                key_pair2 = kNoCandidate;
                s2 = kNone;
                conflicts--;
                break;
            default:
                key_pair1 = kNoCandidate;
                s1 = kNone;
                conflicts--;
                break;
            }
        }
        d1 = dest_count1 == 0 ? kNone : d1;
        d2 = dest_count2 == 0 ? kNone : d2;
        d3 = dest_count3 == 0 ? kNone : d3;
    }

    dst_screen = static_cast<uint8_t>((d1 << 4) | (d2 & 15));
    dst_colour = static_cast<uint8_t>((d3 != kNone ? 0x80 : 0) | (d2 != kNone ? 0x40 : 0) |
                                      (d1 != kNone ? 0x20 : 0) | (d3 & 15));
    uint64_t result = below;
    auto paint = [&](uint64_t pixels, int m) {
        const uint64_t mask = m != kNone ? both_bits(pixels) : 0;
        result = (result & ~mask) | ((kLow * static_cast<uint64_t>(m & 3)) & mask);
    };
    paint(object_pixels.of[1], m1);
    paint(object_pixels.of[2], m2);
    paint(object_pixels.of[3], m3);
    store_lines(dst_bitmap, result);
}

// The same merge, lean: the slot that each colour goes to is looked up in
// a table of 16 nibbles (one per colour) instead of compared slot by slot,
// the counts travel packed, and the eviction picks its victim by index
// from small arrays instead of through a switch.
template <bool kPopcount>
ZBX_ALWAYS_INLINE void merge_fast(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour,
                                  uint64_t lines, uint8_t screen, uint8_t colour, int bg)
{
    // Slot colours, index 1..3 (255 for none), and the object's colours.
    auto colour_if = [](unsigned used, unsigned value) { return used ? value : 255U; };
    uint32_t d[4] = {0, colour_if(dst_colour & 0x20, dst_screen >> 4),
                     colour_if(dst_colour & 0x40, dst_screen & 15U),
                     colour_if(dst_colour & 0x80, dst_colour & 15U)};
    uint32_t s[4] = {0, colour_if(colour & 0x20, screen >> 4),
                     colour_if(colour & 0x40, screen & 15U),
                     colour_if(colour & 0x80, colour & 15U)};
    uint32_t m[4] = {0, kNone, kNone, kNone};
    const uint64_t below = load_lines(dst_bitmap);
    const PixelMasks object_pixels = pixel_masks(lines);

    bool counted = false;
    uint32_t object_base[4] = {0, 0, 0, 0};
    // Visible destination pixels, 16 bits per slot (lane 0 collects what
    // maps to the background).
    uint64_t visible_base = 0;
    constexpr uint32_t kBackgroundMark = 4;

    for (int pass = 0;; pass++) {
        // Nibble c: the first slot holding colour c (1..3), 4 for the
        // background, 0 for neither. Written from slot 3 down so that the
        // first slot wins, and the background over all.
        uint64_t where = 0;
        uint32_t free_slots = 0; // bit j - 1 for slot j
        for (int j = 3; j >= 1; j--) {
            const int shift = 4 * static_cast<int>(d[j] & 15);
            if (d[j] != kNone) {
                where = (where & ~(15ULL << shift)) | static_cast<uint64_t>(j) << shift;
            } else {
                free_slots |= 1U << (j - 1);
            }
        }
        if (bg < 16) {
            where |= static_cast<uint64_t>(kBackgroundMark) << (4 * bg);
            where &= ~(static_cast<uint64_t>(kBackgroundMark - 1) << (4 * bg));
        }
        uint32_t fresh = 0;       // bit j - 1 for slots given a colour now
        uint32_t conflicting = 0; // object pairs (bits 1..3) without a slot
        for (int k = 3; k >= 1; k--) {
            const uint32_t c = s[k];
            if (c == kNone) {
                m[k] = kNone;
                continue;
            }
            const uint32_t found = static_cast<uint32_t>(where >> (4 * c)) & 15;
            if (found != 0) {
                m[k] = found == kBackgroundMark ? 0 : found;
                continue;
            }
            const uint32_t slot = static_cast<uint32_t>(std::countr_zero(free_slots | 8U)) + 1;
            if (slot == 4) {
                conflicting |= 1U << k;
                m[k] = kNone;
                continue;
            }
            d[slot] = c;
            where |= static_cast<uint64_t>(slot) << (4 * c);
            free_slots &= ~(1U << (slot - 1));
            fresh |= 1U << (slot - 1);
            m[k] = slot;
        }
        if (conflicting == 0 || pass + 1 == kPassLimit) {
            break;
        }

        if (!counted) {
            const uint64_t covering =
                both_bits(object_pixels.of[1] | object_pixels.of[2] | object_pixels.of[3]);
            const PixelMasks visible = pixel_masks(below & ~covering);
            object_base[1] = static_cast<uint32_t>(count_pixels<kPopcount>(object_pixels.of[1]));
            object_base[2] = static_cast<uint32_t>(count_pixels<kPopcount>(object_pixels.of[2]));
            object_base[3] = static_cast<uint32_t>(count_pixels<kPopcount>(object_pixels.of[3]));
            visible_base = static_cast<uint64_t>(count_pixels<kPopcount>(visible.of[1])) << 16 |
                           static_cast<uint64_t>(count_pixels<kPopcount>(visible.of[2])) << 32 |
                           static_cast<uint64_t>(count_pixels<kPopcount>(visible.of[3])) << 48;
            counted = true;
        }
        // Object pixels of a colour with a slot (or the background) count
        // for that slot; those of a conflicting colour stay with the object.
        uint64_t dest = visible_base;
        for (int k = 1; k <= 3; k++) {
            if (m[k] != kNone) {
                dest += static_cast<uint64_t>(object_base[k]) << (16 * m[k]);
            }
        }
        const uint32_t count[4] = {0, static_cast<uint32_t>(dest >> 16) & 0xFFFF,
                                   static_cast<uint32_t>(dest >> 32) & 0xFFFF,
                                   static_cast<uint32_t>(dest >> 48)};
        // Candidates in scan order: slots 3, 2, 1, then object pairs 3, 2, 1.
        int keys[6];
        uint32_t unseen = 0; // bit j - 1 for slots without visible pixels
        for (int j = 3; j >= 1; j--) {
            const bool candidate = d[j] != kNone && (fresh & (1U << (j - 1))) == 0 && count[j] != 0;
            keys[3 - j] = candidate_key(candidate, static_cast<int>(count[j]), 3 - j);
            unseen |= count[j] == 0 ? 1U << (j - 1) : 0;
        }
        for (int k = 3; k >= 1; k--) {
            const bool candidate = (conflicting & (1U << k)) != 0 && object_base[k] != 0;
            keys[6 - k] = candidate_key(candidate, static_cast<int>(object_base[k]), 6 - k);
        }
        int conflicts = std::popcount(conflicting);
        int free_count = std::popcount(unseen & ~fresh);
        uint32_t alive = conflicting; // conflicting pairs still in the running
        while (free_count < conflicts) {
            int best = std::min(std::min(std::min(keys[0], keys[1]), std::min(keys[2], keys[3])),
                                std::min(keys[4], keys[5]));
            if (best == kNoCandidate) {
                // Only with usage bits that promise pixels the bitmap does
                // not have: give up the first colour that found no slot.
                if (alive == 0) {
                    break;
                }
                best = 6 - (31 - std::countl_zero(alive));
            }
            const int victim = best & 7;
            keys[victim] = kNoCandidate;
            if (victim >= 3) {
                const int k = 6 - victim;
                s[k] = kNone;
                alive &= ~(1U << k);
                conflicts--;
            } else {
                // A slot goes, and with it the object colours mapped to it.
                const uint32_t j = static_cast<uint32_t>(3 - victim);
                unseen |= 1U << (j - 1);
                free_count++;
                for (int k = 1; k <= 3; k++) {
                    if (m[k] == j) {
                        s[k] = kNone;
                        conflicts--;
                    }
                }
            }
        }
        for (int j = 1; j <= 3; j++) {
            d[j] = (unseen & (1U << (j - 1))) != 0 ? kNone : d[j];
        }
    }

    dst_screen = static_cast<uint8_t>((d[1] << 4) | (d[2] & 15));
    dst_colour = static_cast<uint8_t>((d[3] != kNone ? 0x80 : 0) | (d[2] != kNone ? 0x40 : 0) |
                                      (d[1] != kNone ? 0x20 : 0) | (d[3] & 15));
    uint64_t result = below;
    for (int k = 1; k <= 3; k++) {
        const uint64_t mask = m[k] != kNone ? both_bits(object_pixels.of[k]) : 0;
        result = (result & ~mask) | ((kLow * (m[k] & 3)) & mask);
    }
    store_lines(dst_bitmap, result);
}

// The two merges behind one interface, so that the drawing loop takes
// either as a template argument and inlines it.
struct ReferenceMerge
{
    static ZBX_ALWAYS_INLINE void merge(uint8_t *dst_bitmap, uint8_t &dst_screen,
                                        uint8_t &dst_colour, uint64_t lines, uint8_t screen,
                                        uint8_t colour, int bg)
    {
        merge_reference(dst_bitmap, dst_screen, dst_colour, lines, screen, colour, bg);
    }
};

template <bool kPopcount> struct FastMerge
{
    static ZBX_ALWAYS_INLINE void merge(uint8_t *dst_bitmap, uint8_t &dst_screen,
                                        uint8_t &dst_colour, uint64_t lines, uint8_t screen,
                                        uint8_t colour, int bg)
    {
        merge_fast<kPopcount>(dst_bitmap, dst_screen, dst_colour, lines, screen, colour, bg);
    }
};

// The merge chosen for this processor, through its pointer.
struct ChosenMerge
{
    static void merge(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour, uint64_t lines,
                      uint8_t screen, uint8_t colour, int bg);
};

template <class Merge>
ZBX_ALWAYS_INLINE void place(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour,
                             uint64_t lines, uint8_t screen, uint8_t colour, int bg)
{
    if (dst_colour < 32 || (colour >= 32 && (colour & 0x10) == 0)) {
        copy_cell(dst_bitmap, dst_screen, dst_colour, lines, screen, colour);
    } else if (colour >= 32) {
        Merge::merge(dst_bitmap, dst_screen, dst_colour, lines, screen, colour, bg);
    }
    // An empty object cell over a drawn one leaves what is there.
}

// The placements in full colour, beside the composition: per cell two
// words laid out like the bitmap, one bit pair per pixel, the first holding
// bits 0 and 1 of each pixel's colour and the second bits 2 and 3. They
// start as the background colour.
constexpr int kPlanes = 2;
constexpr int kAreaCells = kComposeColumns * kComposeRows;

// Colour c's bits 0-1 (plane 0) and 2-3 (plane 1) in every bit pair.
struct alignas(16) ColourMasks
{
    uint64_t plane[kPlanes];
};
constexpr std::array<ColourMasks, 16> make_colour_masks()
{
    std::array<ColourMasks, 16> t{};
    for (uint64_t c = 0; c < 16; c++) {
        t[c].plane[0] = kLow * (c & 3);
        t[c].plane[1] = kLow * (c >> 2);
    }
    return t;
}
constexpr std::array<ColourMasks, 16> colour_masks = make_colour_masks();

// A cell's bitmap as the masks of its pixels of value 01, 10 and 11, both
// bits of each pair set.
struct CellColours
{
    uint64_t lo;
    uint64_t hi;
    uint64_t both;
};
ZBX_ALWAYS_INLINE CellColours cell_colours(uint64_t lines)
{
    const PixelMasks p = pixel_masks(lines);
    return {both_bits(p.of[1]), both_bits(p.of[2]), both_bits(p.of[3])};
}

// The cell in full colour (pair 01 in the colour of the screen byte's high
// nibble, 10 in its low nibble, 11 in the colour byte's low nibble) where
// it is not 00, and `under` where it is. Both planes at once where the
// processor has 128-bit integer registers.
#if defined(__SSE2__)
ZBX_ALWAYS_INLINE __m128i paint_planes(const CellColours &cell, uint8_t screen, uint8_t colour,
                                       __m128i under)
{
    auto mask = [](uint64_t m) { return _mm_set1_epi64x(static_cast<long long>(m)); };
    auto colours = [](unsigned c) {
        return _mm_load_si128(reinterpret_cast<const __m128i *>(&colour_masks[c]));
    };
    const __m128i painted =
        _mm_or_si128(_mm_or_si128(_mm_and_si128(mask(cell.lo), colours(screen >> 4U)),
                                  _mm_and_si128(mask(cell.hi), colours(screen & 15U))),
                     _mm_and_si128(mask(cell.both), colours(colour & 15U)));
    return _mm_or_si128(_mm_andnot_si128(mask(cell.lo | cell.hi | cell.both), under), painted);
}

// Every pixel of the object cell that is not 00 takes its own colour.
ZBX_ALWAYS_INLINE void paint_full_colour(uint64_t *planes, uint64_t lines, uint8_t screen,
                                         uint8_t colour)
{
    auto *p = reinterpret_cast<__m128i *>(planes);
    _mm_store_si128(p, paint_planes(cell_colours(lines), screen, colour, _mm_load_si128(p)));
}

// Whether a cell as shown differs from the planes.
ZBX_ALWAYS_INLINE bool differs(const uint64_t *planes, uint64_t lines, uint8_t screen,
                               uint8_t colour, const ColourMasks &background)
{
    const __m128i shown =
        paint_planes(cell_colours(lines), screen, colour,
                     _mm_load_si128(reinterpret_cast<const __m128i *>(&background)));
    const __m128i same =
        _mm_cmpeq_epi32(shown, _mm_load_si128(reinterpret_cast<const __m128i *>(planes)));
    return _mm_movemask_epi8(same) != 0xFFFF;
}
#else
ZBX_ALWAYS_INLINE void paint_planes(uint64_t *out, const CellColours &cell, uint8_t screen,
                                    uint8_t colour, const uint64_t *under)
{
    const uint64_t covering = cell.lo | cell.hi | cell.both;
    for (int b = 0; b < kPlanes; b++) {
        out[b] = (under[b] & ~covering) | (cell.lo & colour_masks[screen >> 4].plane[b]) |
                 (cell.hi & colour_masks[screen & 15].plane[b]) |
                 (cell.both & colour_masks[colour & 15].plane[b]);
    }
}

ZBX_ALWAYS_INLINE void paint_full_colour(uint64_t *planes, uint64_t lines, uint8_t screen,
                                         uint8_t colour)
{
    paint_planes(planes, cell_colours(lines), screen, colour, planes);
}

ZBX_ALWAYS_INLINE bool differs(const uint64_t *planes, uint64_t lines, uint8_t screen,
                               uint8_t colour, const ColourMasks &background)
{
    uint64_t shown[kPlanes];
    paint_planes(shown, cell_colours(lines), screen, colour, background.plane);
    return ((shown[0] ^ planes[0]) | (shown[1] ^ planes[1])) != 0;
}
#endif

// The part of an object of w x h cells with its top-left cell at (col,
// row) that lies in the area: object rows first_row to last_row - 1, each
// `across` cells from object column first_obj_col in steps of `step` (-1
// when mirrored), landing from area column first_col rightwards.
struct ObjectSpan
{
    int first_col, first_obj_col, step, across, first_row, last_row;
};

inline ObjectSpan object_span(int w, int h, int col, int row, bool mirror)
{
    ObjectSpan span{};
    span.first_col = std::max(0, col);
    span.first_obj_col = mirror ? w - 1 + std::min(col, 0) : std::max(0, -col);
    span.step = mirror ? -1 : 1;
    // Cells per row: up to the object's last column or the area's edge.
    span.across = std::min(mirror ? span.first_obj_col + 1 : w - span.first_obj_col,
                           kComposeColumns - span.first_col);
    span.first_row = std::max(0, -row);
    span.last_row = std::min(h, kComposeRows - row);
    return span;
}

// One object's cells over the buffers; `data` is a checked record of
// w x h cells and (col, row) its top-left cell, not wholly outside;
// with kFull, each cell is painted into `full` as well.
template <class Merge, bool kFull = false>
ZBX_ALWAYS_INLINE long draw_cells(ComposeBuffers &buffers, const uint8_t *data, int w, int h,
                                  int col, int row, bool mirror, const uint8_t *map, int bg,
                                  uint64_t *full = nullptr)
{
    const uint8_t *obj_bitmap = data + 1;
    const uint8_t *obj_screen = obj_bitmap + 8 * w * h;
    const uint8_t *obj_colour = obj_screen + w * h;

    const ObjectSpan span = object_span(w, h, col, row, mirror);
    for (int r = span.first_row; r < span.last_row; r++) {
        const int dst_row = (row + r) * kComposeColumns + span.first_col;
        int src = r * w + span.first_obj_col;
        for (int i = 0; i < span.across; i++, src += span.step) {
            uint8_t screen = obj_screen[src];
            uint8_t colour = obj_colour[src];
            if (map != nullptr) {
                colour = static_cast<uint8_t>((colour & 0xF0) | map[colour & 15]);
                screen = static_cast<uint8_t>((map[screen >> 4] << 4) | map[screen & 15]);
            }
            uint64_t object_lines = load_lines(obj_bitmap + 8 * src);
            if (mirror) {
                object_lines = mirror_lines(object_lines);
            }
            const int dst = dst_row + i;
            if constexpr (kFull) {
                paint_full_colour(full + kPlanes * dst, object_lines, screen, colour);
            }
            place<Merge>(&buffers.bitmap[8 * dst], buffers.screen[dst], buffers.colour[dst],
                         object_lines, screen, colour, bg);
        }
    }
    return static_cast<long>(span.last_row - span.first_row) * span.across;
}

using DrawCells = long (*)(ComposeBuffers &, const uint8_t *, int, int, int, int, bool,
                           const uint8_t *, int, uint64_t *);

long draw_cells_reference(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col,
                          int row, bool mirror, const uint8_t *map, int bg, uint64_t *)
{
    return draw_cells<ReferenceMerge>(buffers, data, w, h, col, row, mirror, map, bg);
}

long draw_cells_fast(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col, int row,
                     bool mirror, const uint8_t *map, int bg, uint64_t *)
{
    return draw_cells<FastMerge<false>>(buffers, data, w, h, col, row, mirror, map, bg);
}

long draw_cells_fast_full(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col,
                          int row, bool mirror, const uint8_t *map, int bg, uint64_t *full)
{
    return draw_cells<FastMerge<false>, true>(buffers, data, w, h, col, row, mirror, map, bg, full);
}

void merge_fast_plain(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour, uint64_t lines,
                      uint8_t screen, uint8_t colour, int bg)
{
    merge_fast<false>(dst_bitmap, dst_screen, dst_colour, lines, screen, colour, bg);
}

using MergeFunction = void (*)(uint8_t *, uint8_t &, uint8_t &, uint64_t, uint8_t, uint8_t, int);

// --- Eight cells side by side ---
//
// The cells of one object never overlap, so they merge independently: on
// processors with 512-bit vectors the merge takes up to eight of them at
// once (several rows of a narrow object together), and decides nothing
// per cell by a branch. The bitmaps go one per 64-bit lane; all else goes
// one cell per 32-bit lane, so that two such groups of an object share
// those steps, which are most of the work.
// The background and the three slots of a cell travel as the four bytes of
// one word (byte 0 the background, byte j slot j; a slot without colour
// holds 0x80, a background above 15 0x90), so that an object colour finds
// the first byte equal to it, or the first free slot, with a few vector
// operations; a mapping is kept as bit 7 of the byte it chose (0 for a
// colour without place). The eviction ranks its candidates by comparing
// every pair of keys instead of taking them one at a time. Two passes
// cover all cells of consistent data but a rare few: a cell that needs a
// third pass, or more colours given up than there are candidates, or whose
// mapped colour lost its slot without an eviction (the last two only with
// usage bits that promise pixels the bitmap does not have), is merged
// again alone by the scalar merge.
#if ZBX_MERGE_VARIANTS
#define ZBX_WIDE                                                                                   \
    __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx512vpopcntdq,popcnt")))
#define ZBX_WIDE_INLINE ZBX_WIDE ZBX_ALWAYS_INLINE

namespace wide {

// Bitmaps travel one cell per 64-bit lane.
using V = __m512i;
using M = __mmask8;

ZBX_WIDE_INLINE V all(uint64_t v)
{
    return _mm512_set1_epi64(static_cast<long long>(v));
}
ZBX_WIDE_INLINE V shr(V a, unsigned n)
{
    return _mm512_srli_epi64(a, n);
}
ZBX_WIDE_INLINE V shl(V a, unsigned n)
{
    return _mm512_slli_epi64(a, n);
}
// a & ~b
ZBX_WIDE_INLINE V but(V a, V b)
{
    return _mm512_andnot_si512(b, a);
}
// where m: b, else a
ZBX_WIDE_INLINE V blend(M m, V a, V b)
{
    return _mm512_mask_blend_epi64(m, a, b);
}
ZBX_WIDE_INLINE V only(M m, V a)
{
    return _mm512_maskz_mov_epi64(m, a);
}
ZBX_WIDE_INLINE V count(V a)
{
    return _mm512_popcnt_epi64(a);
}

// Colours travel one cell per 32-bit lane: the eight cells of a group in a
// 256-bit vector, or those of two groups of one object in a 512-bit one,
// so that two groups share every step of the merge that does not touch
// the bitmaps. K has a bit per cell.
template <int N> struct Lanes;
template <> struct Lanes<1>
{
    using C = __m256i;
    using K = __mmask8;
};
template <> struct Lanes<2>
{
    using C = __m512i;
    using K = __mmask16;
};

template <int N> typename Lanes<N>::C splat(uint32_t v);
template <> ZBX_WIDE_INLINE __m256i splat<1>(uint32_t v)
{
    return _mm256_set1_epi32(static_cast<int>(v));
}
template <> ZBX_WIDE_INLINE __m512i splat<2>(uint32_t v)
{
    return _mm512_set1_epi32(static_cast<int>(v));
}

// The operations on colour lanes, for both widths (p: the intrinsics' prefix).
#define ZBX_COLOUR_OPS(N, C, K, p, andnot)                                                         \
    ZBX_WIDE_INLINE C c_shr(C a, unsigned n)                                                       \
    {                                                                                              \
        return p##_srli_epi32(a, n);                                                               \
    }                                                                                              \
    ZBX_WIDE_INLINE C c_shl(C a, unsigned n)                                                       \
    {                                                                                              \
        return p##_slli_epi32(a, n);                                                               \
    }                                                                                              \
    ZBX_WIDE_INLINE C c_but(C a, C b)                                                              \
    {                                                                                              \
        return andnot(b, a);                                                                       \
    }                                                                                              \
    ZBX_WIDE_INLINE C c_add(C a, C b)                                                              \
    {                                                                                              \
        return p##_add_epi32(a, b);                                                                \
    }                                                                                              \
    ZBX_WIDE_INLINE C c_sub(C a, C b)                                                              \
    {                                                                                              \
        return p##_sub_epi32(a, b);                                                                \
    }                                                                                              \
    ZBX_WIDE_INLINE C c_add_where(K m, C a, C b)                                                   \
    {                                                                                              \
        return p##_mask_add_epi32(a, m, a, b);                                                     \
    }                                                                                              \
    ZBX_WIDE_INLINE C c_sub_where(K m, C a, C b)                                                   \
    {                                                                                              \
        return p##_mask_sub_epi32(a, m, a, b);                                                     \
    }                                                                                              \
    ZBX_WIDE_INLINE K c_test(C a, C b)                                                             \
    {                                                                                              \
        return p##_test_epi32_mask(a, b);                                                          \
    }                                                                                              \
    ZBX_WIDE_INLINE K c_any(C a, uint32_t bits)                                                    \
    {                                                                                              \
        return p##_test_epi32_mask(a, splat<N>(bits));                                             \
    }                                                                                              \
    ZBX_WIDE_INLINE K c_none(C a, uint32_t bits)                                                   \
    {                                                                                              \
        return p##_testn_epi32_mask(a, splat<N>(bits));                                            \
    }                                                                                              \
    ZBX_WIDE_INLINE K c_set(C a)                                                                   \
    {                                                                                              \
        return p##_test_epi32_mask(a, a);                                                          \
    }                                                                                              \
    ZBX_WIDE_INLINE K c_zero(C a)                                                                  \
    {                                                                                              \
        return p##_testn_epi32_mask(a, a);                                                         \
    }                                                                                              \
    ZBX_WIDE_INLINE K c_eq(C a, C b)                                                               \
    {                                                                                              \
        return p##_cmpeq_epi32_mask(a, b);                                                         \
    }                                                                                              \
    ZBX_WIDE_INLINE K c_below(C a, C b)                                                            \
    {                                                                                              \
        return p##_cmplt_epu32_mask(a, b);                                                         \
    }                                                                                              \
    ZBX_WIDE_INLINE K c_less(C a, C b)                                                             \
    {                                                                                              \
        return p##_cmplt_epi32_mask(a, b);                                                         \
    }                                                                                              \
    ZBX_WIDE_INLINE C c_only(K m, C a)                                                             \
    {                                                                                              \
        return p##_maskz_mov_epi32(m, a);                                                          \
    }                                                                                              \
    ZBX_WIDE_INLINE C c_blend(K m, C a, C b)                                                       \
    {                                                                                              \
        return p##_mask_blend_epi32(m, a, b);                                                      \
    }                                                                                              \
    /* The bytes of `word` where `where` has a bit set take `value`'s. */                          \
    ZBX_WIDE_INLINE C c_put_bytes(C word, C where, C value)                                        \
    {                                                                                              \
        return p##_mask_mov_epi8(word, p##_test_epi8_mask(where, where), value);                   \
    }                                                                                              \
    /* Bit 7 of every byte of `a` that is zero. */                                                 \
    ZBX_WIDE_INLINE C c_zero_bytes(C a)                                                            \
    {                                                                                              \
        return p##_movm_epi8(p##_testn_epi8_mask(a, a)) & splat<N>(0x80808080U);                   \
    }
ZBX_COLOUR_OPS(1, __m256i, __mmask8, _mm256, _mm256_andnot_si256)
ZBX_COLOUR_OPS(2, __m512i, __mmask16, _mm512, _mm512_andnot_si512)
#undef ZBX_COLOUR_OPS

// Group g's cells of a mask over N groups.
template <int N> ZBX_WIDE_INLINE M part(typename Lanes<N>::K k, int g)
{
    return static_cast<M>(k >> (8 * g));
}

// Eight cells' colour bytes (the low eight bytes) per group as lanes, and
// back.
ZBX_WIDE_INLINE __m256i colour_lanes(const __m128i (&bytes)[1])
{
    return _mm256_cvtepu8_epi32(bytes[0]);
}
ZBX_WIDE_INLINE __m512i colour_lanes(const __m128i (&bytes)[2])
{
    return _mm512_cvtepu8_epi32(_mm_unpacklo_epi64(bytes[0], bytes[1]));
}
ZBX_WIDE_INLINE void colour_bytes(__m256i lanes, __m128i (&bytes)[1])
{
    bytes[0] = _mm256_cvtepi32_epi8(lanes);
}
ZBX_WIDE_INLINE void colour_bytes(__m512i lanes, __m128i (&bytes)[2])
{
    bytes[0] = _mm512_cvtepi32_epi8(lanes);
    bytes[1] = _mm_srli_si128(bytes[0], 8);
}

// Pixel counts (at most 32) per group as colour lanes.
ZBX_WIDE_INLINE __m256i count_lanes(const V (&counts)[1])
{
    return _mm512_cvtepi64_epi32(counts[0]);
}
ZBX_WIDE_INLINE __m512i count_lanes(const V (&counts)[2])
{
    const __m512i even =
        _mm512_set_epi32(30, 28, 26, 24, 22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0);
    return _mm512_permutex2var_epi32(counts[0], even, counts[1]);
}

constexpr uint32_t kSlotBits = 0x80808000U; // bit 7 of bytes 1..3
constexpr uint32_t kByteNibbles = 0x0F0F0F0FU;
constexpr uint32_t kUnused = 0xC0; // an object colour not used: equals no byte
constexpr uint32_t kSlotBit[4] = {0x80, 0x8000, 0x800000, 0x80000000U};

// Colour s in all four bytes.
template <int N, class C = typename Lanes<N>::C> ZBX_WIDE_INLINE C repeat(C s)
{
    const C twice = s | c_shl(s, 8);
    return twice | c_shl(twice, 16);
}

// The first byte of the word equal to `repeated`'s, as that byte's bit 7
// (0 for none).
template <int N, class C = typename Lanes<N>::C> ZBX_WIDE_INLINE C first_equal(C word, C repeated)
{
    const C equal = c_zero_bytes(word ^ repeated);
    return equal & c_sub(splat<N>(0), equal);
}

template <int N> struct Mapped
{
    typename Lanes<N>::C t1, t2, t3;
};

// Gives the object colours that found no byte of the word (`need`) their
// slots, 3 first: the slot a colour before it took, else the first free
// slot, which it takes. `f` are the mappings found so far.
template <int N, class C = typename Lanes<N>::C, class K = typename Lanes<N>::K>
ZBX_WIDE_INLINE Mapped<N> take_slots(C &word, C &free, const C (&s)[4], K need1, K need2, K need3,
                                     const Mapped<N> &f)
{
    const C zero = splat<N>(0);
    // The free slots in order: a, b, c.
    const C a = free & c_sub(zero, free);
    const C rest = free ^ a;
    const C b = rest & c_sub(zero, rest);
    const C c = rest ^ b;
    const K same32 = need2 & need3 & c_eq(s[2], s[3]);
    const K new2 = need2 & static_cast<K>(~same32);
    const K same31 = need1 & need3 & c_eq(s[1], s[3]);
    const K same21 = need1 & new2 & c_eq(s[1], s[2]) & static_cast<K>(~same31);
    const K new1 = need1 & static_cast<K>(~(same31 | same21));
    const C take3 = c_only(need3, a);
    const C take2 = c_only(new2, c_blend(need3, a, b));
    const C take1 = c_only(new1, c_blend(need3 & new2, c_blend(need3 | new2, a, b), c));
    free = free ^ (take3 | take2 | take1);
    word = c_put_bytes(word, take3, repeat<N>(s[3]));
    word = c_put_bytes(word, take2, repeat<N>(s[2]));
    word = c_put_bytes(word, take1, repeat<N>(s[1]));
    return {f.t1 | c_only(same31, take3) | c_only(same21, take2) | take1,
            f.t2 | c_only(same32, take3) | take2, f.t3 | take3};
}

// Maps the object colours: each goes to the background or the first slot
// that holds it, else as take_slots gives. The three are compared with the
// word at once; only the taking of free slots goes in order.
template <int N, class C = typename Lanes<N>::C, class K = typename Lanes<N>::K>
ZBX_WIDE_INLINE Mapped<N> map_colours(C &word, C &free, const C (&s)[4], K used1, K used2, K used3)
{
    const Mapped<N> f{first_equal<N>(word, repeat<N>(s[1])), first_equal<N>(word, repeat<N>(s[2])),
                      first_equal<N>(word, repeat<N>(s[3]))};
    return take_slots<N>(word, free, s, c_zero(f.t1) & used1, c_zero(f.t2) & used2,
                         c_zero(f.t3) & used3, f);
}

// Where a mapping paints the low and the high bit of a pair: slots 1 and 3
// set the low bit, slots 2 and 3 the high bit.
template <int N> struct Paint
{
    typename Lanes<N>::K low, high;
};
template <int N> ZBX_WIDE_INLINE Paint<N> paint_of(typename Lanes<N>::C mapping)
{
    return {c_any(mapping, 0x80008000U), c_any(mapping, 0x80800000U)};
}

// The pixels of `p` (lower bits of pairs) of group g painted as `with`.
template <int N> ZBX_WIDE_INLINE V paint(V onto, const Paint<N> &with, int g, V p)
{
    onto = _mm512_mask_or_epi64(onto, part<N>(with.low, g), onto, p);
    return _mm512_mask_or_epi64(onto, part<N>(with.high, g), onto, shl(p, 1));
}

// The cells of N groups: bitmaps per group, colours in lanes.
template <int N> struct Many
{
    V bitmap[N];
    typename Lanes<N>::C screen, colour;
};

// Merges object cells (bitmaps mirrored, colours overridden) into
// destination cells. Lanes the scalar merge must take over come back in
// `redo`.
template <int N>
ZBX_WIDE_INLINE Many<N> merge(const Many<N> &dst, const Many<N> &obj, uint32_t bg,
                              typename Lanes<N>::K &redo)
{
    using C = typename Lanes<N>::C;
    using K = typename Lanes<N>::K;
    const C zero = splat<N>(0);
    const C one = splat<N>(1);
    const C free_bytes = c_only(c_none(dst.colour, 0x20), splat<N>(0xFF00)) |
                         c_only(c_none(dst.colour, 0x40), splat<N>(0xFF0000)) |
                         c_only(c_none(dst.colour, 0x80), splat<N>(0xFF000000U));
    const C colours = c_shl(c_shr(dst.screen, 4), 8) | c_shl(dst.screen & splat<N>(15), 16) |
                      c_shl(dst.colour & splat<N>(15), 24);
    C word = c_but(colours, free_bytes) | (free_bytes & splat<N>(kSlotBits)) |
             splat<N>(bg < 16 ? bg : 0x90);
    C free = free_bytes & splat<N>(kSlotBits);
    const K used1 = c_any(obj.colour, 0x20);
    const K used2 = c_any(obj.colour, 0x40);
    const K used3 = c_any(obj.colour, 0x80);
    // The object's colours, index 1..3.
    const C s[4] = {zero, c_blend(used1, splat<N>(kUnused), c_shr(obj.screen, 4)),
                    c_blend(used2, splat<N>(kUnused), obj.screen & splat<N>(15)),
                    c_blend(used3, splat<N>(kUnused), obj.colour & splat<N>(15))};

    V p1[N], p2[N], p3[N], covering[N];
    for (int g = 0; g < N; g++) {
        const V lo = obj.bitmap[g] & all(kLow);
        const V hi = shr(obj.bitmap[g], 1) & all(kLow);
        p1[g] = but(lo, hi);
        p2[g] = but(hi, lo);
        p3[g] = lo & hi;
        covering[g] = (lo | hi) | shl(lo | hi, 1);
    }

    const C free_before = free;
    Mapped<N> t = map_colours<N>(word, free, s, used1, used2, used3);
    const K c1 = used1 & c_zero(t.t1);
    const K c2 = used2 & c_zero(t.t2);
    const K c3 = used3 & c_zero(t.t3);
    const K conflicting = c1 | c2 | c3;
    if (conflicting != 0) {
        const C fresh = free_before ^ free;
        // The census: what each slot shows with this mapping, the pixels of
        // the colours without place taken out.
        const Paint<N> paint1 = paint_of<N>(t.t1);
        const Paint<N> paint2 = paint_of<N>(t.t2);
        const Paint<N> paint3 = paint_of<N>(t.t3);
        V shown[3][N];
        V pairs[3][N];
        for (int g = 0; g < N; g++) {
            V painted = but(dst.bitmap[g], covering[g]);
            painted = paint<N>(painted, paint1, g, p1[g]);
            painted = paint<N>(painted, paint2, g, p2[g]);
            painted = paint<N>(painted, paint3, g, p3[g]);
            const V plo = painted & all(kLow);
            const V phi = shr(painted, 1) & all(kLow);
            shown[0][g] = count(plo & phi);
            shown[1][g] = count(but(phi, plo));
            shown[2][g] = count(but(plo, phi));
            pairs[0][g] = count(p3[g]);
            pairs[1][g] = count(p2[g]);
            pairs[2][g] = count(p1[g]);
        }
        // Candidates in order: slots 3, 2, 1, then object pairs 3, 2, 1;
        // key = pixels * 8 + place in that order. Evicting a slot frees it
        // and gives up the object colours mapped to it; evicting a pair
        // gives up its colour. Each counts for the gap it closes.
        const C n[3] = {count_lanes(shown[0]), count_lanes(shown[1]), count_lanes(shown[2])};
        const C pair_pixels[3] = {count_lanes(pairs[0]), count_lanes(pairs[1]),
                                  count_lanes(pairs[2])};
        const K pair_conflicting[3] = {c3, c2, c1};
        C key[6];
        C closes[6];
        C gap = zero;
        // Byte j: how many object colours slot j holds.
        const C held = c_add(c_add(c_shr(t.t1, 7), c_shr(t.t2, 7)), c_shr(t.t3, 7));
        for (int i = 0; i < 3; i++) {
            const K fresh_slot = c_any(fresh, kSlotBit[3 - i]);
            key[i] = c_shl(n[i], 3) | splat<N>(static_cast<uint32_t>(i));
            closes[i] =
                c_only(c_set(n[i]) & static_cast<K>(~fresh_slot),
                       c_add(c_shr(held, static_cast<unsigned>(8 * (3 - i))) & splat<N>(3), one));
            gap = c_sub_where(c_zero(n[i]) & static_cast<K>(~fresh_slot), gap, one);
            key[3 + i] = c_shl(pair_pixels[i], 3) | splat<N>(static_cast<uint32_t>(3 + i));
            closes[3 + i] = c_only(pair_conflicting[i] & c_set(pair_pixels[i]), one);
            gap = c_add_where(pair_conflicting[i], gap, one);
        }
        // A candidate goes when those before it leave a gap.
        C before[6] = {zero, zero, zero, zero, zero, zero};
        C total = zero;
        for (int i = 0; i < 6; i++) {
            total = c_add(total, closes[i]);
            for (int j = i + 1; j < 6; j++) {
                const K j_first = c_below(key[j], key[i]);
                before[i] = c_add_where(j_first, before[i], closes[j]);
                before[j] = c_add_where(static_cast<K>(~j_first), before[j], closes[i]);
            }
        }
        redo |= c_less(total, gap);
        K evicted[6];
        for (int i = 0; i < 6; i++) {
            evicted[i] = c_set(closes[i]) & c_less(before[i], gap);
        }
        const C evicted_slots = c_only(evicted[0], splat<N>(kSlotBit[3])) |
                                c_only(evicted[1], splat<N>(kSlotBit[2])) |
                                c_only(evicted[2], splat<N>(kSlotBit[1]));
        const K drop1 = evicted[5] | c_test(t.t1, evicted_slots);
        const K drop2 = evicted[4] | c_test(t.t2, evicted_slots);
        const K drop3 = evicted[3] | c_test(t.t3, evicted_slots);
        // Slots evicted or showing nothing lose their colour.
        const C emptied =
            c_only(conflicting, evicted_slots | c_only(c_zero(n[0]), splat<N>(kSlotBit[3])) |
                                    c_only(c_zero(n[1]), splat<N>(kSlotBit[2])) |
                                    c_only(c_zero(n[2]), splat<N>(kSlotBit[1])));
        word = c_put_bytes(word, emptied, splat<N>(kSlotBits));
        free = free | emptied;

        // Second pass. The colours that kept their place keep it; those
        // without place that were not given up take the slots now free. A
        // colour whose slot emptied without being evicted (only with usage
        // bits that promise pixels the bitmap does not have) is for the
        // scalar merge.
        const Mapped<N> kept{c_only(static_cast<K>(~drop1), t.t1),
                             c_only(static_cast<K>(~drop2), t.t2),
                             c_only(static_cast<K>(~drop3), t.t3)};
        redo |= c_test(kept.t1, emptied) | c_test(kept.t2, emptied) | c_test(kept.t3, emptied);
        t = take_slots<N>(word, free, s, c1 & static_cast<K>(~drop1), c2 & static_cast<K>(~drop2),
                          c3 & static_cast<K>(~drop3), kept);
        redo |= (c1 & static_cast<K>(~drop1) & c_zero(t.t1)) |
                (c2 & static_cast<K>(~drop2) & c_zero(t.t2)) |
                (c3 & static_cast<K>(~drop3) & c_zero(t.t3));
    }

    // Colour nibbles, 15 for a slot without colour.
    const C none = c_but(word, c_shl(word, 3)) & splat<N>(kSlotBits);
    const C nibbles = c_put_bytes(word, none, splat<N>(kByteNibbles)) & splat<N>(kByteNibbles);
    const C shown = c_but(splat<N>(kSlotBits), none);
    Many<N> out;
    out.screen = (c_shr(nibbles, 4) & splat<N>(0xF0)) | (c_shr(nibbles, 16) & splat<N>(15));
    out.colour = (c_shr(shown, 10) & splat<N>(0x20)) | (c_shr(shown, 17) & splat<N>(0x40)) |
                 (c_shr(shown, 24) & splat<N>(0x80)) | c_shr(nibbles, 24);
    const K mapped1 = c_set(t.t1);
    const K mapped2 = c_set(t.t2);
    const K mapped3 = c_set(t.t3);
    const Paint<N> paint1 = paint_of<N>(t.t1);
    const Paint<N> paint2 = paint_of<N>(t.t2);
    const Paint<N> paint3 = paint_of<N>(t.t3);
    for (int g = 0; g < N; g++) {
        const V mapped_pixels = only(part<N>(mapped1, g), p1[g]) |
                                only(part<N>(mapped2, g), p2[g]) | only(part<N>(mapped3, g), p3[g]);
        V bitmap = but(dst.bitmap[g], mapped_pixels | shl(mapped_pixels, 1));
        bitmap = paint<N>(bitmap, paint1, g, p1[g]);
        bitmap = paint<N>(bitmap, paint2, g, p2[g]);
        out.bitmap[g] = paint<N>(bitmap, paint3, g, p3[g]);
    }
    return out;
}

// Object cells over destination cells: copied where the destination is
// empty or the object cell has no pixel of pair 00, kept where the object
// cell is empty, merged otherwise.
template <int N>
ZBX_WIDE_INLINE Many<N> place(const Many<N> &dst, const Many<N> &obj, uint32_t bg,
                              typename Lanes<N>::K &redo)
{
    using K = typename Lanes<N>::K;
    const K object_used = c_any(obj.colour, 0xE0);
    const K copy = c_none(dst.colour, 0xE0) | (object_used & c_none(obj.colour, 0x10));
    const K merging = static_cast<K>(~copy) & object_used;
    Many<N> out;
    if (merging == 0) {
        redo = 0;
        for (int g = 0; g < N; g++) {
            out.bitmap[g] = blend(part<N>(copy, g), dst.bitmap[g], obj.bitmap[g]);
        }
        out.screen = c_blend(copy, dst.screen, obj.screen);
        out.colour = c_blend(copy, dst.colour, obj.colour);
        return out;
    }
    K merge_redo = 0;
    const Many<N> merged = merge<N>(dst, obj, bg, merge_redo);
    redo = merge_redo & merging;
    for (int g = 0; g < N; g++) {
        out.bitmap[g] =
            blend(part<N>(copy, g), blend(part<N>(merging, g), dst.bitmap[g], merged.bitmap[g]),
                  obj.bitmap[g]);
    }
    out.screen = c_blend(copy, c_blend(merging, dst.screen, merged.screen), obj.screen);
    out.colour = c_blend(copy, c_blend(merging, dst.colour, merged.colour), obj.colour);
    return out;
}

// A group's cells as read: bitmaps per lane, screen and colour bytes in
// the low eight bytes.
struct GroupCells
{
    V bitmap;
    __m128i screen, colour;
};

// A group of cells merged at once: `rows` object rows from `first_row` of
// the span, `n` cells of each from column `offset` of the span on; row q
// goes to lanes q * n to q * n + n - 1. Narrow objects put several rows in
// one group.
struct Group
{
    int first_row, rows, offset, n;
    M lanes(int q) const { return static_cast<M>(((1U << n) - 1) << (q * n)); }
};

// Lane q * n + l takes lane q * n + n - 1 - l: each row's cells reversed.
// Byte numbers for the colours, widened to lane numbers for the bitmaps.
constexpr std::array<std::array<uint8_t, 8>, 9> make_row_reversals()
{
    std::array<std::array<uint8_t, 8>, 9> t{};
    for (int n = 1; n <= 8; n++) {
        for (int lane = 0; lane < 8; lane++) {
            const int q = lane / n;
            t[static_cast<size_t>(n)][static_cast<size_t>(lane)] =
                static_cast<uint8_t>((q + 1) * n <= 8 ? q * n + n - 1 - lane % n : lane);
        }
    }
    return t;
}
constexpr std::array<std::array<uint8_t, 8>, 9> row_reversals = make_row_reversals();

// Reads a group's rows, row q from cell `first(q)` of each array, into
// its lanes; a masked load reads no cell outside them.
template <class First>
ZBX_WIDE_INLINE GroupCells load_group(const Group &g, const uint8_t *bitmap, const uint8_t *screen,
                                      const uint8_t *colour, First &&first)
{
    GroupCells cells{_mm512_setzero_si512(), _mm_setzero_si128(), _mm_setzero_si128()};
    for (int q = 0; q < g.rows; q++) {
        // Shifted back by the row's first lane, so that lane q * n + l
        // reads cell first(q) + l.
        const ptrdiff_t cell = static_cast<ptrdiff_t>(first(q)) - q * g.n;
        cells.bitmap = _mm512_mask_loadu_epi64(cells.bitmap, g.lanes(q), bitmap + 8 * cell);
        cells.screen = _mm_mask_loadu_epi8(cells.screen, g.lanes(q), screen + cell);
        cells.colour = _mm_mask_loadu_epi8(cells.colour, g.lanes(q), colour + cell);
    }
    return cells;
}

// The object cells of a group as placed: colours overridden, and when
// mirrored each row read leftwards and its lines mirrored.
ZBX_WIDE_INLINE GroupCells object_cells(GroupCells cells, bool mirror, int n, const uint8_t *map)
{
    if (map != nullptr) {
        const __m128i table = _mm_loadu_si128(reinterpret_cast<const __m128i *>(map));
        const __m128i low = _mm_set1_epi8(15);
        const __m128i high = _mm_and_si128(_mm_srli_epi16(cells.screen, 4), low);
        cells.screen = _mm_or_si128(_mm_slli_epi16(_mm_shuffle_epi8(table, high), 4),
                                    _mm_shuffle_epi8(table, _mm_and_si128(cells.screen, low)));
        cells.colour = _mm_or_si128(_mm_andnot_si128(low, cells.colour),
                                    _mm_shuffle_epi8(table, _mm_and_si128(cells.colour, low)));
    }
    if (mirror) {
        // Only the low eight bytes of the colours count.
        const __m128i reverse_bytes = _mm_loadl_epi64(
            reinterpret_cast<const __m128i *>(row_reversals[static_cast<size_t>(n)].data()));
        const V reverse = _mm512_cvtepu8_epi64(reverse_bytes);
        const V pairs = all(kPairs);
        const V nibbles = all(kNibbles);
        V x = _mm512_permutexvar_epi64(reverse, cells.bitmap);
        x = shl(x & pairs, 2) | (shr(x, 2) & pairs);
        cells.bitmap = shl(x & nibbles, 4) | (shr(x, 4) & nibbles);
        cells.screen = _mm_shuffle_epi8(cells.screen, reverse_bytes);
        cells.colour = _mm_shuffle_epi8(cells.colour, reverse_bytes);
    }
    return cells;
}

// Where a group's row q lands in the buffers and starts in the record.
struct GroupPlace
{
    const ObjectSpan &span;
    int row, w, h;
    bool mirror;

    // The destination cell of row q's first lane.
    int dst(const Group &g, int q) const
    {
        return (row + g.first_row + q) * kComposeColumns + span.first_col + g.offset;
    }
    // The object cell row q reads first (the row's last cell placed when
    // mirrored).
    int src(const Group &g, int q) const
    {
        const int first = (g.first_row + q) * w + span.first_obj_col + span.step * g.offset;
        return mirror ? first - g.n + 1 : first;
    }
};

// The cells of a group the scalar merge takes over, merged from their
// destination as it was.
__attribute__((noinline)) ZBX_WIDE void redo_group(ComposeBuffers &buffers, const Group &g,
                                                   const GroupPlace &at, const GroupCells &under,
                                                   const GroupCells &over, M redo, int bg)
{
    alignas(64) uint64_t lines[2][8];
    alignas(16) uint8_t bytes[4][16];
    _mm512_store_si512(lines[0], under.bitmap);
    _mm512_store_si512(lines[1], over.bitmap);
    _mm_store_si128(reinterpret_cast<__m128i *>(bytes[0]), under.screen);
    _mm_store_si128(reinterpret_cast<__m128i *>(bytes[1]), under.colour);
    _mm_store_si128(reinterpret_cast<__m128i *>(bytes[2]), over.screen);
    _mm_store_si128(reinterpret_cast<__m128i *>(bytes[3]), over.colour);
    for (int lane = 0; lane < g.rows * g.n; lane++) {
        if ((redo >> lane & 1U) != 0) {
            const size_t d = static_cast<size_t>(at.dst(g, lane / g.n) + lane % g.n);
            store_lines(&buffers.bitmap[8 * d], lines[0][lane]);
            buffers.screen[d] = bytes[0][lane];
            buffers.colour[d] = bytes[1][lane];
            merge_fast<true>(&buffers.bitmap[8 * d], buffers.screen[d], buffers.colour[d],
                             lines[1][lane], bytes[2][lane], bytes[3][lane], bg);
        }
    }
}

// Eight cells with their colours one per 64-bit lane, as the full colour
// planes take them.
struct Cells
{
    V bitmap, screen, colour;
};
ZBX_WIDE_INLINE Cells wide_cells(const GroupCells &cells)
{
    return {cells.bitmap, _mm512_cvtepu8_epi64(cells.screen), _mm512_cvtepu8_epi64(cells.colour)};
}
// Eight cells painted in full colour over the planes: every pixel that is
// not 00 in its own colour.
ZBX_WIDE_INLINE void paint_planes_wide(const Cells &cells, V (&plane)[2])
{
    // Colour c's bits 0-1 (plane 0) and 2-3 (plane 1) in every bit pair,
    // looked up by c in tables of eight and sixteen words.
    const auto k = [](uint64_t times) { return static_cast<long long>(kLow * times); };
    const V bits01 = _mm512_set_epi64(k(3), k(2), k(1), 0, k(3), k(2), k(1), 0);
    const V bits23_low = _mm512_set_epi64(k(1), k(1), k(1), k(1), 0, 0, 0, 0);
    const V bits23_high = _mm512_set_epi64(k(3), k(3), k(3), k(3), k(2), k(2), k(2), k(2));
    const V colour[3] = {shr(cells.screen, 4), cells.screen & all(15), cells.colour & all(15)};
    const V lo = cells.bitmap & all(kLow);
    const V hi = shr(cells.bitmap, 1) & all(kLow);
    const V pixels[3] = {but(lo, hi), but(hi, lo), lo & hi}; // pairs 01, 10, 11
    const V covering = (lo | hi) | shl(lo | hi, 1);
    plane[0] = but(plane[0], covering);
    plane[1] = but(plane[1], covering);
    for (int i = 0; i < 3; i++) {
        const V where = pixels[i] | shl(pixels[i], 1);
        plane[0] = plane[0] | (where & _mm512_permutexvar_epi64(colour[i], bits01));
        plane[1] =
            plane[1] | (where & _mm512_permutex2var_epi64(bits23_low, colour[i], bits23_high));
    }
}

// A group's object cells painted into the full colour planes. On this
// path they lie plane by plane: plane b of cell c is full[b * kAreaCells + c].
ZBX_WIDE_INLINE void paint_group_planes(uint64_t *full, const Group &g, const GroupPlace &at,
                                        const GroupCells &over)
{
    V plane[kPlanes] = {_mm512_setzero_si512(), _mm512_setzero_si512()};
    for (int q = 0; q < g.rows; q++) {
        const ptrdiff_t cell = static_cast<ptrdiff_t>(at.dst(g, q)) - q * g.n;
        for (int b = 0; b < kPlanes; b++) {
            plane[b] = _mm512_mask_loadu_epi64(plane[b], g.lanes(q), full + b * kAreaCells + cell);
        }
    }
    paint_planes_wide(wide_cells(over), plane);
    for (int q = 0; q < g.rows; q++) {
        const ptrdiff_t cell = static_cast<ptrdiff_t>(at.dst(g, q)) - q * g.n;
        for (int b = 0; b < kPlanes; b++) {
            _mm512_mask_storeu_epi64(full + b * kAreaCells + cell, g.lanes(q), plane[b]);
        }
    }
}

// A group's destination cells and its object cells as placed.
ZBX_WIDE_INLINE void load_cells(const ComposeBuffers &buffers, const Group &g, const GroupPlace &at,
                                const uint8_t *data, const uint8_t *map, GroupCells &under,
                                GroupCells &over)
{
    const uint8_t *obj_bitmap = data + 1;
    const uint8_t *obj_screen = obj_bitmap + 8 * at.w * at.h;
    const uint8_t *obj_colour = obj_screen + at.w * at.h;
    under = load_group(g, buffers.bitmap.data(), buffers.screen.data(), buffers.colour.data(),
                       [&](int q) { return at.dst(g, q); });
    over = object_cells(
        load_group(g, obj_bitmap, obj_screen, obj_colour, [&](int q) { return at.src(g, q); }),
        at.mirror, g.n, map);
}

// Writes a placed group back.
ZBX_WIDE_INLINE void store_cells(ComposeBuffers &buffers, const Group &g, const GroupPlace &at,
                                 const GroupCells &under, const GroupCells &over, V lines,
                                 __m128i screens, __m128i colours, M redo, int bg)
{
    for (int q = 0; q < g.rows; q++) {
        const ptrdiff_t cell = static_cast<ptrdiff_t>(at.dst(g, q)) - q * g.n;
        _mm512_mask_storeu_epi64(buffers.bitmap.data() + 8 * cell, g.lanes(q), lines);
        _mm_mask_storeu_epi8(buffers.screen.data() + cell, g.lanes(q), screens);
        _mm_mask_storeu_epi8(buffers.colour.data() + cell, g.lanes(q), colours);
    }
    redo &= static_cast<M>((1U << (g.rows * g.n)) - 1);
    if (redo != 0) {
        redo_group(buffers, g, at, under, over, redo, bg);
    }
}

// N groups of one object (which share no cell) placed at once.
template <int N, bool kFull>
ZBX_WIDE_INLINE void place_groups(ComposeBuffers &buffers, const Group *groups,
                                  const GroupPlace &at, const uint8_t *data, const uint8_t *map,
                                  int bg, uint64_t *full)
{
    GroupCells under[N], over[N];
    __m128i under_screen[N], under_colour[N], over_screen[N], over_colour[N];
    Many<N> dst, obj;
    for (int g = 0; g < N; g++) {
        load_cells(buffers, groups[g], at, data, map, under[g], over[g]);
        dst.bitmap[g] = under[g].bitmap;
        obj.bitmap[g] = over[g].bitmap;
        under_screen[g] = under[g].screen;
        under_colour[g] = under[g].colour;
        over_screen[g] = over[g].screen;
        over_colour[g] = over[g].colour;
    }
    dst.screen = colour_lanes(under_screen);
    dst.colour = colour_lanes(under_colour);
    obj.screen = colour_lanes(over_screen);
    obj.colour = colour_lanes(over_colour);
    typename Lanes<N>::K redo = 0;
    const Many<N> placed = place<N>(dst, obj, static_cast<uint32_t>(bg), redo);
    __m128i screens[N], colours[N];
    colour_bytes(placed.screen, screens);
    colour_bytes(placed.colour, colours);
    for (int g = 0; g < N; g++) {
        store_cells(buffers, groups[g], at, under[g], over[g], placed.bitmap[g], screens[g],
                    colours[g], part<N>(redo, g), bg);
        if constexpr (kFull) {
            paint_group_planes(full, groups[g], at, over[g]);
        }
    }
}

// One object's cells over the buffers, in groups of up to eight, two
// groups at once where there are two.
template <bool kFull>
ZBX_WIDE_INLINE long draw_cells(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col,
                                int row, bool mirror, const uint8_t *map, int bg, uint64_t *full)
{
    const ObjectSpan span = object_span(w, h, col, row, mirror);
    const GroupPlace at{span, row, w, h, mirror};
    const int rows_per_group = span.across <= 4 ? 8 / span.across : 1;
    // At most 15 rows of two groups each.
    std::array<Group, 32> groups;
    int count = 0;
    for (int r = span.first_row; r < span.last_row; r += rows_per_group) {
        for (int offset = 0; offset < span.across; offset += 8) {
            groups[static_cast<size_t>(count++)] = {r, std::min(rows_per_group, span.last_row - r),
                                                    offset, std::min(8, span.across - offset)};
        }
    }
    int i = 0;
    for (; i + 1 < count; i += 2) {
        place_groups<2, kFull>(buffers, &groups[static_cast<size_t>(i)], at, data, map, bg, full);
    }
    if (i < count) {
        place_groups<1, kFull>(buffers, &groups[static_cast<size_t>(i)], at, data, map, bg, full);
    }
    return static_cast<long>(span.last_row - span.first_row) * span.across;
}

// The clashing cells, eight at a time: each cell as shown (pair 00 in the
// background) against the full colour planes (plane by plane). The 720
// cells lie one after another in the buffers.
ZBX_WIDE_INLINE void find_clashes(const ComposeBuffers &buffers, const uint64_t *full,
                                  const ColourMasks &background, ComposeClashes &clashes)
{
    static_assert(kAreaCells % 8 == 0);
    for (int first = 0; first < kAreaCells; first += 8) {
        const Cells shown{_mm512_loadu_si512(&buffers.bitmap[8 * static_cast<size_t>(first)]),
                          _mm512_cvtepu8_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(
                              &buffers.screen[static_cast<size_t>(first)]))),
                          _mm512_cvtepu8_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(
                              &buffers.colour[static_cast<size_t>(first)])))};
        V plane[2] = {all(background.plane[0]), all(background.plane[1])};
        paint_planes_wide(shown, plane);
        const V expected[kPlanes] = {_mm512_loadu_si512(full + first),
                                     _mm512_loadu_si512(full + kAreaCells + first)};
        unsigned differ = _mm512_cmpneq_epi64_mask(plane[0], expected[0]) |
                          _mm512_cmpneq_epi64_mask(plane[1], expected[1]);
        for (; differ != 0; differ &= differ - 1) {
            clashes.set(static_cast<size_t>(first + std::countr_zero(differ)));
        }
    }
}

} // namespace wide

ZBX_WIDE long draw_cells_groups(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col,
                                int row, bool mirror, const uint8_t *map, int bg, uint64_t *)
{
    return wide::draw_cells<false>(buffers, data, w, h, col, row, mirror, map, bg, nullptr);
}

ZBX_WIDE void find_clashes_wide(const ComposeBuffers &buffers, const uint64_t *full,
                                const ColourMasks &background, ComposeClashes &clashes)
{
    wide::find_clashes(buffers, full, background, clashes);
}

ZBX_WIDE long draw_cells_groups_full(ComposeBuffers &buffers, const uint8_t *data, int w, int h,
                                     int col, int row, bool mirror, const uint8_t *map, int bg,
                                     uint64_t *full)
{
    return wide::draw_cells<true>(buffers, data, w, h, col, row, mirror, map, bg, full);
}

// ZBX_COMPOSE_SCALAR in the environment keeps to the scalar path (the
// tests check both).
bool has_wide_vectors()
{
    if (std::getenv("ZBX_COMPOSE_SCALAR") != nullptr) {
        return false;
    }
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512vpopcntdq") && __builtin_cpu_supports("popcnt");
}
#endif

#if ZBX_MERGE_VARIANTS
__attribute__((target("popcnt"))) long
draw_cells_fast_popcount(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col,
                         int row, bool mirror, const uint8_t *map, int bg, uint64_t *)
{
    return draw_cells<FastMerge<true>>(buffers, data, w, h, col, row, mirror, map, bg);
}

__attribute__((target("popcnt"))) long
draw_cells_fast_popcount_full(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col,
                              int row, bool mirror, const uint8_t *map, int bg, uint64_t *full)
{
    return draw_cells<FastMerge<true>, true>(buffers, data, w, h, col, row, mirror, map, bg, full);
}

__attribute__((target("popcnt"))) void merge_fast_popcount(uint8_t *dst_bitmap, uint8_t &dst_screen,
                                                           uint8_t &dst_colour, uint64_t lines,
                                                           uint8_t screen, uint8_t colour, int bg)
{
    merge_fast<true>(dst_bitmap, dst_screen, dst_colour, lines, screen, colour, bg);
}

// Objects of one or two cells in the area go cell by cell even where the
// vector path is taken: a group costs more than two scalar merges.
bool few_cells(int w, int h, int col, int row, bool mirror)
{
    const ObjectSpan span = object_span(w, h, col, row, mirror);
    return span.across * (span.last_row - span.first_row) <= 2;
}

long draw_cells_wide(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col, int row,
                     bool mirror, const uint8_t *map, int bg, uint64_t *full)
{
    return (few_cells(w, h, col, row, mirror) ? draw_cells_fast_popcount : draw_cells_groups)(
        buffers, data, w, h, col, row, mirror, map, bg, full);
}

bool has_popcount()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("popcnt");
}
const bool popcount_instruction = has_popcount();
const bool wide_vectors = has_wide_vectors();
const DrawCells draw_cells_chosen = wide_vectors           ? draw_cells_wide
                                    : popcount_instruction ? draw_cells_fast_popcount
                                                           : draw_cells_fast;
// With the full colour planes every object takes the groups, which keep
// the planes plane by plane.
const DrawCells draw_cells_chosen_full = wide_vectors           ? draw_cells_groups_full
                                         : popcount_instruction ? draw_cells_fast_popcount_full
                                                                : draw_cells_fast_full;
const MergeFunction merge_chosen = popcount_instruction ? merge_fast_popcount : merge_fast_plain;
#else
const DrawCells draw_cells_chosen = draw_cells_fast;
const DrawCells draw_cells_chosen_full = draw_cells_fast_full;
const MergeFunction merge_chosen = merge_fast_plain;
#endif

void ChosenMerge::merge(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour,
                        uint64_t lines, uint8_t screen, uint8_t colour, int bg)
{
    merge_chosen(dst_bitmap, dst_screen, dst_colour, lines, screen, colour, bg);
}

// Checks the record, clips the object as a whole and draws its cells.
bool draw_object(ComposeBuffers &buffers, DrawCells draw, std::span<const uint8_t> data, int64_t x,
                 int64_t y, bool mirror, std::span<const int> overrides, int background,
                 long *cells, uint64_t *full = nullptr)
{
    int w = 0;
    int h = 0;
    if (!objects_record_ok(data, &w, &h)) {
        return false;
    }
    // Arithmetic shifts: x = -1 lies in cell column -1.
    const int64_t cx = x >> 3;
    const int64_t cy = y >> 3;
    if (x >= 0 && cx >= kComposeColumns) {
        return false;
    }
    if (x < 0 && cx + w <= 0) {
        return false;
    }
    if (y >= 0 && cy >= kComposeRows) {
        return false;
    }
    if (y < 0 && cy + h <= 0) {
        return false;
    }
    // Now -w < cx < 40 and -h < cy < 18.
    std::array<uint8_t, 16> map;
    if (!overrides.empty()) {
        map = compose_override_map(overrides);
    }
    const long drawn =
        draw(buffers, data.data(), w, h, static_cast<int>(cx), static_cast<int>(cy), mirror,
             overrides.empty() ? nullptr : map.data(), background & 255, full);
    if (cells != nullptr) {
        *cells += drawn;
    }
    return true;
}

// The walk over the definitions of one rendering run.
struct Run
{
    const ComposeSource &source;
    ComposeBuffers &buffers;
    ComposeObserver *observer;
    int background;
    DrawCells draw;
    // Whether sub-panels whose box lies wholly outside the area are passed by.
    bool cull;
    ComposeStats stats;
    std::bitset<kPanelIndexes> on_path;
    // The placements in full colour (kPlanes per cell), or null.
    uint64_t *full = nullptr;
};

std::span<const int> overrides_of(const PanelDef &def)
{
    if (!def.has_overrides) {
        return {};
    }
    const int n = std::clamp(def.override_count, 0, 3);
    return {def.overrides, static_cast<size_t>(n)};
}

// Whether panel `panel` placed at (x, y) is known to draw nothing: its box
// misses the area. An object at x >= 320 or with x + width <= 0 is skipped
// whole (and likewise vertically), so a box beyond these edges holds only
// objects that are skipped.
bool wholly_outside(const Run &run, int panel, int64_t x, int64_t y)
{
    ZbxRect box{0, 0, 0, 0};
    if (!run.cull || !run.source.panel_box(panel, &box)) {
        return false;
    }
    const int64_t left = x + box.x;
    const int64_t top = y + box.y;
    return left >= 8 * kComposeColumns || left + box.width <= 0 || top >= 8 * kComposeRows ||
           top + box.height <= 0;
}

void visit_panel(Run &run, int panel, int64_t x_offset, int64_t y_offset)
{
    for (const PanelDef &def : run.source.panel_defs(panel)) {
        if (run.stats.visits >= kComposeMaxVisits || run.stats.cells >= kComposeMaxCells) {
            run.stats.truncated = true;
        }
        if (run.stats.truncated) {
            return;
        }
        run.stats.visits++;
        if (!def.enabled) {
            continue;
        }
        const int64_t x = x_offset + def.x;
        const int64_t y = y_offset + def.y;
        if (def.is_object) {
            const std::span<const uint8_t> data = run.source.object_data(def.item);
            if (draw_object(run.buffers, run.draw, data, x, y, def.mirror, overrides_of(def),
                            run.background, &run.stats.cells, run.full)) {
                run.stats.objects++;
                if (run.observer != nullptr) {
                    run.observer->object_drawn(run.buffers, data[0] >> 4, data[0] & 15);
                }
            }
        } else if (def.item >= 0 && def.item < kPanelIndexes) {
            if (run.on_path.test(def.item)) {
                run.stats.cycles++;
            } else if (!wholly_outside(run, def.item, x, y)) {
                run.on_path.set(def.item);
                visit_panel(run, def.item, x, y);
                run.on_path.reset(def.item);
            }
        }
    }
}

ComposeStats compose(const ComposeSource &source, int top_panel, int background,
                     ComposeBuffers &buffers, ComposeObserver *observer, DrawCells draw, bool cull,
                     uint64_t *full = nullptr)
{
    buffers.clear();
    Run run{source, buffers, observer, background & 255, draw, cull, {}, {}, full};
    if (top_panel >= 0 && top_panel < kPanelIndexes) {
        run.on_path.set(top_panel);
    }
    visit_panel(run, kComposeTop, 0, 0);
    return run.stats;
}

} // namespace

const std::array<uint8_t, 256> compose_mirror_table = make_mirror_table();

void ComposeBuffers::clear()
{
    bitmap.fill(0);
    screen.fill(0);
    colour.fill(0);
}

std::array<uint8_t, 16> compose_override_map(std::span<const int> overrides)
{
    std::array<uint8_t, 16> map;
    for (int c = 0; c < 16; c++) {
        map[c] = static_cast<uint8_t>(c);
    }
    for (int value : overrides) {
        const uint8_t from = value & 15;
        const uint8_t to = (value >> 4) & 15;
        for (uint8_t &c : map) {
            if (c == from) {
                c = to;
            }
        }
    }
    return map;
}

bool compose_draw_object(ComposeBuffers &buffers, std::span<const uint8_t> data, int64_t x,
                         int64_t y, bool mirror, std::span<const int> overrides, int background,
                         long *cells)
{
    return draw_object(buffers, draw_cells_chosen, data, x, y, mirror, overrides, background,
                       cells);
}

void compose_place_cell(ComposeCell &dst, const ComposeCell &obj, int background)
{
    place<ChosenMerge>(dst.bitmap, dst.screen, dst.colour, load_lines(obj.bitmap), obj.screen,
                       obj.colour, background & 255);
}

void compose_merge_cell(ComposeCell &dst, const ComposeCell &obj, int background)
{
    ChosenMerge::merge(dst.bitmap, dst.screen, dst.colour, load_lines(obj.bitmap), obj.screen,
                       obj.colour, background & 255);
}

void compose_merge_cell_portable(ComposeCell &dst, const ComposeCell &obj, int background)
{
    ReferenceMerge::merge(dst.bitmap, dst.screen, dst.colour, load_lines(obj.bitmap), obj.screen,
                          obj.colour, background & 255);
}

ComposeStats compose_panel(const ComposeSource &source, int top_panel, int background,
                           ComposeBuffers &buffers, ComposeObserver *observer)
{
    return compose(source, top_panel, background, buffers, observer, draw_cells_chosen, true);
}

ComposeStats compose_reference(const ComposeSource &source, int top_panel, int background,
                               ComposeBuffers &buffers)
{
    return compose(source, top_panel, background, buffers, nullptr, draw_cells_reference, false);
}

ComposeStats compose_panel_clashes(const ComposeSource &source, int top_panel, int background,
                                   ComposeBuffers &buffers, ComposeClashes &clashes)
{
    const ColourMasks &bg = colour_masks[static_cast<unsigned>(background) & 15U];
    alignas(16) std::array<uint64_t, kPlanes * kAreaCells> full;
#if ZBX_MERGE_VARIANTS
    const bool plane_by_plane = wide_vectors;
#else
    const bool plane_by_plane = false;
#endif
    if (plane_by_plane) {
        for (int b = 0; b < kPlanes; b++) {
            std::fill_n(full.begin() + b * kAreaCells, kAreaCells, bg.plane[b]);
        }
    } else {
        for (int cell = 0; cell < kAreaCells; cell++) {
            std::memcpy(&full[kPlanes * cell], bg.plane, sizeof bg.plane);
        }
    }
    const ComposeStats stats = compose(source, top_panel, background, buffers, nullptr,
                                       draw_cells_chosen_full, true, full.data());
    clashes.reset();
#if ZBX_MERGE_VARIANTS
    if (plane_by_plane) {
        find_clashes_wide(buffers, full.data(), bg, clashes);
        return stats;
    }
#endif
    for (int cell = 0; cell < kAreaCells; cell++) {
        // The cell as shown, pair 00 in the background.
        if (differs(&full[kPlanes * cell], load_lines(&buffers.bitmap[8 * cell]),
                    buffers.screen[cell], buffers.colour[cell], bg)) {
            clashes.set(static_cast<size_t>(cell));
        }
    }
    return stats;
}

std::vector<std::pair<int, int>> compose_clash_cells(const ComposeClashes &clashes)
{
    std::vector<std::pair<int, int>> cells;
    for (size_t i = 0; i < clashes.size(); i++) {
        if (clashes.test(i)) {
            cells.emplace_back(static_cast<int>(i) % kComposeColumns,
                               static_cast<int>(i) / kComposeColumns);
        }
    }
    return cells;
}
