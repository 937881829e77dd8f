// Panel boxes: each panel's box is what it draws as a root, loops included;
// shared panels are walked once; walks along loops stay within their bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "items/boxes.h"
#include "support/items_fixture.h"
#include "support/project.h"

namespace {

std::vector<int> rect(const ZbxRect &box)
{
    return {box.x, box.y, box.width, box.height};
}

// What a panel draws as a root, walked recursively with the path: nothing
// remembered, nothing bounded.
ZbxRect reference_box(const ZbxProject &project, int panel, std::vector<bool> &on_path)
{
    int64_t min_x = 320, min_y = 144, max_x = 0, max_y = 0;
    bool any = false;
    auto add = [&](int64_t x, int64_t y, int64_t w, int64_t h) {
        min_x = std::min(min_x, x);
        min_y = std::min(min_y, y);
        max_x = std::max(max_x, x + w);
        max_y = std::max(max_y, y + h);
        any = true;
    };
    on_path[panel] = true;
    for (const PanelDef &def : project.items[panel].defs) {
        if (def.item < 0 || def.item >= static_cast<int>(project.items.size())) {
            continue;
        }
        const ZbxItem &placed = project.items[def.item];
        if (def.is_object && placed.kind == ZbxItemKind::Object && !placed.record.empty()) {
            add(def.x, def.y, (placed.record[0] >> 4) * 8, (placed.record[0] & 15) * 8);
        } else if (!def.is_object && placed.kind == ZbxItemKind::Panel && !on_path[def.item]) {
            const ZbxRect box = reference_box(project, def.item, on_path);
            if (box.width >= 0 && box.height >= 0) {
                add(int64_t{def.x} + box.x, int64_t{def.y} + box.y, box.width, box.height);
            }
        }
    }
    on_path[panel] = false;
    if (!any) {
        return {320, 144, -320, -144};
    }
    auto clamp = [](int64_t v) {
        return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
    };
    return {clamp(min_x), clamp(min_y), clamp(max_x - min_x), clamp(max_y - min_y)};
}

} // namespace

TEST(Boxes, SharedPanelsAboveALoopCostNothingOfTheBound)
{
    // Panels 1 to 39 each place the next twice, 8 pixels apart: 2^39 paths
    // down to panel 40, which places the loop 41 <-> 42. Walking the loop
    // from both members visits 6 definitions in all.
    ZbxProject project;
    project.items.push_back(zbx_object_item(zbx_test_record(1, 1)));
    for (int p = 1; p < 40; p++) {
        project.items.push_back(
            zbx_panel_item({zbx_panel_def(p + 1, 0, 0), zbx_panel_def(p + 1, 8, 0)}));
    }
    project.items.push_back(zbx_panel_item({zbx_panel_def(41, 0, 0)}));
    project.items.push_back(zbx_panel_item({zbx_object_def(0, 0, 0), zbx_panel_def(42, 0, 0)}));
    project.items.push_back(zbx_panel_item({zbx_panel_def(41, 0, 0)}));

    const PanelBoxes enough = boxes_compute(project, 6);
    EXPECT_EQ(rect(enough.boxes[1]), (std::vector<int>{0, 0, 320, 8}));
    EXPECT_EQ(rect(enough.boxes[42]), (std::vector<int>{0, 0, 8, 8}));
    EXPECT_EQ(enough.exact, std::vector<bool>(43, true));

    // One visit short: a loop member is cut short, and so is every panel
    // above it.
    const PanelBoxes short_by_one = boxes_compute(project, 5);
    EXPECT_FALSE(short_by_one.exact[41] && short_by_one.exact[42]);
    EXPECT_EQ(short_by_one.exact[1], short_by_one.exact[41]);
    EXPECT_EQ(short_by_one.exact[40], short_by_one.exact[41]);
}

TEST(Boxes, MatchAWalkWithThePathOnRandomProjects)
{
    std::mt19937 rng(11);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const int positions[] = {INT_MIN, INT_MAX, -(1 << 30), -200, 400};
    for (int round = 0; round < 3000; round++) {
        ZbxProject project;
        const int count = 1 + pick(8);
        for (int i = 0; i < count; i++) {
            switch (pick(6)) {
            case 0:
                project.items.emplace_back();
                break;
            case 1:
                project.items.push_back(zbx_object_item({static_cast<uint8_t>(rng())}));
                break;
            default: {
                std::vector<PanelDef> defs;
                for (int d = pick(5); d > 0; d--) {
                    const int item =
                        pick(10) == 0 ? std::vector<int>{-1, count, 255}[pick(3)] : pick(count);
                    PanelDef def =
                        pick(3) == 0 ? zbx_object_def(item, 0, 0) : zbx_panel_def(item, 0, 0);
                    def.x = pick(8) == 0 ? positions[pick(5)] : pick(400) - 100;
                    def.y = pick(8) == 0 ? positions[pick(5)] : pick(200) - 50;
                    def.enabled = pick(4) != 0;
                    defs.push_back(def);
                }
                project.items.push_back(zbx_panel_item(std::move(defs)));
            }
            }
        }
        const PanelBoxes result = boxes_compute(project);
        std::vector<bool> on_path(count, false);
        for (int i = 0; i < count; i++) {
            SCOPED_TRACE(::testing::Message()
                         << "round " << round << ", item " << i << ":\n"
                         << ::testing::PrintToString(zbx_project_lines(project)));
            const bool panel = project.items[i].kind == ZbxItemKind::Panel;
            ASSERT_EQ(rect(result.boxes[i]),
                      panel ? rect(reference_box(project, i, on_path)) : std::vector<int>(4, 0));
            ASSERT_TRUE(result.exact[i]);
        }
    }
}

TEST(Boxes, ADenseLoopStopsAtTheBoundWithoutStarvingOthers)
{
    // Panels 1 to 12 each place their own object and all twelve panels:
    // some 12! paths from each. Panel 13 places panel 1; 14 <-> 15 is a
    // small loop walked after the dense one; 16 places an object only.
    ZbxProject project;
    project.items.push_back(zbx_object_item(zbx_test_record(1, 1)));
    for (int p = 1; p <= 12; p++) {
        std::vector<PanelDef> defs{zbx_object_def(0, 8 * p, 0)};
        for (int q = 1; q <= 12; q++) {
            defs.push_back(zbx_panel_def(q, 0, 0));
        }
        project.items.push_back(zbx_panel_item(std::move(defs)));
    }
    project.items.push_back(zbx_panel_item({zbx_panel_def(1, 0, 0)}));
    project.items.push_back(zbx_panel_item({zbx_panel_def(15, 0, 8)}));
    project.items.push_back(zbx_panel_item({zbx_object_def(0, 0, 0), zbx_panel_def(14, 0, 0)}));
    project.items.push_back(zbx_panel_item({zbx_object_def(0, 4, 4)}));

    for (long bound : {kBoxesMaxVisits, 2000L}) {
        SCOPED_TRACE(bound);
        const PanelBoxes result = boxes_compute(project, bound);
        for (int p = 1; p <= 13; p++) {
            EXPECT_FALSE(result.exact[p]) << p;
            // What the walk covered: its first path alone reaches every object.
            EXPECT_EQ(rect(result.boxes[p]), (std::vector<int>{8, 0, 96, 8})) << p;
        }
        EXPECT_TRUE(result.exact[14] && result.exact[15] && result.exact[16]);
        EXPECT_EQ(rect(result.boxes[14]), (std::vector<int>{0, 8, 8, 8}));
    }
}
