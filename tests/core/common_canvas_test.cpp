// Canvases, the backdrop search, and the arithmetic of item frames and
// palette markers.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/common.h"
#include "c64/palette.h"
#include "gref.h"
#include "support/reset.h"

namespace {

uint32_t rgba_at(GdkPixbuf *image, int x, int y)
{
    const guchar *p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) + x * 4;
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

ZbxRect frame(int zoom, ZbxRect r, bool *drawn)
{
    *drawn = common_item_frame_on_area(zoom, &r);
    return r;
}

void expect_rect(ZbxRect r, int x, int y, int w, int h)
{
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
}

TEST(ItemFrame, ClippedToTheLocationAreaAndMovedBelowItsTop)
{
    bool drawn = false;
    // Past the right edge: clipped to what is visible.
    ZbxRect r = frame(0, {300, 10, 40, 16}, &drawn);
    ASSERT_TRUE(drawn);
    expect_rect(r, 300, 66, 20, 16);
    // Zoom 2 (x4): position and size scale, and so does the top offset.
    r = frame(2, {8, 8, 16, 16}, &drawn);
    ASSERT_TRUE(drawn);
    expect_rect(r, 32, 256, 64, 64);
    // Zoom 1, hanging off the top left.
    r = frame(1, {-8, -4, 24, 12}, &drawn);
    ASSERT_TRUE(drawn);
    expect_rect(r, 0, 112, 32, 16);
    // Wholly below or right of the location area, or empty: nothing.
    frame(0, {0, 144, 16, 16}, &drawn);
    EXPECT_FALSE(drawn);
    frame(1, {320, 0, 8, 8}, &drawn);
    EXPECT_FALSE(drawn);
    frame(0, {10, 10, 0, 8}, &drawn);
    EXPECT_FALSE(drawn);
    // Touching the bottom row still shows one row.
    r = frame(0, {0, 143, 8, 8}, &drawn);
    ASSERT_TRUE(drawn);
    expect_rect(r, 0, 199, 8, 1);
}

TEST(PaletteMarker, OutlinesTheSquareOfTheColourModulo16)
{
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 256, 16);
    cairo_t *cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    common_draw_rectangle_around_color_in_palette(cr, 17);
    cairo_surface_flush(surface);
    const unsigned char *data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    auto white = [&](int x, int y) {
        return (*reinterpret_cast<const uint32_t *>(data + y * stride + x * 4) & 0xFFFFFF) ==
               0xFFFFFF;
    };
    int count = 0;
    for (int y = 0; y < 16; y++) {
        for (int x = 0; x < 256; x++) {
            if (white(x, y)) {
                count++;
                // Only the border of colour 1's square, x 16..31.
                EXPECT_TRUE(x >= 16 && x < 32) << x << "," << y;
                EXPECT_TRUE(x == 16 || x == 31 || y == 0 || y == 15) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(count, 4 * 15);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

class CanvasTest : public testing::Test
{
  protected:
    void SetUp() override { palette_module_init(); }
    void TearDown() override { common_canvas_cleanup(); }
};

TEST_F(CanvasTest, NewCanvasIsOpaqueBlackAndCopiesReplaceAlpha)
{
    GRef<GdkPixbuf> canvas(common_create_new_canvas());
    ASSERT_TRUE(canvas);
    EXPECT_EQ(gdk_pixbuf_get_width(canvas.get()), 320);
    EXPECT_EQ(gdk_pixbuf_get_height(canvas.get()), 200);
    EXPECT_TRUE(gdk_pixbuf_get_has_alpha(canvas.get()));
    EXPECT_EQ(rgba_at(canvas.get(), 319, 199), 0x000000FFu);

    // A larger, half-transparent source: its top-left 320 x 200 replace the
    // canvas, alpha included.
    GRef<GdkPixbuf> source(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 400, 300));
    gdk_pixbuf_fill(source.get(), 0x11223344);
    common_copy_image_to_pixbuf(source.get(), canvas.get());
    EXPECT_EQ(rgba_at(canvas.get(), 0, 0), 0x11223344u);
    EXPECT_EQ(rgba_at(canvas.get(), 319, 199), 0x11223344u);

    // No backdrop: the canvas is left as it was.
    common_copy_background_image_to_pixbuf(canvas.get());
    EXPECT_EQ(rgba_at(canvas.get(), 5, 5), 0x11223344u);

    common_erase_pixbuf(canvas.get(), 18); // red, modulo 16
    const uint32_t red = (uint32_t(palette_rgb[2][0]) << 24) | (uint32_t(palette_rgb[2][1]) << 16) |
                         (palette_rgb[2][2] << 8) | 0xFF;
    EXPECT_EQ(rgba_at(canvas.get(), 0, 0), red);
    EXPECT_EQ(rgba_at(canvas.get(), 319, 199), red);

    common_fill_location_area(canvas.get(), 1);
    EXPECT_EQ(rgba_at(canvas.get(), 0, 55), red);
    EXPECT_EQ(rgba_at(canvas.get(), 0, 56), 0xFFFFFFFFu);
    EXPECT_EQ(rgba_at(canvas.get(), 319, 199), 0xFFFFFFFFu);
}

TEST_F(CanvasTest, BackdropIsLookedForInOrderAndReportsTheLoadersError)
{
    auto defaults = common_background_candidates();
    ASSERT_EQ(defaults.size(), 4u);
    EXPECT_EQ(defaults.front(), std::string(ZBX_DATADIR) + "/background.png");
    EXPECT_EQ(defaults.back(), "background.png");

    const std::string real = zbx_source_path("resources/background.png");
    const std::string missing = zbx_source_path("resources/no-such-backdrop.png");
    const std::string small = zbx_source_path("resources/zembrix.png");

    // Nothing anywhere: the loader's message for the last place.
    common_set_background_candidates({missing, missing});
    GError *error = nullptr;
    EXPECT_FALSE(common_load_background_pixbuf(&error));
    ASSERT_NE(error, nullptr);
    EXPECT_NE(std::string(error->message).find("no-such-backdrop.png"), std::string::npos);
    g_clear_error(&error);
    EXPECT_EQ(common_get_background_pixbuf(), nullptr);

    // A file too small to be a backdrop says so, even when later places are
    // missing.
    common_set_background_candidates({small, missing});
    EXPECT_FALSE(common_load_background_pixbuf(&error));
    ASSERT_NE(error, nullptr);
    EXPECT_NE(std::string(error->message).find("smaller than 320 x 200"), std::string::npos);
    g_clear_error(&error);

    // The first usable place wins.
    common_set_background_candidates({missing, small, real});
    ASSERT_TRUE(common_load_background_pixbuf(&error));
    EXPECT_EQ(error, nullptr);
    GRef<GdkPixbuf> file(gdk_pixbuf_new_from_file(real.c_str(), nullptr));
    ASSERT_TRUE(file);
    GRef<GdkPixbuf> canvas(common_create_new_canvas());
    common_copy_background_image_to_pixbuf(canvas.get());
    for (auto [x, y] : {std::pair{0, 0}, {8, 8}, {319, 199}, {160, 54}}) {
        EXPECT_EQ(rgba_at(canvas.get(), x, y), rgba_at(file.get(), x, y)) << x << "," << y;
    }
    common_set_background_candidates({});
}

} // namespace
