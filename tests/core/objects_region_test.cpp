// Objects cut out of a picture: the record's layout, the usage nibble and
// the transparent colour.
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

#include "c64/hiresdecoder.h"
#include "c64/palette.h"
#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/objectmodel.h"
#include "support/items_fixture.h"
#include "support/reset.h"

namespace {
struct Picture
{
    std::vector<uint8_t> bitmap = std::vector<uint8_t>(8000);
    std::vector<uint8_t> screen = std::vector<uint8_t>(1000);
    std::vector<uint8_t> colour = std::vector<uint8_t>(1000);

    // Sets one picture cell.
    void cell(int p, std::vector<uint8_t> rows, uint8_t s, uint8_t k)
    {
        rows.resize(8, rows.empty() ? 0 : rows.back());
        std::copy(rows.begin(), rows.end(), bitmap.begin() + 8 * p);
        screen[p] = s;
        colour[p] = k;
    }
    std::vector<uint8_t> convert(ZbxRect region, int transparent = -1) const
    {
        return objects_region_to_record(bitmap, screen, colour, region, transparent);
    }
};

// Bitmap, screen and colour byte of cell 0 of a 1 x 1 record.
struct Cell
{
    std::vector<uint8_t> rows;
    uint8_t screen, colour;
};
Cell cell_of(const std::vector<uint8_t> &record)
{
    EXPECT_EQ(record.size(), 11u);
    return {std::vector<uint8_t>(record.begin() + 1, record.begin() + 9), record[9], record[10]};
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
    for (int r = 0; r < 2; r++) {
        for (int c = 0; c < 3; c++) {
            int p = (2 + c) + 40 * (1 + r);
            int cell = c + 3 * r;
            for (int row = 0; row < 8; row++) {
                EXPECT_EQ(record[1 + 8 * cell + row], pic.bitmap[8 * p + row]);
            }
            EXPECT_EQ(record[1 + 48 + cell], pic.screen[p]);
            EXPECT_EQ(record[1 + 54 + cell] & 15, p & 15);
        }
    }

    EXPECT_EQ(pic.convert({0, 0, 8, 8}).size(), 11u);
    EXPECT_EQ(pic.convert({0, 0, 8, 8})[0], 0x11);
    std::vector<uint8_t> largest = pic.convert({200, 80, 120, 120});
    EXPECT_EQ(largest.size(), 2251u);
    EXPECT_EQ(largest[0], 0xFF);
}

TEST(ObjectRegion, BottomRightCellIsPictureCell999)
{
    Picture pic;
    pic.cell(999, {0x1B, 0x2C}, 0x5A, 0x07);
    Cell c = cell_of(pic.convert({312, 192, 8, 8}));
    EXPECT_EQ(c.rows, std::vector<uint8_t>({0x1B, 0x2C, 0x2C, 0x2C, 0x2C, 0x2C, 0x2C, 0x2C}));
    EXPECT_EQ(c.screen, 0x5A);
}

TEST(ObjectRegion, UsageNibbleMarksEachBitPairFound)
{
    Picture pic;
    pic.cell(0, {0x00}, 0x12, 0xF3);       // only 00
    pic.cell(1, {0x1B}, 0x12, 0x03);       // 00 01 10 11
    pic.cell(2, {0x55, 0xAA}, 0x12, 0x0C); // 01 everywhere in row 0, then 10
    pic.cell(3, {0xFF}, 0x12, 0x09);       // only 11
    std::vector<uint8_t> record = pic.convert({0, 0, 32, 8});
    ASSERT_EQ(record.size(), 41u);
    const uint8_t *colour = record.data() + 1 + 36;
    EXPECT_EQ(colour[0], 16 + 3); // the picture's high nibble is dropped
    EXPECT_EQ(colour[1], 240 + 3);
    EXPECT_EQ(colour[2], 32 + 64 + 12);
    EXPECT_EQ(colour[3], 128 + 9);
}

TEST(ObjectRegion, TransparentColourClearsOnePairCountedBeforehand)
{
    Picture pic;
    // Screen $6E: pair 01 shows 6, pair 10 shows 14; colour RAM 3 for pair 11.
    const std::vector<uint8_t> rows = {0x55, 0x6A, 0xFF, 0x1B};
    pic.cell(0, rows, 0x6E, 0x03);
    Cell plain = cell_of(pic.convert({0, 0, 8, 8}));
    EXPECT_EQ(plain.colour, 0xF3);

    // T = high nibble of s: every 01 becomes 00; 01 is still marked used.
    Cell high = cell_of(pic.convert({0, 0, 8, 8}, 6));
    EXPECT_EQ(high.rows, std::vector<uint8_t>({0x00, 0x2A, 0xFF, 0x0B, 0x0B, 0x0B, 0x0B, 0x0B}));
    EXPECT_EQ(high.screen, 0x6E);
    EXPECT_EQ(high.colour, 0xF3);

    // T = low nibble of s: the 10 pairs go.
    Cell low = cell_of(pic.convert({0, 0, 8, 8}, 14));
    EXPECT_EQ(low.rows, std::vector<uint8_t>({0x55, 0x40, 0xFF, 0x13, 0x13, 0x13, 0x13, 0x13}));

    // T = colour RAM: the 11 pairs go.
    Cell k = cell_of(pic.convert({0, 0, 8, 8}, 3));
    EXPECT_EQ(k.rows, std::vector<uint8_t>({0x55, 0x6A, 0x00, 0x18, 0x18, 0x18, 0x18, 0x18}));
    EXPECT_EQ(k.colour, 0xF3);

    // T matching nothing: the same as the plain conversion.
    EXPECT_EQ(pic.convert({0, 0, 8, 8}, 9), pic.convert({0, 0, 8, 8}));

    // Both screen nibbles equal T: only the 01 pairs become transparent.
    pic.cell(1, {0x55, 0xAA}, 0x66, 0x02);
    std::vector<uint8_t> both = pic.convert({8, 0, 8, 8}, 6);
    EXPECT_EQ(both[1], 0x00);
    EXPECT_EQ(both[2], 0xAA);
    // No 00 pair in the picture: bit 4 stays clear even though pairs became 00.
    EXPECT_EQ(both[10], 32 + 64 + 2);
}

TEST(ObjectRegion, RefusesRegionsOutsideThePictureOrOffTheGrid)
{
    Picture pic;
    EXPECT_TRUE(pic.convert({4, 0, 8, 8}).empty());
    EXPECT_TRUE(pic.convert({0, 0, 12, 8}).empty());
    EXPECT_TRUE(pic.convert({0, 0, 128, 8}).empty());
    EXPECT_TRUE(pic.convert({0, 0, 0, 8}).empty());
    EXPECT_TRUE(pic.convert({320, 0, 8, 8}).empty());
    EXPECT_TRUE(pic.convert({312, 96, 16, 8}).empty());
    EXPECT_TRUE(pic.convert({0, -8, 8, 8}).empty());
    std::vector<uint8_t> small(999);
    EXPECT_TRUE(objects_region_to_record(pic.bitmap, small, pic.colour, {0, 0, 8, 8}, -1).empty());
}

class ObjectRegionItems : public ::testing::Test
{
  protected:
    void SetUp() override { zbx_reset_all_modules(); }
    void TearDown() override { zbx_reset_all_modules(); }
};

TEST_F(ObjectRegionItems, ConsecutiveCutsGetConsecutiveItemsWithEmptyPanelSlots)
{
    Picture pic;
    pic.cell(41, {0xE4}, 0x21, 0x05);
    zbx_test_allocate(1);
    zbx_test_put_panel(0);
    GdkPixbuf *first = zbx_test_image(1, 1);
    GdkPixbuf *second = zbx_test_image(1, 1);
    ASSERT_EQ(itemwrapper_import_object_data_from_hires_region(
                  first, pic.bitmap.data(), pic.screen.data(), pic.colour.data(), {8, 8, 8, 8}),
              1);
    ASSERT_EQ(itemwrapper_import_object_data_from_hires_region_with_transparent_color(
                  second, pic.bitmap.data(), pic.screen.data(), pic.colour.data(), 2, {8, 8, 8, 8}),
              1);
    EXPECT_EQ(itemwrapper_get_array_size(), 3);
    EXPECT_EQ(objects_get_array_size(), 3);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 2);
    EXPECT_TRUE(panels_is_panel_empty_at_index(1));
    EXPECT_TRUE(panels_is_panel_empty_at_index(2));
    EXPECT_EQ(objects_get_from_array_at_index(1), first);
    EXPECT_EQ(objects_get_from_array_at_index(2), second);
    // The store and the row each hold one reference.
    EXPECT_EQ(G_OBJECT(first)->ref_count, 2u);
    EXPECT_EQ(zbx_test_column(GTK_TREE_MODEL(objectmodel_get_model())), std::vector<int>({1, 2}));

