// Findings of the project check: loops, dangling definitions, locations
// naming no panel, positions the file cannot hold, and the size limit.
#include <gtest/gtest.h>

#include "files/zembrix_check.h"
#include "items/references.h"
#include "support/items_fixture.h"
#include "support/project.h"

namespace {
// A panel placing the given panels at 0, 0.
ZbxItem panel_item(std::initializer_list<int> panels)
{
    std::vector<PanelDef> defs;
    for (int p : panels) {
        defs.push_back(zbx_panel_def(p, 0, 0));
    }
    return zbx_panel_item(defs);
}
} // namespace

TEST(ZembrixCheck, FindsEachGroupOfPanelsThatContainEachOther)
{
    // 0 -> 1 -> 2 -> 0 is one loop; 3 -> 4 and 3 -> 5 -> 4 is none; 6 places
    // itself; 7 -> 8 -> 7 and 8 -> 9 (no way back).
    ZbxProject p;
    p.items = {panel_item({1}),    panel_item({2, 3}), panel_item({0}), panel_item({4, 5}),
               panel_item({}),     panel_item({4}),    panel_item({6}), panel_item({8}),
               panel_item({7, 9}), panel_item({})};
    EXPECT_EQ(references_find_loops(p), (std::vector<std::vector<int>>{{0, 1, 2}, {6}, {7, 8}}));
    EXPECT_EQ(zembrix_check_project(p),
              (std::vector<std::string>{"Panel loop: panels 0, 1 and 2 contain each other",
                                        "Panel loop: panel 6 contains itself",
                                        "Panel loop: panels 7 and 8 contain each other"}));

    // Placements of objects or empty items are no edges.
    ZbxProject none;
    none.items = {zbx_panel_item({zbx_object_def(1, 0, 0)}), zbx_object_item(zbx_test_record(1, 1)),
                  ZbxItem{}};
    EXPECT_TRUE(zembrix_check_project(none).empty());

    // A long chain does not exhaust the stack.
    ZbxProject chain;
    for (int i = 0; i < 255; i++) {
        chain.items.push_back(panel_item({(i + 1) % 255}));
    }
    std::vector<std::vector<int>> loops = references_find_loops(chain);
    ASSERT_EQ(loops.size(), 1u);
    EXPECT_EQ(loops[0].size(), 255u);
}

TEST(ZembrixCheck, ReportsWhatNamesNothingUsableAndPositionsTheFileCannotHold)
{
    ZbxProject p;
    p.items = {zbx_object_item(zbx_test_record(1, 1)), ZbxItem{},
               zbx_panel_item({zbx_object_def(1, 0, 0), zbx_panel_def(0, 0, 0),
                               zbx_panel_def(3, 0, 0), zbx_object_def(9, 0, 0)}),
               zbx_panel_item({zbx_object_def(2, 0, 0)})};
    for (auto [x, y] :
         {std::pair{-112, 136}, {392, -112}, {400, 0}, {0, 144}, {-120, 4}, {-4, 0}}) {
        p.items[3].defs.push_back(zbx_object_def(0, x, y));
    }
    p.locations[4] = {2, 6};
    p.locations[5] = {1, 0};
    p.locations[6] = {0, 16};
    EXPECT_EQ(zembrix_check_project(p),
              (std::vector<std::string>{
                  "Panel 2, definition 0: places item 1, which is empty",
                  "Panel 2, definition 1: places item 0 as a panel, but it is an object",
                  "Panel 2, definition 3: places item 9, which does not exist",
                  "Panel 3, definition 0: places item 2 as an object, but it is a panel",
                  "Panel 3, definition 3: position 400, 0 is saved as -112, 0",
                  "Panel 3, definition 4: position 0, 144 is saved as 0, -112",
                  "Panel 3, definition 5: position -120, 4 is saved as 392, 0",
                  "Panel 3, definition 6: position -4, 0 is saved as 0, 0",
                  "Location 5: elects item 1, which is not a panel",
                  "Location 6: elects item 0, which is not a panel",
                  "Location 6: background colour 16 is above 15 (drawn as 0)",
              }));
}

TEST(ZembrixCheck, WarnsNearTheSizeLimitAndFailsAboveIt)
{
    // 13 objects of 15 x 15 end at $0845 + 26 + 13 * 2251 + 1 = $7AAF.
    ZbxProject p;
    p.items.assign(13, zbx_object_item(zbx_test_record(15, 15)));
    ASSERT_EQ(zembrix_data_end(p), 0x7aafu);
    EXPECT_EQ(zembrix_check_project(p),
              (std::vector<std::string>{"Data near the size limit: the file ends at $7AAF, "
                                        "leaving 1361 bytes below $8000"}));
    p.items.resize(12);
    EXPECT_TRUE(zembrix_check_project(p).empty()); // 3612 bytes left
    p.items.assign(14, zbx_object_item(zbx_test_record(15, 15)));
    EXPECT_EQ(zembrix_check_project(p),
              (std::vector<std::string>{
                  "Data too large: the file would end at $837C, above the limit of $7FFF"}));
}
