// Panel composition over plain byte buffers. The per-cell work treats the 8
// bitmap bytes of a cell as one 64-bit word: each byte is one pixel line of
// four 2-bit pixels, and every operation below stays inside its byte.
#include "models/panelmodels_compose.h"

#include <algorithm>
#include <bit>
#include <bitset>
#include <climits>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
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

    const int first_col = std::max(0, col);
    const int first_obj_col = mirror ? w - 1 + std::min(col, 0) : std::max(0, -col);
    const int step = mirror ? -1 : 1;
    // Cells per row: up to the object's last column or the area's edge.
    const int across =
        std::min(mirror ? first_obj_col + 1 : w - first_obj_col, kComposeColumns - first_col);
    const int first_row = std::max(0, -row);
    const int last_row = std::min(h, kComposeRows - row);
    for (int r = first_row; r < last_row; r++) {
        const int dst_row = (row + r) * kComposeColumns + first_col;
        int src = r * w + first_obj_col;
        for (int i = 0; i < across; i++, src += step) {
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
    return static_cast<long>(last_row - first_row) * across;
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

bool has_popcount()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("popcnt");
}
const bool popcount_instruction = has_popcount();
const DrawCells draw_cells_chosen =
    popcount_instruction ? draw_cells_fast_popcount : draw_cells_fast;
const DrawCells draw_cells_chosen_full =
    popcount_instruction ? draw_cells_fast_popcount_full : draw_cells_fast_full;
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
    if (!panelmodels_object_record_ok(data, &w, &h)) {
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
        map = panelmodels_override_map(overrides);
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
    // Grows with every call of the observer, after which spans are fetched anew.
    unsigned long epoch = 0;
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
    std::span<const PanelDef> defs = run.source.panel_defs(panel);
    unsigned long fetched = run.epoch;
    for (size_t i = 0; i < defs.size(); i++) {
        if (run.stats.visits >= kComposeMaxVisits || run.stats.cells >= kComposeMaxCells) {
            run.stats.truncated = true;
        }
        if (run.stats.truncated) {
            return;
        }
        run.stats.visits++;
        const PanelDef def = defs[i];
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
                    run.epoch++;
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
        if (run.epoch != fetched) {
            defs = run.source.panel_defs(panel);
            fetched = run.epoch;
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

const std::array<uint8_t, 256> panelmodels_mirror_table = make_mirror_table();

void ComposeBuffers::clear()
{
    bitmap.fill(0);
    screen.fill(0);
    colour.fill(0);
}

bool panelmodels_object_record_ok(std::span<const uint8_t> data, int *w_cells, int *h_cells)
{
    if (data.empty()) {
        return false;
    }
    const int w = data[0] >> 4;
    const int h = data[0] & 15;
    if (w == 0 || h == 0 || data.size() < static_cast<size_t>(10 * w * h + 1)) {
        return false;
    }
    *w_cells = w;
    *h_cells = h;
    return true;
}

std::array<uint8_t, 16> panelmodels_override_map(std::span<const int> overrides)
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

bool panelmodels_draw_object(ComposeBuffers &buffers, std::span<const uint8_t> data, int64_t x,
                             int64_t y, bool mirror, std::span<const int> overrides, int background,
                             long *cells)
{
    return draw_object(buffers, draw_cells_chosen, data, x, y, mirror, overrides, background,
                       cells);
}

void panelmodels_place_cell(ComposeCell &dst, const ComposeCell &obj, int background)
{
    place<ChosenMerge>(dst.bitmap, dst.screen, dst.colour, load_lines(obj.bitmap), obj.screen,
                       obj.colour, background & 255);
}

void panelmodels_merge_cell(ComposeCell &dst, const ComposeCell &obj, int background)
{
    ChosenMerge::merge(dst.bitmap, dst.screen, dst.colour, load_lines(obj.bitmap), obj.screen,
                       obj.colour, background & 255);
}

void panelmodels_merge_cell_portable(ComposeCell &dst, const ComposeCell &obj, int background)
{
    ReferenceMerge::merge(dst.bitmap, dst.screen, dst.colour, load_lines(obj.bitmap), obj.screen,
                          obj.colour, background & 255);
}

ComposeStats panelmodels_compose(const ComposeSource &source, int top_panel, int background,
                                 ComposeBuffers &buffers, ComposeObserver *observer)
{
    return compose(source, top_panel, background, buffers, observer, draw_cells_chosen, true);
}

ComposeStats panelmodels_compose_reference(const ComposeSource &source, int top_panel,
                                           int background, ComposeBuffers &buffers)
{
    return compose(source, top_panel, background, buffers, nullptr, draw_cells_reference, false);
}

ComposeStats panelmodels_compose_clashes(const ComposeSource &source, int top_panel, int background,
                                         ComposeBuffers &buffers, ComposeClashes &clashes)
{
    constexpr int kCells = kComposeColumns * kComposeRows;
    const ColourMasks &bg = colour_masks[static_cast<unsigned>(background) & 15U];
    alignas(16) std::array<uint64_t, kPlanes * kCells> full;
    for (int cell = 0; cell < kCells; cell++) {
        std::memcpy(&full[kPlanes * cell], bg.plane, sizeof bg.plane);
    }
    const ComposeStats stats = compose(source, top_panel, background, buffers, nullptr,
                                       draw_cells_chosen_full, true, full.data());
    clashes.reset();
    for (int cell = 0; cell < kCells; cell++) {
        // The cell as shown, pair 00 in the background.
        if (differs(&full[kPlanes * cell], load_lines(&buffers.bitmap[8 * cell]),
                    buffers.screen[cell], buffers.colour[cell], bg)) {
            clashes.set(static_cast<size_t>(cell));
        }
    }
    return stats;
}

std::vector<std::pair<int, int>> panelmodels_clash_cells(const ComposeClashes &clashes)
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
