// Canvases, the backdrop search, and the arithmetic of item frames and
// palette markers.
#include <cairo.h>
#include <gtest/gtest.h>

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

TEST(ItemFrame, ClippedToTheLocationAreaZoomedAndMovedBelowItsTop)
{
    const struct
    {
        int zoom;
        ZbxRect item;
        bool drawn;
        ZbxRect frame;
    } cases[] = {
        {0, {300, 10, 40, 16}, true, {300, 66, 20, 16}}, // past the right edge
        {2, {8, 8, 16, 16}, true, {32, 256, 64, 64}},    // zoom 2 is x4, top offset too
        {1, {-8, -4, 24, 12}, true, {0, 112, 32, 16}},   // hanging off the top left
        {0, {0, 143, 8, 8}, true, {0, 199, 8, 1}},       // one row above the bottom
        {0, {0, 144, 16, 16}, false, {}},                // below the area
        {1, {320, 0, 8, 8}, false, {}},                  // right of it
        {0, {10, 10, 0, 8}, false, {}},                  // empty
    };
    for (const auto &c : cases) {
        ZbxRect r = c.item;
        EXPECT_EQ(common_item_frame_on_area(c.zoom, &r), c.drawn) << c.item.x << "," << c.item.y;
        if (c.drawn) {
            EXPECT_EQ(std::vector<int>({r.x, r.y, r.width, r.height}),
                      std::vector<int>({c.frame.x, c.frame.y, c.frame.width, c.frame.height}));
        }
    }
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
    int count = 0;
    for (int y = 0; y < 16; y++) {
        for (int x = 0; x < 256; x++) {
            if ((*reinterpret_cast<const uint32_t *>(data + y * stride + x * 4) & 0xFFFFFF) ==
                0xFFFFFF) {
                count++;
                // Only the border of colour 1's square, x 16..31.
                EXPECT_TRUE(x == 16 || x == 31 || ((y == 0 || y == 15) && x > 16 && x < 31))
                    << x << "," << y;
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
    void TearDown() override
    {
        common_set_background_candidates({});
        common_canvas_cleanup();
    }
};

TEST_F(CanvasTest, NewCanvasIsOpaqueBlackAndCopiesReplaceAlpha)
{
    GRef<GdkPixbuf> canvas(common_create_new_canvas());
    ASSERT_TRUE(canvas);
    EXPECT_EQ(gdk_pixbuf_get_width(canvas.get()), 320);
    EXPECT_EQ(gdk_pixbuf_get_height(canvas.get()), 200);
    EXPECT_EQ(rgba_at(canvas.get(), 319, 199), 0x000000FFu);

    // A larger, half-transparent source: its top-left 320 x 200 replace the
    // canvas, alpha included. No backdrop: the canvas is left as it was.
    GRef<GdkPixbuf> source(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 400, 300));
    gdk_pixbuf_fill(source.get(), 0x11223344);
    common_copy_image_to_pixbuf(source.get(), canvas.get());
    common_copy_background_image_to_pixbuf(canvas.get());
    EXPECT_EQ(rgba_at(canvas.get(), 319, 199), 0x11223344u);

    common_erase_pixbuf(canvas.get(), 18); // red, modulo 16
    const uint32_t red = (uint32_t(palette_rgb[2][0]) << 24) | (uint32_t(palette_rgb[2][1]) << 16) |
                         (palette_rgb[2][2] << 8) | 0xFF;
    EXPECT_EQ(rgba_at(canvas.get(), 0, 0), red);
    common_fill_location_area(canvas.get(), 1);
    EXPECT_EQ(rgba_at(canvas.get(), 0, 55), red);
    EXPECT_EQ(rgba_at(canvas.get(), 0, 56), 0xFFFFFFFFu);
    EXPECT_EQ(rgba_at(canvas.get(), 319, 199), 0xFFFFFFFFu);
}

TEST_F(CanvasTest, BackdropIsLookedForInOrderAndReportsTheLoadersError)
{
    const std::string real = zbx_source_path("resources/background.png");
    const std::string missing = zbx_source_path("resources/no-such-backdrop.png");
    const std::string small = zbx_source_path("resources/zembrix.png");
    // Nothing anywhere: the loader's message for the last place. A file too
    // small to be a backdrop says so, even when later places are missing.
    for (auto [places, message] :
         {std::pair{std::vector<std::string>{missing, missing}, "no-such-backdrop.png"},
          {{small, missing}, "smaller than 320 x 200"}}) {
        common_set_background_candidates(places);
        GError *error = nullptr;
        EXPECT_FALSE(common_load_background_pixbuf(&error));
        ASSERT_NE(error, nullptr);
        EXPECT_NE(std::string(error->message).find(message), std::string::npos) << message;
        g_clear_error(&error);
        EXPECT_EQ(common_get_background_pixbuf(), nullptr);
    }
    // The first usable place wins.
    common_set_background_candidates({missing, small, real});
    ASSERT_TRUE(common_load_background_pixbuf(nullptr));
    GRef<GdkPixbuf> file(gdk_pixbuf_new_from_file(real.c_str(), nullptr));
    GRef<GdkPixbuf> canvas(common_create_new_canvas());
    common_copy_background_image_to_pixbuf(canvas.get());
    for (auto [x, y] : {std::pair{0, 0}, {319, 199}, {160, 54}}) {
        EXPECT_EQ(rgba_at(canvas.get(), x, y), rgba_at(file.get(), x, y)) << x << "," << y;
    }
}

} // namespace
