// Rendering stored panels and locations into canvases.
#include <gtest/gtest.h>

#include <vector>

#include "c64/palette.h"
#include "c64/pixbufs.h"
#include "gref.h"
#include "items/itemwrapper.h"
#include "models/common_canvas.h"
#include "models/locations.h"
#include "models/panelmodels_render.h"
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
    // Draws a stored panel over the backdrop, pair 00 in colour 6.
    void render(int panel, int background = 6)
    {
        common_copy_background_image_to_pixbuf(canvas_.get());
        panelmodels_render_stored_panel(panel, canvas_.get(), background);
    }
    GRef<GdkPixbuf> canvas_;
};

} // namespace

TEST_F(StoreRendering, PanelsAreDrawnOverTheirBackground)
{
    zbx_test_put_panel(1);
    zbx_test_place(1, 0, 8, 0);
    zbx_test_place(1, 5, 40, 0);    // empty item: nothing
    zbx_test_place(1, 0, 304, 120); // the last cells of the area
    render(1);
    EXPECT_EQ(pixel(canvas_.get(), 0, 55), kWhite);
    EXPECT_EQ(pixel(canvas_.get(), 0, 56), colour(6));
    EXPECT_EQ(pixel(canvas_.get(), 8, 56), colour(6));
    EXPECT_EQ(pixel(canvas_.get(), 10, 56), colour(1));
    EXPECT_EQ(pixel(canvas_.get(), 15, 56 + 23), colour(3));
    EXPECT_EQ(pixel(canvas_.get(), 41, 56), colour(6));
    EXPECT_EQ(pixel(canvas_.get(), 319, 199), colour(3));
    // No panel: the background colour alone.
    render(2, 2);
    EXPECT_EQ(pixel(canvas_.get(), 10, 56), colour(2));
    EXPECT_EQ(pixel(canvas_.get(), 319, 199), colour(2));
    EXPECT_EQ(pixel(canvas_.get(), 319, 55), kWhite);
}

TEST_F(StoreRendering, StoredPanelsThatPlaceThemselvesAreDrawnOnce)
{
    // Panel 1 places object 0 and then itself one cell to the right.
    zbx_test_put_panel(1);
    zbx_test_place(1, 0, 0, 0);
    zbx_test_place(1, 1, 16, 0);
    render(1);
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(1));
    EXPECT_EQ(pixel(canvas_.get(), 18, 56), colour(6));
    // Panel 2 places panel 3, which places panel 2 back.
    zbx_test_put_panel(2);
    zbx_test_put_panel(3);
    for (auto [panel, other] : {std::pair{2, 3}, {3, 2}}) {
        zbx_test_place(panel, other, 16, 0);
        zbx_test_place(panel, 0, 0, 0);
    }
    for (int panel : {2, 3}) {
        render(panel);
        EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(1));
        EXPECT_EQ(pixel(canvas_.get(), 18, 56), colour(1));
        EXPECT_EQ(pixel(canvas_.get(), 34, 56), colour(6));
    }
}

TEST_F(StoreRendering, LocationsByNumber)
{
    zbx_test_put_panel(1);
    zbx_test_place(1, 0, 0, 0);
    ZbxProject project = document_project();
    project.locations[3] = {1, 5};
    project.locations[4] = {7, 0};
    document_load(project);
    locations_render_location_at_index(3, canvas_.get());
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(1));
    EXPECT_EQ(pixel(canvas_.get(), 20, 56), colour(5));
    EXPECT_EQ(pixel(canvas_.get(), 20, 40), kWhite);
    // Record 4 names an item without a panel: its colour alone.
    locations_render_location_at_index(4, canvas_.get());
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(0));
    // An empty record shows its colour; a number past the table leaves the
    // backdrop.
    locations_render_location_at_index(5, canvas_.get());
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(0));
    for (int number : {32, -1}) {
        locations_render_location_at_index(number, canvas_.get());
        EXPECT_EQ(pixel(canvas_.get(), 2, 56), kWhite) << number;
    }
}
