// The object and panel stores and the item slot layer: counts, ownership,
// the delete cascade and full tables.
#include <cstring>
#include <gtest/gtest.h>

#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"
#include "support/items_fixture.h"
#include "support/reset.h"

namespace {
class Items : public ::testing::Test
{
  protected:
    void SetUp() override { zbx_reset_all_modules(); }
    void TearDown() override { zbx_reset_all_modules(); }
};

std::vector<int> object_rows()
{
    return zbx_test_column(GTK_TREE_MODEL(objectmodel_get_model()));
}
std::vector<int> panel_rows()
{
    return zbx_test_column(GTK_TREE_MODEL(panelmodels_get_panel_model()));
}

// Everything a failed append must leave as it was.
struct Snapshot
{
    int n_objects, n_valid_objects, n_panels, n_valid_panels;
    std::vector<int> objects, panels;
    bool operator==(const Snapshot &) const = default;
};
Snapshot snapshot()
{
    return {objects_get_array_size(),
            objects_get_count_of_valid_objects(),
            panels_get_array_size(),
            panels_get_count_of_valid_panels(),
            object_rows(),
            panel_rows()};
}
} // namespace

TEST_F(Items, ObjectStoreCountsAndReleasesEachImageOnce)
{
    ASSERT_EQ(objects_allocate_array(3), 1);
    GdkPixbuf *a = zbx_test_image(1, 1);
    GdkPixbuf *b = zbx_test_image(1, 1);
    g_object_ref(a); // our own, to watch the store's go
    g_object_ref(b);
    ASSERT_EQ(objects_set_array_at_index(0, a, zbx_test_record(1, 1)), 1);
    ASSERT_EQ(objects_set_array_at_index(2, b, zbx_test_record(1, 1, 9)), 1);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 2);

    // Deleting the empty slot 1 shifts b down without touching the counts of images.
    ASSERT_EQ(objects_delete_item_at_index(1), 1);
    EXPECT_EQ(objects_get_array_size(), 2);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 2);
    EXPECT_EQ(objects_get_from_array_at_index(1), b);
    std::span<const uint8_t> data;
    ASSERT_EQ(objects_get_data_at_index(1, &data), 1);
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.end()), zbx_test_record(1, 1, 9));

    ASSERT_EQ(objects_unset_array_at_index(0), 1);
    EXPECT_EQ(G_OBJECT(a)->ref_count, 1u);
    EXPECT_EQ(objects_get_array_size(), 2);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 1);
    ASSERT_EQ(objects_delete_item_at_index(1), 1);
    EXPECT_EQ(G_OBJECT(b)->ref_count, 1u);
    ASSERT_EQ(objects_delete_item_at_index(0), 1);
    EXPECT_EQ(objects_get_array_size(), 0);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 0);

    // Cleanup releases what is left, once.
    ASSERT_EQ(objects_allocate_array(1), 1);
    g_object_ref(a);
    ASSERT_EQ(objects_set_array_at_index(0, a, zbx_test_record(1, 1)), 1);
    objects_cleanup();
    EXPECT_EQ(G_OBJECT(a)->ref_count, 1u);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 0);
    g_object_unref(a);
    g_object_unref(b);
}

TEST_F(Items, ObjectStoreRefusesBadIndexesAndMismatchedRecords)
{
    ASSERT_EQ(objects_allocate_array(2), 1);
    EXPECT_TRUE(objects_is_array_empty_at_index(-1));
    EXPECT_TRUE(objects_is_array_empty_at_index(2));
    EXPECT_EQ(objects_get_from_array_at_index(2), nullptr);
    EXPECT_EQ(objects_unset_array_at_index(-1), 0);
    EXPECT_EQ(objects_delete_item_at_index(2), 0);
    EXPECT_EQ(objects_get_at_index_as_mask(0), nullptr);
    EXPECT_EQ(objects_allocate_array(256), 0);
    EXPECT_EQ(objects_get_array_size(), 2);

    GRef<GdkPixbuf> image(zbx_test_image(3, 2));
    // Out of range, or data that is not the record of the image's size:
    // refused, and the caller keeps its image.
    EXPECT_EQ(objects_set_array_at_index(2, image.get(), zbx_test_record(3, 2)), 0);
    EXPECT_EQ(objects_set_array_at_index(0, image.get(), zbx_test_record(2, 3)), 0);
    std::vector<uint8_t> short_record = zbx_test_record(3, 2);
    short_record.pop_back();
    EXPECT_EQ(objects_set_array_at_index(0, image.get(), short_record), 0);
    EXPECT_EQ(objects_set_array_at_index(0, nullptr, zbx_test_record(1, 1)), 0);
    EXPECT_EQ(G_OBJECT(image.get())->ref_count, 1u);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 0);

    // Saving writes exactly the record: 61 bytes for 3 x 2 cells.
    ASSERT_EQ(objects_set_array_at_index(1, image.release(), zbx_test_record(3, 2, 5)), 1);
    GByteArray *out = g_byte_array_new();
    objects_save_object_data(out, 0); // empty slot: nothing
    objects_save_object_data(out, 5); // out of range: nothing
    EXPECT_EQ(out->len, 0u);
    objects_save_object_data(out, 1);
    EXPECT_EQ(std::vector<uint8_t>(out->data, out->data + out->len), zbx_test_record(3, 2, 5));
    g_byte_array_unref(out);
    int w = 0, h = 0;
    ASSERT_EQ(objects_get_dimensions_at_index(1, &w, &h), 1);
    EXPECT_EQ(w, 24);
    EXPECT_EQ(h, 16);
}

