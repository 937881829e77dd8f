// The clashing cells: the composition run with the placements painted in
// full colour beside it, then each cell as composed compared with them.
#include "render/compose_planes.h"

#include <algorithm>
#include <cstring>

namespace compose_impl {

void find_clashes_scalar(CellArrays cells, const uint64_t *full, const ColourMasks &background,
                         uint64_t *differ)
{
    std::fill_n(differ, kClashWords, 0);
    for (int cell = 0; cell < kAreaCells; cell++) {
        // The cell as shown, pair 00 in the background.
        const bool clash = differs(&full[kPlanes * cell], load_lines(cells.bitmap + 8 * cell),
                                   cells.screen[cell], cells.colour[cell], background);
        differ[cell / 64] |= static_cast<uint64_t>(clash) << (cell % 64);
    }
}

} // namespace compose_impl

ComposeStats compose_panel_clashes(const ComposeSource &source, int top_panel, int background,
                                   ComposeBuffers &buffers, ComposeClashes &clashes)
{
    using namespace compose_impl;
    const Implementation &chosen = chosen_implementation();
    const ColourMasks &bg = colour_masks[static_cast<unsigned>(background) & 15U];
    alignas(64) std::array<uint64_t, kPlanes * kAreaCells> full;
    if (chosen.planes_apart) {
        for (int b = 0; b < kPlanes; b++) {
            std::fill_n(full.begin() + b * kAreaCells, kAreaCells, bg.plane[b]);
        }
    } else {
        for (int cell = 0; cell < kAreaCells; cell++) {
            std::memcpy(&full[kPlanes * cell], bg.plane, sizeof bg.plane);
        }
    }
    const ComposeStats stats =
        walk(source, top_panel, background, buffers, nullptr, chosen.draw_full, true, full.data());
    uint64_t differ[kClashWords];
    chosen.find_clashes(cell_arrays(buffers), full.data(), bg, differ);
    clashes.reset();
    for (int w = kClashWords - 1; w >= 0; w--) {
        clashes <<= 64;
        clashes |= ComposeClashes(differ[w]);
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
