// Findings of the project check: loops, dangling definitions, locations
// naming no panel, and the size limit.
#include <gtest/gtest.h>

#include "files/zembrix_check.h"

namespace {

ZbxItem object_item(int w = 1, int h = 1)
{
    ZbxItem item;
    item.kind = ZbxItemKind::Object;
    item.record.assign(10 * w * h + 1, 0);
    item.record[0] = static_cast<uint8_t>(w << 4 | h);
    return item;
}

ZbxItem panel_item(std::initializer_list<int> panels)
{
    ZbxItem item;
    item.kind = ZbxItemKind::Panel;
    for (int p : panels) {
        PanelDef d;
        d.item = p;
        item.defs.push_back(d);
    }
    return item;
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
    EXPECT_EQ(zembrix_find_panel_loops(p), (std::vector<std::vector<int>>{{0, 1, 2}, {6}, {7, 8}}));
    const std::vector<std::string> expected = {
        "Panel loop: panels 0, 1 and 2 contain each other",
        "Panel loop: panel 6 contains itself",
        "Panel loop: panels 7 and 8 contain each other",
    };
    EXPECT_EQ(zembrix_check_project(p), expected);

    // Object placements and placements of objects or empty items are no edges.
    ZbxProject none;
    none.items = {panel_item({1}), object_item(), ZbxItem{}};
    none.items[0].defs[0].is_object = true;
    EXPECT_TRUE(zembrix_find_panel_loops(none).empty());
    EXPECT_TRUE(zembrix_check_project(none).empty());
}

TEST(ZembrixCheck, LongChainsDoNotExhaustTheStack)
{
    ZbxProject p;
    for (int i = 0; i < 255; i++) {
        p.items.push_back(panel_item({(i + 1) % 255}));
    }
    ASSERT_EQ(zembrix_find_panel_loops(p).size(), 1u);
    EXPECT_EQ(zembrix_find_panel_loops(p)[0].size(), 255u);
}

TEST(ZembrixCheck, ReportsDefinitionsAndLocationsThatNameNothingUsable)
{
    ZbxProject p;
    p.items = {object_item(), ZbxItem{}, panel_item({1, 0, 3, 9})};
    p.items[2].defs[1].is_object = false; // object 0 placed as a panel
    p.items.push_back(panel_item({}));
    p.items[3].defs.push_back(PanelDef{});
    p.items[3].defs[0].item = 2;
    p.items[3].defs[0].is_object = true; // panel 2 placed as an object
    p.locations[4] = {2, 6};
    p.locations[5] = {1, 0};
    p.locations[6] = {0, 16};
    const std::vector<std::string> expected = {
        "Panel 2, definition 0: places item 1, which is empty",
        "Panel 2, definition 1: places item 0 as a panel, but it is an object",
        "Panel 2, definition 3: places item 9, which does not exist",
        "Panel 3, definition 0: places item 2 as an object, but it is a panel",
        "Location 5: elects item 1, which is not a panel",
        "Location 6: elects item 0, which is not a panel",
        "Location 6: background colour 16 is above 15 (drawn as 0)",
    };
    EXPECT_EQ(zembrix_check_project(p), expected);
}

TEST(ZembrixCheck, ReportsPositionsTheFileCannotHold)
{
    ZbxProject p;
    p.items = {object_item(), panel_item({})};
    for (auto [x, y] :
         {std::pair{-112, 136}, {392, -112}, {400, 0}, {0, 144}, {-120, 4}, {-4, 0}}) {
        PanelDef d;
        d.item = 0;
        d.is_object = true;
        d.x = x;
        d.y = y;
        p.items[1].defs.push_back(d);
    }
    const std::vector<std::string> expected = {
        "Panel 1, definition 2: position 400, 0 is saved as -112, 0",
        "Panel 1, definition 3: position 0, 144 is saved as 0, -112",
        "Panel 1, definition 4: position -120, 4 is saved as 392, 0",
        "Panel 1, definition 5: position -4, 0 is saved as 0, 0",
    };
    EXPECT_EQ(zembrix_check_project(p), expected);
}

TEST(ZembrixCheck, WarnsNearTheSizeLimitAndFailsAboveIt)
{
    // 13 objects of 15 x 15 end at $0845 + 26 + 13 * 2251 + 1 = $7AAF.
    ZbxProject p;
    p.items.assign(13, object_item(15, 15));
    ASSERT_EQ(zembrix_data_end(p), 0x7aafu);
    EXPECT_EQ(zembrix_check_project(p),
              (std::vector<std::string>{"Data near the size limit: the file ends at $7AAF, "
                                        "leaving 1361 bytes below $8000"}));
    p.items.resize(12);
    EXPECT_TRUE(zembrix_check_project(p).empty()); // 3612 bytes left
    p.items.assign(14, object_item(15, 15));
    EXPECT_EQ(zembrix_check_project(p),
              (std::vector<std::string>{
                  "Data too large: the file would end at $837C, above the limit of $7FFF"}));
}
