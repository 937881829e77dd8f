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
    EXPECT_EQ(rgb_of(15), (Rgb{149, 149, 149}));
    EXPECT_EQ(rgb_of(31), (Rgb{149, 149, 149}));
    EXPECT_EQ(rgb_of(255), (Rgb{149, 149, 149}));
    EXPECT_EQ(rgb_of(16), kBlack);
    EXPECT_EQ(rgb_of(2), (Rgb{0x68, 0x37, 0x2B}));
    EXPECT_STREQ(palette_get_name_at_index(0), "black");
    EXPECT_STREQ(palette_get_name_at_index(14), "light blue");
    EXPECT_STREQ(palette_get_name_at_index(27), "dark grey");
    EXPECT_EQ(palette_get_brush_at_index(17), palette_get_brush_at_index(1));
    EXPECT_EQ(palette_get_color_box_at_index(255), palette_get_color_box_at_index(15));
    EXPECT_NE(palette_get_brush_at_index(0), palette_get_brush_at_index(1));
}

// Each 16 x 16 cell of the strip is a 14 x 14 square of its colour in a
// one-pixel black frame, with the table's exact RGB values.
TEST(Palette, StripBrushesAndBoxes)
{
    GdkPixbuf *strip = palette_get_palette_pixbuf();
    ASSERT_NE(strip, nullptr);
    ASSERT_EQ(gdk_pixbuf_get_width(strip), 256);
    ASSERT_EQ(gdk_pixbuf_get_height(strip), 16);
    for (int i = 0; i < 16; i++) {
        for (int y = 0; y < 16; y++) {
            for (int x = 0; x < 16; x++) {
                const bool frame = x == 0 || x == 15 || y == 0 || y == 15;
                ASSERT_EQ(pixel(strip, 16 * i + x, y), frame ? kBlack : rgb_of(i))
                    << "cell " << i << " at " << x << "," << y;
            }
        }
        GdkPixbuf *brush = palette_get_brush_at_index(i);
        GdkPixbuf *box = palette_get_color_box_at_index(i);
        ASSERT_EQ(gdk_pixbuf_get_width(brush), 14);
        ASSERT_EQ(gdk_pixbuf_get_height(brush), 14);
        ASSERT_EQ(gdk_pixbuf_get_width(box), 16);
        ASSERT_EQ(gdk_pixbuf_get_height(box), 16);
        EXPECT_EQ(pixel(brush, 0, 0), rgb_of(i));
        EXPECT_EQ(pixel(brush, 13, 13), rgb_of(i));
        EXPECT_EQ(pixel(box, 0, 0), kBlack);
        EXPECT_EQ(pixel(box, 8, 8), rgb_of(i));
        EXPECT_EQ(pixel(box, 15, 15), kBlack);
    }
    // Brush 0 and box 0 are black throughout; box 1 is white in a black frame.
    for (int y = 0; y < 16; y++) {
        for (int x = 0; x < 16; x++) {
            EXPECT_EQ(pixel(palette_get_color_box_at_index(0), x, y), kBlack);
            if (x < 14 && y < 14) {
                EXPECT_EQ(pixel(palette_get_brush_at_index(0), x, y), kBlack);
            }
        }
    }
    EXPECT_EQ(pixel(palette_get_color_box_at_index(1), 1, 1), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(palette_get_color_box_at_index(1), 0, 7), kBlack);
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
