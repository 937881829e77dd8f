// Panel composition on plain buffers: clipping, mirroring, overrides, the
// copy/keep/merge decision, the three-colour merge, nesting, cycles and the
// bound on the work of one run.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "items/objects.h"
#include "render/compose.h"
#include "support/bytes.h"
#include "support/project.h"

namespace {

// A project held in plain containers.
struct TestProject : ComposeSource
{
    std::vector<PanelDef> top;
    std::map<int, std::vector<PanelDef>> panels;
    std::map<int, std::vector<uint8_t>> objects;

    std::span<const PanelDef> panel_defs(int panel) const override
    {
        auto it = panels.find(panel);
        return panel == kComposeTop ? std::span<const PanelDef>(top)
               : it == panels.end() ? std::span<const PanelDef>()
                                    : it->second;
    }
    std::span<const uint8_t> object_data(int object) const override
    {
        auto it = objects.find(object);
        return it == objects.end() ? std::span<const uint8_t>() : it->second;
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

    // Known boxes: each panel's is that of every object it can reach, on
    // any path that enters no panel twice.
    std::map<int, ZbxRect> boxes;
    void compute_boxes()
    {
        boxes.clear();
        std::map<int, ZbxRect> found;
        for (const auto &[panel, defs] : panels) {
            int64_t edges[4] = {INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
            std::set<int> path = {panel};
            reach(defs, 0, 0, path, edges);
            found[panel] = edges[0] > edges[2]
                               ? ZbxRect{320, 144, -320, -144}
                               : ZbxRect{int(edges[0]), int(edges[1]), int(edges[2] - edges[0]),
                                         int(edges[3] - edges[1])};
        }
        boxes = found;
    }

  private:
    void reach(const std::vector<PanelDef> &defs, int64_t x, int64_t y, std::set<int> &path,
               int64_t *edges) const
    {
        for (const PanelDef &d : defs) {
            if (d.is_object) {
                auto it = objects.find(d.item);
                const int size = it == objects.end() || it->second.empty() ? 0 : it->second[0];
                edges[0] = std::min(edges[0], x + d.x);
                edges[1] = std::min(edges[1], y + d.y);
                edges[2] = std::max<int64_t>(edges[2], x + d.x + 8 * (size >> 4));
                edges[3] = std::max<int64_t>(edges[3], y + d.y + 8 * (size & 15));
            } else if (panels.count(d.item) != 0 && path.insert(d.item).second) {
                reach(panels.at(d.item), x + d.x, y + d.y, path, edges);
                path.erase(d.item);
            }
        }
    }
};

// Eight pixel lines written as four digits 0..3 each, leftmost first.
ComposeCell cell(const char *pixels, uint8_t screen, uint8_t colour)
{
    ComposeCell c{};
    EXPECT_EQ(std::string(pixels).size(), 32u);
    for (int i = 0; i < 32; i++) {
        c.bitmap[i / 4] |= static_cast<uint8_t>((pixels[i] - '0') << (6 - 2 * (i % 4)));
    }
    c.screen = screen;
    c.colour = colour;
    return c;
}

std::string pixels_of(const ComposeCell &c)
{
    std::string text;
    for (int i = 0; i < 32; i++) {
        text += static_cast<char>('0' + ((c.bitmap[i / 4] >> (6 - 2 * (i % 4))) & 3));
    }
    return text;
}

// Pixels 0 1 2 3 in every line: asymmetric, so mirroring shows.
const ComposeCell kOpaque = cell("01230123012301230123012301230123", 0x12, 0xE3);

// An object record of w x h cells, all made from one cell. Numbered: each
// screen byte is replaced by its position (row in the high, column in the
// low nibble).
std::vector<uint8_t> object(int w, int h, const ComposeCell &proto = kOpaque, bool numbered = false)
{
    std::vector<uint8_t> data(1 + 8 * w * h);
    data[0] = static_cast<uint8_t>((w << 4) | h);
    for (size_t i = 1; i < data.size(); i++) {
        data[i] = proto.bitmap[(i - 1) % 8];
    }
    for (int i = 0; i < w * h; i++) {
        data.push_back(numbered ? static_cast<uint8_t>((i / w) << 4 | (i % w)) : proto.screen);
    }
    data.insert(data.end(), w * h, proto.colour);
    return data;
}

ComposeCell cell_at(const ComposeBuffers &b, int col, int row)
{
    ComposeCell c{};
    std::copy_n(&b.bitmap[row * 320 + col * 8], 8, c.bitmap);
    c.screen = b.screen[row * 40 + col];
    c.colour = b.colour[row * 40 + col];
    return c;
}

// Every drawn cell as {column, row, screen byte}.
using Drawn = std::vector<std::array<int, 3>>;
Drawn drawn_cells(const ComposeBuffers &b)
{
    Drawn out;
    for (int i = 0; i < 40 * kComposeRows; i++) {
        if (b.colour[i] != 0) {
            out.push_back({i % 40, i / 40, b.screen[i]});
        }
    }
    return out;
}

Drawn compose(const TestProject &project, int top, ComposeStats *stats = nullptr)
{
    ComposeBuffers b;
    ComposeStats s = compose_panel(project, top, 0, b);
    if (stats != nullptr) {
        *stats = s;
    }
    return drawn_cells(b);
}

struct RecordingObserver : ComposeObserver
{
    std::vector<std::pair<int, int>> sizes;
    void object_drawn(const ComposeBuffers &, int w, int h) override { sizes.emplace_back(w, h); }
};

// A random cell whose colours come from a small range, so that colours
// repeat, match the background and fit as often as they conflict. With
// `consistent` its usage bits say exactly which pairs its pixels use.
ComposeCell random_cell(std::mt19937 &rng, int colours, bool consistent)
{
    ComposeCell c{};
    std::uniform_int_distribution<int> colour(0, colours - 1);
    std::uniform_int_distribution<int> density(0, 3);
    const int sparse = density(rng);
    int usage = 0;
    for (int i = 0; i < 8; i++) {
        uint8_t b = static_cast<uint8_t>(rng());
        if (sparse == 0) {
            b &= static_cast<uint8_t>(rng()); // more pairs 00
        }
        c.bitmap[i] = b;
        for (int pos = 0; pos < 4; pos++) {
            usage |= 0x10 << ((b >> (2 * pos)) & 3);
        }
    }
    if (!consistent) {
        usage = static_cast<int>(rng() & 0xF0);
    }
    c.screen = static_cast<uint8_t>((colour(rng) << 4) | colour(rng));
    c.colour = static_cast<uint8_t>(usage | colour(rng));
    return c;
}
} // namespace

TEST(ComposeSteps, MirrorTableRecordCheckAndOverrideChain)
{
    // The drawing path mirrors all lines at once; it must agree with the
    // table for every byte.
    for (int first = 0; first < 256; first += 8) {
        ComposeBuffers b;
        b.clear();
        std::vector<uint8_t> data = {0x11};
        for (int i = 0; i < 8; i++) {
            data.push_back(static_cast<uint8_t>(first + i));
        }
        data.insert(data.end(), {0x12, 0xE3});
        ASSERT_TRUE(compose_draw_object(b, data, 0, 0, true, {}, 0));
        for (int i = 0; i < 8; i++) {
            EXPECT_EQ(b.bitmap[i], compose_mirror_table[first + i]) << first + i;
        }
    }

    // A record cut short, or of width or height 0, draws nothing.
    int w = 0, h = 0;
    std::vector<uint8_t> ok = object(2, 3);
    EXPECT_TRUE(objects_record_ok(ok, &w, &h));
    EXPECT_EQ(w * 10 + h, 23);
    ok.pop_back();
    EXPECT_FALSE(objects_record_ok(ok, &w, &h));
    EXPECT_FALSE(objects_record_ok(std::vector<uint8_t>(11, 0x10), &w, &h));
    EXPECT_FALSE(objects_record_ok(std::vector<uint8_t>(11, 0x01), &w, &h));
    // Overrides apply in list order: 2 -> 5 -> 7.
    const int chain[] = {0x52, 0x75};
    const std::array<uint8_t, 16> map = compose_override_map(chain);
    EXPECT_EQ(std::vector<int>({map[2], map[5], map[7], map[3]}), std::vector<int>({7, 7, 7, 3}));
    // In a run: colour 2 in all three places, 5 in the screen's low nibble;
    // the third value lies beyond the count and the flag decides.
    const ComposeCell c = cell("01230123012301230123012301230123", 0x25, 0xE2);
    TestProject project;
    project.objects[1] = object(1, 1, c);
    project.top = {zbx_object_def(1, 0, 0, false, {0x52, 0x75})};
    project.top[0].overrides[2] = 0x31;
    ComposeBuffers b;
    compose_panel(project, -1, 0, b);
    EXPECT_EQ(std::vector<int>({b.screen[0], b.colour[0]}), std::vector<int>({0x77, 0xE7}));
    EXPECT_EQ(pixels_of(cell_at(b, 0, 0)), pixels_of(c));
    project.top[0].has_overrides = false;
    compose_panel(project, -1, 0, b);
    EXPECT_EQ(std::vector<int>({b.screen[0], b.colour[0]}), std::vector<int>({0x25, 0xE2}));
}

TEST(ComposeClipping, ObjectsAtTheEdgesOfTheArea)
{
    const std::vector<std::string> rows = zbx_data_rows("compose/clipping.txt");
    EXPECT_EQ(rows.size(), 14u);
    for (const std::string &row : rows) {
        std::istringstream in(row);
        int w = 0, h = 0, col = 0, r = 0, screen = 0;
        int64_t x = 0, y = 0;
        std::string mirror, cell_text;
        in >> w >> h >> x >> y >> mirror;
        Drawn expected;
        while (in >> cell_text && cell_text != "none") {
            ASSERT_EQ(std::sscanf(cell_text.c_str(), "%d,%d=%x", &col, &r, &screen), 3) << row;
            expected.push_back({col, r, screen});
        }
        ComposeBuffers b;
        b.clear();
        EXPECT_EQ(compose_draw_object(b, object(w, h, kOpaque, true), x, y, mirror == "yes", {}, 0),
                  !expected.empty())
            << row;
        EXPECT_EQ(drawn_cells(b), expected) << row;
        if (x == -8) {
            EXPECT_EQ(pixels_of(cell_at(b, 0, 0)),
                      mirror == "yes" ? "32103210321032103210321032103210" : pixels_of(kOpaque));
        }
    }
}

// The copy/keep/merge decision and the three-colour merge, one worked cell
// over another per row of the table.
TEST(ComposeMerge, WorkedCells)
{
    const std::vector<std::string> rows = zbx_data_rows("compose/cells.txt");
    EXPECT_EQ(rows.size(), 12u);
    for (const std::string &row : rows) {
        std::istringstream in(row);
        std::string op, dst_pixels, obj_pixels, pixels, what;
        int ds, dc, os, oc, background, screen, colour;
        in >> op >> dst_pixels >> std::hex >> ds >> dc >> obj_pixels >> os >> oc >> std::dec >>
            background >> pixels >> std::hex >> screen >> colour;
        std::getline(in >> std::ws, what);
        ComposeCell dst = cell(dst_pixels.c_str(), uint8_t(ds), uint8_t(dc));
        const ComposeCell obj = cell(obj_pixels.c_str(), uint8_t(os), uint8_t(oc));
        (op == "place" ? compose_place_cell : compose_merge_cell)(dst, obj, background);
        EXPECT_EQ(pixels_of(dst), pixels) << what;
        EXPECT_EQ(dst.screen, screen) << what;
        EXPECT_EQ(dst.colour, colour) << what;
    }
}

TEST(ComposeRun, NestedDisabledMissingAndBadItems)
{
    TestProject project;
    project.objects[0] = object(1, 1);
    project.objects[1] = {0x22, 1, 2, 3}; // too short
    project.objects[2] = object(1, 1);
    project.objects[2][0] = 0x01; // zero width
    project.panels[1] = {zbx_object_def(0, 8, 16)};
    project.panels[2] = {zbx_panel_def(1, 16, 8), zbx_panel_def(1, 40, 0)};
    PanelDef disabled_panel = zbx_panel_def(2, 8, 0);
    disabled_panel.enabled = false;
    PanelDef disabled_object = zbx_object_def(0, 16, 0);
    disabled_object.enabled = false;
    project.top = {zbx_panel_def(2, 8, 8),   zbx_object_def(1, 0, 0), zbx_object_def(2, 0, 0),
                   zbx_object_def(9, 0, 0),  zbx_panel_def(7, 0, 0),  zbx_panel_def(-4, 0, 0),
                   zbx_panel_def(300, 0, 0), disabled_panel,          disabled_object,
                   zbx_object_def(0, 24, 0)};
    ComposeStats stats;
    // Offsets add up: 8 + 16 + 8, 8 + 8 + 16 and 8 + 40 + 8, 8 + 0 + 16.
    EXPECT_EQ(compose(project, 3, &stats), (Drawn{{3, 0, 0x12}, {7, 3, 0x12}, {4, 4, 0x12}}));
    EXPECT_EQ(stats.objects, 3);
    EXPECT_FALSE(stats.truncated);
}

TEST(ComposeRun, PanelsThatPlaceEachOtherDrawEachOnce)
{
    // 1 places 2, 2 places 1: from either side the other is drawn once and
    // the way back is refused.
    TestProject project;
    project.objects[0] = object(1, 1);
    project.objects[1] = object(1, 1, cell("11111111111111111111111111111111", 0x70, 0x20));
    project.panels[1] = {zbx_object_def(0, 0, 0), zbx_panel_def(2, 8, 0)};
    project.panels[2] = {zbx_object_def(1, 0, 8), zbx_panel_def(1, 8, 0), zbx_object_def(1, 0, 16)};
    ComposeStats stats;
    project.top = project.panels[1];
    EXPECT_EQ(compose(project, 1, &stats), (Drawn{{0, 0, 0x12}, {1, 1, 0x70}, {1, 2, 0x70}}));
    EXPECT_EQ(stats.cycles, 1);
    project.top = project.panels[2];
    EXPECT_EQ(compose(project, 2, &stats), (Drawn{{1, 0, 0x12}, {0, 1, 0x70}, {0, 2, 0x70}}));
    EXPECT_EQ(stats.cycles, 1);
    // The same list not known as a stored panel: panel 2 is entered once
    // more below panel 1 before the way back is refused.
    EXPECT_EQ(compose(project, -1, &stats),
              (Drawn{{1, 0, 0x12}, {0, 1, 0x70}, {2, 1, 0x70}, {0, 2, 0x70}, {2, 2, 0x70}}));
    EXPECT_EQ(stats.cycles, 1);

    // A longer cycle and a panel placing itself end too.
    project.panels[1] = {zbx_panel_def(2, 8, 0), zbx_object_def(0, 0, 0)};
    project.panels[2] = {zbx_panel_def(3, 8, 0), zbx_object_def(0, 0, 0)};
    project.panels[3] = {zbx_panel_def(1, 8, 0), zbx_panel_def(3, 0, 0), zbx_object_def(0, 0, 0)};
    project.top = project.panels[1];
    EXPECT_EQ(compose(project, 1, &stats), (Drawn{{0, 0, 0x12}, {1, 0, 0x12}, {2, 0, 0x12}}));
    EXPECT_EQ(stats.cycles, 2);

    // One sub-panel placed twice by a panel placed twice is no cycle.
    project.panels[3] = {zbx_object_def(0, 0, 0)};
    project.panels[2] = {zbx_panel_def(3, 0, 0), zbx_panel_def(3, 8, 0)};
    project.top = {zbx_panel_def(2, 0, 0), zbx_panel_def(2, 0, 8)};
    compose(project, -1, &stats);
    EXPECT_EQ(stats.cycles, 0);
    EXPECT_EQ(stats.objects, 4);
}

TEST(ComposeRun, WorkIsBoundedForDeepSharing)
{
    // Eight levels, each placing the next sixteen times: 16^8 objects as
    // written. The run stops at its bound.
    TestProject project;
    project.objects[0] = object(1, 1);
    for (int level = 0; level < 8; level++) {
        for (int i = 0; i < 16; i++) {
            project.panels[level].push_back(level == 7 ? zbx_object_def(0, 8 * i, 0)
                                                       : zbx_panel_def(level + 1, 0, 0));
        }
    }
    project.top = project.panels[0];
    ComposeBuffers b;
    ComposeStats stats = compose_panel(project, 0, 0, b);
    EXPECT_TRUE(stats.truncated);
    EXPECT_EQ(stats.visits, kComposeMaxVisits);
    EXPECT_EQ(b.screen[15], 0x12); // what was drawn before the stop is there
    EXPECT_EQ(compose_bound_reached(stats), "1,000,000 placement visits");

    // Big objects reach the bound on cells first.
    project.objects[0] = object(15, 15);
    stats = compose_panel(project, 0, 0, b);
    EXPECT_TRUE(stats.truncated);
    EXPECT_LT(stats.visits, kComposeMaxVisits);
    EXPECT_GE(stats.cells, kComposeMaxCells);
    EXPECT_LT(stats.cells, kComposeMaxCells + 225);
    EXPECT_EQ(compose_bound_reached(stats), "4,000,000 drawn cells");

    // Within the bound everything is drawn: four levels, 16^4 objects.
    project.objects[0] = object(1, 1);
    project.panels[3] = project.panels[7];
    stats = compose_panel(project, 0, 0, b);
    EXPECT_FALSE(stats.truncated);
    EXPECT_EQ(stats.objects, 16 * 16 * 16 * 16);
    EXPECT_EQ(compose_bound_reached(stats), "");
}

TEST(ComposeRun, ObserverSeesEachDrawnObject)
{
    TestProject project;
    project.objects[0] = object(3, 2);
    project.objects[1] = object(1, 1);
    project.panels[4] = {zbx_object_def(1, 0, 0), zbx_object_def(0, 400, 0)};
    project.top = {zbx_object_def(0, -8, 0), zbx_panel_def(4, 8, 8), zbx_object_def(0, -24, 0)};
    RecordingObserver observer;
    ComposeBuffers b;
    compose_panel(project, -1, 0, b, &observer);
    // Clipped objects count with their full size; wholly outside ones not.
    EXPECT_EQ(observer.sizes, (std::vector<std::pair<int, int>>{{3, 2}, {1, 1}}));
}

namespace {
// A random project: objects of random sizes and cells (some records bad),
// panels that place objects and each other in any way, cycles included,
// at positions around and far outside the area, mirrored, recoloured and
// disabled.
TestProject random_project(std::mt19937 &rng, int colours)
{
    TestProject project;
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    for (int o = 0; o < 10; o++) {
        const int w = pick(0, 9) == 0 ? pick(7, 15) : pick(1, 6);
        const int h = pick(1, 6);
        const bool consistent = pick(0, 3) != 0;
        std::vector<uint8_t> data = {static_cast<uint8_t>(w << 4 | h)};
        std::vector<ComposeCell> cells;
        for (int c = 0; c < w * h; c++) {
            cells.push_back(random_cell(rng, colours, consistent));
            cells.back().colour &= pick(0, 7) == 0 ? 0xEF : 0xFF; // some cells opaque
        }
        for (const ComposeCell &c : cells) {
            data.insert(data.end(), c.bitmap, c.bitmap + 8);
        }
        for (const ComposeCell &c : cells) {
            data.push_back(c.screen);
        }
        for (const ComposeCell &c : cells) {
            data.push_back(c.colour);
        }
        if (pick(0, 19) == 0) {
            data.pop_back(); // cut short
        }
        project.objects[o] = data;
    }
    auto position = [&] {
        const int where = pick(0, 9);
        return where == 0 ? pick(-2000, 2000) : where == 1 ? pick(-400, 400) : 8 * pick(-6, 40);
    };
    auto definition = [&](bool object, int item) {
        std::vector<int> overrides;
        if (pick(0, 3) == 0) {
            for (int n = pick(1, 3); n > 0; n--) {
                overrides.push_back(pick(0, 255));
            }
        }
        PanelDef d =
            object ? zbx_object_def(item, position(), position() / 2, pick(0, 1) == 1, overrides)
                   : zbx_panel_def(item, position(), position() / 2);
        d.enabled = pick(0, 9) != 0;
        return d;
    };
    for (int p = 10; p < 16; p++) {
        std::vector<PanelDef> &defs = project.panels[p];
        for (int n = pick(0, 8); n > 0; n--) {
            const bool object = pick(0, 2) != 0;
            defs.push_back(definition(object, object ? pick(0, 10) : pick(10, 16)));
        }
    }
    for (int n = pick(1, 8); n > 0; n--) {
        const bool object = pick(0, 1) != 0;
        project.top.push_back(definition(object, object ? pick(0, 9) : pick(10, 15)));
    }
    project.compute_boxes();
    return project;
}
} // namespace

template <size_t N> std::vector<uint8_t> bytes(const std::array<uint8_t, N> &a)
{
    return {a.begin(), a.end()};
}

TEST(ComposeRun, FastPathDrawsWhatTheReferenceDraws)
{
    // Whole compositions: the lean merge inlined in the drawing loop, the
    // override map only where there are overrides, sub-panels outside the
    // area passed by their boxes; against the plain walk with the merge
    // written as the rule states it.
    std::mt19937 rng(4711);
    for (int round = 0; round < 3000 && !HasFailure(); round++) {
        const int colours = 2 + round % 15;
        const TestProject project = random_project(rng, colours);
        const int background = static_cast<int>(rng() % (round % 5 == 0 ? 256 : colours));
        const int top = round % 3 == 0 ? 10 + static_cast<int>(rng() % 6) : -1;
        ComposeBuffers fast;
        ComposeBuffers reference;
        const ComposeStats fast_stats = compose_panel(project, top, background, fast);
        const ComposeStats reference_stats = compose_reference(project, top, background, reference);
        EXPECT_LE(fast_stats.visits, reference_stats.visits);
        EXPECT_EQ(fast_stats.objects, reference_stats.objects) << "round " << round;
        EXPECT_TRUE(zbx_bytes_equal(bytes(reference.bitmap), bytes(fast.bitmap)))
            << "round " << round;
        EXPECT_TRUE(zbx_bytes_equal(bytes(reference.screen), bytes(fast.screen)))
            << "round " << round;
        EXPECT_TRUE(zbx_bytes_equal(bytes(reference.colour), bytes(fast.colour)))
            << "round " << round;
    }
}

TEST(ComposeRun, PanelsWhollyOutsideTheAreaAreNotWalked)
{
    // A panel of sixteen 1 x 1 objects shared three levels deep, placed
    // where its box ends at the area's edges and where it reaches in.
    TestProject project;
    project.objects[0] = object(1, 1);
    for (int i = 0; i < 16; i++) {
        project.panels[3].push_back(zbx_object_def(0, 8 * i, 0));
    }
    for (int level = 1; level <= 2; level++) {
        project.panels[level].assign(4, zbx_panel_def(level + 1, 0, 0));
    }
    project.top = {zbx_panel_def(1, -128, 0), zbx_panel_def(1, 320, 0), zbx_panel_def(1, 0, 144),
                   zbx_panel_def(1, 0, -8), zbx_panel_def(1, -100, 8)};
    ComposeBuffers b;
    const ComposeStats walked = compose_panel(project, -1, 0, b);
    EXPECT_EQ(walked.visits, 5 + 5 * (4 + 16 + 16 * 16));
    project.compute_boxes();
    EXPECT_EQ(project.boxes[1].x, 0);
    EXPECT_EQ(project.boxes[1].width, 128);
    const ComposeStats culled = compose_panel(project, -1, 0, b);
    EXPECT_EQ(culled.visits, 5 + 4 + 16 + 16 * 16);
    // Only the last placement draws: its objects at x = 4, 12 and 20 land
    // in columns 0 to 2 of row 1 (the one at x = -4 in column -1).
    EXPECT_EQ(culled.objects, walked.objects);
    EXPECT_EQ(drawn_cells(b).size(), 3u);
    EXPECT_EQ(drawn_cells(b).front(), (std::array<int, 3>{0, 1, 0x12}));
}

namespace {
// What the placements of a flat list show in full colour, pixel by pixel
// (160 x 144 double-width pixels, -1 for the background): each object drawn
// alone, then its pixels that are not 00 laid over what is there.
std::vector<int> full_colour_of(const TestProject &project, int background)
{
    std::vector<int> picture(160 * 144, -1);
    for (const PanelDef &d : project.top) {
        ComposeBuffers alone;
        alone.clear();
        std::span<const int> overrides(d.overrides, d.has_overrides ? d.override_count : 0);
        if (!d.enabled || !compose_draw_object(alone, project.object_data(d.item), d.x, d.y,
                                               d.mirror, overrides, background)) {
            continue;
        }
        const std::span<const uint8_t> data = project.object_data(d.item);
        const int cx = d.x >> 3;
        const int cy = d.y >> 3;
        for (int y = 0; y < 144; y++) {
            for (int x = 0; x < 160; x++) {
                const int c = (y / 8) * 40 + x / 4;
                if (x / 4 < cx || x / 4 >= cx + (data[0] >> 4) || y / 8 < cy ||
                    y / 8 >= cy + (data[0] & 15)) {
                    continue; // not covered
                }
                const int pair = (alone.bitmap[8 * c + y % 8] >> (6 - 2 * (x % 4))) & 3;
                const int colours[4] = {-1, alone.screen[c] >> 4, alone.screen[c] & 15,
                                        alone.colour[c] & 15};
                if (pair != 0) {
                    picture[y * 160 + x] = colours[pair];
                }
            }
        }
    }
    return picture;
}

ComposeClashes expected_clashes(const TestProject &project, int background,
                                const ComposeBuffers &drawn)
{
    const std::vector<int> full = full_colour_of(project, background);
    ComposeClashes clashes;
    for (int y = 0; y < 144; y++) {
        for (int x = 0; x < 160; x++) {
            const int c = (y / 8) * 40 + x / 4;
            const int pair = (drawn.bitmap[8 * c + y % 8] >> (6 - 2 * (x % 4))) & 3;
            const int colours[4] = {background & 15, drawn.screen[c] >> 4, drawn.screen[c] & 15,
                                    drawn.colour[c] & 15};
            const int want = full[y * 160 + x] < 0 ? background & 15 : full[y * 160 + x];
            if (colours[pair] != want) {
                clashes.set(c);
            }
        }
    }
    return clashes;
}

} // namespace

TEST(ComposeClashes, AgreeWithTheFullColourPictureOnRandomLists)
{
    // Random flat lists, clipped, mirrored and overridden, with consistent
    // and inconsistent usage bits, against a picture made pixel by pixel;
    // what is drawn stays what the plain composition draws.
    std::mt19937 rng(1623);
    int clashing = 0;
    for (int round = 0; round < 400 && !HasFailure(); round++) {
        TestProject project = random_project(rng, 2 + round % 8);
        std::erase_if(project.top, [](const PanelDef &d) { return !d.is_object; });
        for (PanelDef &d : project.top) {
            d.x = (d.x % 120 + 120) % 120 - 40; // crowded, and clipped on the left
            d.y = (d.y % 80 + 80) % 80 - 24;
        }
        const int background = static_cast<int>(rng() % 16);
        ComposeBuffers plain;
        ComposeBuffers drawn;
        ComposeClashes clashes;
        compose_panel(project, -1, background, plain);
        compose_panel_clashes(project, -1, background, drawn, clashes);
        EXPECT_TRUE(zbx_bytes_equal(bytes(plain.bitmap), bytes(drawn.bitmap)));
        EXPECT_TRUE(zbx_bytes_equal(bytes(plain.screen), bytes(drawn.screen)));
        EXPECT_TRUE(zbx_bytes_equal(bytes(plain.colour), bytes(drawn.colour)));
        const ComposeClashes expected = expected_clashes(project, background, drawn);
        EXPECT_EQ(compose_clash_cells(clashes), compose_clash_cells(expected)) << "round " << round;
        clashing += clashes.any() ? 1 : 0;
    }
    EXPECT_GT(clashing, 60);
}

TEST(ComposeClashes, FramesLieOnTheCellBordersAtEveryZoom)
{
    ComposeClashes clashes;
    clashes.set(0);            // (0, 0)
    clashes.set(3 * 40 + 5);   // (5, 3)
    clashes.set(17 * 40 + 39); // (39, 17)
    for (int scale : {1, 2, 4}) {
        const int w = 320 * scale;
        const int h = 200 * scale;
        std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4, 0);
        compose_draw_clash_frames({pixels.data(), w, h, 4 * w}, clashes, scale);
        const int size = 8 * scale;
        int red = 0;
        int white = 0;
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                const uint8_t *p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
                const int col = x / size;
                const int row = y / size - 7;
                const bool framed = row >= 0 && clashes.test(row * 40 + col) &&
                                    (x % size == 0 || x % size == size - 1 || y % size == 0 ||
                                     y % size == size - 1);
                const bool is_red = p[0] == 255 && p[1] == 0 && p[2] == 0 && p[3] == 255;
                const bool is_white = p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 255;
                ASSERT_EQ(framed, is_red || is_white) << scale << "x at " << x << "," << y;
                red += is_red;
                white += is_white;
            }
        }
        EXPECT_EQ(red, 3 * 2 * (size - 1));
        EXPECT_EQ(white, red);
    }
}
