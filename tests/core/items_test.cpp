// The object and panel stores, the item slot layer and the list models
// without a window: ownership, counts, the delete cascade, full tables,
// renumbering, reference searches, the loop check and locations.
#include <gtest/gtest.h>
#include <string>

#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"
#include "support/items_fixture.h"

namespace {
using Items = ZbxModulesTest;
using Models = ZbxModulesTest;

std::vector<int> object_rows()
{
    return zbx_test_column(objectmodel_get_model());
}
std::vector<int> panel_rows()
{
    return zbx_test_column(panelmodels_get_panel_model());
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

std::string text_of(void (*find)(GString *, int), int item)
{
    GString *text = g_string_new("earlier\n");
    find(text, item);
    std::string out(text->str);
    g_string_free(text, TRUE);
    return out;
}

// Records 0 to 31, the given ones electing a panel over colour 6.
void add_locations(std::initializer_list<std::pair<int, int>> filled)
{
    for (int i = 0; i < kLocationCount; i++) {
        int panel = kNoPanel;
        for (auto [number, p] : filled) {
            panel = number == i ? p : panel;
        }
        locations_add_item_to_location_model(i, panel, panel == kNoPanel ? 0 : 6);
    }
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
    EXPECT_EQ(zbx_test_column(locations_get_model(), LOC_COL_PANEL)[4], 4);
}

TEST_F(Models, DeletingObjectFiveRenumbersTheRowsAboveIt)
{
    zbx_test_allocate(13);
    for (int index : {3, 5, 9, 12}) {
        zbx_test_put_object(index);
    }
    ASSERT_EQ(itemwrapper_delete_object_at_index(5, FALSE), 1);
    EXPECT_EQ(object_rows(), std::vector<int>({3, 8, 11}));
    EXPECT_EQ(zbx_test_object_labels(),
              std::vector<std::string>({"OBJECT 3", "OBJECT 8", "OBJECT 11"}));
    EXPECT_EQ(objects_get_count_of_valid_objects(), 3);
    EXPECT_FALSE(objects_is_array_empty_at_index(8));
    // Removing a row that does not exist changes nothing.
    objectmodel_remove_object_from_object_model(5);
    EXPECT_EQ(object_rows().size(), 3u);
}

TEST_F(Models, ReferenceTextsNameEachPanelAndItsCount)
{
    zbx_test_allocate(21);
    zbx_test_put_object(4);
    for (int panel : {9, 20, 2}) {
        zbx_test_put_panel(panel);
    }
    for (int i = 0; i < 3; i++) {
        zbx_test_place(9, 4, 8 * i, 0);
    }
    // A disabled definition still counts.
    ZbxDefList *list = panels_get_from_array_at_index(9);
    PanelDef def = zbx_def_list_rows(list)[1];
    def.enabled = false;
    zbx_def_list_set(list, 1, def);
    zbx_test_place(20, 4);
    // Panel 2 holds panel 9, which holds object 4: not a reference of panel 2.
    zbx_test_place(2, 9);
    EXPECT_EQ(text_of(panelmodels_find_all_object_references, 4),
              "earlier\nPanel 9 ($9): found 3 occurrences\nPanel 20 ($14): found 1 occurrence\n");
    EXPECT_EQ(text_of(panelmodels_find_all_panel_references, 9),
              "earlier\nPanel 2 ($2): found 1 occurrence\n");
    EXPECT_EQ(text_of(panelmodels_find_all_object_references, 7), "earlier\n");
}

TEST_F(Models, LocationReferencesAndRenumbering)
{
    zbx_test_allocate(8);
    zbx_test_put_panel(6);
    zbx_test_put_panel(2);
    zbx_test_place(6, 2);
    add_locations({{0, 6}, {31, 6}, {5, 2}});
    EXPECT_EQ(text_of(locations_find_all_panel_references, 6),
              "earlier\nPanel was elected as location 0 ($0)\n"
              "Panel was elected as location 31 ($1F)\n");
    EXPECT_EQ(text_of(locations_find_all_panel_references, 3), "earlier\n");

    // Deleting item 5: panel 6 becomes 5, panel 2 and empty records stay.
    ASSERT_EQ(itemwrapper_delete_invalid_at_index(5), 1);
    locations_renumber_panels(5);
    std::vector<int> panels = zbx_test_column(locations_get_model(), LOC_COL_PANEL);
    EXPECT_EQ(std::vector<int>({panels[0], panels[31], panels[5], panels[1]}),
              std::vector<int>({5, 5, 2, kNoPanel}));
}

TEST_F(Models, LoopCheckFindsCyclesAndOnlyCycles)
{
    zbx_test_allocate(13);
    for (int p : {3, 5, 7, 10, 12}) {
        zbx_test_put_panel(p);
    }
    zbx_test_put_object(0);
    // Each step places one item (or removes the last definition of a panel
    // when the item is -1) and says whether a loop exists afterwards.
    const struct
    {
        int panel, item;
        bool loop;
    } steps[] = {
        {12, 10, false}, {12, 0, false},  {12, 10, false}, // 12 contains 10, twice
        {10, 12, true},  {10, -1, false},                  // 12 into 10 is a loop
        {3, 5, false},   {5, 7, false},   {3, 7, false},   // 7 reached twice: no loop
        {7, 3, true},    {7, -1, false},                   // closing the triangle
        {7, 5, true},    {7, -1, false},                   // 5 -> 7 -> 5, not through 3
        {5, 5, true},                                      // a panel containing itself
    };
    EXPECT_FALSE(panelmodels_is_bad_child());
    for (const auto &s : steps) {
        if (s.item < 0) {
            ZbxDefList *list = panels_get_from_array_at_index(s.panel);
            zbx_def_list_remove(list, zbx_def_list_size(list) - 1);
        } else {
            zbx_test_place(s.panel, s.item);
        }
        EXPECT_EQ(panelmodels_is_bad_child(), s.loop) << s.panel << " places " << s.item;
    }
}

TEST_F(Models, LoopCheckStaysLinearOnADeepDiamondLadder)
{
    // Panel i places panels i+1 and i+2: 2^253 paths from the top, which a
    // walk of every path would never finish.
    zbx_test_allocate(kMaxItems);
    for (int i = 0; i < kMaxItems; i++) {
        zbx_test_put_panel(i);
    }
    for (int i = 0; i + 1 < kMaxItems; i++) {
        zbx_test_place(i, i + 1);
        if (i + 2 < kMaxItems) {
            zbx_test_place(i, i + 2);
        }
    }
    EXPECT_FALSE(panelmodels_is_bad_child());
    // A loop at the very bottom is still found.
    zbx_test_place(kMaxItems - 1, kMaxItems - 3);
    EXPECT_TRUE(panelmodels_is_bad_child());
}

TEST_F(Models, PanelRowsAndDefinitionRows)
{
    zbx_test_allocate(4);
    zbx_test_put_object(0);
    zbx_test_put_panel(1);
    zbx_test_put_panel(2);
    // A second panel at the same index is refused; so is one outside the table.
    EXPECT_EQ(panelmodels_add_item_to_panel_model(1), nullptr);
    EXPECT_EQ(panelmodels_add_item_to_panel_model(4), nullptr);
    EXPECT_EQ(panel_rows(), std::vector<int>({1, 2}));

    // Mirror and overrides belong to objects only; an empty item places
    // like a panel; a list without a panel takes nothing.
    panelmodels_add_item_to_panel_def_model(1, 0, TRUE, TRUE, -16, 24, 2, 0x21, 0x43, 0x65);
    panelmodels_add_item_to_panel_def_model(1, 2, TRUE, TRUE, 8, 16, 2, 0x21, 0x43, 0);
    panelmodels_add_item_to_panel_def_model(1, 3, TRUE, FALSE, 0, 0, 0, 0, 0, 0);
    panelmodels_add_item_to_panel_def_model(3, 0, FALSE, FALSE, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(zbx_def_list_rows(panels_get_from_array_at_index(1)),
              (std::vector<PanelDef>{{0, true, true, true, true, -16, 24, 2, {0x21, 0x43, 0x65}},
                                     {2, false, true, false, false, 8, 16, 0, {0, 0, 0}},
                                     {3, false, true, false, false, 0, 0, 0, {0, 0, 0}}}));
    EXPECT_EQ(panels_get_from_array_at_index(3), nullptr);
}

TEST_F(Models, LocationQueriesTextsAndTable)
{
    EXPECT_EQ(locations_get_index_past_last_filled_slot(), 0);
    add_locations({{3, 10}, {20, 4}});
    EXPECT_EQ(locations_get_index_past_last_filled_slot(), 21);
    for (int i : {4, 32, -1}) {
        EXPECT_FALSE(locations_is_filled_at_index(i)) << i;
    }
    int panel = -1, colour = -1;
    EXPECT_TRUE(locations_get_info_at_index(3, &panel, &colour));
    EXPECT_EQ(std::vector<int>({panel, colour}), std::vector<int>({10, 6}));
    EXPECT_FALSE(locations_get_info_at_index(4, &panel, &colour));
    EXPECT_EQ(panel, kNoPanel);

    for (auto [p, c, text] : {std::tuple{10, 6, "Panel: 10 ($0A)\nBackground: blue"},
                              {200, 1, "Panel: 200 ($C8)\nBackground: white"},
                              {kNoPanel, 0, "Empty record"}}) {
        GCharPtr shown(locations_record_text(p, c));
        EXPECT_STREQ(shown.get(), text);
    }
}

TEST_F(Models, WithoutWindowsNothingIsSelected)
{
    zbx_test_allocate(2);
    zbx_test_put_object(0);
    zbx_test_put_panel(1);
    add_locations({{0, 1}});
    int a = -1, b = -1;
    EXPECT_FALSE(objectmodel_get_current_object_id(&a));
    EXPECT_FALSE(panelmodels_get_current_panel_info(&a, &b));
    EXPECT_FALSE(panelmodels_set_panel_preview_background_colour(5));
    EXPECT_FALSE(panelmodels_on_cursor_changed_set_panel_defs_model());
    EXPECT_FALSE(locations_get_current_location_info(&a, &b));
    EXPECT_EQ(a, -1);
    objectmodel_remove_selected_object_from_object_model();
    panelmodels_remove_selected_panel_from_panel_model();
    locations_clear_location_record();
    EXPECT_EQ(object_rows().size(), 1u);
    EXPECT_EQ(panel_rows().size(), 1u);
    EXPECT_TRUE(locations_is_filled_at_index(0));
    GError *error = nullptr;
    EXPECT_FALSE(locations_store_location(&error));
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->message, "Please first select a panel");
    g_clear_error(&error);

    // Paths still find rows, as the browser's icon views use them.
    GtkTreePath *path = gtk_tree_path_new_from_indices(0, -1);
    EXPECT_TRUE(objectmodel_get_object_id_from_path(path, &a));
    EXPECT_TRUE(panelmodels_get_panel_offset_from_path(path, &b));
    gtk_tree_path_free(path);
    EXPECT_EQ(std::vector<int>({a, b}), std::vector<int>({0, 1}));
}