TEST_F(Items, MaskWhitensEveryVisibleMulticolourPixel)
{
    ASSERT_EQ(objects_allocate_array(1), 1);
    GdkPixbuf *image = zbx_test_image(1, 1);
    RgbaView v = pixbufs_view(image);
    // Row 0: pixel pair 0 opaque red, pair 1 transparent with colour left in.
    uint8_t *p = v.pixels;
    const uint8_t red[4] = {200, 10, 10, 255};
    memcpy(p, red, 4);
    memcpy(p + 4, red, 4);
    p[8] = 7;
    p[11] = 0;
    ASSERT_EQ(objects_set_array_at_index(0, image, zbx_test_record(1, 1)), 1);
    GRef<GdkPixbuf> mask(objects_get_at_index_as_mask(0));
    ASSERT_TRUE(mask);
    ASSERT_NE(mask.get(), image);
    RgbaView m = pixbufs_view(mask.get());
    EXPECT_EQ(std::vector<uint8_t>(m.pixels, m.pixels + 12),
              (std::vector<uint8_t>{255, 255, 255, 255, 255, 255, 255, 255, 7, 0, 0, 0}));
    EXPECT_EQ(v.pixels[0], 200); // the stored image is untouched
}

TEST_F(Items, PanelStoreMovesBoxesWithListsAndReleasesThem)
{
    ASSERT_EQ(panels_allocate_array(4), 1);
    ZbxDefList *lists[4];
    for (int i = 0; i < 4; i++) {
        lists[i] = zbx_def_list_new();
        g_object_ref(lists[i]);
        zbx_def_list_append(lists[i], PanelDef{.item = i});
        ASSERT_EQ(panels_set_array_at_index(i, lists[i]), 1);
        ASSERT_EQ(panels_set_pos_and_dimensions_at_index(i, i, 2 * i, 3 * i, 4 * i), 1);
    }
    EXPECT_EQ(panels_get_count_of_valid_panels(), 4);
    ASSERT_EQ(panels_delete_item_at_index(2), 1);
    EXPECT_EQ(panels_get_array_size(), 3);
    EXPECT_EQ(panels_get_count_of_valid_panels(), 3);
    EXPECT_EQ(G_OBJECT(lists[2])->ref_count, 1u);
    EXPECT_EQ(zbx_def_list_size(lists[2]), 0); // emptied for any view still showing it
    EXPECT_EQ(panels_get_from_array_at_index(2), lists[3]);
    int x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(panels_get_displacement_at_index(2, &x, &y, &w, &h), 1);
    EXPECT_EQ(std::vector<int>({x, y, w, h}), std::vector<int>({3, 6, 9, 12}));

    // A grown slot has no list and a zero box.
    int index = -1;
    ASSERT_EQ(panels_grow_array(&index), 1);
    EXPECT_EQ(index, 3);
    EXPECT_TRUE(panels_is_panel_empty_at_index(3));
    ASSERT_EQ(panels_get_dimensions_at_index(3, &w, &h), 1);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);

    panels_cleanup();
    EXPECT_EQ(panels_get_array_size(), 0);
    EXPECT_EQ(panels_get_count_of_valid_panels(), 0);
    for (ZbxDefList *list : lists) {
        EXPECT_EQ(G_OBJECT(list)->ref_count, 1u);
        g_object_unref(list);
    }
}

TEST_F(Items, PanelDisplacementMovesARectangleByTheBox)
{
    ASSERT_EQ(panels_allocate_array(1), 1);
    ASSERT_EQ(panels_set_pos_and_dimensions_at_index(0, -8, 16, 40, 24), 1);
    int x = 100, y = 50, w = 0, h = 0;
    ASSERT_EQ(panels_get_displacement_at_index(0, &x, &y, &w, &h), 1);
    EXPECT_EQ(std::vector<int>({x, y, w, h}), std::vector<int>({92, 66, 40, 24}));
    EXPECT_EQ(panels_get_displacement_at_index(1, &x, &y, &w, &h), 0);
    EXPECT_EQ(x, 92);
}

