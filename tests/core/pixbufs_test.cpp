#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "c64/palette.h"
#include "c64/pixbufs.h"
#include "gref.h"

namespace {

using Rgba = std::array<uint8_t, 4>;

Rgba colour_of(int index)
{
    uint8_t rgb[3];
    palette_get_rgb_at_index(index, rgb);
    return {rgb[0], rgb[1], rgb[2], 255};
}

constexpr Rgba kClear = {0, 0, 0, 0};

// An RGBA buffer of exactly the size asked for, so that ASan sees any write
// past it.
struct Canvas
{
    Canvas(int w, int h, int stride_pixels = 0, uint8_t fill = 0xAB)
        : width(w), height(h), rowstride(4 * (stride_pixels ? stride_pixels : w)),
          bytes(static_cast<size_t>(rowstride) * h, fill)
    {
    }
    RgbaView view() { return RgbaView{bytes.data(), width, height, rowstride}; }
    Rgba at(int x, int y) const
    {
        Rgba p;
        std::memcpy(p.data(), &bytes[static_cast<size_t>(y) * rowstride + 4 * x], 4);
        return p;
    }
    int width, height, rowstride;
    std::vector<uint8_t> bytes;
};

// An area of w x h cells in vectors of exact size.
struct Cells
{
    Cells(int w, int h)
        : bitmap(static_cast<size_t>(8 * w * h)), screen(static_cast<size_t>(w * h)),
          colour(static_cast<size_t>(w * h))
    {
    }
    HiresData data() const { return HiresData{bitmap, screen, colour}; }
    void randomise(unsigned seed)
    {
        std::mt19937 rng(seed);
        for (auto *v : {&bitmap, &screen, &colour}) {
            for (uint8_t &b : *v) {
                b = static_cast<uint8_t>(rng());
            }
        }
    }
    std::vector<uint8_t> bitmap, screen, colour;
};

// The pixel at (x, y) of w-cell-wide data, worked out directly from the
// definition of the format.
Rgba expected_pixel(const Cells &c, int w_cells, int x, int y, int background)
{
    const int cell = (y / 8) * w_cells + (x / 8);
    const int pair = (c.bitmap[8 * cell + (y % 8)] >> (6 - (x % 8 & 6))) & 3;
    switch (pair) {
    case 1:
        return colour_of(c.screen[cell] >> 4);
    case 2:
        return colour_of(c.screen[cell] & 15);
    case 3:
        return colour_of(c.colour[cell] & 15);
    default:
        return background == kTransparent ? kClear : colour_of(background);
    }
}

// The worked row: bit pairs 00 01 10 11, screen $12, colour $03.
Cells worked_cell(uint8_t colour = 0x03)
{
    Cells c(1, 1);
    c.bitmap[0] = 0x1B;
    c.screen[0] = 0x12;
    c.colour[0] = colour;
    return c;
}

} // namespace

TEST(Pixbufs, WorkedRowTransparentAndOpaque)
{
    for (uint8_t colour : {0x03, 0xF3}) {
        Cells c = worked_cell(colour);
        GRef<GdkPixbuf> image(
            pixbufs_new_from_hires(c.bitmap.data(), c.screen.data(), c.colour.data(), 1, 1));
        ASSERT_TRUE(image);
        EXPECT_EQ(gdk_pixbuf_get_width(image.get()), 8);
        EXPECT_EQ(gdk_pixbuf_get_height(image.get()), 8);
        EXPECT_TRUE(gdk_pixbuf_get_has_alpha(image.get()));
        RgbaView v = pixbufs_view(image.get());
        const Rgba want[8] = {kClear,       kClear,       colour_of(1), colour_of(1),
                              colour_of(2), colour_of(2), colour_of(3), colour_of(3)};
        for (int x = 0; x < 8; x++) {
            Rgba got;
            std::memcpy(got.data(), v.pixels + 4 * x, 4);
            EXPECT_EQ(got, want[x]) << "colour byte " << int(colour) << ", pixel " << x;
        }
    }

    // Background 6 is blue; 22 and 262 are 6 again after the modulo; -1 is
    // 255, light grey, not transparent.
    Cells c = worked_cell();
    for (auto [background, index] : {std::pair{6, 6}, {22, 6}, {262, 6}, {-1, 15}}) {
        GRef<GdkPixbuf> image(pixbufs_new_from_hires_opaque(c.bitmap.data(), c.screen.data(),
                                                            c.colour.data(), background, 1, 1));
        ASSERT_TRUE(image);
        RgbaView v = pixbufs_view(image.get());
        for (int x : {0, 1}) {
            Rgba got;
            std::memcpy(got.data(), v.pixels + 4 * x, 4);
            EXPECT_EQ(got, colour_of(index)) << "background " << background;
        }
        // Rows 1-7 are pair 00 throughout.
        Rgba below;
        std::memcpy(below.data(), v.pixels + 7 * v.rowstride + 28, 4);
        EXPECT_EQ(below, colour_of(index));
    }
}

