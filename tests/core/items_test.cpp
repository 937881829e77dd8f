// The object and panel stores and the item slot layer: ownership, counts,
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

// A reference of the test's own on a new object, to watch the store's go.
template <typename T> T *watched(T *object)
{
    g_object_ref(object);
    return object;
}
guint refs(gpointer object)
{
    return G_OBJECT(object)->ref_count;
}
} // namespace

TEST_F(Items, StoresReleaseEachImageAndListExactlyOnce)
{
    ASSERT_EQ(objects_allocate_array(3), 1);
    GdkPixbuf *a = watched(zbx_test_image(1, 1));
    GdkPixbuf *b = watched(zbx_test_image(1, 1));
    ASSERT_EQ(objects_set_array_at_index(0, a, zbx_test_record(1, 1)), 1);
    ASSERT_EQ(objects_set_array_at_index(2, b, zbx_test_record(1, 1, 9)), 1);
    // Deleting the empty slot 1 shifts b and its data down.
    ASSERT_EQ(objects_delete_item_at_index(1), 1);
    EXPECT_EQ(objects_get_array_size(), 2);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 2);
    EXPECT_EQ(objects_get_from_array_at_index(1), b);
    std::span<const uint8_t> data;
    ASSERT_EQ(objects_get_data_at_index(1, &data), 1);
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.end()), zbx_test_record(1, 1, 9));
    ASSERT_EQ(objects_unset_array_at_index(0), 1);
    EXPECT_EQ(refs(a), 1u);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 1);
    ASSERT_EQ(objects_delete_item_at_index(1), 1);
    EXPECT_EQ(refs(b), 1u);

    ASSERT_EQ(panels_allocate_array(4), 1);
    ZbxDefList *lists[4];
    for (int i = 0; i < 4; i++) {
        lists[i] = watched(zbx_def_list_new());
        zbx_def_list_append(lists[i], PanelDef{.item = i});
        ASSERT_EQ(panels_set_array_at_index(i, lists[i]), 1);
        ASSERT_EQ(panels_set_pos_and_dimensions_at_index(i, i, 2 * i, 3 * i, 4 * i), 1);
    }
    // The box moves down with its list; the deleted list is emptied for any
    // view still showing it.
    ASSERT_EQ(panels_delete_item_at_index(2), 1);
    EXPECT_EQ(panels_get_count_of_valid_panels(), 3);
    EXPECT_EQ(refs(lists[2]), 1u);
    EXPECT_EQ(zbx_def_list_size(lists[2]), 0);
    EXPECT_EQ(panels_get_from_array_at_index(2), lists[3]);
    int x = 100, y = 50, w = 0, h = 0;
    ASSERT_EQ(panels_get_displacement_at_index(2, &x, &y, &w, &h), 1);
    EXPECT_EQ(std::vector<int>({x, y, w, h}), std::vector<int>({103, 56, 9, 12}));
    EXPECT_EQ(panels_get_displacement_at_index(3, &x, &y, &w, &h), 0);

    // Cleanup, and sizing the tables again, release what is left, once.
    ASSERT_EQ(objects_allocate_array(1), 1);
    ASSERT_EQ(objects_set_array_at_index(0, watched(a), zbx_test_record(1, 1)), 1);
    objects_cleanup();
    panels_cleanup();
    EXPECT_EQ(objects_get_count_of_valid_objects() + panels_get_count_of_valid_panels(), 0);
    zbx_test_allocate(3);
    ASSERT_EQ(objects_set_array_at_index(2, watched(b), zbx_test_record(1, 1)), 1);
    ASSERT_EQ(panels_set_array_at_index(1, watched(lists[0])), 1);
    zbx_test_allocate(1);
    EXPECT_EQ(objects_get_count_of_valid_objects() + panels_get_count_of_valid_panels(), 0);
    for (gpointer object : {gpointer(a), gpointer(b), gpointer(lists[0]), gpointer(lists[1]),
                            gpointer(lists[2]), gpointer(lists[3])}) {
        EXPECT_EQ(refs(object), 1u);
        g_object_unref(object);
    }
}

