// The panel editor's window as the user meets it: clicked, keyed, zoomed,
// its disabled placements shown through, and closed. (Its clash view:
// ClashView. Selecting, dragging, cloning, deleting with its
// question and inserting with real events: tests/e2e/edit_panel.sh.)
#include "editor_fixture.h"

#include <gdk/gdkkeysyms.h>

namespace {

using namespace editor_test;

// Objects 0 (2 x 2 cells) and 1 (1 x 1); panel 2 places object 0 at
// (16, 16) and object 1 in the area's last cell, edited over colour 6.
ZbxProject editor_project()
{
    ZbxProject p;
    p.items = {zbx_object_item(zbx_test_record(2, 2, 5)), zbx_object_item(zbx_test_record(1, 1, 9)),
               zbx_panel_item({zbx_object_def(0, 16, 16), zbx_object_def(1, 312, 136)})};
    p.locations[0] = {2, 6};
    return p;
}

class EditorWindow : public EditorAtWork
{
  protected:
    void SetUp() override
    {
        open_editor(editor_project(), 2, 6);
        area = ed("drawingarea_panel_editor_location");
        list = ed("treeview_panel_editor_panel_defs");
    }
    // The canvas as it should be for these definitions of panel 2.
    GRef<GdkPixbuf> expected_canvas(const std::vector<PanelDef> &placed)
    {
        GRef<GdkPixbuf> canvas(canvas_new());
        canvas_copy_image(ctx.context.backdrop(), canvas.get());
        render_panel_defs(ctx.document, placed, 2, canvas.get(), 6);
        return canvas;
    }
    // Whether the editor's canvas holds what the panel's definitions draw
    // (the frame is painted over it, not into it).
    bool canvas_current()
    {
        return differing_pixels(editor->canvas(), expected_canvas(defs(2)).get()) == 0;
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

    GtkWidget *area = nullptr;
    GtkWidget *list = nullptr;
};

} // namespace

TEST_F(EditorWindow, ListKeysAndUndoKeepCanvasAndListInStepAndClosingTellsTheShell)
{
    EXPECT_EQ(shown_differs(area, expected_canvas(defs(2)).get()), 0);
    // A click selects, and the list's cursor follows.
    send_button(area, 20, 56 + 20);
    EXPECT_EQ(list_cursor(), 0);
    // Toggled off in the list: the canvas shows it at once.
    toggle(0, "0");
    EXPECT_FALSE(defs(2)[0].enabled);
    EXPECT_TRUE(canvas_current());

    // Cursor keys move it, one step each; Control+Z takes them back,
    // Shift+Control+Z and Control+Y do them again.
    GtkWidget *window = editor->window();
    const guint ctrl = GDK_CONTROL_MASK;
    const std::pair<guint, guint> keys[] = {
        {GDK_Right, 0}, {GDK_Down, 0}, {GDK_z, ctrl}, {GDK_z, ctrl}, {GDK_Z, ctrl | GDK_SHIFT_MASK},
        {GDK_y, ctrl}};
    for (auto [key, mods] : keys) {
        send_key(window, key, mods);
    }
    pump_events();
    EXPECT_EQ(defs(2)[0].x, 24);
    EXPECT_EQ(defs(2)[0].y, 24);
    EXPECT_EQ(list_cursor(), 0);
    EXPECT_TRUE(canvas_current());
    // Undone as far as the toggle: the list and canvas follow.
    for (int i = 0; i < 3; i++) {
        send_key(window, GDK_z, ctrl);
    }
    pump_events();
    EXPECT_EQ(defs(2)[0], zbx_object_def(0, 16, 16));
    EXPECT_TRUE(canvas_current());

    // Closing leaves nothing selected and tells the main window which panel
    // to show anew.
    send_delete_event(window);
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(window));
    EXPECT_FALSE(editor->model().has_selection());
    EXPECT_EQ(ctx.shell.edited, std::vector<int>{2});
}

TEST_F(EditorWindow, ClickAtFourTimesAddressesTheLastPixel)
{
    click("radiobutton_panel_editor_zoom_4");
    pump_until([this] { return area->allocation.width == 1280; }, 3000);
    EXPECT_EQ(editor->zoom(), 2);
    ASSERT_EQ(area->allocation.height, 800);
    send_button(area, 1276, 796);
    EXPECT_EQ(editor->model().selected_row(), 1);
}

TEST_F(EditorWindow, DisabledPlacementShowsThroughAtTheAlphaChosen)
{
    toggle(0, "0");
    std::vector<PanelDef> enabled = defs(2);
    enabled[0].enabled = true;
    GtkSpinButton *alpha = GTK_SPIN_BUTTON(ed("spinbutton_panel_editor_alpha"));
    gtk_spin_button_set_value(alpha, 255);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ed("checkbutton_panel_editor_transparency")),
                                 TRUE);
    pump_events();
    // Opaque, its own pixels are drawn as if it were enabled; its
    // transparent ones leave what is under it.
    EXPECT_EQ(differing_pixels(editor->canvas(), expected_canvas(enabled).get()), 0);
    // Halfway, it differs from both.
    gtk_spin_button_set_value(alpha, 128);
    pump_events();
    EXPECT_GT(differing_pixels(editor->canvas(), expected_canvas(enabled).get()), 0);
    EXPECT_GT(differing_pixels(editor->canvas(), expected_canvas(defs(2)).get()), 0);
    gtk_spin_button_set_value(alpha, 0);
    pump_events();
    EXPECT_TRUE(canvas_current());
}
