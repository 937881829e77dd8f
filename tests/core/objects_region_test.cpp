// Objects cut out of a picture: the record's layout, the usage nibble and
// the transparent colour.
#include <gtest/gtest.h>

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
