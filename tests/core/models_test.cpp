// The list models without a window: renumbering, reference searches, the
// loop check, definition rows, locations and the bytes they write.
#include <gtest/gtest.h>
#include <string>

#include "app/common.h"
#include "c64/palette.h"
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
class Models : public ::testing::Test
{
  protected:
    void SetUp() override { zbx_reset_all_modules(); }
    void TearDown() override { zbx_reset_all_modules(); }
};

std::string object_references(int item)
{
    GString *text = g_string_new("earlier\n");
    panelmodels_find_all_object_references(text, item);
    std::string out(text->str);
    g_string_free(text, TRUE);
    return out;
}

std::string location_references(int panel)
{
    GString *text = g_string_new(nullptr);
    locations_find_all_panel_references(text, panel);
    std::string out(text->str);
    g_string_free(text, TRUE);
    return out;
}

void add_locations(std::initializer_list<std::pair<int, int>> filled)
{
    for (int i = 0; i < kLocationCount; i++) {
        int panel = kNoPanel;
        int colour = 0;
        for (auto [number, p] : filled) {
            if (number == i) {
                panel = p;
                colour = 6;
            }
        }
        locations_add_item_to_location_model(i, panel, colour);
    }
}

std::string record_text(int panel, int colour)
{
    GCharPtr text(locations_record_text(panel, colour));
    return text.get();
}

std::vector<uint8_t> saved_defs(int panel)
{
    GByteArray *out = g_byte_array_new();
    panelmodels_save_panel_def_list(out, panel);
    std::vector<uint8_t> bytes(out->data, out->data + out->len);
    g_byte_array_unref(out);
    return bytes;
}

// Panels 0 .. count-1 where panel i places panels i+1 and i+2: every path
// from the top is a different route down the same ladder.
void build_ladder(int count)
{
    zbx_test_allocate(count);
    for (int i = 0; i < count; i++) {
        zbx_test_put_panel(i);
    }
    for (int i = 0; i < count; i++) {
        for (int next : {i + 1, i + 2}) {
            if (next < count) {
                zbx_test_place(i, next);
            }
        }
    }
}
} // namespace

TEST_F(Models, DeletingObjectFiveRenumbersTheRowsAboveIt)
{
    zbx_test_allocate(13);
    for (int index : {3, 5, 9, 12}) {
        zbx_test_put_object(index);
    }
    ASSERT_EQ(itemwrapper_delete_object_at_index(5, FALSE), 1);
    EXPECT_EQ(zbx_test_column(GTK_TREE_MODEL(objectmodel_get_model())),
              std::vector<int>({3, 8, 11}));
    EXPECT_EQ(zbx_test_object_labels(),
              std::vector<std::string>({"OBJECT 3", "OBJECT 8", "OBJECT 11"}));
    EXPECT_EQ(objects_get_count_of_valid_objects(), 3);
    EXPECT_FALSE(objects_is_array_empty_at_index(8));
    // Removing a row that does not exist changes nothing.
    objectmodel_remove_object_from_object_model(5);
    EXPECT_EQ(zbx_test_column(GTK_TREE_MODEL(objectmodel_get_model())).size(), 3u);
}

TEST_F(Models, ReferenceTextsNameEachPanelAndItsCount)
{
    zbx_test_allocate(21);
    zbx_test_put_object(4);
    zbx_test_put_panel(9);
    zbx_test_put_panel(20);
    zbx_test_put_panel(2);
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
    EXPECT_EQ(object_references(4), "earlier\n"
                                    "Panel 9 ($9): found 3 occurrences\n"
                                    "Panel 20 ($14): found 1 occurrence\n");
    GString *text = g_string_new(nullptr);
    panelmodels_find_all_panel_references(text, 9);
    EXPECT_STREQ(text->str, "Panel 2 ($2): found 1 occurrence\n");
    g_string_free(text, TRUE);
    EXPECT_EQ(object_references(7), "earlier\n");
}

