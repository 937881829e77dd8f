// Panel composition on plain buffers: clipping, mirroring, overrides, the
// copy/keep/merge decision, the three-colour merge, nesting, cycles and the
// bound on the work of one run.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "c64/palette.h"
#include "models/panelmodels_compose.h"

namespace {

// A project held in plain containers.
struct TestProject : ComposeSource
{
    std::vector<PanelDef> top;
    std::map<int, std::vector<PanelDef>> panels;
    std::map<int, std::vector<uint8_t>> objects;

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
        auto it = objects.find(object);
        return it == objects.end() ? std::span<const uint8_t>() : it->second;
    }
};

PanelDef object_at(int item, int x, int y, bool mirror = false)
{
    PanelDef d;
    d.item = item;
    d.is_object = true;
    d.x = x;
    d.y = y;
    d.mirror = mirror;
    return d;
}

PanelDef panel_at(int item, int x, int y)
{
    PanelDef d;
    d.item = item;
    d.is_object = false;
    d.x = x;
    d.y = y;
    return d;
}

// Eight pixel lines written as four digits 0..3 each, leftmost first.
ComposeCell cell(const char *pixels, uint8_t screen, uint8_t colour)
{
    ComposeCell c{};
    std::string text(pixels);
    EXPECT_EQ(text.size(), 32u);
    for (int i = 0; i < 32; i++) {
        c.bitmap[i / 4] |= static_cast<uint8_t>((text[i] - '0') << (6 - 2 * (i % 4)));
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

// An object record of w x h cells, all made from one cell whose screen byte
// is replaced by its position (row in the high, column in the low nibble).
std::vector<uint8_t> numbered_object(int w, int h, const ComposeCell &proto)
{
    std::vector<uint8_t> data = {static_cast<uint8_t>((w << 4) | h)};
    for (int i = 0; i < w * h; i++) {
        data.insert(data.end(), proto.bitmap, proto.bitmap + 8);
    }
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++) {
            data.push_back(static_cast<uint8_t>((r << 4) | c));
        }
    }
    for (int i = 0; i < w * h; i++) {
        data.push_back(proto.colour);
    }
    return data;
}

std::vector<uint8_t> solid_object(int w, int h, const ComposeCell &c)
{
    std::vector<uint8_t> data = numbered_object(w, h, c);
    std::fill(data.begin() + 1 + 9 * w * h, data.begin() + 1 + 10 * w * h, c.colour);
    std::fill(data.begin() + 1 + 8 * w * h, data.begin() + 1 + 9 * w * h, c.screen);
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

// Pixels 0 1 2 3 in every line: asymmetric, so mirroring shows.
const ComposeCell kOpaque = cell("01230123012301230123012301230123", 0x12, 0xE3);

// The screen byte of each of the 40 cells of one row (0 where empty).
std::vector<int> row_screens(const ComposeBuffers &b, int row)
{
    std::vector<int> out;
    for (int c = 0; c < 40; c++) {
        out.push_back(b.colour[row * 40 + c] ? b.screen[row * 40 + c] : -1);
    }
    return out;
}

std::vector<int> expected_row(std::initializer_list<std::pair<int, int>> cells)
{
    std::vector<int> out(40, -1);
    for (auto [col, screen] : cells) {
        out[col] = screen;
    }
    return out;
}

} // namespace

TEST(ComposeTables, MirrorTableReversesBitPairs)
{
    EXPECT_EQ(panelmodels_mirror_table[1], 64);
    EXPECT_EQ(panelmodels_mirror_table[2], 128);
    EXPECT_EQ(panelmodels_mirror_table[4], 16);
    EXPECT_EQ(panelmodels_mirror_table[27], 228);
    // The drawing path mirrors all lines at once; it must agree with the
    // table for every byte.
    for (int first = 0; first < 256; first += 8) {
        ComposeBuffers b;
        b.clear();
        std::vector<uint8_t> data = {0x11};
        for (int i = 0; i < 8; i++) {
            data.push_back(static_cast<uint8_t>(first + i));
        }
        data.push_back(0x12);
        data.push_back(0xE3);
        ASSERT_TRUE(panelmodels_draw_object(b, data, 0, 0, true, {}, 0));
        for (int i = 0; i < 8; i++) {
            EXPECT_EQ(b.bitmap[i], panelmodels_mirror_table[first + i]) << first + i;
        }
    }
}