TEST_F(Items, NewPanelAndImportsAppendAtTheEndOfBothTables)
{
    zbx_test_allocate(2);
    zbx_test_put_object(0);
    ASSERT_EQ(itemwrapper_new_empty_panel(), 1);
    EXPECT_EQ(itemwrapper_get_array_size(), 3);
    EXPECT_EQ(objects_get_array_size(), 3);
    EXPECT_FALSE(panels_is_panel_empty_at_index(2));
    EXPECT_TRUE(objects_is_array_empty_at_index(2));
    EXPECT_EQ(panel_rows(), std::vector<int>({2}));
    EXPECT_TRUE(itemwrapper_is_item_empty_at_index(1));
    EXPECT_FALSE(itemwrapper_is_item_empty_at_index(0));
    EXPECT_TRUE(itemwrapper_is_item_empty_at_index(3));
    EXPECT_TRUE(itemwrapper_is_item_empty_at_index(-1));

    std::vector<uint8_t> bitmap(8000, 0xE4), screen(1000, 0x12), colour(1000, 3);
    GdkPixbuf *image = zbx_test_image(2, 1);
    ASSERT_EQ(itemwrapper_import_object_data_from_hires_region(image, bitmap.data(), screen.data(),
                                                               colour.data(), ZbxRect{8, 8, 16, 8}),
              1);
    EXPECT_EQ(objects_get_from_array_at_index(3), image);
    EXPECT_EQ(panels_get_array_size(), 4);
    EXPECT_EQ(object_rows(), std::vector<int>({0, 3}));
    EXPECT_EQ(zbx_test_object_labels().back(), "OBJECT 3");
}

TEST_F(Items, FullTablesRefuseEveryAppendWithNothingChanged)
{
    zbx_test_allocate(kMaxItems);
    zbx_test_put_object(0);
    zbx_test_put_panel(1);
    const Snapshot before = snapshot();
    EXPECT_EQ(itemwrapper_allocate_array(256), 0);

    EXPECT_EQ(itemwrapper_new_empty_panel(), 0);
    int index = 7;
    EXPECT_EQ(objects_grow_array(&index), 0);
    EXPECT_EQ(panels_grow_array(&index), 0);
    EXPECT_EQ(index, 7);

    std::vector<uint8_t> bitmap(8000), screen(1000), colour(1000);
    GRef<GdkPixbuf> image(zbx_test_image(1, 1));
    ZbxRect cell{0, 0, 8, 8};
    EXPECT_EQ(itemwrapper_import_object_data_from_hires_region(image.get(), bitmap.data(),
                                                               screen.data(), colour.data(), cell),
              0);
    EXPECT_EQ(itemwrapper_import_object_data_from_hires_region_with_transparent_color(
                  image.get(), bitmap.data(), screen.data(), colour.data(), 0, cell),
              0);
    EXPECT_EQ(objects_grow_array_with_hires_region(image.get(), bitmap.data(), screen.data(),
                                                   colour.data(), cell, &index),
              0);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(G_OBJECT(image.get())->ref_count, 1u); // still only ours

    GError *error = nullptr;
    EXPECT_EQ(itemwrapper_import_object_data_from_file("/nonexistent.zbxobject", &error), 0);
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->message, "No room for additional objects");
    g_clear_error(&error);
    GdkPixbuf *imported = nullptr;
    EXPECT_EQ(
        objects_import_object_data_from_file("/nonexistent.zbxobject", &imported, &index, &error),
        0);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(imported, nullptr);
    g_clear_error(&error);

    EXPECT_EQ(snapshot(), before);
}

// Item 0 object, 1 panel, 2 object, 3 panel placing 2, 1 and 0, 4 empty,
// 5 panel placing 3 and 2.
class Cascade : public Items
{
  protected:
    void SetUp() override
    {
        Items::SetUp();
        zbx_test_allocate(6);
        zbx_test_put_object(0);
        zbx_test_put_object(2, 2, 1, 2);
        zbx_test_put_panel(1);
        zbx_test_put_panel(3);
        zbx_test_put_panel(5);
        zbx_test_place(1, 2);
        zbx_test_place(3, 2);
        zbx_test_place(3, 1);
        zbx_test_place(3, 0);
        zbx_test_place(5, 3);
        zbx_test_place(5, 2);
        for (int i = 0; i < kLocationCount; i++) {
            locations_add_item_to_location_model(i, i == 4 ? 5 : kNoPanel, 0);
        }
    }
};

