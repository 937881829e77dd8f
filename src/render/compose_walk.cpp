// The walk over a panel's definitions, through its sub-panels, drawing each
// object with the implementation chosen for this processor; and the entry
// points of the composition.
#include "items/objects.h"
#include "items/project_size.h"
#include "render/compose_internal.h"

#include <algorithm>
#include <bitset>

namespace compose_impl {
namespace {

// Panels are item indexes; anything outside is no panel.
constexpr int kPanelIndexes = 256;

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
    // The placements in full colour, or null.
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

} // namespace

ComposeStats walk(const ComposeSource &source, int top_panel, int background,
                  ComposeBuffers &buffers, ComposeObserver *observer, DrawCells draw, bool cull,
                  uint64_t *full)
{
    buffers.clear();
    Run run{source, buffers, observer, background & 255, draw, cull, {}, {}, full};
    if (top_panel >= 0 && top_panel < kPanelIndexes) {
        run.on_path.set(top_panel);
    }
    visit_panel(run, kComposeTop, 0, 0);
    return run.stats;
}

} // namespace compose_impl

void ComposeBuffers::clear()
{
    bitmap.fill(0);
    screen.fill(0);
    colour.fill(0);
}

std::string compose_bound_reached(const ComposeStats &stats)
{
    if (!stats.truncated) {
        return "";
    }
    if (stats.visits >= kComposeMaxVisits) {
        return project_format_count(kComposeMaxVisits) + " placement visits";
    }
    return project_format_count(kComposeMaxCells) + " drawn cells";
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
    return compose_impl::draw_object(buffers, compose_impl::chosen_implementation().draw, data, x,
                                     y, mirror, overrides, background, cells);
}

ComposeStats compose_panel(const ComposeSource &source, int top_panel, int background,
                           ComposeBuffers &buffers, ComposeObserver *observer)
{
    return compose_impl::walk(source, top_panel, background, buffers, observer,
                              compose_impl::chosen_implementation().draw, true);
}

ComposeStats compose_reference(const ComposeSource &source, int top_panel, int background,
                               ComposeBuffers &buffers)
{
    return compose_impl::walk(source, top_panel, background, buffers, nullptr,
                              compose_impl::draw_cells_reference, false);
}