TEST(Pixbufs, RenderMatchesTheCellLayout)
{
    for (auto [w, h] : {std::pair{3, 2}, {1, 15}, {15, 15}, {40, 25}}) {
        Cells c(w, h);
        c.randomise(static_cast<unsigned>(w * 100 + h));
        for (int background : {kTransparent, 9}) {
            Canvas out(8 * w, 8 * h);
            ASSERT_TRUE(pixbufs_render_hires_raw(out.view(), c.data(), w, h, background));
            for (int y = 0; y < 8 * h; y++) {
                for (int x = 0; x < 8 * w; x++) {
                    ASSERT_EQ(out.at(x, y), expected_pixel(c, w, x, y, background))
                        << w << "x" << h << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(Pixbufs, RawFunctionsRefuseShortBuffers)
{
    Cells c(2, 2);
    Canvas out(16, 16);
    const std::vector<uint8_t> before = out.bytes;
    HiresData d = c.data();
    HiresData short_bitmap{d.bitmap.first(31), d.screen, d.colour};
    HiresData short_screen{d.bitmap, d.screen.first(3), d.colour};
    HiresData short_colour{d.bitmap, d.screen, d.colour.first(3)};
    for (const HiresData &bad : {short_bitmap, short_screen, short_colour}) {
        EXPECT_FALSE(pixbufs_render_hires_raw(out.view(), bad, 2, 2, 0));
        EXPECT_FALSE(pixbufs_fill_from_hires_data_opaque_raw(out.view(), bad, 0, 2, 2, 0, 0));
    }
    // A target smaller than the cells.
    Canvas small(15, 16);
    EXPECT_FALSE(pixbufs_render_hires_raw(small.view(), d, 2, 2, 0));
    // A row stride too short for the width.
    RgbaView narrow = out.view();
    narrow.rowstride = 60;
    EXPECT_FALSE(pixbufs_render_hires_raw(narrow, d, 2, 2, 0));
    EXPECT_FALSE(pixbufs_render_hires_raw(out.view(), d, -1, 2, 0));
    EXPECT_EQ(out.bytes, before);
}

TEST(Pixbufs, FillClipsToTheScreen)
{
    // A 2 x 2 object whose cells are solid colours 1, 2 / 3, 4 (pair 01).
    Cells c(2, 2);
    std::fill(c.bitmap.begin(), c.bitmap.end(), 0x55);
    for (int i = 0; i < 4; i++) {
        c.screen[i] = static_cast<uint8_t>((i + 1) << 4);
    }
    struct Case
    {
        int x, y;
    };
    for (Case k : {Case{-8, 0},
                   {0, 192},
                   {312, 0},
                   {-8, -8},
                   {-16, 0},
                   {320, 0},
                   {0, 200},
                   {100, 40},
                   {-3, 5},
                   {317, 197}}) {
        // The canvas is 320 x 200 inside wider rows and extra rows, so a
        // write past the screen's edges shows.
        Canvas canvas(400, 260, 0, 0xAB);
        RgbaView screen = canvas.view();
        screen.width = 320;
        screen.height = 200;
        ASSERT_TRUE(pixbufs_fill_from_hires_data_opaque_raw(screen, c.data(), 6, 2, 2, k.x, k.y));
        for (int y = 0; y < 260; y++) {
            for (int x = 0; x < 400; x++) {
                const int ox = x - k.x, oy = y - k.y;
                const bool inside = ox >= 0 && ox < 16 && oy >= 0 && oy < 16;
                const bool on_screen = x < 320 && y < 200;
                const Rgba want = inside && on_screen ? colour_of(1 + (oy / 8) * 2 + ox / 8)
                                                      : Rgba{0xAB, 0xAB, 0xAB, 0xAB};
                ASSERT_EQ(canvas.at(x, y), want)
                    << "offset " << k.x << "," << k.y << " pixel " << x << "," << y;
            }
        }
    }
}

TEST(Pixbufs, FillLosesTheFirstColumnAndKeepsTheFirstRow)
{
    GRef<GdkPixbuf> canvas(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200));
    gdk_pixbuf_fill(canvas.get(), 0);
    Cells c(2, 2);
    std::fill(c.bitmap.begin(), c.bitmap.end(), 0xFF); // pair 11 everywhere
    for (int i = 0; i < 4; i++) {
        c.colour[i] = static_cast<uint8_t>(0xF0 | (i + 1)); // usage nibble ignored
    }
    RgbaView v = pixbufs_view(canvas.get());
    auto at = [&](int x, int y) {
        Rgba p;
        std::memcpy(p.data(), v.pixels + y * v.rowstride + 4 * x, 4);
        return p;
    };
    pixbufs_fill_from_hires_data_opaque(canvas.get(), c.bitmap.data(), c.screen.data(),
                                        c.colour.data(), 0, 2, 2, -8, 0);
    EXPECT_EQ(at(0, 0), colour_of(2)); // cell 1 of row 0
    EXPECT_EQ(at(0, 8), colour_of(4)); // cell 1 of row 1
    EXPECT_EQ(at(8, 0), kClear);       // nothing beyond
    pixbufs_fill_from_hires_data_opaque(canvas.get(), c.bitmap.data(), c.screen.data(),
                                        c.colour.data(), 0, 2, 2, 40, 192);
    EXPECT_EQ(at(40, 192), colour_of(1));
    EXPECT_EQ(at(55, 199), colour_of(2));
    // Null targets and empty objects draw nothing and do not crash.
    pixbufs_fill_from_hires_data_opaque(nullptr, c.bitmap.data(), c.screen.data(), c.colour.data(),
                                        0, 2, 2, 0, 0);
    pixbufs_fill_from_hires_data_opaque(canvas.get(), c.bitmap.data(), c.screen.data(),
                                        c.colour.data(), 0, 0, 2, 100, 100);
    EXPECT_EQ(at(100, 100), kClear);
}

TEST(Pixbufs, FillOnASmallTargetStaysInside)
{
    Cells c(15, 15);
    c.randomise(7);
    Canvas small(50, 30);
    ASSERT_TRUE(pixbufs_fill_from_hires_data_opaque_raw(small.view(), c.data(), 3, 15, 15, 8, 8));
    EXPECT_EQ(small.at(49, 29), expected_pixel(c, 15, 41, 21, 3));
    EXPECT_EQ(small.at(7, 7), Rgba({0xAB, 0xAB, 0xAB, 0xAB}));
}

TEST(Pixbufs, FillEqualsRenderAtAnOffset)
{
    Cells c(15, 15);
    c.randomise(11);
    Canvas canvas(320, 200);
    ASSERT_TRUE(
        pixbufs_fill_from_hires_data_opaque_raw(canvas.view(), c.data(), 13, 15, 15, 16, 8));
    Canvas object(120, 120);
    ASSERT_TRUE(pixbufs_render_hires_raw(object.view(), c.data(), 15, 15, 13));
    for (int y = 0; y < 120; y++) {
        for (int x = 0; x < 120; x++) {
            ASSERT_EQ(canvas.at(x + 16, y + 8), object.at(x, y)) << x << "," << y;
        }
    }
}

TEST(Pixbufs, RegionShowsThePicture)
{
    Cells picture(40, 25);
    picture.randomise(3);
    Canvas whole(320, 200);
    ASSERT_TRUE(pixbufs_render_hires_raw(whole.view(), picture.data(), 40, 25, kTransparent));

    // A region at (8, 16) starts with cell 81 (row 2, column 1).
    std::fill(picture.bitmap.begin() + 8 * 81, picture.bitmap.begin() + 8 * 82, 0x55);
    picture.screen[81] = 0xE0;
    GRef<GdkPixbuf> region(pixbufs_new_from_hires_region(
        picture.bitmap.data(), picture.screen.data(), picture.colour.data(), {8, 16, 24, 16}));
    ASSERT_TRUE(region);
    EXPECT_EQ(gdk_pixbuf_get_width(region.get()), 24);
    EXPECT_EQ(gdk_pixbuf_get_height(region.get()), 16);
    RgbaView v = pixbufs_view(region.get());
    Rgba first;
    std::memcpy(first.data(), v.pixels, 4);
    EXPECT_EQ(first, colour_of(14));

    // Every region, aligned or not, partly outside or not, shows the picture's
    // own pixels, and nothing where there is no picture.
    picture.randomise(5);
    ASSERT_TRUE(pixbufs_render_hires_raw(whole.view(), picture.data(), 40, 25, kTransparent));
    for (ZbxRect r : {ZbxRect{8, 16, 24, 16},
                      {0, 0, 320, 200},
                      {296, 184, 24, 16},
                      {304, 192, 32, 24},
                      {-16, -8, 32, 16},
                      {3, 5, 9, 7},
                      {0, 0, 0, 0}}) {
        Canvas out(r.width, r.height);
        ASSERT_TRUE(pixbufs_render_hires_region_raw(out.view(), picture.data(), r));
        for (int y = 0; y < r.height; y++) {
            for (int x = 0; x < r.width; x++) {
                const int px = r.x + x, py = r.y + y;
                const Rgba want =
                    px >= 0 && px < 320 && py >= 0 && py < 200 ? whole.at(px, py) : kClear;
                ASSERT_EQ(out.at(x, y), want) << r.x << "," << r.y << " at " << x << "," << y;
            }
        }
    }
    // A picture cut short has no rows past its end; nothing beyond it is read.
    HiresData d = picture.data();
    HiresData cut{d.bitmap.first(8 * 40 * 2), d.screen.first(80), d.colour.first(80)};
    Canvas out(16, 24);
    ASSERT_TRUE(pixbufs_render_hires_region_raw(out.view(), cut, {0, 8, 16, 24}));
    EXPECT_EQ(out.at(0, 7), whole.at(0, 15));
    EXPECT_EQ(out.at(0, 8), kClear);
}

TEST(Pixbufs, WrappersRefuseWhatTheyCannotMake)
{
    Cells c = worked_cell();
    EXPECT_EQ(pixbufs_new_from_hires(c.bitmap.data(), c.screen.data(), c.colour.data(), 0, 1),
              nullptr);
    EXPECT_EQ(pixbufs_new_from_hires_opaque(nullptr, c.screen.data(), c.colour.data(), 0, 1, 1),
              nullptr);
    Cells picture(40, 25);
    EXPECT_EQ(pixbufs_new_from_hires_region(picture.bitmap.data(), picture.screen.data(),
                                            picture.colour.data(), {0, 0, 0, 8}),
              nullptr);
    // Views only of 8-bit RGBA images.
    GRef<GdkPixbuf> rgb(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 4, 4));
    EXPECT_EQ(pixbufs_view(rgb.get()).pixels, nullptr);
    EXPECT_EQ(pixbufs_view(nullptr).pixels, nullptr);
    pixbufs_fill_from_hires_data_opaque(rgb.get(), c.bitmap.data(), c.screen.data(),
                                        c.colour.data(), 0, 1, 1, 0, 0);
}
