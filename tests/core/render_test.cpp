// Rendering panels and locations from the item stores into canvases, and
// the bounding boxes of stored panels.
#include <gtest/gtest.h>

#include <vector>

#include "app/common.h"
#include "c64/palette.h"
#include "c64/pixbufs.h"
#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/panelmodels.h"
#include "support/reset.h"

namespace {

// A w x h cell record: every cell shows pixels 0 1 2 3 on each line, screen
// colours 1 and 2, colour 3 (no pair 00 in the usage bits: opaque).
std::vector<uint8_t> record(int w, int h)
{
    std::vector<uint8_t> data = {static_cast<uint8_t>((w << 4) | h)};
    data.insert(data.end(), 8 * w * h, 0x1B);
    data.insert(data.end(), w * h, 0x12);
    data.insert(data.end(), w * h, 0xE3);
    return data;
}

void put_object(int index, int w, int h)
{
    const std::vector<uint8_t> data = record(w, h);
    GdkPixbuf *image = pixbufs_new_from_hires(data.data() + 1, data.data() + 1 + 8 * w * h,
                                              data.data() + 1 + 9 * w * h, w, h);
    ASSERT_EQ(objects_set_array_at_index(index, image, data), 1);
}

ZbxDefList *put_panel(int index)
{
    ZbxDefList *list = zbx_def_list_new();
    EXPECT_EQ(panels_set_array_at_index(index, list), 1);
    return list;
}

void place(ZbxDefList *list, int item, bool is_object, int x, int y, bool enabled = true)
{
    PanelDef d;
    d.item = item;
    d.is_object = is_object;
    d.x = x;
    d.y = y;
    d.enabled = enabled;
    zbx_def_list_append(list, d);
}

struct Box
{
    int x, y, width, height;
    bool operator==(const Box &) const = default;
};

Box box_of(int panel, gboolean *ok)
{
    Box b{-7, -7, -7, -7};
    *ok = panelmodels_compute_panel_size_and_pos(panel, &b.x, &b.y, &b.width, &b.height);
    return b;
}

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
        ASSERT_EQ(itemwrapper_allocate_array(8), 1);
        put_object(0, 2, 3);
    }
    void TearDown() override
    {
        zbx_reset_all_modules();
        common_set_background_pixbuf(nullptr);
    }
    GRef<GdkPixbuf> canvas_;
};

} // namespace

TEST_F(StoreRendering, BoundingBoxes)
{
    gboolean ok = FALSE;
    put_panel(1);
    EXPECT_EQ(box_of(1, &ok), (Box{320, 144, -320, -144}));
    EXPECT_TRUE(ok);

    // Disabled definitions count.
    ZbxDefList *two = put_panel(2);
    place(two, 0, true, 16, 8, false);
    EXPECT_EQ(box_of(2, &ok), (Box{16, 8, 16, 24}));

    // A sub-panel counts with its stored box, moved by its position.
    ASSERT_EQ(panels_set_pos_and_dimensions_at_index(2, -8, 16, 40, 24), 1);
    ZbxDefList *three = put_panel(3);
    place(three, 2, false, 100, 50);
    place(three, 0, true, 200, 100);
    EXPECT_EQ(box_of(3, &ok), (Box{92, 66, 124, 58}));

    // No panel there: FALSE, size 0, position untouched.
    EXPECT_EQ(box_of(0, &ok), (Box{-7, -7, 0, 0}));
    EXPECT_FALSE(ok);
    EXPECT_EQ(box_of(99, &ok), (Box{-7, -7, 0, 0}));
    EXPECT_FALSE(ok);
}

TEST_F(StoreRendering, PanelsAreDrawnOverTheirBackground)
{
    ZbxDefList *list = put_panel(1);
    place(list, 0, true, 8, 0);
    place(list, 5, true, 40, 0); // empty item: nothing
    common_copy_background_image_to_pixbuf(canvas_.get());
    panelmodels_render_panel_defs(list, canvas_.get(), nullptr, 6, 0, 0);
    EXPECT_EQ(pixel(canvas_.get(), 0, 55), (std::vector<int>{255, 255, 255, 255}));
    EXPECT_EQ(pixel(canvas_.get(), 0, 56), colour(6));
    EXPECT_EQ(pixel(canvas_.get(), 8, 56), colour(6));
    EXPECT_EQ(pixel(canvas_.get(), 10, 56), colour(1));
    EXPECT_EQ(pixel(canvas_.get(), 15, 56 + 23), colour(3));
    EXPECT_EQ(pixel(canvas_.get(), 41, 56), colour(6));

    // No list: the background colour alone.
    common_copy_background_image_to_pixbuf(canvas_.get());
    panelmodels_render_panel_defs(nullptr, canvas_.get(), nullptr, 2, 0, 0);
    EXPECT_EQ(pixel(canvas_.get(), 10, 56), colour(2));
    EXPECT_EQ(pixel(canvas_.get(), 319, 199), colour(2));
    EXPECT_EQ(pixel(canvas_.get(), 319, 55), (std::vector<int>{255, 255, 255, 255}));
}

TEST_F(StoreRendering, StoredPanelsThatPlaceThemselvesAreDrawnOnce)
{
    // Panel 1 places object 0 and then itself one cell to the right; panel
    // 2 places panel 3, which places panel 2 back.
    ZbxDefList *one = put_panel(1);
    place(one, 0, true, 0, 0);
    place(one, 1, false, 16, 0);
    common_copy_background_image_to_pixbuf(canvas_.get());
    panelmodels_render_panel_defs(one, canvas_.get(), nullptr, 6, 0, 0);
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(1));
    EXPECT_EQ(pixel(canvas_.get(), 18, 56), colour(6));

    ZbxDefList *two = put_panel(2);
    ZbxDefList *three = put_panel(3);
    place(two, 3, false, 16, 0);
    place(two, 0, true, 0, 0);
    place(three, 2, false, 16, 0);
    place(three, 0, true, 0, 0);
    for (ZbxDefList *list : {two, three}) {
        common_copy_background_image_to_pixbuf(canvas_.get());
        panelmodels_render_panel_defs(list, canvas_.get(), nullptr, 6, 0, 0);
        EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(1));
        EXPECT_EQ(pixel(canvas_.get(), 18, 56), colour(1));
        EXPECT_EQ(pixel(canvas_.get(), 34, 56), colour(6));
    }
}

TEST_F(StoreRendering, LocationsByNumber)
{
    ZbxDefList *list = put_panel(1);
    place(list, 0, true, 0, 0);
    for (int i = 0; i < kLocationCount; i++) {
        locations_add_item_to_location_model(i, i == 3 ? 1 : i == 4 ? 7 : kNoPanel, i == 3 ? 5 : 0);
    }
    locations_render_location_at_index(3, canvas_.get(), 0, 0);
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(1));
    EXPECT_EQ(pixel(canvas_.get(), 20, 56), colour(5));
    EXPECT_EQ(pixel(canvas_.get(), 20, 40), (std::vector<int>{255, 255, 255, 255}));

    // Record 4 names an item without a panel: its colour alone.
    locations_render_location_at_index(4, canvas_.get(), 0, 0);
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(0));

    // An empty record, a number past the table and no selection at all
    // leave the backdrop.
    for (int number : {5, 32, -1}) {
        locations_render_location_at_index(number, canvas_.get(), 0, 0);
        EXPECT_EQ(pixel(canvas_.get(), 2, 56), (std::vector<int>{255, 255, 255, 255}));
    }
    locations_render_location(canvas_.get(), nullptr, 0, 0);
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), (std::vector<int>{255, 255, 255, 255}));
}