TEST(ComposeTables, ObjectRecordsAreChecked)
{
    int w = 0;
    int h = 0;
    std::vector<uint8_t> ok = numbered_object(2, 3, kOpaque);
    EXPECT_TRUE(panelmodels_object_record_ok(ok, &w, &h));
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 3);
    EXPECT_FALSE(panelmodels_object_record_ok(std::span(ok).first(ok.size() - 1), &w, &h));
    EXPECT_FALSE(panelmodels_object_record_ok({}, &w, &h));
    const uint8_t zero_width[] = {0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const uint8_t zero_height[] = {0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(panelmodels_object_record_ok(zero_width, &w, &h));
    EXPECT_FALSE(panelmodels_object_record_ok(zero_height, &w, &h));

    // A bad record draws nothing; a good one at the same place does.
    ComposeBuffers b;
    b.clear();
    ok.pop_back();
    EXPECT_FALSE(panelmodels_draw_object(b, ok, 0, 0, false, {}, 0));
    EXPECT_EQ(b.colour[0], 0);
}

TEST(ComposeClipping, LeftEdgeWithAndWithoutMirror)
{
    const std::vector<uint8_t> three = numbered_object(3, 1, kOpaque);
    ComposeBuffers b;
    b.clear();
    ASSERT_TRUE(panelmodels_draw_object(b, three, -8, 0, false, {}, 0));
    EXPECT_EQ(row_screens(b, 0), expected_row({{0, 0x01}, {1, 0x02}}));
    EXPECT_EQ(pixels_of(cell_at(b, 0, 0)), pixels_of(kOpaque));

    b.clear();
    ASSERT_TRUE(panelmodels_draw_object(b, three, -8, 0, true, {}, 0));
    EXPECT_EQ(row_screens(b, 0), expected_row({{0, 0x01}, {1, 0x00}}));
    EXPECT_EQ(pixels_of(cell_at(b, 0, 0)), "32103210321032103210321032103210");

    // x = -1 lies in cell column -1, so it draws like x = -8.
    b.clear();
    ASSERT_TRUE(panelmodels_draw_object(b, three, -1, 0, false, {}, 0));
    EXPECT_EQ(row_screens(b, 0), expected_row({{0, 0x01}, {1, 0x02}}));
    // Mirrored and two cells out: only object column 0 shows, at column 0.
    b.clear();
    ASSERT_TRUE(panelmodels_draw_object(b, three, -16, 0, true, {}, 0));
    EXPECT_EQ(row_screens(b, 0), expected_row({{0, 0x00}}));
    // Wholly to the left.
    EXPECT_FALSE(panelmodels_draw_object(b, three, -24, 0, false, {}, 0));
    EXPECT_FALSE(panelmodels_draw_object(b, three, -17, 0, false, {}, 0));
}

TEST(ComposeClipping, RightAndBottomEdges)
{
    const std::vector<uint8_t> two = numbered_object(2, 2, kOpaque);
    ComposeBuffers b;
    b.clear();
    ASSERT_TRUE(panelmodels_draw_object(b, two, 312, 0, false, {}, 0));
    EXPECT_EQ(row_screens(b, 0), expected_row({{39, 0x00}}));
    EXPECT_EQ(row_screens(b, 1), expected_row({{39, 0x10}}));
    b.clear();
    ASSERT_TRUE(panelmodels_draw_object(b, two, 312, 0, true, {}, 0));
    EXPECT_EQ(row_screens(b, 0), expected_row({{39, 0x01}}));

    b.clear();
    EXPECT_FALSE(panelmodels_draw_object(b, two, 320, 0, false, {}, 0));
    EXPECT_FALSE(panelmodels_draw_object(b, two, 0, 144, false, {}, 0));
    EXPECT_EQ(std::count(b.colour.begin(), b.colour.end(), 0), 1000);

    // The last row shows only the object's first row; above the top only
    // its last.
    ASSERT_TRUE(panelmodels_draw_object(b, two, 0, 136, false, {}, 0));
    EXPECT_EQ(row_screens(b, 17), expected_row({{0, 0x00}, {1, 0x01}}));
    b.clear();
    ASSERT_TRUE(panelmodels_draw_object(b, two, 8, -8, false, {}, 0));
    EXPECT_EQ(row_screens(b, 0), expected_row({{1, 0x10}, {2, 0x11}}));
    EXPECT_EQ(row_screens(b, 1), expected_row({}));
    // Far away positions are skipped, however far.
    EXPECT_FALSE(panelmodels_draw_object(b, two, INT64_MIN / 2, 0, false, {}, 0));
    EXPECT_FALSE(panelmodels_draw_object(b, two, 0, INT64_MAX / 2, false, {}, 0));
}

TEST(ComposeCells, EmptyObjectCellKeepsWhatIsBelow)
{
    const ComposeCell below = cell("11111111222222223333333300000000", 0x45, 0xF6);
    const ComposeCell empty = cell("00000000000000000000000000000000", 0x00, 0x10);
    ComposeCell dst = below;
    panelmodels_place_cell(dst, empty, 0);
    EXPECT_EQ(dst, below);
    // Over an empty destination the cell is copied: all background.
    ComposeCell nothing{};
    panelmodels_place_cell(nothing, empty, 0);
    EXPECT_EQ(nothing, empty);
    // An opaque object cell (no pair 00) replaces whatever is below.
    const ComposeCell opaque = cell("11112222333311112222333311112222", 0x9A, 0xEB);
    dst = below;
    panelmodels_place_cell(dst, opaque, 0);
    EXPECT_EQ(dst, opaque);
}

TEST(ComposeOverrides, ApplyInListOrderToAllThreeNibbles)
{
    const int chain[] = {0x52, 0x75};
    const std::array<uint8_t, 16> map = panelmodels_override_map(chain);
    EXPECT_EQ(map[2], 7);
    EXPECT_EQ(map[5], 7);
    EXPECT_EQ(map[7], 7);
    EXPECT_EQ(map[3], 3);

    // Colour 2 in every place, 5 in the screen's low nibble.
    const ComposeCell c = cell("01230123012301230123012301230123", 0x25, 0xE2);
    std::vector<uint8_t> data = solid_object(1, 1, c);
    PanelDef d = object_at(1, 0, 0);
    d.has_overrides = true;
    d.override_count = 2;
    d.overrides[0] = 0x52;
    d.overrides[1] = 0x75;
    d.overrides[2] = 0x31; // beyond the count: not applied
    TestProject project;
    project.objects[1] = data;
    project.top = {d};
    ComposeBuffers b;
    panelmodels_compose(project, -1, 0, b);
    EXPECT_EQ(b.screen[0], 0x77);
    EXPECT_EQ(b.colour[0], 0xE7);
    EXPECT_EQ(pixels_of(cell_at(b, 0, 0)), pixels_of(c));

    // Without the flag the values are ignored.
    project.top[0].has_overrides = false;
    panelmodels_compose(project, -1, 0, b);
    EXPECT_EQ(b.screen[0], 0x25);
    EXPECT_EQ(b.colour[0], 0xE2);
}

// Destination slots x = 1 (pair 01), y = 2 (pair 10), none (pair 11); the
// object shows colour 5 in pair 01 and is transparent elsewhere.
TEST(ComposeMerge, NewColourTakesAFreeSlot)
{
    ComposeCell dst = cell("11112222111122221111222211112222", 0x12, 0x60);
    const ComposeCell obj = cell("10001000100010001000100010001000", 0x50, 0x30);
    panelmodels_place_cell(dst, obj, 0);
    EXPECT_EQ(dst.screen, 0x12);
    EXPECT_EQ(dst.colour, 0xE5);
    EXPECT_EQ(pixels_of(dst), "31113222311132223111322231113222");

    // Two new colours and two free slots: pair 10 (colour 11) is mapped
    // before pair 01 (colour 10), so it gets the first free slot.
    dst = cell("11110000111100001111000011110000", 0x40, 0x20);
    const ComposeCell two = cell("00120012001200120012001200120012", 0xAB, 0x70);
    panelmodels_place_cell(dst, two, 0);
    EXPECT_EQ(dst.screen, 0x4B);
    EXPECT_EQ(dst.colour, 0xEA);
    EXPECT_EQ(pixels_of(dst), "11320032113200321132003211320032");
}

TEST(ComposeMerge, ColoursAlreadyThereOrBackgroundNeedNoSlot)
{
    // Object colours 2 (already slot 2) and 0 (the background).
    ComposeCell dst = cell("11113333111133331111333311113333", 0x12, 0xE9);
    const ComposeCell obj = cell("12001200120012001200120012001200", 0x20, 0x70);
    panelmodels_merge_cell(dst, obj, 0);
    EXPECT_EQ(dst.screen, 0x12);
    EXPECT_EQ(dst.colour, 0xE9);
    EXPECT_EQ(pixels_of(dst), "20112033201120332011203320112033");

    // A background byte above 15 is compared as it stands: colour 0 is not
    // the background 16, so it needs a slot and evicts the tied slot 3.
    dst = cell("11113333111133331111333311113333", 0x12, 0xE9);
    panelmodels_merge_cell(dst, obj, 16);
    EXPECT_EQ(dst.screen, 0x12);
    EXPECT_EQ(dst.colour, 0xE0);
    EXPECT_EQ(pixels_of(dst), "23112333231123332311233323112333");
}

TEST(ComposeMerge, TwoNewColoursOverAFullCellEvictTheLeastVisible)
{
    // Below: slots 1, 2, 3 hold colours 1, 2, 3. Visible after the object:
    // slot 1 six pixels, slot 2 four, slot 3 ten. The object brings colour
    // 9 (five pixels) and colour 10 (seven pixels).
    ComposeCell dst = cell("33333333333333331111112222333333", 0x12, 0xE3);
    const ComposeCell obj = cell("11111222222200000000000000000000", 0x9A, 0x70);
    panelmodels_merge_cell(dst, obj, 0);
    // Slot 2 (four pixels) goes first, then colour 9 (five pixels) gives
    // way; colour 10 takes slot 2. Colour 9's pixels keep what was there.
    EXPECT_EQ(dst.screen, 0x1A);
    EXPECT_EQ(dst.colour, 0xE3);
    EXPECT_EQ(pixels_of(dst), "33333222222233331111112222333333");
}

TEST(ComposeMerge, TiesGoToSlotTwoBeforeSlotOne)
{
    // Visible: slot 1 four pixels, slot 2 four, slot 3 nine. The object's
    // new colour 12 has fifteen pixels.
    ComposeCell dst = cell("11112222333333333000000000000000", 0x45, 0xE6);
    const ComposeCell obj = cell("00000000000000000111111111111111", 0xC0, 0x30);
    panelmodels_merge_cell(dst, obj, 0);
    EXPECT_EQ(dst.screen, 0x4C);
    EXPECT_EQ(dst.colour, 0xE6);
    EXPECT_EQ(pixels_of(dst), "11112222333333333222222222222222");

    // A slot and an object colour with the same count: the slot goes.
    dst = cell("11112222333333333000000000000000", 0x45, 0xE6);
    const ComposeCell four = cell("00000000000000000111100000000000", 0xC0, 0x30);
    panelmodels_merge_cell(dst, four, 0);
    EXPECT_EQ(dst.screen, 0x4C);
    EXPECT_EQ(pixels_of(dst), "11112222333333333222200000000000");
}

TEST(ComposeMerge, HiddenSlotIsGivenUpFirst)
{
    // Slot 1's pixels all lie under the object, slot 2 shows one pixel,
    // slot 3 many: slot 1 makes room for the new colour 11.
    ComposeCell dst = cell("11111111233333333333333333333333", 0x45, 0xE6);
    const ComposeCell obj = cell("11111111000000000000000000000000", 0xB0, 0x30);
    panelmodels_merge_cell(dst, obj, 0);
    EXPECT_EQ(dst.screen, 0xB5);
    EXPECT_EQ(dst.colour, 0xE6);
    EXPECT_EQ(pixels_of(dst), "11111111233333333333333333333333");
}

TEST(ComposeMerge, SlotsLeftWithoutColourAreWrittenAsNone)
{
    // Slots 1 and 3 are hidden under the object; the object's colour 2
    // is already in slot 2 and its colour 8 takes slot 1. Slot 3 ends
    // without a colour: bit 7 clear, low nibble 15.
    ComposeCell dst = cell("11113333222222222222222222222222", 0x12, 0xE4);
    const ComposeCell obj = cell("11112222000000000000000000000000", 0x82, 0x70);
    panelmodels_merge_cell(dst, obj, 0);
    EXPECT_EQ(dst.screen, 0x82);
    EXPECT_EQ(dst.colour, 0x6F);
    EXPECT_EQ(pixels_of(dst), "11112222222222222222222222222222");
}

TEST(ComposeRun, NestedPanelsAddTheirOffsets)
{
    TestProject project;
    project.objects[0] = solid_object(1, 1, kOpaque);
    project.panels[1] = {object_at(0, 8, 16)};
    project.panels[2] = {panel_at(1, 16, 8), panel_at(1, 40, 0)};
    project.top = {panel_at(2, 8, 8)};
    ComposeBuffers b;
    ComposeStats stats = panelmodels_compose(project, 3, 0, b);
    EXPECT_EQ(stats.objects, 2);
    EXPECT_EQ(b.colour[4 * 40 + 4], 0xE3); // 8 + 16 + 8, 8 + 8 + 16
    EXPECT_EQ(b.colour[3 * 40 + 7], 0xE3); // 8 + 40 + 8, 8 + 0 + 16
    EXPECT_EQ(std::count(b.colour.begin(), b.colour.end(), 0), 998);
    EXPECT_FALSE(stats.truncated);
}

TEST(ComposeRun, DisabledMissingAndBadItemsDrawNothingButTheRestIsDrawn)
{
    TestProject project;
    project.objects[0] = solid_object(1, 1, kOpaque);
    project.objects[1] = {0x22, 1, 2, 3}; // too short
    project.objects[2] = solid_object(1, 1, kOpaque);
    project.objects[2][0] = 0x01; // zero width
    project.panels[5] = {object_at(0, 0, 0)};
    PanelDef disabled_panel = panel_at(5, 8, 0);
    disabled_panel.enabled = false;
    PanelDef disabled_object = object_at(0, 16, 0);
    disabled_object.enabled = false;
    project.top = {object_at(1, 0, 0), object_at(2, 0, 0), object_at(9, 0, 0),
                   panel_at(7, 0, 0),  panel_at(-4, 0, 0), panel_at(300, 0, 0),
                   disabled_panel,     disabled_object,    object_at(0, 24, 0)};
    ComposeBuffers b;
    ComposeStats stats = panelmodels_compose(project, -1, 0, b);
    EXPECT_EQ(stats.objects, 1);
    EXPECT_EQ(row_screens(b, 0), expected_row({{3, 0x12}}));
}

TEST(ComposeRun, PanelsThatPlaceEachOtherDrawOnce)
{
    // 1 places 2, 2 places 1: from either side the other is drawn once and
    // the way back is refused.
    TestProject project;
    project.objects[0] = solid_object(1, 1, kOpaque);
    project.objects[1] = solid_object(1, 1, cell("11111111111111111111111111111111", 0x70, 0x20));
    project.panels[1] = {object_at(0, 0, 0), panel_at(2, 8, 0)};
    project.panels[2] = {object_at(1, 0, 8), panel_at(1, 8, 0), object_at(1, 0, 16)};

    ComposeBuffers b;
    project.top = project.panels[1];
    ComposeStats stats = panelmodels_compose(project, 1, 0, b);
    EXPECT_EQ(stats.cycles, 1);
    EXPECT_EQ(stats.objects, 3);
    EXPECT_EQ(row_screens(b, 0), expected_row({{0, 0x12}}));
    EXPECT_EQ(row_screens(b, 1), expected_row({{1, 0x70}}));
    EXPECT_EQ(row_screens(b, 2), expected_row({{1, 0x70}}));

    project.top = project.panels[2];
    stats = panelmodels_compose(project, 2, 0, b);
    EXPECT_EQ(stats.cycles, 1);
    EXPECT_EQ(row_screens(b, 0), expected_row({{1, 0x12}}));
    EXPECT_EQ(row_screens(b, 1), expected_row({{0, 0x70}}));

    // The same list not known as a stored panel: panel 2 is entered once
    // more below panel 1 before the way back is refused.
    stats = panelmodels_compose(project, -1, 0, b);
    EXPECT_EQ(stats.cycles, 1);
    EXPECT_EQ(row_screens(b, 0), expected_row({{1, 0x12}}));
    EXPECT_EQ(row_screens(b, 1), expected_row({{0, 0x70}, {2, 0x70}}));
}

TEST(ComposeRun, LongerCyclesAndSelfPlacementEnd)
{
    TestProject project;
    project.objects[0] = solid_object(1, 1, kOpaque);
    project.panels[1] = {panel_at(2, 8, 0), object_at(0, 0, 0)};
    project.panels[2] = {panel_at(3, 8, 0), object_at(0, 0, 0)};
    project.panels[3] = {panel_at(1, 8, 0), panel_at(3, 0, 0), object_at(0, 0, 0)};
    project.top = project.panels[1];
    ComposeBuffers b;
    ComposeStats stats = panelmodels_compose(project, 1, 0, b);
    EXPECT_EQ(stats.cycles, 2);
    EXPECT_EQ(stats.objects, 3);
    EXPECT_EQ(row_screens(b, 0), expected_row({{0, 0x12}, {1, 0x12}, {2, 0x12}}));
}

TEST(ComposeRun, SharedSubPanelsAreNotCycles)
{
    // One sub-panel placed twice by two different panels is drawn four times.
    TestProject project;
    project.objects[0] = solid_object(1, 1, kOpaque);
    project.panels[3] = {object_at(0, 0, 0)};
    project.panels[2] = {panel_at(3, 0, 0), panel_at(3, 8, 0)};
    project.top = {panel_at(2, 0, 0), panel_at(2, 0, 8)};
    ComposeBuffers b;
    ComposeStats stats = panelmodels_compose(project, -1, 0, b);
    EXPECT_EQ(stats.cycles, 0);
    EXPECT_EQ(stats.objects, 4);
}

TEST(ComposeRun, WorkIsBoundedForDeepSharing)
{
    // Eight levels, each placing the next sixteen times: 16^8 objects as
    // written. The run stops at its bound.
    TestProject project;
    project.objects[0] = solid_object(1, 1, kOpaque);
    for (int level = 0; level < 8; level++) {
        std::vector<PanelDef> defs;
        for (int i = 0; i < 16; i++) {
            defs.push_back(level == 7 ? object_at(0, 8 * i, 0) : panel_at(level + 1, 0, 0));
        }
        project.panels[level] = defs;
    }
    project.top = project.panels[0];
    ComposeBuffers b;
    ComposeStats stats = panelmodels_compose(project, 0, 0, b);
    EXPECT_TRUE(stats.truncated);
    EXPECT_EQ(stats.visits, kComposeMaxVisits);
    // What was drawn before the stop is there.
    EXPECT_EQ(row_screens(b, 0)[15], 0x12);

    // Big objects reach the bound on cells first.
    project.objects[0] = solid_object(15, 15, kOpaque);
    stats = panelmodels_compose(project, 0, 0, b);
    EXPECT_TRUE(stats.truncated);
    EXPECT_LT(stats.visits, kComposeMaxVisits);
    EXPECT_GE(stats.cells, kComposeMaxCells);
    EXPECT_LT(stats.cells, kComposeMaxCells + 225);

    // Within the bound everything is drawn: four levels, 16^4 objects.
    project.objects[0] = solid_object(1, 1, kOpaque);
    project.panels[3] = project.panels[7];
    stats = panelmodels_compose(project, 0, 0, b);
    EXPECT_FALSE(stats.truncated);
    EXPECT_EQ(stats.objects, 16 * 16 * 16 * 16);
}

namespace {
struct RecordingObserver : ComposeObserver
{
    std::vector<std::pair<int, int>> sizes;
    TestProject *clear_on_first = nullptr;
    void object_drawn(const ComposeBuffers &, int w, int h) override
    {
        sizes.emplace_back(w, h);
        if (clear_on_first != nullptr) {
            clear_on_first->top.clear();
            clear_on_first->top.shrink_to_fit();
            clear_on_first->panels.clear();
        }
    }
};
} // namespace

TEST(ComposeRun, ObserverSeesEachDrawnObject)
{
    TestProject project;
    project.objects[0] = numbered_object(3, 2, kOpaque);
    project.objects[1] = numbered_object(1, 1, kOpaque);
    project.panels[4] = {object_at(1, 0, 0), object_at(0, 400, 0)};
    project.top = {object_at(0, -8, 0), panel_at(4, 8, 8), object_at(0, -24, 0)};
    RecordingObserver observer;
    ComposeBuffers b;
    panelmodels_compose(project, -1, 0, b, &observer);
    // Clipped objects count with their full size; wholly outside ones not.
    EXPECT_EQ(observer.sizes, (std::vector<std::pair<int, int>>{{3, 2}, {1, 1}}));

    // The observer may change the project under the run (as the main loop
    // can): the run reads its lists anew and ends with what is left.
    project.panels[4] = {object_at(1, 0, 0), object_at(1, 8, 0), object_at(1, 16, 0)};
    project.top = {panel_at(4, 0, 0), object_at(1, 0, 8), object_at(1, 0, 16)};
    RecordingObserver clearing;
    clearing.clear_on_first = &project;
    ComposeStats stats = panelmodels_compose(project, -1, 0, b, &clearing);
    EXPECT_EQ(stats.objects, 1);
}

namespace {
struct TestBoxes : BoxSource
{
    std::map<int, std::pair<int, int>> objects;
    std::map<int, ZbxRect> panels;
    bool object_size(int object, int *w, int *h) const override
    {
        auto it = objects.find(object);
        if (it == objects.end()) {
            return false;
        }
        *w = it->second.first;
        *h = it->second.second;
        return true;
    }
    bool panel_box(int panel, ZbxRect *box) const override
    {
        auto it = panels.find(panel);
        if (it == panels.end()) {
            return false;
        }
        *box = it->second;
        return true;
    }
};

bool same(const ZbxRect &a, const ZbxRect &b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}
} // namespace

TEST(ComposeBox, EmptyDisabledAndNested)
{
    TestBoxes boxes;
    EXPECT_TRUE(same(panelmodels_bounding_box({}, boxes), {320, 144, -320, -144}));

    boxes.objects[1] = {16, 24};
    boxes.panels[2] = {-8, 16, 40, 24};
    PanelDef hidden = object_at(1, 200, 100);
    hidden.enabled = false;
    std::vector<PanelDef> defs = {object_at(1, 40, 32), panel_at(2, 100, 50), hidden};
    // Objects (40, 32)-(56, 56) and (200, 100)-(216, 124); the panel
    // (92, 66)-(132, 90).
    EXPECT_TRUE(same(panelmodels_bounding_box(defs, boxes), {40, 32, 176, 92}));

    // The start values take part: a definition far right and below does not
    // move min x and y below 320 and 144 unless it lies left of them.
    defs = {object_at(1, 400, 200)};
    EXPECT_TRUE(same(panelmodels_bounding_box(defs, boxes), {320, 144, 96, 80}));
    // A missing item counts with its position alone.
    defs = {object_at(7, 8, 8), panel_at(9, 16, 24)};
    EXPECT_TRUE(same(panelmodels_bounding_box(defs, boxes), {8, 8, 8, 16}));
}

namespace {
// The merge rule transcribed step by step, pixel by pixel, as the plain
// reference for the drawing path, which works on whole cells at once.
void reference_merge(ComposeCell &dst, const ComposeCell &obj, int bg)
{
    const int none = 255;
    auto pixel = [](const uint8_t *lines, int i, int pos) {
        return (lines[i] >> (6 - 2 * pos)) & 3;
    };
    int d[4] = {0, (dst.colour & 0x20) ? dst.screen >> 4 : none,
                (dst.colour & 0x40) ? dst.screen & 15 : none,
                (dst.colour & 0x80) ? dst.colour & 15 : none};
    int s[4] = {0, (obj.colour & 0x20) ? obj.screen >> 4 : none,
                (obj.colour & 0x40) ? obj.screen & 15 : none,
                (obj.colour & 0x80) ? obj.colour & 15 : none};
    int m[4] = {0, none, none, none};
    for (int pass = 0; pass < 16; pass++) {
        bool fresh[4] = {};
        int conflicts = 0;
        for (int k = 3; k >= 1; k--) {
            if (s[k] == none) {
                m[k] = none;
            } else if (s[k] == bg) {
                m[k] = 0;
            } else if (s[k] == d[1]) {
                m[k] = 1;
            } else if (s[k] == d[2]) {
                m[k] = 2;
            } else if (s[k] == d[3]) {
                m[k] = 3;
            } else {
                m[k] = none;
                for (int j = 1; j <= 3 && m[k] == none; j++) {
                    if (d[j] == none) {
                        d[j] = s[k];
                        fresh[j] = true;
                        m[k] = j;
                    }
                }
                conflicts += m[k] == none;
            }
        }
        if (conflicts == 0 || pass == 15) {
            break;
        }
        int ocount[4] = {};
        int dcount[4] = {};
        for (int i = 0; i < 8; i++) {
            for (int pos = 0; pos < 4; pos++) {
                const int p = pixel(obj.bitmap, i, pos);
                const int q = pixel(dst.bitmap, i, pos);
                if (p != 0) {
                    ocount[p]++;
                } else {
                    dcount[q]++;
                }
            }
        }
        for (int k = 1; k <= 3; k++) {
            if (m[k] != none) {
                dcount[m[k]] += ocount[k];
                ocount[k] = 0;
            }
        }
        for (;;) {
            int free_slots = 0;
            for (int j = 1; j <= 3; j++) {
                if (dcount[j] == 0) {
                    d[j] = none;
                    free_slots += !fresh[j];
                }
            }
            if (free_slots >= conflicts) {
                break;
            }
            int victim = 0;
            int key = 1 << 30;
            for (int j = 3; j >= 1; j--) {
                if (d[j] != none && !fresh[j] && dcount[j] != 0 && dcount[j] < key) {
                    victim = j;
                    key = dcount[j];
                }
            }
            for (int k = 3; k >= 1; k--) {
                if (s[k] != none && ocount[k] != 0 && ocount[k] < key) {
                    victim = -k;
                    key = ocount[k];
                }
            }
            for (int k = 3; k >= 1 && victim == 0; k--) {
                if (s[k] != none && m[k] == none) {
                    victim = -k;
                }
            }
            if (victim == 0) {
                break;
            }
            if (victim < 0) {
                s[-victim] = none;
                conflicts--;
            } else {
                dcount[victim] = 0;
                for (int k = 1; k <= 3; k++) {
                    if (m[k] == victim) {
                        s[k] = none;
                        conflicts--;
                    }
                }
            }
        }
    }
    dst.screen = static_cast<uint8_t>((d[1] << 4) | (d[2] & 15));
    dst.colour = static_cast<uint8_t>((d[3] != none ? 128 : 0) | (d[2] != none ? 64 : 0) |
                                      (d[1] != none ? 32 : 0) | (d[3] & 15));
    for (int i = 0; i < 8; i++) {
        for (int pos = 0; pos < 4; pos++) {
            const int p = pixel(obj.bitmap, i, pos);
            if (p != 0 && m[p] != none) {
                const int shift = 6 - 2 * pos;
                dst.bitmap[i] =
                    static_cast<uint8_t>((dst.bitmap[i] & ~(3 << shift)) | (m[p] << shift));
            }
        }
    }
}

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

TEST(ComposeMerge, AgreesWithThePlainRuleOnRandomCells)
{
    std::mt19937 rng(20240611);
    int differences = 0;
    for (int round = 0; round < 200000 && differences < 5; round++) {
        const int colours = 2 + round % 15;
        const bool consistent = round % 4 != 0;
        const int bg = static_cast<int>(rng() % colours);
        ComposeCell dst = random_cell(rng, colours, consistent);
        dst.colour |= 0x20;
        const ComposeCell obj = random_cell(rng, colours, consistent);
        ComposeCell expected = dst;
        reference_merge(expected, obj, bg);
        ComposeCell actual = dst;
        panelmodels_merge_cell(actual, obj, bg);
        ComposeCell portable = dst;
        panelmodels_merge_cell_portable(portable, obj, bg);
        EXPECT_EQ(portable, actual);
        if (!(actual == expected)) {
            differences++;
            ADD_FAILURE() << "round " << round << ": screen " << int(actual.screen) << " vs "
                          << int(expected.screen) << ", colour " << int(actual.colour) << " vs "
                          << int(expected.colour) << ", pixels " << pixels_of(actual) << " vs "
                          << pixels_of(expected);
        }
    }
}

TEST(ComposeCanvas, CellsBecomePixelsOfTheLocationArea)
{
    TestProject project;
    // Pixels 0 1 2 3 in every line; screen 1/2, colour 3.
    project.objects[0] = solid_object(1, 1, kOpaque);
    project.top = {object_at(0, 8, 0), object_at(0, 312, 136)};
    std::vector<uint8_t> pixels(320 * 200 * 4, 0x77);
    const RgbaView canvas{pixels.data(), 320, 200, 320 * 4};
    ComposeBuffers b;
    panelmodels_render_into_view(project, -1, 6, b, canvas);

    auto rgb_at = [&](int x, int y) {
        const uint8_t *p = &pixels[(y * 320 + x) * 4];
        return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    auto palette = [](int c) {
        return std::vector<int>{palette_rgb[c][0], palette_rgb[c][1], palette_rgb[c][2], 255};
    };
    // Above the area nothing is touched.
    EXPECT_EQ(rgb_at(0, 55), (std::vector<int>{0x77, 0x77, 0x77, 0x77}));
    // Empty cells show the background; the object's four double pixels show
    // background, screen high nibble, screen low nibble, colour.
    EXPECT_EQ(rgb_at(0, 56), palette(6));
    EXPECT_EQ(rgb_at(8, 56), palette(6));
    EXPECT_EQ(rgb_at(10, 56), palette(1));
    EXPECT_EQ(rgb_at(13, 63), palette(2));
    EXPECT_EQ(rgb_at(15, 60), palette(3));
    EXPECT_EQ(rgb_at(16, 56), palette(6));
    // The last cell of the area, at the bottom right of the canvas.
    EXPECT_EQ(rgb_at(319, 199), palette(3));
    EXPECT_EQ(rgb_at(312, 192), palette(6));
}