TEST_F(Models, LocationReferencesAndRenumbering)
{
    zbx_test_allocate(8);
    zbx_test_put_panel(6);
    zbx_test_put_panel(2);
    zbx_test_place(6, 2);
    add_locations({{0, 6}, {31, 6}, {5, 2}});
    EXPECT_EQ(location_references(6), "Panel was elected as location 0 ($0)\n"
                                      "Panel was elected as location 31 ($1F)\n");
    EXPECT_EQ(location_references(3), "");

    // Deleting item 5: panel 6 becomes 5, panel 2 and empty records stay.
    ASSERT_EQ(itemwrapper_delete_invalid_at_index(5), 1);
    locations_renumber_panels(5);
    std::vector<int> panels = zbx_test_column(GTK_TREE_MODEL(locations_get_model()), LOC_COL_PANEL);
    EXPECT_EQ(panels[0], 5);
    EXPECT_EQ(panels[31], 5);
    EXPECT_EQ(panels[5], 2);
    EXPECT_EQ(panels[1], kNoPanel);
}

TEST_F(Models, DeleteRenumbersDefinitionsAboveOnly)
{
    zbx_test_allocate(9);
    zbx_test_put_object(3);
    zbx_test_put_object(7);
    zbx_test_put_panel(8);
    zbx_test_place(8, 7);
    zbx_test_place(8, 3);
    ASSERT_EQ(itemwrapper_delete_invalid_at_index(5), 1);
    EXPECT_EQ(zbx_test_placed(7), std::vector<int>({6, 3}));
    // Flags stay what they were.
    EXPECT_TRUE(zbx_def_list_rows(panels_get_from_array_at_index(7))[0].is_object);
}

TEST_F(Models, LoopCheckFindsCyclesAndOnlyCycles)
{
    zbx_test_allocate(13);
    for (int p : {3, 5, 7, 10, 12}) {
        zbx_test_put_panel(p);
    }
    zbx_test_put_object(0);
    EXPECT_FALSE(panelmodels_is_bad_child());

    // 12 contains 10; putting 10 into 12 again is fine, 12 into 10 is a loop.
    zbx_test_place(12, 10);
    zbx_test_place(12, 0);
    EXPECT_FALSE(panelmodels_is_bad_child());
    zbx_test_place(12, 10);
    EXPECT_FALSE(panelmodels_is_bad_child());
    zbx_test_place(10, 12);
    EXPECT_TRUE(panelmodels_is_bad_child());
    zbx_def_list_remove(panels_get_from_array_at_index(10), 0);
    EXPECT_FALSE(panelmodels_is_bad_child());

    // 3 -> 5 -> 7 and 3 -> 7: 7 is reached twice, but there is no loop.
    zbx_test_place(3, 5);
    zbx_test_place(5, 7);
    zbx_test_place(3, 7);
    EXPECT_FALSE(panelmodels_is_bad_child());
    // Closing the triangle from its top member: 7 -> 3.
    zbx_test_place(7, 3);
    EXPECT_TRUE(panelmodels_is_bad_child());
    zbx_def_list_remove(panels_get_from_array_at_index(7), 0);

    // A loop that does not pass through the first panel searched: 5 -> 7 -> 5.
    zbx_test_place(7, 5);
    EXPECT_TRUE(panelmodels_is_bad_child());
    zbx_def_list_remove(panels_get_from_array_at_index(7), 0);
    EXPECT_FALSE(panelmodels_is_bad_child());

    // A panel containing itself.
    zbx_test_place(5, 5);
    EXPECT_TRUE(panelmodels_is_bad_child());
}

