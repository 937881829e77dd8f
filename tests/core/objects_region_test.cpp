// Objects cut out of a picture: the record's layout, the usage nibble and
// the transparent colour.
#include <algorithm>
#include <climits>
#include <cstring>
#include <gtest/gtest.h>

#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "files/picture_file.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "support/items_fixture.h"

namespace {
struct Picture
{
    std::vector<uint8_t> bitmap = std::vector<uint8_t>(8000);
    std::vector<uint8_t> screen = std::vector<uint8_t>(1000);
    std::vector<uint8_t> colour = std::vector<uint8_t>(1000);

    // Sets one picture cell; the last bitmap row given repeats.
    void cell(int p, std::vector<uint8_t> rows, uint8_t s, uint8_t k)
    {
        rows.resize(8, rows.back());
        std::copy(rows.begin(), rows.end(), bitmap.begin() + 8 * p);
        screen[p] = s;
        colour[p] = k;
    }
    std::vector<uint8_t> convert(ZbxRect region, int transparent = -1) const
    {
        return objects_region_to_record(bitmap, screen, colour, region, transparent);
    }
};

// Bitmap rows, screen and colour byte of a 1 x 1 record.
struct Cell
{
    std::vector<uint8_t> rows;
    int screen, colour;
    bool operator==(const Cell &) const = default;
};
Cell cell_of(const std::vector<uint8_t> &record)
{
    EXPECT_EQ(record.size(), 11u);
    return {std::vector<uint8_t>(record.begin() + 1, record.begin() + 9), record[9], record[10]};
}
std::vector<uint8_t> rows(std::vector<uint8_t> first, uint8_t rest)
{
    first.resize(8, rest);
    return first;
}
} // namespace

TEST(ObjectRegion, LaysOutHeaderBitmapScreenAndColourCellByCell)
{
    Picture pic;
    for (size_t i = 0; i < pic.bitmap.size(); i++) {
        pic.bitmap[i] = static_cast<uint8_t>(i * 13 + 1);
    }
    for (size_t i = 0; i < pic.screen.size(); i++) {
        pic.screen[i] = static_cast<uint8_t>(i);
        pic.colour[i] = static_cast<uint8_t>(0xA0 | (i & 15)); // high nibble must go
    }
    // 3 x 2 cells at cell column 2, row 1.
    std::vector<uint8_t> record = pic.convert({16, 8, 24, 16});
    ASSERT_EQ(record.size(), 61u);
    EXPECT_EQ(record[0], 0x32);
    for (int cell = 0; cell < 6; cell++) {
        const int p = (2 + cell % 3) + 40 * (1 + cell / 3);
        EXPECT_TRUE(std::equal(record.begin() + 1 + 8 * cell, record.begin() + 9 + 8 * cell,
                               pic.bitmap.begin() + 8 * p));
        EXPECT_EQ(record[1 + 48 + cell], pic.screen[p]);
        EXPECT_EQ(record[1 + 54 + cell] & 15, p & 15);
    }
    EXPECT_EQ(pic.convert({0, 0, 8, 8})[0], 0x11);
    std::vector<uint8_t> largest = pic.convert({200, 80, 120, 120});
    EXPECT_EQ(largest.size(), 2251u);
    EXPECT_EQ(largest[0], 0xFF);

    // The bottom right cell is picture cell 999.
    pic.cell(999, {0x1B, 0x2C}, 0x5A, 0x07);
    EXPECT_EQ(cell_of(pic.convert({312, 192, 8, 8})), (Cell{rows({0x1B}, 0x2C), 0x5A, 0xF7}));

    // Regions outside the picture or off the cell grid are refused.
    for (ZbxRect r : {ZbxRect{4, 0, 8, 8},
                      {0, 0, 12, 8},
                      {0, 0, 128, 8},
                      {0, 0, 0, 8},
                      {320, 0, 8, 8},
                      {312, 96, 16, 8},
                      {0, -8, 8, 8},
                      // Edges so far out that adding the size would overflow.
                      {INT_MAX - 7, 0, 88, 8},
                      {0, INT_MAX - 7, 8, 16},
                      {INT_MIN, INT_MIN, 8, 8},
                      {0, 0, INT_MIN, INT_MIN}}) {
        EXPECT_TRUE(pic.convert(r).empty()) << r.x << "," << r.y << " " << r.width;
    }
    std::vector<uint8_t> small(999);
    EXPECT_TRUE(objects_region_to_record(pic.bitmap, small, pic.colour, {0, 0, 8, 8}, -1).empty());
}