TEST_F(Items, ObjectStoreRefusesBadIndexesAndMismatchedRecordsLeavingTheImageToTheCaller)
{
    ASSERT_EQ(objects_allocate_array(2), 1);
    EXPECT_TRUE(objects_is_array_empty_at_index(-1));
    EXPECT_EQ(objects_unset_array_at_index(-1), 0);
    EXPECT_EQ(objects_delete_item_at_index(2), 0);
    EXPECT_EQ(objects_allocate_array(256), 0);
    EXPECT_EQ(objects_get_array_size(), 2);
    GRef<GdkPixbuf> image(zbx_test_image(3, 2));
    std::vector<uint8_t> short_record = zbx_test_record(3, 2);
    short_record.pop_back();
    EXPECT_EQ(objects_set_array_at_index(2, image.get(), zbx_test_record(3, 2)), 0);
    EXPECT_EQ(objects_set_array_at_index(0, image.get(), zbx_test_record(2, 3)), 0);
    EXPECT_EQ(objects_set_array_at_index(0, image.get(), short_record), 0);
    EXPECT_EQ(objects_set_array_at_index(0, nullptr, zbx_test_record(1, 1)), 0);
    EXPECT_EQ(refs(image.get()), 1u);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 0);
}

TEST_F(Items, NewPanelsAppendAtTheEndOfBothTables)
{
    zbx_test_allocate(2);
    zbx_test_put_object(0);
    ASSERT_EQ(itemwrapper_new_empty_panel(), 1);
    EXPECT_EQ(itemwrapper_get_array_size(), 3);
    EXPECT_EQ(objects_get_array_size(), 3);
    EXPECT_FALSE(panels_is_panel_empty_at_index(2));
    EXPECT_EQ(panel_rows(), std::vector<int>({2}));
    for (int i : {-1, 1, 3}) {
        EXPECT_TRUE(itemwrapper_is_item_empty_at_index(i)) << i;
    }
    EXPECT_FALSE(itemwrapper_is_item_empty_at_index(0));
    int index = -1, w = -1, h = -1;
    ASSERT_EQ(panels_grow_array(&index), 1);
    EXPECT_EQ(index, 3);
    EXPECT_TRUE(panels_is_panel_empty_at_index(3));
    ASSERT_EQ(panels_get_dimensions_at_index(3, &w, &h), 1);
    EXPECT_EQ(w + h, 0);
}

TEST_F(Items, FullTablesRefuseEveryAppendWithNothingChanged)
{
    zbx_test_allocate(kMaxItems);
    zbx_test_put_object(0);
    zbx_test_put_panel(1);
    auto snapshot = [] {
        return std::vector<std::vector<int>>{
            {objects_get_array_size(), objects_get_count_of_valid_objects(),
             panels_get_array_size(), panels_get_count_of_valid_panels()},
            object_rows(),
            panel_rows()};
    };
    const auto before = snapshot();
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
    EXPECT_EQ(refs(image.get()), 1u); // still only ours

    GError *error = nullptr;
    EXPECT_EQ(itemwrapper_import_object_data_from_file("/nonexistent.zbxobject", &error), 0);
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->message, "No room for additional objects");
    g_clear_error(&error);
    GdkPixbuf *imported = nullptr;
    EXPECT_EQ(objects_import_object_data_from_file("/x.zbxobject", &imported, &index, nullptr), 0);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(imported, nullptr);
    EXPECT_EQ(snapshot(), before);
}

// Item 0 object, 1 panel placing 2, 2 object, 3 panel placing 2, 1 and 0,
// 4 empty, 5 panel placing 3 and 2 and elected as location 4.
class Cascade : public Items
{
  protected:
    void SetUp() override
    {
        Items::SetUp();
        zbx_test_allocate(6);
        zbx_test_put_object(0);
        zbx_test_put_object(2, 2, 1, 2);
        for (auto [panel, items] :
             {std::pair{1, std::vector<int>{2}}, {3, {2, 1, 0}}, {5, {3, 2}}}) {
            zbx_test_put_panel(panel);
            for (int item : items) {
                zbx_test_place(panel, item);
            }
        }
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
    GdkPixbuf *image = watched(objects_get_from_array_at_index(2));
    ZbxDefList *list = watched(panels_get_from_array_at_index(3));
    itemwrapper_cleanup();
    EXPECT_EQ(itemwrapper_get_array_size() + objects_get_array_size(), 0);
    EXPECT_EQ(objects_get_count_of_valid_objects() + panels_get_count_of_valid_panels(), 0);
    EXPECT_TRUE(object_rows().empty());
    EXPECT_TRUE(panel_rows().empty());
    EXPECT_EQ(refs(image), 1u);
    EXPECT_EQ(refs(list), 1u);
    g_object_unref(image);
    g_object_unref(list);
}