TEST_F(Models, LoopCheckStaysLinearOnADeepDiamondLadder)
{
    // 2^253 paths from the top: walking each path would never finish.
    build_ladder(kMaxItems);
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
    EXPECT_EQ(zbx_test_column(GTK_TREE_MODEL(panelmodels_get_panel_model())),
              std::vector<int>({1, 2}));

    panelmodels_add_item_to_panel_def_model(1, 0, TRUE, TRUE, -16, 24, 2, 0x21, 0x43, 0x65);
    panelmodels_add_item_to_panel_def_model(1, 2, TRUE, TRUE, 8, 16, 2, 0x21, 0x43, 0);
    panelmodels_add_item_to_panel_def_model(1, 3, TRUE, FALSE, 0, 0, 0, 0, 0, 0);  // empty item
    panelmodels_add_item_to_panel_def_model(3, 0, FALSE, FALSE, 0, 0, 0, 0, 0, 0); // no panel
    const std::vector<PanelDef> &rows = zbx_def_list_rows(panels_get_from_array_at_index(1));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (PanelDef{0, true, true, true, true, -16, 24, 2, {0x21, 0x43, 0x65}}));
    EXPECT_EQ(rows[1], (PanelDef{2, false, true, false, false, 8, 16, 0, {0, 0, 0}}));
    EXPECT_EQ(rows[2], (PanelDef{3, false, true, false, false, 0, 0, 0, {0, 0, 0}}));
    EXPECT_EQ(panels_get_from_array_at_index(3), nullptr);

    // Two locations electing panel 2, colours 6 then 2: the last one wins.
    locations_add_item_to_location_model(0, 2, 6);
    locations_add_item_to_location_model(1, 2, 2);
    locations_add_item_to_location_model(2, 0, 9); // an object: no panel row changes
    EXPECT_EQ(zbx_test_column(GTK_TREE_MODEL(panelmodels_get_panel_model()), PANEL_COL_COLOUR),
              std::vector<int>({0, 2}));
}

TEST_F(Models, DefinitionListsWriteTheirBytes)
{
    zbx_test_allocate(9);
    zbx_test_put_object(7);
    zbx_test_put_panel(1);
    zbx_test_put_panel(2);
    EXPECT_EQ(panelmodels_compute_panel_memory_size(2), 1);
    EXPECT_EQ(saved_defs(2), std::vector<uint8_t>({0xFF}));
    EXPECT_EQ(panelmodels_compute_panel_memory_size(7), 0);
    EXPECT_TRUE(saved_defs(7).empty());

    panelmodels_add_item_to_panel_def_model(1, 7, TRUE, TRUE, 0, 0, 1, 5, 0, 0);
    panelmodels_add_item_to_panel_def_model(1, 2, FALSE, FALSE, -112, 136, 0, 0, 0, 0);
    // Has-overrides clear: no override bytes whatever the count.
    panelmodels_add_item_to_panel_def_model(1, 7, FALSE, FALSE, 392, -8, 3, 1, 2, 3);
    // A count past three writes three.
    panelmodels_add_item_to_panel_def_model(1, 7, FALSE, TRUE, 8, 8, 9, 0x12, 0x34, 0x56);
    EXPECT_EQ(saved_defs(1), std::vector<uint8_t>({0x07, 0x8E, 0x2E, 0x05, //
                                                   0x02, 0x00, 0x1F,       //
                                                   0x07, 0x3F, 0x0D,       //
                                                   0x07, 0x0F, 0x6F, 0x12, 0x34, 0x56, 0xFF}));
    EXPECT_EQ(panelmodels_compute_panel_memory_size(1), static_cast<int>(saved_defs(1).size()));
}

