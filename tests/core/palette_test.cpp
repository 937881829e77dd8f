// The sixteen colours: lookups, the palette strip and its XPM text, brushes
// and colour boxes.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "c64/palette.h"

namespace {

using Rgb = std::array<uint8_t, 3>;

Rgb pixel(GdkPixbuf *image, int x, int y)
{
    const uint8_t *p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                       x * gdk_pixbuf_get_n_channels(image);
    return {p[0], p[1], p[2]};
}

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

// Each 16 x 16 cell of the strip is a 14 x 14 square of its colour in a
// one-pixel black frame; brushes are the squares, boxes the cells.
TEST(Palette, StripBrushesAndBoxes)
{
    GdkPixbuf *strip = palette_get_palette_pixbuf();
    ASSERT_NE(strip, nullptr);
    ASSERT_EQ(gdk_pixbuf_get_width(strip), 256);
    ASSERT_EQ(gdk_pixbuf_get_height(strip), 16);
    for (int i = 0; i < 16; i++) {
        GdkPixbuf *brush = palette_get_brush_at_index(i);
        GdkPixbuf *box = palette_get_color_box_at_index(i);
        ASSERT_EQ(gdk_pixbuf_get_width(brush) * 100 + gdk_pixbuf_get_height(brush), 1414);
        ASSERT_EQ(gdk_pixbuf_get_width(box) * 100 + gdk_pixbuf_get_height(box), 1616);
        for (int y = 0; y < 16; y++) {
            for (int x = 0; x < 16; x++) {
                const Rgb want = x == 0 || x == 15 || y == 0 || y == 15 ? kBlack : rgb_of(i);
                ASSERT_EQ(pixel(strip, 16 * i + x, y), want) << i << " at " << x << "," << y;
                ASSERT_EQ(pixel(box, x, y), want) << i << " at " << x << "," << y;
                if (x < 14 && y < 14) {
                    ASSERT_EQ(pixel(brush, x, y), rgb_of(i)) << i << " at " << x << "," << y;
                }
            }
        }
    }
    EXPECT_EQ(pixel(palette_get_color_box_at_index(1), 1, 1), (Rgb{255, 255, 255}));
}

TEST(Palette, XpmTextDefinesTheSixteenColours)
{
    EXPECT_STREQ(palette_xpm_data[0], "256 16 16 1");
    const char symbols[] = "#$%&'()*+,-./:;=";
    for (int i = 0; i < 16; i++) {
        char want[16];
        g_snprintf(want, sizeof want, "%c c #%02X%02X%02X", symbols[i], palette_rgb[i][0],
                   palette_rgb[i][1], palette_rgb[i][2]);
        EXPECT_STREQ(palette_xpm_data[1 + i], want);
    }
    for (int row = 0; row < 16; row++) {
        EXPECT_EQ(std::strlen(palette_xpm_data[17 + row]), 256u) << "row " << row;
    }
}
