// The lean three-colour merge, one cell at a time, and the drawing loops
// that place an object's cells with it (or with the reference merge): the
// path of processors without AVX-512, and of the cells that path hands back.
#include "render/compose_planes.h"

#include <algorithm>
#include <bit>

namespace compose_impl {
namespace {

// The merge of compose_reference.cpp, lean: the slot that each colour goes
// to is looked up in a table of 16 nibbles (one per colour) instead of
// compared slot by slot, the counts travel packed, and the eviction picks
// its victim by index from small arrays instead of through a switch.
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

inline void copy_cell(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour, uint64_t lines,
                      uint8_t screen, uint8_t colour)
{
    store_lines(dst_bitmap, lines);
    dst_screen = screen;
    dst_colour = colour;
}

// The merges behind one interface, so that the drawing loop takes any of
// them as a template argument and inlines it where it can.
struct ReferenceMerge
{
    static void merge(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour, uint64_t lines,
                      uint8_t screen, uint8_t colour, int bg)
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
                      uint8_t screen, uint8_t colour, int bg)
    {
        chosen_implementation().merge(dst_bitmap, dst_screen, dst_colour, lines, screen, colour,
                                      bg);
    }
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

constexpr std::array<uint8_t, 256> make_mirror_table()
{
    std::array<uint8_t, 256> t{};
    for (int b = 0; b < 256; b++) {
        t[b] = mirror_byte(static_cast<uint8_t>(b));
    }
    return t;
}

} // namespace

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
#endif

} // namespace compose_impl

const std::array<uint8_t, 256> compose_mirror_table = compose_impl::make_mirror_table();

void compose_place_cell(ComposeCell &dst, const ComposeCell &obj, int background)
{
    compose_impl::place<compose_impl::ChosenMerge>(dst.bitmap, dst.screen, dst.colour,
                                                   compose_impl::load_lines(obj.bitmap), obj.screen,
                                                   obj.colour, background & 255);
}

void compose_merge_cell(ComposeCell &dst, const ComposeCell &obj, int background)
{
    compose_impl::chosen_implementation().merge(dst.bitmap, dst.screen, dst.colour,
                                                compose_impl::load_lines(obj.bitmap), obj.screen,
                                                obj.colour, background & 255);
}
