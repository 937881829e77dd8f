// Rendering a dense location: 160 objects of 2 x 2 to 6 x 6 cells with
// random bits and colours, placed through three levels of sub-panels below
// the location's panel so that most cells merge; the floor for it (the
// same cells turned into pixels, nothing composed); the heaviest location
// of the large project; and runs that reach the bound on work.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <climits>
#include <map>
#include <optional>
#include <random>
#include <vector>

#include "large_project.h"
#include "steady.h"

#include "base/gref.h"
#include "c64/pixbufs.h"
#include "files/zembrix_format.h"
#include "items/document.h"
#include "render/canvas.h"
#include "render/compose.h"
#include "render/render.h"

namespace {

struct BenchProject : ComposeSource
{
    std::vector<PanelDef> top;
    std::map<int, std::vector<PanelDef>> panels;
    std::vector<std::vector<uint8_t>> objects;
    // Panel boxes, when known (see compute_boxes).
    std::map<int, ZbxRect> boxes;

    std::span<const PanelDef> panel_defs(int panel) const override
    {
        if (panel == kComposeTop) {
            return top;
        }
        auto it = panels.find(panel);
        return it == panels.end() ? std::span<const PanelDef>() : it->second;
    }
    std::span<const uint8_t> object_data(int object) const override
    {
        if (object < 0 || object >= static_cast<int>(objects.size())) {
            return {};
        }
        return objects[object];
    }
    bool panel_box(int panel, ZbxRect *box) const override
    {
        auto it = boxes.find(panel);
        if (it == boxes.end()) {
            return false;
        }
        *box = it->second;
        return true;
    }

    // The box of every panel that places no panel placing itself: the union
    // of its objects and its sub-panels' boxes, disabled placements
    // included. A panel in a cycle (and any panel above one) stays unknown.
    void compute_boxes()
    {
        boxes.clear();
        std::map<int, std::optional<ZbxRect>> done;
        for (const auto &entry : panels) {
            box_of(entry.first, done);
        }
        for (const auto &[panel, box] : done) {
            if (box) {
                boxes[panel] = *box;
            }
        }
    }

  private:
    std::optional<ZbxRect> box_of(int panel, std::map<int, std::optional<ZbxRect>> &done)
    {
        if (auto it = done.find(panel); it != done.end()) {
            return it->second;
        }
        done[panel] = std::nullopt; // a cycle back here finds it unknown
        int64_t min_x = 320, min_y = 144, max_x = 0, max_y = 0;
        for (const PanelDef &d : panel_defs(panel)) {
            int64_t x = d.x, y = d.y, width = 0, height = 0;
            if (d.is_object) {
                const std::span<const uint8_t> data = object_data(d.item);
                if (!data.empty()) {
                    width = 8 * (data[0] >> 4);
                    height = 8 * (data[0] & 15);
                }
            } else if (panels.count(d.item) != 0) {
                const std::optional<ZbxRect> inner = box_of(d.item, done);
                if (!inner) {
                    return std::nullopt;
                }
                x += inner->x;
                y += inner->y;
                width = inner->width;
                height = inner->height;
            }
            min_x = std::min(min_x, x);
            min_y = std::min(min_y, y);
            max_x = std::max(max_x, x + width);
            max_y = std::max(max_y, y + height);
        }
        auto fit = [](int64_t v) {
            return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
        };
        const ZbxRect box{fit(min_x), fit(min_y), fit(max_x - min_x), fit(max_y - min_y)};
        done[panel] = box;
        return box;
    }
};

PanelDef place(int item, bool is_object, int x, int y, bool mirror = false)
{
    PanelDef d;
    d.item = item;
    d.is_object = is_object;
    d.x = x;
    d.y = y;
    d.mirror = mirror;
    return d;
}

// A random object whose usage nibbles match its pixels, as grabbed objects'
// do.
std::vector<uint8_t> random_object(std::mt19937 &rng, int w, int h)
{
    const int cells = w * h;
    std::vector<uint8_t> data(1 + 10 * cells);
    data[0] = static_cast<uint8_t>((w << 4) | h);
    for (int c = 0; c < cells; c++) {
        int usage = 0;
        for (int line = 0; line < 8; line++) {
            const uint8_t b = static_cast<uint8_t>(rng());
            data[1 + 8 * c + line] = b;
            for (int p = 0; p < 4; p++) {
                usage |= 0x10 << ((b >> (2 * p)) & 3);
            }
        }
        data[1 + 8 * cells + c] = static_cast<uint8_t>(rng());
        data[1 + 9 * cells + c] = static_cast<uint8_t>(usage | (rng() & 15));
    }
    return data;
}

// Location panel -> 2 panels -> 2 each -> 4 each -> 10 objects each: 160
// objects, each drawn once. Panel offsets are small so that objects pile
// up over the whole area. Item indexes: objects 0..159, panels 160 up.
struct DenseLocation
{
    BenchProject project;
    double merged_share = 0;