TEST(ObjectRegion, UsageNibbleAndTransparentColour)
{
    // The usage nibble marks each bit pair found; the picture's high nibble
    // is dropped.
    Picture pic;
    pic.cell(0, {0x00}, 0x12, 0xF3);       // only 00
    pic.cell(1, {0x1B}, 0x12, 0x03);       // 00 01 10 11
    pic.cell(2, {0x55, 0xAA}, 0x12, 0x0C); // 01 everywhere in row 0, then 10
    pic.cell(3, {0xFF}, 0x12, 0x09);       // only 11
    std::vector<uint8_t> record = pic.convert({0, 0, 32, 8});
    ASSERT_EQ(record.size(), 41u);
    EXPECT_EQ(std::vector<int>(record.begin() + 37, record.end()),
              std::vector<int>({16 + 3, 240 + 3, 32 + 64 + 12, 128 + 9}));

    // Screen $6E: pair 01 shows 6, pair 10 shows 14; colour RAM 3 for pair
    // 11. The transparent colour clears the pairs that show it; the usage
    // nibble is counted beforehand.
    pic.cell(0, {0x55, 0x6A, 0xFF, 0x1B}, 0x6E, 0x03);
    const struct
    {
        int transparent;
        Cell expected;
    } cases[] = {
        {-1, {rows({0x55, 0x6A, 0xFF}, 0x1B), 0x6E, 0xF3}},
        {6, {rows({0x00, 0x2A, 0xFF}, 0x0B), 0x6E, 0xF3}},
        {14, {rows({0x55, 0x40, 0xFF}, 0x13), 0x6E, 0xF3}},
        {3, {rows({0x55, 0x6A, 0x00}, 0x18), 0x6E, 0xF3}},
        {9, {rows({0x55, 0x6A, 0xFF}, 0x1B), 0x6E, 0xF3}}, // matching nothing
    };
    for (const auto &c : cases) {
        EXPECT_EQ(cell_of(pic.convert({0, 0, 8, 8}, c.transparent)), c.expected) << c.transparent;
    }
    // Both screen nibbles equal T: only the 01 pairs become transparent. No
    // 00 pair in the picture: bit 4 stays clear though pairs became 00.
    pic.cell(1, {0x55, 0xAA}, 0x66, 0x02);
    EXPECT_EQ(cell_of(pic.convert({8, 0, 8, 8}, 6)), (Cell{rows({0x00}, 0xAA), 0x66, 32 + 64 + 2}));
}

TEST(ObjectRegion, ObjectsCutFromARealPictureLookLikeThePicture)
{
    std::vector<uint8_t> hires(kHiresDataSize);
    ASSERT_TRUE(picture_read_file("tests/data/pictures/koala/NINJA3.KOA", kHiresDetect, nullptr,
                                  hires.data(), nullptr));
    std::span<const uint8_t> bitmap(hires.data(), kHiresBitmapSize);
    std::span<const uint8_t> screen(hires.data() + kHiresScreenOffset, kHiresCellCount);
    std::span<const uint8_t> colour(hires.data() + kHiresColourOffset, kHiresCellCount);
    const ZbxRect region{160, 96, 48, 32};
    GRef<GdkPixbuf> expected(
        pixbufs_new_from_hires_region(bitmap.data(), screen.data(), colour.data(), region));
    GRef<GdkPixbuf> cut(objects_render_object_record(
        objects_region_to_record(bitmap, screen, colour, region, -1), nullptr));
    ASSERT_TRUE(expected && cut);
    // Transparent pixels may hold any colour.
    RgbaView e = pixbufs_view(expected.get());
    RgbaView c = pixbufs_view(cut.get());
    ASSERT_EQ(std::vector<int>({c.width, c.height}), std::vector<int>({48, 32}));
    for (int y = 0; y < 32; y++) {
        for (int x = 0; x < 48; x++) {
            const uint8_t *a = e.pixels + y * e.rowstride + 4 * x;
            const uint8_t *b = c.pixels + y * c.rowstride + 4 * x;
            ASSERT_TRUE(a[3] == b[3] && (a[3] == 0 || memcmp(a, b, 3) == 0)) << x << "," << y;
        }
    }
}

TEST(ObjectRegion, ColourPixelsCountWhatTheBitmapShowsNotWhatTheBytesName)
{
    Picture pic;
    // Cell 0: pairs 00, 01, 10, 11 on each line; screen 2 and 3, colour 7.
    pic.cell(0, {0x1B}, 0x23, 0x07);
    // Cell 1: pair 01 only; its screen's low nibble and colour show nothing.
    pic.cell(1, {0x55}, 0x2E, 0x0F);
    std::array<int, 16> want{};
    want[2] = 8 + 32;
    want[3] = 8;
    want[7] = 8;
    const std::vector<uint8_t> record = pic.convert({0, 0, 16, 8});
    EXPECT_EQ(objects_colour_pixels(record), want);
    // The transparent colour's pixels become background.
    want[3] = 0;
    EXPECT_EQ(objects_colour_pixels(pic.convert({0, 0, 16, 8}, 3)), want);
    // A record shorter than its header announces shows nothing.
    EXPECT_EQ(objects_colour_pixels(std::span(record).first(record.size() - 1)),
              (std::array<int, 16>{}));
}
