// What the files of the composition share, inside src/render only:
//   compose_bits.h         the bit helpers of the merges
//   compose_planes.h       painting cells into the full colour planes
//   compose_reference.cpp  the merge as the rule states it
//   compose_scalar.cpp     the lean merge and the drawing loops
//   compose_avx512.cpp     eight and sixteen cells at once (AVX-512)
//   compose_clashes.cpp    the clashing cells against the full colour planes
//   compose_dispatch.cpp   which of them this processor runs
//   compose_walk.cpp       the walk over the panels and the entry points
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "render/compose.h"
#include "render/compose_bits.h"

namespace compose_impl {

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

// The buffers' arrays as plain pointers: what compose_avx512.cpp takes, so
// that it instantiates no member of std::array.
struct CellArrays
{
    uint8_t *bitmap;
    uint8_t *screen;
    uint8_t *colour;
};

inline CellArrays cell_arrays(ComposeBuffers &buffers)
{
    return {buffers.bitmap.data(), buffers.screen.data(), buffers.colour.data()};
}

// The placements in full colour, beside the composition: per cell two
// words laid out like the bitmap, one bit pair per pixel, the first holding
// bits 0 and 1 of each pixel's colour and the second bits 2 and 3. They
// start as the background colour. The scalar path keeps a cell's two words
// together (full[kPlanes * cell + b]); the AVX-512 path keeps them plane by
// plane (full[b * kAreaCells + cell]).
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
inline constexpr std::array<ColourMasks, 16> colour_masks = make_colour_masks();

// Draws one object's cells over the buffers: `data` is a checked record of
// w x h cells and (col, row) its top-left cell, not wholly outside; `map`
// the override map or null. The draws named _full paint each cell into the
// full colour planes `full` as well; the others take null there. Returns
// the cells drawn.
using DrawCells = long (*)(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col,
                           int row, bool mirror, const uint8_t *map, int bg, uint64_t *full);
// Merges an object cell (bitmap already mirrored, colours already
// overridden) into a destination cell under the three-colour rule.
using MergeCell = void (*)(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour,
                           uint64_t lines, uint8_t screen, uint8_t colour, int bg);
// Sets bit i % 64 of differ[i / 64] for each cell i of the area whose
// pixels as composed differ from the full colour planes (pair 00 shown in
// `background`), and clears the others.
using FindClashes = void (*)(CellArrays cells, const uint64_t *full, const ColourMasks &background,
                             uint64_t *differ);
constexpr int kClashWords = (kAreaCells + 63) / 64;

// compose_reference.cpp
void merge_reference(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour, uint64_t lines,
                     uint8_t screen, uint8_t colour, int bg);

// compose_scalar.cpp: cell by cell, with the reference merge, with the lean
// merge, and with the lean merge built for the popcount instruction (call
// those only where the processor has it).
long draw_cells_reference(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col,
                          int row, bool mirror, const uint8_t *map, int bg, uint64_t *full);
long draw_cells_fast(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col, int row,
                     bool mirror, const uint8_t *map, int bg, uint64_t *full);
long draw_cells_fast_full(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col,
                          int row, bool mirror, const uint8_t *map, int bg, uint64_t *full);
long draw_cells_fast_popcount(ComposeBuffers &buffers, const uint8_t *data, int w, int h, int col,
                              int row, bool mirror, const uint8_t *map, int bg, uint64_t *full);
long draw_cells_fast_popcount_full(ComposeBuffers &buffers, const uint8_t *data, int w, int h,
                                   int col, int row, bool mirror, const uint8_t *map, int bg,
                                   uint64_t *full);
void merge_fast_plain(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour, uint64_t lines,
                      uint8_t screen, uint8_t colour, int bg);
void merge_fast_popcount(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour,
                         uint64_t lines, uint8_t screen, uint8_t colour, int bg);

// compose_clashes.cpp: the comparison cell by cell, planes kept together.
void find_clashes_scalar(CellArrays cells, const uint64_t *full, const ColourMasks &background,
                         uint64_t *differ);

// compose_avx512.cpp, built for processors with AVX-512 (F, VL, BW, DQ,
// VPOPCNTDQ) and popcount: call only where the processor has them. The
// object's span is computed by the caller; the planes, when `full` is not
// null, lie plane by plane.
long draw_cells_avx512(CellArrays cells, const uint8_t *data, const ObjectSpan &span, int w, int h,
                       int row, bool mirror, const uint8_t *map, int bg, uint64_t *full);
void find_clashes_avx512(CellArrays cells, const uint64_t *full, const ColourMasks &background,
                         uint64_t *differ);

// compose_dispatch.cpp: the implementation this processor runs, chosen at
// the first call. ZBX_COMPOSE_SCALAR in the environment keeps to the
// scalar path (the tests check both).
struct Implementation
{
    DrawCells draw;
    DrawCells draw_full;
    MergeCell merge;
    // The full colour planes lie plane by plane rather than cell by cell.
    bool planes_apart;
    FindClashes find_clashes;
};
const Implementation &chosen_implementation();

// compose_walk.cpp: the definitions of source.panel_defs(kComposeTop)
// composed into the buffers, which are cleared first, each object drawn by
// `draw` (given `full`). `cull` passes by sub-panels whose box lies wholly
// outside the area.
ComposeStats walk(const ComposeSource &source, int top_panel, int background,
                  ComposeBuffers &buffers, ComposeObserver *observer, DrawCells draw, bool cull,
                  uint64_t *full = nullptr);

} // namespace compose_impl
