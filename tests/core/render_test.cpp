// Rendering stored panels and locations into canvases, and the bounding
// boxes of stored panels.
#include <gtest/gtest.h>

#include <vector>

#include "app/common.h"
#include "c64/palette.h"
#include "c64/pixbufs.h"
#include "gref.h"
#include "items/itemwrapper.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/panelmodels.h"
#include "support/items_fixture.h"
#include "support/project.h"
#include "support/reset.h"

namespace {

std::vector<int> pixel(GdkPixbuf *canvas, int x, int y)
{
    RgbaView v = pixbufs_view(canvas);
    const uint8_t *p = v.pixels + y * v.rowstride + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

std::vector<int> colour(int c)
{
    return {palette_rgb[c][0], palette_rgb[c][1], palette_rgb[c][2], 255};
}

const std::vector<int> kWhite = {255, 255, 255, 255};

class StoreRendering : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        zbx_reset_all_modules();
        // A backdrop of its own: plain white.
        GRef<GdkPixbuf> backdrop(common_create_new_canvas());
        gdk_pixbuf_fill(backdrop.get(), 0xffffffff);
        common_set_background_pixbuf(backdrop.get());
        canvas_.reset(common_create_new_canvas());
        zbx_test_allocate(8);
        zbx_test_put_opaque_object(0, 2, 3);
    }
    void TearDown() override
    {
        zbx_reset_all_modules();
        common_set_background_pixbuf(nullptr);
    }
    // Draws a panel's list over the backdrop, pair 00 in colour 6.
    void render(ZbxDefList *list, int background = 6)
    {
        common_copy_background_image_to_pixbuf(canvas_.get());
        panelmodels_render_panel_defs(list, canvas_.get(), nullptr, background, 0, 0);
    }
    GRef<GdkPixbuf> canvas_;
};

} // namespace

TEST_F(StoreRendering, BoundingBoxesOfStoredPanels)
{
    // Succeeded, x, y, width, height; object 0 is 16 x 24 pixels.
    auto box = [](int panel) {
        int b[4] = {-7, -7, -7, -7};
        const int ok = panelmodels_compute_panel_size_and_pos(panel, &b[0], &b[1], &b[2], &b[3]);
        return std::vector<int>{ok, b[0], b[1], b[2], b[3]};
    };
    zbx_test_put_panel(1);
    EXPECT_EQ(box(1), (std::vector<int>{1, 320, 144, -320, -144}));
    EXPECT_EQ(box(0), (std::vector<int>{0, -7, -7, 0, 0})); // no panel: position untouched
    // Disabled definitions count; a sub-panel counts with its stored box
    // moved by its position: object 0 at (40, 32)-(56, 56) and (200,
    // 100)-(216, 124), panel 3 at (92, 66)-(132, 90).
    ZbxDefList *two = zbx_test_put_panel(2);
    zbx_test_put_panel(3);
    ASSERT_EQ(panels_set_pos_and_dimensions_at_index(3, -8, 16, 40, 24), 1);
    PanelDef hidden = zbx_object_def(0, 200, 100);
    hidden.enabled = false;
    for (const PanelDef &d : {zbx_object_def(0, 40, 32), zbx_panel_def(3, 100, 50), hidden}) {
        zbx_def_list_append(two, d);
    }
    EXPECT_EQ(box(2), (std::vector<int>{1, 40, 32, 176, 92}));
    // The start values take part: far right and below leaves x and y at
    // 320 and 144; a missing item counts with its position alone.
    zbx_def_list_clear(two);
    zbx_def_list_append(two, zbx_object_def(0, 400, 200));
    EXPECT_EQ(box(2), (std::vector<int>{1, 320, 144, 96, 80}));
    zbx_def_list_clear(two);
    zbx_def_list_append(two, zbx_object_def(7, 8, 8));
    zbx_def_list_append(two, zbx_panel_def(6, 16, 24));
    EXPECT_EQ(box(2), (std::vector<int>{1, 8, 8, 8, 16}));
}

TEST_F(StoreRendering, PanelsAreDrawnOverTheirBackground)
{
    ZbxDefList *list = zbx_test_put_panel(1);
    zbx_test_place(1, 0, 8, 0);
    zbx_test_place(1, 5, 40, 0);    // empty item: nothing
    zbx_test_place(1, 0, 304, 120); // the last cells of the area
    render(list);
    EXPECT_EQ(pixel(canvas_.get(), 0, 55), kWhite);
    EXPECT_EQ(pixel(canvas_.get(), 0, 56), colour(6));
    EXPECT_EQ(pixel(canvas_.get(), 8, 56), colour(6));
    EXPECT_EQ(pixel(canvas_.get(), 10, 56), colour(1));
    EXPECT_EQ(pixel(canvas_.get(), 15, 56 + 23), colour(3));
    EXPECT_EQ(pixel(canvas_.get(), 41, 56), colour(6));
    EXPECT_EQ(pixel(canvas_.get(), 319, 199), colour(3));
    // No list: the background colour alone.
    render(nullptr, 2);
    EXPECT_EQ(pixel(canvas_.get(), 10, 56), colour(2));
    EXPECT_EQ(pixel(canvas_.get(), 319, 199), colour(2));
    EXPECT_EQ(pixel(canvas_.get(), 319, 55), kWhite);
}

TEST_F(StoreRendering, StoredPanelsThatPlaceThemselvesAreDrawnOnce)
{
    // Panel 1 places object 0 and then itself one cell to the right.
    ZbxDefList *one = zbx_test_put_panel(1);
    zbx_test_place(1, 0, 0, 0);
    zbx_test_place(1, 1, 16, 0);
    render(one);
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(1));
    EXPECT_EQ(pixel(canvas_.get(), 18, 56), colour(6));
    // Panel 2 places panel 3, which places panel 2 back.
    ZbxDefList *two = zbx_test_put_panel(2);
    ZbxDefList *three = zbx_test_put_panel(3);
    for (auto [panel, other] : {std::pair{2, 3}, {3, 2}}) {
        zbx_test_place(panel, other, 16, 0);
        zbx_test_place(panel, 0, 0, 0);
    }
    for (ZbxDefList *list : {two, three}) {
        render(list);
        EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(1));
        EXPECT_EQ(pixel(canvas_.get(), 18, 56), colour(1));
        EXPECT_EQ(pixel(canvas_.get(), 34, 56), colour(6));
    }
}

TEST_F(StoreRendering, LocationsByNumber)
{
    zbx_test_put_panel(1);
    zbx_test_place(1, 0, 0, 0);
    for (int i = 0; i < kLocationCount; i++) {
        locations_add_item_to_location_model(i, i == 3 ? 1 : i == 4 ? 7 : kNoPanel, i == 3 ? 5 : 0);
    }
    locations_render_location_at_index(3, canvas_.get(), 0, 0);
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(1));
    EXPECT_EQ(pixel(canvas_.get(), 20, 56), colour(5));
    EXPECT_EQ(pixel(canvas_.get(), 20, 40), kWhite);
    // Record 4 names an item without a panel: its colour alone.
    locations_render_location_at_index(4, canvas_.get(), 0, 0);
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(0));
    // An empty record, a number past the table and no selection at all
    // leave the backdrop.
    for (int number : {5, 32, -1}) {
        locations_render_location_at_index(number, canvas_.get(), 0, 0);
        EXPECT_EQ(pixel(canvas_.get(), 2, 56), kWhite) << number;
    }
    locations_render_location(canvas_.get(), nullptr, 0, 0);
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), kWhite);
}
