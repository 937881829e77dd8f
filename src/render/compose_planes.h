// Painting cells into the full colour planes (see compose_internal.h), cell
// by cell with the planes of a cell together: while drawing, and when
// comparing them with what was composed.
#pragma once

#include "render/compose_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace compose_impl {

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

} // namespace compose_impl