TEST_F(Models, LocationQueriesTextsAndTable)
{
    EXPECT_FALSE(locations_is_filled_at_index(0));
    EXPECT_EQ(locations_get_index_past_last_filled_slot(), 0);
    add_locations({{3, 10}, {20, 4}});
    EXPECT_EQ(locations_get_index_past_last_filled_slot(), 21);
    EXPECT_TRUE(locations_is_filled_at_index(3));
    EXPECT_FALSE(locations_is_filled_at_index(4));
    EXPECT_FALSE(locations_is_filled_at_index(32));
    EXPECT_FALSE(locations_is_filled_at_index(-1));
    int panel = -1, colour = -1;
    EXPECT_TRUE(locations_get_info_at_index(3, &panel, &colour));
    EXPECT_EQ(panel, 10);
    EXPECT_EQ(colour, 6);
    EXPECT_FALSE(locations_get_info_at_index(4, &panel, &colour));
    EXPECT_EQ(panel, kNoPanel);
    EXPECT_FALSE(locations_get_info_at_index(40, &panel, &colour));

    EXPECT_EQ(record_text(10, 6), std::string("Panel: 10 ($0A)\nBackground: ") + palette_name[6]);
    EXPECT_EQ(record_text(200, 1), std::string("Panel: 200 ($C8)\nBackground: ") + palette_name[1]);
    EXPECT_EQ(record_text(kNoPanel, 0), "Empty record");

    GByteArray *out = g_byte_array_new();
    locations_save_location_table(out);
    ASSERT_EQ(out->len, 64u);
    EXPECT_EQ(out->data[6], 10);
    EXPECT_EQ(out->data[7], 6);
    EXPECT_EQ(out->data[8], 0xFF);
    EXPECT_EQ(out->data[9], 0);
    EXPECT_EQ(out->data[40], 4);
    g_byte_array_unref(out);

    // Without rows (nothing loaded) the table is still 32 empty records.
    locations_cleanup();
    out = g_byte_array_new();
    locations_save_location_table(out);
    ASSERT_EQ(out->len, 64u);
    EXPECT_EQ(out->data[62], 0xFF);
    g_byte_array_unref(out);
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
    EXPECT_FALSE(panelmodels_get_current_panel_index(&a));
    EXPECT_FALSE(panelmodels_set_panel_preview_background_colour(5));
    EXPECT_FALSE(panelmodels_on_cursor_changed_set_panel_defs_model());
    EXPECT_FALSE(locations_get_current_location_info(&a, &b));
    EXPECT_FALSE(locations_get_current_location_index(&a));
    EXPECT_EQ(a, -1);
    objectmodel_remove_selected_object_from_object_model();
    panelmodels_remove_selected_panel_from_panel_model();
    locations_clear_location_record();
    EXPECT_EQ(zbx_test_column(GTK_TREE_MODEL(objectmodel_get_model())).size(), 1u);
    EXPECT_EQ(zbx_test_column(GTK_TREE_MODEL(panelmodels_get_panel_model())).size(), 1u);
    EXPECT_TRUE(locations_is_filled_at_index(0));

    GError *error = nullptr;
    EXPECT_FALSE(locations_store_location(&error));
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->message, "Please first select a panel");
    g_clear_error(&error);

    // Paths still find rows, as the browser's icon views use them.
    GtkTreePath *path = gtk_tree_path_new_from_indices(0, -1);
    EXPECT_TRUE(objectmodel_get_object_id_from_path(path, &a));
    EXPECT_EQ(a, 0);
    EXPECT_TRUE(panelmodels_get_panel_offset_from_path(path, &a));
    EXPECT_EQ(a, 1);
    gtk_tree_path_free(path);
    path = gtk_tree_path_new_from_indices(1, -1);
    EXPECT_FALSE(objectmodel_get_object_id_from_path(path, &a));
    EXPECT_FALSE(panelmodels_get_panel_offset_from_path(path, &a));
    gtk_tree_path_free(path);

    // The object preview without a selection is the backdrop alone.
    GRef<GdkPixbuf> backdrop(common_create_new_canvas());
    gdk_pixbuf_fill(backdrop.get(), 0x336699ff);
    common_set_background_pixbuf(backdrop.get());
    GRef<GdkPixbuf> canvas(common_create_new_canvas());
    gdk_pixbuf_fill(canvas.get(), 0);
    objectmodel_render_object(canvas.get(), 3);
    RgbaView v = pixbufs_view(canvas.get());
    const uint8_t *p = v.pixels + 150 * v.rowstride + 160 * 4;
    EXPECT_EQ(std::vector<uint8_t>(p, p + 4), std::vector<uint8_t>({0x33, 0x66, 0x99, 0xFF}));
    common_set_background_pixbuf(nullptr);
}
