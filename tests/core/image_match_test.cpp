// Images matched to the palette and to the C64's cells: colours, the two
// scales, clashes, transparency, refused sizes, and C64 pictures drawn
// into images and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "c64/image_match.h"
#include "c64/palette.h"
#include "c64/pixbufs.h"
#include "support/bytes.h"

namespace {

// An RGBA image filled with palette colours (or transparency, -1).
struct Canvas
{
    int width, height;
    std::vector<uint8_t> rgba;
    Canvas(int w, int h, int colour) : width(w), height(h), rgba(4 * w * h)
    {
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                set(x, y, colour);
            }
        }
    }
    void set(int x, int y, int colour)
    {
        uint8_t *p = &rgba[4 * (y * width + x)];
        if (colour < 0) {
            p[0] = p[1] = p[2] = p[3] = 0;
            return;
        }
        palette_get_rgb_at_index(colour, p);
        p[3] = 255;
    }
    RgbaImage view() const { return {rgba.data(), width, height, 4 * width}; }
};

ImagePicture match(const Canvas &canvas, int background = -1, const ImageCellHint *hint = nullptr)
{
    ImagePicture picture;
    GErrorPtr error;
    EXPECT_TRUE(image_match_picture(canvas.view(), background, hint, &picture, error.out()))
        << error.message();
    return picture;
}

// A picture's pixels as the C64 shows them, 320 x 200.
Canvas draw(const std::vector<uint8_t> &hires, int background)
{
    Canvas canvas(320, 200, 0);
    const HiresData areas{{hires.data(), kHiresBitmapSize},
                          {hires.data() + kHiresScreenOffset, kHiresCellCount},
                          {hires.data() + kHiresColourOffset, kHiresCellCount}};
    EXPECT_TRUE(pixbufs_render_hires_raw({canvas.rgba.data(), 320, 200, 4 * 320}, areas, 40, 25,
                                         background));
    return canvas;
}

} // namespace

TEST(ImageMatch, EveryPaletteColourIsItselfAndNearColoursFindIt)
{
    for (int i = 0; i < 16; i++) {
        uint8_t rgb[3];
        palette_get_rgb_at_index(i, rgb);
        EXPECT_EQ(image_match_nearest(rgb[0], rgb[1], rgb[2]), i) << palette_get_name_at_index(i);
        auto nudge = [](uint8_t v, int d) {
            return static_cast<uint8_t>(std::clamp(v + d, 0, 255));
        };
        EXPECT_EQ(image_match_nearest(nudge(rgb[0], 5), nudge(rgb[1], -4), nudge(rgb[2], 3)), i)
            << palette_get_name_at_index(i);
    }
    // Pure colours no palette holds go to their nearest: white to white,
    // full black to black.
    EXPECT_EQ(image_match_nearest(255, 255, 255), 1);
    EXPECT_EQ(image_match_nearest(0, 0, 0), 0);
}

TEST(ImageMatch, BothScalesOfOnePictureGiveTheSameDataAndThePixelsBack)
{
    const std::vector<uint8_t> file =
        zbx_read_file(std::string("tests/data/pictures/koala/NINJA3.KOA"));
    ASSERT_FALSE(file.empty());
    std::vector<uint8_t> hires(kHiresDataSize);
    HiresPictureView view{};
    ASSERT_TRUE(hiresdecoder_parse_picture(file, 0, &view, nullptr));
    hiresdecoder_store_hires_data(view, std::span<uint8_t, kHiresDataSize>(hires));
    const int background = view.background & 15;
    const Canvas wide = draw(hires, background);
    Canvas narrow(160, 200, 0);
    for (int y = 0; y < 200; y++) {
        for (int x = 0; x < 160; x++) {
            std::copy_n(&wide.rgba[4 * (y * 320 + 2 * x)], 4, &narrow.rgba[4 * (y * 160 + x)]);
        }
    }
    const ImagePicture a = match(wide);
    const ImagePicture b = match(narrow);
    EXPECT_EQ(a.hires, b.hires);
    EXPECT_EQ(a.background, b.background);
    EXPECT_TRUE(a.clashes.empty());
    // Whatever colours the cells were given, they draw the same pixels.
    EXPECT_EQ(draw(a.hires, a.background).rgba, wide.rgba);

    // With the cells' own bytes beside the pixels, the bytes come back too;
    // without the bitmap, the colours (and the bitmap wherever a cell's four
    // colours differ from each other).
    ImageCellHint hint{background, 40, 25, {}, {}, {}};
    hint.bitmap.assign(hires.begin(), hires.begin() + kHiresBitmapSize);
    hint.screen.assign(hires.begin() + kHiresScreenOffset, hires.begin() + kHiresColourOffset);
    hint.colour.assign(hires.begin() + kHiresColourOffset, hires.end());
    ImageCellHint read;
    ASSERT_TRUE(image_match_parse_hint(image_match_hint_text(hint).c_str(), &read));
    EXPECT_EQ(match(wide, -1, &read).hires, hires);
    read.bitmap.assign(kHiresBitmapSize, 0x55); // drawing other pixels than these
    const ImagePicture c = match(wide, -1, &read);
    EXPECT_TRUE(std::equal(c.hires.begin() + kHiresScreenOffset, c.hires.end(),
                           hires.begin() + kHiresScreenOffset));
    int distinct = 0;
    for (int cell = 0; cell < 1000; cell++) {
        const uint8_t s = hires[kHiresScreenOffset + cell];
        const std::array<int, 4> slots = {background, s >> 4, s & 15,
                                          hires[kHiresColourOffset + cell] & 15};
        if (std::set<int>(slots.begin(), slots.end()).size() == 4) {
            distinct++;
            EXPECT_TRUE(std::equal(c.hires.begin() + 8 * cell, c.hires.begin() + 8 * cell + 8,
                                   hires.begin() + 8 * cell))
                << "cell " << cell;
        }
    }
    EXPECT_GT(distinct, 100);
    EXPECT_EQ(draw(c.hires, c.background).rgba, wide.rgba);
}