    std::span<const uint8_t> plain, cleared;
    objects_get_data_at_index(1, &plain);
    objects_get_data_at_index(2, &cleared);
    EXPECT_EQ(plain[1], 0xE4);
    EXPECT_EQ(cleared[1], 0xE0); // pair 01 showed colour 2
    EXPECT_EQ(plain[10], cleared[10]);
}

TEST_F(ObjectRegionItems, AnImageOfTheWrongSizeIsRefusedAndStaysTheCallers)
{
    Picture pic;
    zbx_test_allocate(0);
    GRef<GdkPixbuf> image(zbx_test_image(2, 1));
    int index = 5;
    EXPECT_EQ(objects_grow_array_with_hires_region(image.get(), pic.bitmap.data(),
                                                   pic.screen.data(), pic.colour.data(),
                                                   {0, 0, 8, 8}, &index),
              0);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(objects_get_array_size(), 0);
    EXPECT_EQ(G_OBJECT(image.get())->ref_count, 1u);
}

namespace {
bool same_pixel(const uint8_t *a, const uint8_t *b)
{
    // Transparent pixels may hold any colour.
    return a[3] == b[3] && (a[3] == 0 || memcmp(a, b, 3) == 0);
}
} // namespace

TEST(ObjectRegion, ObjectsCutFromARealPictureLookLikeThePicture)
{
    std::vector<uint8_t> hires(kHiresDataSize);
    GError *error = nullptr;
    ASSERT_TRUE(
        hiresdecoder_decode_hires_screen_file("../shared/testdata/pictures/koala/NINJA3.KOA",
                                              kHiresDetect, nullptr, hires.data(), &error))
        << (error ? error->message : "");
    std::span<const uint8_t> bitmap(hires.data(), kHiresBitmapSize);
    std::span<const uint8_t> screen(hires.data() + kHiresScreenOffset, kHiresCellCount);
    std::span<const uint8_t> colour(hires.data() + kHiresColourOffset, kHiresCellCount);
    const ZbxRect region{160, 96, 48, 32};
    GRef<GdkPixbuf> expected(
        pixbufs_new_from_hires_region(bitmap.data(), screen.data(), colour.data(), region));
    ASSERT_TRUE(expected);

    std::vector<uint8_t> plain = objects_region_to_record(bitmap, screen, colour, region, -1);
    GRef<GdkPixbuf> rendered(objects_render_object_record(plain, nullptr));
    ASSERT_TRUE(rendered);
    RgbaView e = pixbufs_view(expected.get());
    RgbaView p = pixbufs_view(rendered.get());
    ASSERT_EQ(p.width, 48);
    ASSERT_EQ(p.height, 32);
    for (int y = 0; y < 32; y++) {
        for (int x = 0; x < 48; x++) {
            ASSERT_TRUE(
                same_pixel(e.pixels + y * e.rowstride + 4 * x, p.pixels + y * p.rowstride + 4 * x))
                << x << "," << y;
        }
    }

    // With the high screen nibble of a cell that uses pair 01 transparent,
    // pixels only ever turn transparent, and only where they showed it.
    const size_t n = 6 * 4;
    size_t cell = 0;
    while (cell < n && (plain[1 + 9 * n + cell] & 0x20) == 0) {
        cell++;
    }
    ASSERT_LT(cell, n);
    const int t = plain[1 + 8 * n + cell] >> 4;
    uint8_t rgb[3];
    palette_get_rgb_at_index(t, rgb);
    std::vector<uint8_t> cleared = objects_region_to_record(bitmap, screen, colour, region, t);
    GRef<GdkPixbuf> see_through(objects_render_object_record(cleared, nullptr));
    ASSERT_TRUE(see_through);
    RgbaView c = pixbufs_view(see_through.get());
    int turned = 0;
    for (int y = 0; y < 32; y++) {
        for (int x = 0; x < 48; x++) {
            const uint8_t *before = p.pixels + y * p.rowstride + 4 * x;
            const uint8_t *after = c.pixels + y * c.rowstride + 4 * x;
            if (!same_pixel(before, after)) {
                ASSERT_EQ(after[3], 0) << x << "," << y;
                ASSERT_EQ(memcmp(before, rgb, 3), 0) << x << "," << y;
                turned++;
            }
        }
    }
    EXPECT_GT(turned, 0);
    // The usage nibbles are the same: counted before the change.
    EXPECT_TRUE(std::equal(plain.begin() + 1 + 9 * n, plain.end(), cleared.begin() + 1 + 9 * n));
}
