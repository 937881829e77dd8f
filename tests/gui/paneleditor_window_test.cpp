// The panel editor's window as the user meets it: opened from the main
// window, clicked, keyed, zoomed and closed. (Selecting, dragging, cloning,
// deleting with its question and inserting with real events:
// tests/e2e/edit_panel.sh.)
#include "window_support.h"

#include <gdk/gdkkeysyms.h>

#include "app/context.h"
#include "editor/paneleditor_window.h"
#include "render/locations.h"
#include "render/render.h"
#include "support/items_fixture.h"

namespace {

// Objects 0 (2 x 2 cells) and 1 (1 x 1); panel 2 places object 0 at
// (16, 16) and object 1 in the area's last cell; location 0 elects it over
// colour 6.
ZbxProject editor_project()
{
    ZbxProject p;
    p.items = {zbx_object_item(zbx_test_record(2, 2, 5)), zbx_object_item(zbx_test_record(1, 1, 9)),
               zbx_panel_item({zbx_object_def(0, 16, 16), zbx_object_def(1, 312, 136)})};
    p.locations[0] = {2, 6};
    return p;
}

class EditorWindow : public WindowAtWork
{
  protected:
    void SetUp() override
    {
        WindowAtWork::SetUp();
        paneleditor_set_stop_asking(false);
        ASSERT_TRUE(app_open_project(write_project(folder, "edit.prg", editor_project()).c_str()));
        show_page(1);
        select_row(window_main, "treeview_main_panels", 0);
        select_row(window_main, "treeview_main_locations", 0);
        ASSERT_EQ(app_document().set_preview_colour(2, 6), true);
        click("button_main_panel_edit");
        editor = window_panel_editor;
        ASSERT_NE(editor, nullptr);
        show_and_wait(editor);
        area = lookup_widget(editor, "drawingarea_panel_editor_location");
        list = lookup_widget(editor, "treeview_panel_editor_panel_defs");
    }
    void TearDown() override
    {
        paneleditor_set_stop_asking(false);
        WindowAtWork::TearDown();
    }
    GtkWidget *ed(const char *name) { return lookup_widget(editor, name); }
    // The canvas as it should be for the panel's definitions now.
    GRef<GdkPixbuf> expected_canvas()
    {
        GRef<GdkPixbuf> canvas(canvas_new());
        canvas_copy_image(app_backdrop(), canvas.get());
        render_stored_panel(app_document(), 2, canvas.get(), 6);
        return canvas;
    }
    // Whether the editor's canvas holds what the panel's definitions draw
    // (the frame is painted over it, not into it).
    bool canvas_current()
    {
        return differing_pixels(paneleditor_get_canvas(), expected_canvas().get(), 1) == 0;
    }
    // A click on a flag cell of the list (column 0 enabled, 1 mirror).
    void toggle(int column, const char *row)
    {
        GtkTreeViewColumn *c = gtk_tree_view_get_column(GTK_TREE_VIEW(list), column);
        GList *cells = gtk_tree_view_column_get_cell_renderers(c);
        g_signal_emit_by_name(cells->data, "toggled", row);
        g_list_free(cells);
        pump_events();
    }
    int list_cursor()
    {
        GtkTreePath *path = nullptr;
        gtk_tree_view_get_cursor(GTK_TREE_VIEW(list), &path, nullptr);
        GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(list));
        const int row = path != nullptr && gtk_tree_selection_path_is_selected(selection, path)
                            ? gtk_tree_path_get_indices(path)[0]
                            : -1;
        if (path != nullptr) {
            gtk_tree_path_free(path);
        }
        return row;
    }

    GtkWidget *editor = nullptr;
    GtkWidget *area = nullptr;
    GtkWidget *list = nullptr;
};

} // namespace

TEST_F(EditorWindow, ListKeysAndUndoKeepCanvasListAndMainWindowInStep)
{
    EXPECT_EQ(shown_differs(area, expected_canvas().get(), 1), 0);
    // A click selects, and the list's cursor follows.
    send_button(area, 20, 56 + 20);
    EXPECT_EQ(list_cursor(), 0);
    // Toggled off in the list: the canvas shows it at once.
    toggle(0, "0");
    EXPECT_FALSE(app_document().panel_defs(2)[0].enabled);
    EXPECT_TRUE(canvas_current());

    // Cursor keys move it, one step each; Control+Z takes them back,
    // Shift+Control+Z and Control+Y do them again.
    const guint ctrl = GDK_CONTROL_MASK;
    const std::pair<guint, guint> keys[] = {
        {GDK_Right, 0}, {GDK_Down, 0}, {GDK_z, ctrl}, {GDK_z, ctrl}, {GDK_Z, ctrl | GDK_SHIFT_MASK},
        {GDK_y, ctrl}};
    for (auto [key, mods] : keys) {
        send_key(editor, key, mods);
    }
    pump_events();
    EXPECT_EQ(app_document().panel_defs(2)[0].x, 24);
    EXPECT_EQ(app_document().panel_defs(2)[0].y, 24);
    EXPECT_EQ(list_cursor(), 0);
    EXPECT_TRUE(canvas_current());
    // Undone as far as the toggle: the list and canvas follow.
    for (int i = 0; i < 3; i++) {
        send_key(editor, GDK_z, ctrl);
    }
    pump_events();
    EXPECT_EQ(app_document().panel_defs(2)[0], zbx_object_def(0, 16, 16));
    EXPECT_TRUE(canvas_current());

    // Closing refreshes the main window's preview with a mirrored object.
    toggle(1, "1");
    EXPECT_TRUE(app_document().panel_defs(2)[1].mirror);
    send_delete_event(editor);
    pump_events();
    EXPECT_FALSE(paneleditor_is_item_selected());
    GRef<GdkPixbuf> location(canvas_new());
    render_location(app_document(), app_backdrop(), 0, location.get());
    EXPECT_EQ(shown_differs(widget("drawingarea_main_location_preview"), location.get(), 1), 0);
}

TEST_F(EditorWindow, ClickAtFourTimesAddressesTheLastPixel)
{
    gtk_button_clicked(GTK_BUTTON(ed("radiobutton_panel_editor_zoom_4")));
    wait_for_width(area, 1280);
    ASSERT_EQ(area->allocation.height, 800);
    send_button(area, 1276, 796);
    EXPECT_EQ(paneleditor_selected_row(), 1);
}