TEST(ImageMatch, ACellOfFiveColoursClashesAndTransparencyIsTheBackground)
{
    // Black all over but one cell at (3, 2) of a 160 x 200 image: blue (most),
    // red, green, and two pixels of purple and one of light red.
    Canvas image(160, 200, 0);
    const int x0 = 12;
    const int y0 = 16;
    for (int k = 0; k < 32; k++) {
        const int colour = k < 12 ? 6 : k < 20 ? 2 : k < 26 ? 5 : k < 28 ? 4 : k < 29 ? 10 : 0;
        image.set(x0 + k % 4, y0 + k / 4, colour);
    }
    // The next cell: transparent pixels and one white.
    for (int k = 0; k < 32; k++) {
        image.set(16 + k % 4, y0 + k / 4, k == 0 ? 1 : -1);
    }
    const ImagePicture picture = match(image);
    EXPECT_EQ(picture.background, 0);
    EXPECT_EQ(picture.clashes, (std::vector<int>{3 + 40 * 2}));
    const int cell = 3 + 40 * 2;
    EXPECT_EQ(picture.hires[kHiresScreenOffset + cell], 0x62); // blue 01, red 10
    EXPECT_EQ(picture.hires[kHiresColourOffset + cell], 5);    // green 11
    // Light red takes red, its nearest of the four; purple too.
    EXPECT_EQ(picture.hires[8 * cell + 7] >> 6, 2);
    const int next = cell + 1;
    EXPECT_EQ(picture.hires[kHiresScreenOffset + next], 0x10);
    EXPECT_EQ(picture.hires[8 * next], 0x40);
    EXPECT_EQ(picture.hires[8 * next + 1], 0);
    // The user's background: black becomes a colour of its own.
    const ImagePicture blue = match(image, 6);
    EXPECT_EQ(blue.background, 6);
    EXPECT_EQ(blue.hires[kHiresScreenOffset] >> 4, 0);
}

TEST(ImageMatch, SizesThatAreNoScreenAreRefusedNamingTheOnesTaken)
{
    EXPECT_EQ(image_match_pixel_width(320, 200), 2);
    EXPECT_EQ(image_match_pixel_width(160, 200), 1);
    EXPECT_EQ(image_match_pixel_width(24, 40), 2);
    for (auto [w, h] : {std::pair{321, 200}, {320, 201}, {23, 40}, {640, 400}}) {
        Canvas image(w, h, 1);
        ImagePicture picture;
        picture.background = 9;
        GErrorPtr error;
        EXPECT_FALSE(image_match_picture(image.view(), -1, nullptr, &picture, error.out()));
        EXPECT_EQ(error.message(), "The image is " + std::to_string(w) + " x " + std::to_string(h) +
                                       " pixels; pictures are taken at " + kImageSizesTaken);
        EXPECT_EQ(picture.background, 9);
    }
    ImageCellHint hint;
    EXPECT_FALSE(image_match_parse_hint("zembrix cells 2 0 1 1 00", &hint));
    EXPECT_FALSE(image_match_parse_hint("zembrix cells 2 0 41 1 00000000", &hint));
    EXPECT_FALSE(image_match_parse_hint(nullptr, &hint));
}
