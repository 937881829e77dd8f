// Hires cells to RGBA pixels: the worked row, cell layout, clipping of the
// opaque fill, regions of a picture, and what the functions refuse.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "base/gref.h"
#include "c64/palette.h"
#include "c64/pixbufs.h"

namespace {

using Rgba = std::array<uint8_t, 4>;

Rgba colour_of(int index)
{
    uint8_t rgb[3];
    palette_get_rgb_at_index(index, rgb);
    return {rgb[0], rgb[1], rgb[2], 255};
}

constexpr Rgba kClear = {0, 0, 0, 0};
constexpr Rgba kUntouched = {0xAB, 0xAB, 0xAB, 0xAB};

// An RGBA buffer of exactly the size asked for, so that ASan sees any write
// past it.
struct Canvas
{
    Canvas(int w, int h) : width(w), height(h), bytes(static_cast<size_t>(4 * w * h), 0xAB) {}
    RgbaView view() { return RgbaView{bytes.data(), width, height, 4 * width}; }
    Rgba at(int x, int y) const
    {
        Rgba p;
        std::memcpy(p.data(), &bytes[static_cast<size_t>(y * width + x) * 4], 4);
        return p;
    }
    int width, height;
    std::vector<uint8_t> bytes;
};

// w x h cells in vectors of exact size. Cell i shows colour i + p (modulo
// 16) for bit pair p = 1..3, and line y of every cell holds bit pair
// (3y + i) % 4 throughout: what a pixel shows tells which cell and line it
// came from.
struct Cells
{
    Cells(int w, int h) : bitmap(8 * w * h), screen(w * h), colour(w * h)
    {
        for (int i = 0; i < w * h; i++) {
            for (int y = 0; y < 8; y++) {
                bitmap[8 * i + y] = static_cast<uint8_t>(((3 * y + i) % 4) * 0x55);
            }
            screen[i] = static_cast<uint8_t>(((i + 1) & 15) << 4 | ((i + 2) & 15));
            colour[i] = static_cast<uint8_t>(0xF0 | ((i + 3) & 15)); // high nibble not shown
        }
    }
    HiresData data() const { return HiresData{bitmap, screen, colour}; }
    std::vector<uint8_t> bitmap, screen, colour;
};

// The pixel (x, y) of w-cell-wide Cells.
Rgba expected(int w_cells, int x, int y, int background)
{
    const int cell = (y / 8) * w_cells + x / 8;
    const int pair = (3 * (y % 8) + cell) % 4;
    return pair != 0                    ? colour_of(cell + pair)
           : background == kTransparent ? kClear
                                        : colour_of(background);
}

} // namespace

TEST(Pixbufs, UsageNibbleIsIgnoredAndTheBackgroundTakenModulo16)
{
    // Bit pairs 00 01 10 11, screen $12, colour $03 or $F3.
    std::vector<uint8_t> bitmap(8, 0x1B), screen = {0x12}, colour = {0x03};
    for (uint8_t c : {0x03, 0xF3}) {
        colour[0] = c;
        GRef<GdkPixbuf> image(
            pixbufs_new_from_hires(bitmap.data(), screen.data(), colour.data(), 1, 1));
        ASSERT_TRUE(image);
        Rgba row[8];
        std::memcpy(row, pixbufs_view(image.get()).pixels, 32);
        EXPECT_EQ(std::vector<Rgba>(row, row + 8),
                  (std::vector<Rgba>{kClear, kClear, colour_of(1), colour_of(1), colour_of(2),
                                     colour_of(2), colour_of(3), colour_of(3)}))
            << int(c);
    }
    // 22 and 262 are 6 again; -1 is 255, light grey, not transparent.
    for (auto [background, index] : {std::pair{22, 6}, {262, 6}, {-1, 15}}) {
        GRef<GdkPixbuf> image(pixbufs_new_from_hires_opaque(bitmap.data(), screen.data(),
                                                            colour.data(), background, 1, 1));
        ASSERT_TRUE(image);
        EXPECT_EQ(std::memcmp(pixbufs_view(image.get()).pixels, colour_of(index).data(), 4), 0)
            << background;
    }
}