    DenseLocation()
    {
        std::mt19937 rng(1541);
        std::uniform_int_distribution<int> size(2, 6);
        for (int i = 0; i < 160; i++) {
            project.objects.push_back(random_object(rng, size(rng), size(rng)));
        }
        int next_panel = 160;
        int next_object = 0;
        std::vector<std::pair<int, int>> origins; // absolute cell positions, to count merges
        std::vector<int> object_order;
        auto cell = [&](int limit) {
            return 8 * std::uniform_int_distribution<int>(0, limit)(rng);
        };
        for (int a = 0; a < 2; a++) {
            const int pa = next_panel++;
            const int ax = cell(4), ay = cell(2);
            project.top.push_back(place(pa, false, ax, ay));
            for (int b = 0; b < 2; b++) {
                const int pb = next_panel++;
                const int bx = cell(4), by = cell(2);
                project.panels[pa].push_back(place(pb, false, bx, by));
                for (int c = 0; c < 4; c++) {
                    const int pc = next_panel++;
                    const int cx = cell(4), cy = cell(2);
                    project.panels[pb].push_back(place(pc, false, cx, cy));
                    for (int o = 0; o < 10; o++) {
                        const int ox = cell(26), oy = cell(10);
                        project.panels[pc].push_back(place(next_object, true, ox, oy, rng() & 1));
                        origins.emplace_back((ax + bx + cx + ox) / 8, (ay + by + cy + oy) / 8);
                        object_order.push_back(next_object++);
                    }
                }
            }
        }
        // Share of drawn cells that land on a cell already drawn.
        std::vector<int> covered(kComposeColumns * kComposeRows, 0);
        long drawn = 0;
        long merged = 0;
        for (size_t i = 0; i < object_order.size(); i++) {
            const std::vector<uint8_t> &data = project.objects[object_order[i]];
            const int w = data[0] >> 4;
            const int h = data[0] & 15;
            for (int r = 0; r < h; r++) {
                for (int c = 0; c < w; c++) {
                    const int col = origins[i].first + c;
                    const int row = origins[i].second + r;
                    if (col < kComposeColumns && row < kComposeRows) {
                        drawn++;
                        merged += covered[row * kComposeColumns + col]++ > 0;
                    }
                }
            }
        }
        merged_share = static_cast<double>(merged) / static_cast<double>(drawn);
    }
};

const DenseLocation &dense()
{
    static const DenseLocation location;
    return location;
}

void BM_ComposeDenseLocation(benchmark::State &state)
{
    const DenseLocation &location = dense();
    ComposeBuffers buffers;
    ComposeStats stats;
    for (auto _ : state) {
        stats = compose_panel(location.project, -1, 6, buffers);
        benchmark::DoNotOptimize(buffers.colour.data());
    }
    state.counters["objects"] = static_cast<double>(stats.objects);
    state.counters["cells"] = static_cast<double>(stats.cells);
    state.counters["merged_share"] = location.merged_share;
}
BENCHMARK(BM_ComposeDenseLocation)->MinWarmUpTime(0.1)->Repetitions(15)->ReportAggregatesOnly(true);

void BM_RenderDenseLocationIntoCanvas(benchmark::State &state)
{
    const DenseLocation &location = dense();
    std::vector<uint8_t> pixels(320 * 200 * 4, 0);
    const RgbaView canvas{pixels.data(), 320, 200, 320 * 4};
    ComposeBuffers buffers;
    for (auto _ : state) {
        compose_render_into_view(location.project, -1, 6, buffers, canvas);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_RenderDenseLocationIntoCanvas)
    ->MinWarmUpTime(0.1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

// The same with the clashing cells reported beside (the clash view on);
// the frames drawn over the 406 clashing cells of this location on top.
void BM_RenderDenseLocationWithClashes(benchmark::State &state)
{
    const DenseLocation &location = dense();
    std::vector<uint8_t> pixels(320 * 200 * 4, 0);
    const RgbaView canvas{pixels.data(), 320, 200, 320 * 4};
    ComposeBuffers buffers;
    ComposeClashes clashes;
    for (auto _ : state) {
        compose_panel_clashes(location.project, -1, 6, buffers, clashes);
        compose_convert_buffers(buffers, 6, canvas);
        if (state.range(0) != 0) {
            compose_draw_clash_frames(canvas, clashes, 1);
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["clashing_cells"] = static_cast<double>(clashes.count());
}
BENCHMARK(BM_RenderDenseLocationWithClashes)
    ->ArgName("frames")
    ->Arg(0)
    ->Arg(1)
    ->MinWarmUpTime(0.1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

// The floor under the dense rendering: the same 40 x 18 composed cells
// turned into the canvas's 320 x 144 pixels, with nothing composed.
void BM_ConvertDenseLocationFloor(benchmark::State &state)
{
    const DenseLocation &location = dense();
    std::vector<uint8_t> pixels(320 * 200 * 4, 0);
    const RgbaView canvas{pixels.data(), 320, 200, 320 * 4};
    ComposeBuffers buffers;
    compose_panel(location.project, -1, 6, buffers);
    for (auto _ : state) {
        compose_convert_buffers(buffers, 6, canvas);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_ConvertDenseLocationFloor)
    ->MinWarmUpTime(0.1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

// The same location through the document, as the editor draws it: the
// backdrop copied into the canvas, then the panel rendered over it.
void BM_RenderDenseLocationFromDocument(benchmark::State &state)
{
    const DenseLocation &location = dense();
    const int count = 160 + static_cast<int>(location.project.panels.size()) + 1;
    ZbxProject project;
    project.items.resize(count);
    for (int i = 0; i < 160; i++) {
        project.items[i] = ZbxItem{ZbxItemKind::Object, location.project.objects[i], {}};
    }
    for (const auto &[index, defs] : location.project.panels) {
        project.items[index] = ZbxItem{ZbxItemKind::Panel, {}, defs};
    }
    const int top = count - 1;
    project.items[top] = ZbxItem{ZbxItemKind::Panel, {}, location.project.top};
    Document document;
    document.load(std::move(project));

    GRef<GdkPixbuf> backdrop(canvas_new());
    gdk_pixbuf_fill(backdrop.get(), 0x404040ff);
    GRef<GdkPixbuf> canvas(canvas_new());
    ComposeClashes clashes;
    ComposeClashes *report = state.range(0) != 0 ? &clashes : nullptr;
    for (auto _ : state) {
        canvas_copy_image_above_area(backdrop.get(), canvas.get());
        render_stored_panel(document, top, canvas.get(), 6, report);
        benchmark::DoNotOptimize(gdk_pixbuf_get_pixels(canvas.get()));
    }
}
// With clashes 1 as the previews draw with the clash view on: the clashing
// cells reported in the same pass.
BENCHMARK(BM_RenderDenseLocationFromDocument)
    ->ArgName("clashes")
    ->Arg(0)
    ->Arg(1)
    ->MinWarmUpTime(0.1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

// Sub-panels shared eight levels deep (16^8 objects as written): the run
// stops at its bound. Measures how long the editor can be held at most.
// Arguments: object size in cells; where the shared panels land (0 over
// the area, 1 wholly to its right, 2 with the objects beside it on both
// sides, so that every box straddles the area); whether boxes are known.
void BM_ComposeBoundedByWork(benchmark::State &state)
{
    const int size = static_cast<int>(state.range(0));
    const int layout = static_cast<int>(state.range(1));
    BenchProject project;
    std::mt19937 rng(7);
    project.objects.push_back(random_object(rng, size, size));
    for (int level = 0; level < 8; level++) {
        for (int i = 0; i < 16; i++) {
            const int x = layout == 2 ? (i % 2 == 0 ? -8 * size - 8 : 328) : 8 * (i % 4);
            project.panels[level].push_back(level == 7 ? place(0, true, x, 8 * (i / 4))
                                                       : place(level + 1, false, 0, 0));
        }
    }
    project.top = {place(0, false, layout == 1 ? 400 : 0, 0)};
    if (state.range(2) != 0) {
        project.compute_boxes();
    }
    ComposeBuffers buffers;
    ComposeStats stats;
    for (auto _ : state) {
        stats = compose_panel(project, -1, 0, buffers);
        benchmark::DoNotOptimize(buffers.colour.data());
    }
    state.counters["visits"] = static_cast<double>(stats.visits);
    state.counters["cells"] = static_cast<double>(stats.cells);
}
BENCHMARK(BM_ComposeBoundedByWork)
    ->ArgNames({"size", "layout", "boxes"})
    ->Args({1, 0, 1})
    ->Args({15, 0, 1})
    ->Args({1, 1, 0})
    ->Args({1, 1, 1})
    ->Args({1, 2, 1})
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The large project (255 items, panels placing lower panels): the location
// whose panel takes the most visits, with and without boxes.
struct HeaviestLocation
{
    BenchProject project;
    int background = 0;

    HeaviestLocation()
    {
        ZbxProject parsed;
        if (!zembrix_parse(zbx_near_limit_project(true), "bench", &parsed, nullptr, nullptr,
                           nullptr)) {
            std::abort();
        }
        for (size_t i = 0; i < parsed.items.size(); i++) {
            const ZbxItem &item = parsed.items[i];
            project.objects.push_back(item.kind == ZbxItemKind::Object ? item.record
                                                                       : std::vector<uint8_t>());
            if (item.kind == ZbxItemKind::Panel) {
                project.panels[static_cast<int>(i)] = item.defs;
            }
        }
        long most = -1;
        ComposeBuffers buffers;
        for (const ZbxLocationRecord &location : parsed.locations) {
            auto it = project.panels.find(location.panel);
            if (it == project.panels.end()) {
                continue;
            }
            project.top = it->second;
            const long visits = compose_panel(project, location.panel, 0, buffers).visits;
            if (visits > most) {
                most = visits;
                panel = location.panel;
                background = location.colour;
            }
        }
        project.top = project.panels[panel];
    }
    int panel = -1;
};

void BM_ComposeHeaviestLocation(benchmark::State &state)
{
    static HeaviestLocation location;
    if (state.range(0) != 0) {
        location.project.compute_boxes();
    } else {
        location.project.boxes.clear();
    }
    ComposeBuffers buffers;
    ComposeStats stats;
    for (auto _ : state) {
        stats = compose_panel(location.project, location.panel, location.background, buffers);
        benchmark::DoNotOptimize(buffers.colour.data());
    }
    state.counters["visits"] = static_cast<double>(stats.visits);
    state.counters["objects"] = static_cast<double>(stats.objects);
}
BENCHMARK(BM_ComposeHeaviestLocation)
    ->ArgName("boxes")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Apply(zbx_steady);

} // namespace
