// The main window's lists and previews are views of the document: each kind
// of change reaches them, and a row that stays keeps its selection.
#include "window_support.h"

#include "app/locations_view.h"
#include "app/mainview.h"
#include "app/objectmodel.h"
#include "app/panelmodels_view.h"
#include "models/panelmodels_render.h"
#include "support/items_fixture.h"

namespace {

// Objects 0 and 2, panels 1 and 3; panel 3 places object 2 and panel 1,
// panel 1 places object 0; location 4 elects panel 3 over colour 5.
ZbxProject four_items()
{
    ZbxProject p;
    p.items = {zbx_object_item(zbx_test_record(1, 1, 1)), zbx_panel_item({zbx_object_def(0, 8, 8)}),
               zbx_object_item(zbx_test_record(2, 2, 3)),
               zbx_panel_item({zbx_object_def(2, 0, 0), zbx_panel_def(1, 40, 16)})};
    p.locations[4] = {3, 5};
    return p;
}

class Views : public WindowAtWork
{
  protected:
    void SetUp() override
    {
        WindowAtWork::SetUp();
        ASSERT_TRUE(app_open_project(write_project(folder, "four.prg", four_items()).c_str()));
        show_page(1);
        select_row(window_main, "treeview_main_panels", 1); // panel 3
        select_row(window_main, "treeview_main_locations", 4);
    }
    int selected_panel()
    {
        int index = -1;
        return panelmodels_get_current_panel_index(&index) ? index : -1;
    }
    std::string location_shown()
    {
        GRef<GdkPixbuf> expected(common_create_new_canvas());
        locations_render_location_at_index(4, expected.get());
        pump_events();
        return compare_shown(widget("drawingarea_main_location_preview"), expected.get(), 1);
    }
};

} // namespace

TEST_F(Views, EveryKindOfChangeReachesTheListsAndPreviews)
{
    ASSERT_EQ(column_of(window_main, "treeview_main_panel_defs", DEF_COL_ITEM),
              (std::vector<int>{2, 1}));
    ASSERT_EQ(location_shown(), "");

    // Inserted: a new panel at the end.
    {
        DocumentStep step("New panel");
        document_append_panel();
    }
    EXPECT_EQ(column_of(window_main, "treeview_main_panels", PANEL_COL_INDEX),
              (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(selected_panel(), 3);

    // Deleted with renumbering: item 0 goes (its placement with it); every
    // list, the definitions shown and the location follow.
    {
        DocumentStep step("Delete object 0");
        document_delete_item(0);
    }
    EXPECT_EQ(column_of(window_main, "treeview_main_objects", OBJ_COL_INDEX),
              (std::vector<int>{1}));
    EXPECT_EQ(column_of(window_main, "treeview_main_panels", PANEL_COL_INDEX),
              (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(selected_panel(), 2);
    EXPECT_EQ(column_of(window_main, "treeview_main_panel_defs", DEF_COL_ITEM),
              (std::vector<int>{1, 0}));
    EXPECT_EQ(column_of(window_main, "treeview_main_locations", LOC_COL_PANEL)[4], 2);
    EXPECT_EQ(location_shown(), "");

    // A location set.
    {
        DocumentStep step("Store");
        document_set_location(4, {0, 7});
    }
    EXPECT_EQ(column_of(window_main, "treeview_main_locations", LOC_COL_COLOUR)[4], 7);
    EXPECT_EQ(location_shown(), "");

    // Definitions replaced: the list shown and the panel preview follow.
    {
        DocumentStep step("Edit");
        document_set_defs(2, {zbx_object_def(1, 64, 32)});
    }
    EXPECT_EQ(column_of(window_main, "treeview_main_panel_defs", DEF_COL_X),
              (std::vector<int>{64}));
    GRef<GdkPixbuf> panel(common_create_new_canvas());
    common_copy_background_image_to_pixbuf(panel.get());
    panelmodels_render_stored_panel(2, panel.get(), document_project().items[2].preview_colour);
    pump_events();
    EXPECT_EQ(compare_shown(widget("drawingarea_panel_preview"), panel.get(), 1), "");

    // A preview colour.
    document_set_preview_colour(2, 9);
    EXPECT_EQ(column_of(window_main, "treeview_main_panels", PANEL_COL_COLOUR)[1], 9);
    common_copy_background_image_to_pixbuf(panel.get());
    panelmodels_render_stored_panel(2, panel.get(), 9);
    pump_events();
    EXPECT_EQ(compare_shown(widget("drawingarea_panel_preview"), panel.get(), 1), "");

    // Undo all the way: everything as loaded, the selection on panel 3.
    while (document_undo()) {
    }
    EXPECT_EQ(column_of(window_main, "treeview_main_panels", PANEL_COL_INDEX),
              (std::vector<int>{1, 3}));
    EXPECT_EQ(selected_panel(), 3);
    EXPECT_EQ(column_of(window_main, "treeview_main_panel_defs", DEF_COL_ITEM),
              (std::vector<int>{2, 1}));
    EXPECT_EQ(location_shown(), "");
    EXPECT_FALSE(document_is_modified());
}