TEST(Pixbufs, RenderFollowsTheCellLayout)
{
    for (auto [w, h] : {std::pair{3, 2}, {1, 15}, {40, 25}}) {
        Cells c(w, h);
        for (int background : {kTransparent, 9}) {
            Canvas out(8 * w, 8 * h);
            ASSERT_TRUE(pixbufs_render_hires_raw(out.view(), c.data(), w, h, background));
            for (int y = 0; y < 8 * h; y++) {
                for (int x = 0; x < 8 * w; x++) {
                    ASSERT_EQ(out.at(x, y), expected(w, x, y, background))
                        << w << "x" << h << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(Pixbufs, RawFunctionsRefuseShortBuffersAndTargets)
{
    Cells c(2, 2);
    Canvas out(16, 16);
    const std::vector<uint8_t> before = out.bytes;
    HiresData d = c.data();
    for (const HiresData &bad : {HiresData{d.bitmap.first(31), d.screen, d.colour},
                                 HiresData{d.bitmap, d.screen.first(3), d.colour},
                                 HiresData{d.bitmap, d.screen, d.colour.first(3)}}) {
        EXPECT_FALSE(pixbufs_render_hires_raw(out.view(), bad, 2, 2, 0));
        EXPECT_FALSE(pixbufs_fill_from_hires_data_opaque_raw(out.view(), bad, 0, 2, 2, 0, 0));
    }
    Canvas small(15, 16);
    EXPECT_FALSE(pixbufs_render_hires_raw(small.view(), d, 2, 2, 0));
    RgbaView narrow = out.view();
    narrow.rowstride = 60; // too short for the width
    EXPECT_FALSE(pixbufs_render_hires_raw(narrow, d, 2, 2, 0));
    EXPECT_FALSE(pixbufs_render_hires_raw(out.view(), d, -1, 2, 0));
    EXPECT_EQ(out.bytes, before);
}

TEST(Pixbufs, FillClipsToTheScreen)
{
    Cells c(3, 2);
    for (auto [x0, y0] : {std::pair{-8, 0},
                          {0, 192},
                          {312, 0},
                          {-8, -8},
                          {-24, 0},
                          {320, 0},
                          {0, 200},
                          {100, 40},
                          {-3, 5},
                          {317, 197}}) {
        // The screen is 320 x 200 inside wider and longer rows, so that a
        // write past its edges shows.
        Canvas canvas(400, 260);
        RgbaView screen = canvas.view();
        screen.width = 320;
        screen.height = 200;
        ASSERT_TRUE(pixbufs_fill_from_hires_data_opaque_raw(screen, c.data(), 6, 3, 2, x0, y0));
        for (int y = 0; y < 260; y++) {
            for (int x = 0; x < 400; x++) {
                const bool inside = x >= x0 && x < x0 + 24 && y >= y0 && y < y0 + 16;
                ASSERT_EQ(canvas.at(x, y), inside && x < 320 && y < 200
                                               ? expected(3, x - x0, y - y0, 6)
                                               : kUntouched)
                    << "offset " << x0 << "," << y0 << " pixel " << x << "," << y;
            }
        }
    }
    // A target smaller than the object.
    Cells big(15, 15);
    Canvas small(50, 30);
    ASSERT_TRUE(pixbufs_fill_from_hires_data_opaque_raw(small.view(), big.data(), 3, 15, 15, 8, 8));
    EXPECT_EQ(small.at(49, 29), expected(15, 41, 21, 3));
    EXPECT_EQ(small.at(7, 7), kUntouched);
}

TEST(Pixbufs, RegionShowsThePictureAndNothingBeyondIt)
{
    Cells picture(40, 25);
    Canvas whole(320, 200);
    ASSERT_TRUE(pixbufs_render_hires_raw(whole.view(), picture.data(), 40, 25, kTransparent));
    // A region at (8, 16) starts with cell 81 (row 2, column 1).
    GRef<GdkPixbuf> region(pixbufs_new_from_hires_region(
        picture.bitmap.data(), picture.screen.data(), picture.colour.data(), {8, 16, 24, 16}));
    ASSERT_TRUE(region);
    EXPECT_EQ(gdk_pixbuf_get_width(region.get()), 24);
    EXPECT_EQ(gdk_pixbuf_get_height(region.get()), 16);
    Rgba first;
    std::memcpy(first.data(), pixbufs_view(region.get()).pixels + 4, 4);
    EXPECT_EQ(first, colour_of(81 + 1));

    // Every region, aligned or not, partly outside or not, shows the
    // picture's own pixels, and nothing where there is no picture.
    for (ZbxRect r : {ZbxRect{0, 0, 320, 200},
                      {304, 192, 32, 24},
                      {-16, -8, 32, 16},
                      {3, 5, 9, 7},
                      {0, 0, 0, 0}}) {
        Canvas out(r.width, r.height);
        ASSERT_TRUE(pixbufs_render_hires_region_raw(out.view(), picture.data(), r));
        for (int y = 0; y < r.height; y++) {
            for (int x = 0; x < r.width; x++) {
                const int px = r.x + x, py = r.y + y;
                ASSERT_EQ(out.at(x, y),
                          px >= 0 && px < 320 && py >= 0 && py < 200 ? whole.at(px, py) : kClear)
                    << r.x << "," << r.y << " at " << x << "," << y;
            }
        }
    }
    // A picture cut short has no rows past its end; nothing beyond is read.
    HiresData d = picture.data();
    Canvas out(16, 24);
    ASSERT_TRUE(pixbufs_render_hires_region_raw(
        out.view(), {d.bitmap.first(640), d.screen.first(80), d.colour.first(80)}, {0, 8, 16, 24}));
    EXPECT_EQ(out.at(0, 7), whole.at(0, 15));
    EXPECT_EQ(out.at(0, 8), kClear);
}

TEST(Pixbufs, WrappersRefuseWhatTheyCannotMake)
{
    Cells c(2, 2);
    EXPECT_EQ(pixbufs_new_from_hires(c.bitmap.data(), c.screen.data(), c.colour.data(), 0, 1),
              nullptr);
    EXPECT_EQ(pixbufs_new_from_hires_opaque(nullptr, c.screen.data(), c.colour.data(), 0, 1, 1),
              nullptr);
    // Views only of 8-bit RGBA images, so fills only into them.
    GRef<GdkPixbuf> rgb(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 4, 4));
    EXPECT_EQ(pixbufs_view(rgb.get()).pixels, nullptr);
    EXPECT_EQ(pixbufs_view(nullptr).pixels, nullptr);
    for (GdkPixbuf *target : {rgb.get(), static_cast<GdkPixbuf *>(nullptr)}) {
        pixbufs_fill_from_hires_data_opaque(target, c.bitmap.data(), c.screen.data(),
                                            c.colour.data(), 0, 2, 2, 0, 0);
    }
}
