// The sixteen colours: every lookup takes its index modulo 16.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "c64/palette.h"

namespace {

using Rgb = std::array<uint8_t, 3>;

Rgb rgb_of(int index)
{
    Rgb c;
    palette_get_rgb_at_index(index, c.data());
    return c;
}

constexpr Rgb kBlack = {0, 0, 0};

} // namespace

TEST(Palette, LookupsWrapModulo16)
{
    for (int index : {15, 31, 255}) {
        EXPECT_EQ(rgb_of(index), (Rgb{149, 149, 149})) << index;
    }
    EXPECT_EQ(rgb_of(16), kBlack);
    EXPECT_EQ(rgb_of(2), (Rgb{0x68, 0x37, 0x2B}));
    EXPECT_STREQ(palette_get_name_at_index(14), "light blue");
    EXPECT_STREQ(palette_get_name_at_index(27), "dark grey");
    EXPECT_EQ(palette_get_brush_at_index(17), palette_get_brush_at_index(1));
    EXPECT_EQ(palette_get_color_box_at_index(255), palette_get_color_box_at_index(15));
}

TEST(Palette, SwatchesShowTheirColourInsideABlackFrame)
{
    for (int i = 0; i < 16; i++) {
        SCOPED_TRACE(i);
        GdkPixbuf *box = palette_get_color_box_at_index(i);
        GdkPixbuf *brush = palette_get_brush_at_index(i);
        ASSERT_EQ(gdk_pixbuf_get_width(box), 16);
        ASSERT_EQ(gdk_pixbuf_get_width(brush), 14);
        ASSERT_EQ(gdk_pixbuf_get_n_channels(box), 3);
        auto at = [](GdkPixbuf *image, int x, int y) {
            const uint8_t *p =
                gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) + 3 * x;
            return Rgb{p[0], p[1], p[2]};
        };
        for (int k = 0; k < 16; k++) {
            EXPECT_EQ(at(box, k, 0), kBlack);
            EXPECT_EQ(at(box, 15, k), kBlack);
        }
        for (int k = 0; k < 14; k++) {
            EXPECT_EQ(at(brush, k, k), rgb_of(i));
            EXPECT_EQ(at(brush, 13 - k, k), rgb_of(i));
        }
    }
}