TEST_F(Cascade, DeletingItemZeroShiftsEveryLaterItemEverywhere)
{
    // Free object 0 of references first, as the main window demands.
    zbx_def_list_remove(panels_get_from_array_at_index(3), 2);
    ASSERT_EQ(itemwrapper_delete_object_at_index(0, FALSE), 1);
    locations_renumber_panels(0);

    EXPECT_EQ(itemwrapper_get_array_size(), 5);
    EXPECT_EQ(objects_get_array_size(), 5);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 1);
    EXPECT_EQ(panels_get_count_of_valid_panels(), 3);
    EXPECT_FALSE(panels_is_panel_empty_at_index(0));
    EXPECT_FALSE(objects_is_array_empty_at_index(1));
    EXPECT_TRUE(itemwrapper_is_item_empty_at_index(3));
    int w = 0, h = 0;
    objects_get_dimensions_at_index(1, &w, &h);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(object_rows(), std::vector<int>({1}));
    EXPECT_EQ(zbx_test_object_labels(), std::vector<std::string>({"OBJECT 1"}));
    EXPECT_EQ(panel_rows(), std::vector<int>({0, 2, 4}));
    EXPECT_EQ(zbx_test_placed(0), std::vector<int>({1}));
    EXPECT_EQ(zbx_test_placed(2), std::vector<int>({1, 0}));
    EXPECT_EQ(zbx_test_placed(4), std::vector<int>({2, 1}));
    EXPECT_EQ(zbx_test_column(GTK_TREE_MODEL(locations_get_model()), LOC_COL_PANEL)[4], 4);
}

TEST_F(Cascade, DeletingAPanelOrAnEmptyItemLeavesReferencesBelowAlone)
{
    // Item 4 is empty: deleting it renumbers item 5 like an object delete would.
    ASSERT_EQ(itemwrapper_delete_invalid_at_index(4), 1);
    EXPECT_EQ(panel_rows(), std::vector<int>({1, 3, 4}));
    EXPECT_EQ(zbx_test_placed(3), std::vector<int>({2, 1, 0}));
    EXPECT_EQ(zbx_test_placed(4), std::vector<int>({3, 2}));
    EXPECT_EQ(object_rows(), std::vector<int>({0, 2}));

    // Panel 4 (formerly 5) is referenced by nothing; delete it by index.
    ASSERT_EQ(itemwrapper_delete_panel_at_index(4, FALSE), 1);
    EXPECT_EQ(panel_rows(), std::vector<int>({1, 3}));
    EXPECT_EQ(itemwrapper_get_array_size(), 4);
    EXPECT_EQ(zbx_test_placed(3), std::vector<int>({2, 1, 0}));
    EXPECT_EQ(panels_get_count_of_valid_panels(), 2);

    // Deleting nothing that exists does nothing.
    EXPECT_EQ(itemwrapper_delete_invalid_at_index(4), 0);
    EXPECT_EQ(itemwrapper_delete_object_at_index(-1, FALSE), 0);
    EXPECT_EQ(itemwrapper_get_array_size(), 4);
}

TEST_F(Cascade, CleanupEmptiesTablesAndModelsAndReleasesEverything)
{
    GdkPixbuf *image = objects_get_from_array_at_index(2);
    ZbxDefList *list = panels_get_from_array_at_index(3);
    g_object_ref(image);
    g_object_ref(list);
    itemwrapper_cleanup();
    EXPECT_EQ(itemwrapper_get_array_size(), 0);
    EXPECT_EQ(objects_get_array_size(), 0);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 0);
    EXPECT_EQ(panels_get_count_of_valid_panels(), 0);
    EXPECT_TRUE(object_rows().empty());
    EXPECT_TRUE(panel_rows().empty());
    EXPECT_EQ(G_OBJECT(image)->ref_count, 1u);
    EXPECT_EQ(G_OBJECT(list)->ref_count, 1u);
    g_object_unref(image);
    g_object_unref(list);
}

TEST_F(Items, SizingTheTablesAgainReleasesWhatTheyHeld)
{
    zbx_test_allocate(3);
    GdkPixbuf *image = zbx_test_image(1, 1);
    g_object_ref(image);
    ASSERT_EQ(objects_set_array_at_index(2, image, zbx_test_record(1, 1)), 1);
    ZbxDefList *list = zbx_test_put_panel(1);
    g_object_ref(list);
    zbx_test_allocate(1);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 0);
    EXPECT_EQ(panels_get_count_of_valid_panels(), 0);
    EXPECT_EQ(G_OBJECT(image)->ref_count, 1u);
    EXPECT_EQ(G_OBJECT(list)->ref_count, 1u);
    g_object_unref(image);
    g_object_unref(list);
}
