// The panel editor's window as the user meets it: clicked, keyed and typed
// into, zoomed in a window that fits the screen, its grid, status row and
// disabled placements shown, and closed or saved by its keys. (Its clash
// view: ClashView. Selecting, dragging, cloning, deleting with its question
// and inserting with real events: tests/e2e/edit_panel.sh.)
#include "editor_fixture.h"

#include <gdk/gdkkeysyms.h>

#include "editor/paneleditor_layout.h"
#include "editor/placement.h"

namespace {

using namespace editor_test;

// Objects 0 (2 x 2 cells) and 1 (1 x 1); panel 2 places object 0 at
// (16, 16) and object 1 in the area's last cell, edited over colour 6;
// panel 3 places panel 2 at the origin and nothing else.
ZbxProject editor_project()
{
    ZbxProject p;
    p.items = {zbx_object_item(zbx_test_record(2, 2, 5)), zbx_object_item(zbx_test_record(1, 1, 9)),
               zbx_panel_item({zbx_object_def(0, 16, 16), zbx_object_def(1, 312, 136)}),
               zbx_panel_item({zbx_panel_def(2, 0, 0)})};
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

    std::string label(const char *name) const { return gtk_label_get_text(GTK_LABEL(ed(name))); }
    std::string status() const { return status_text(editor->window(), "statusbar_panel_editor"); }
    GtkScrolledWindow *view() const
    {
        return GTK_SCROLLED_WINDOW(ed("scrolledwindow_panel_editor_location"));
    }
    // Types text into the x (column 4) or y (column 5) cell of a row.
    void type(int column, const char *row, const char *text)
    {
        GtkTreeViewColumn *c = gtk_tree_view_get_column(GTK_TREE_VIEW(list), column);
        GList *cells = gtk_tree_view_column_get_cell_renderers(c);
        g_signal_emit_by_name(cells->data, "edited", row, text);
        g_list_free(cells);
        pump_events();
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

TEST_F(EditorWindow, FitsTheScreenAtEveryZoomScrollingOnlyWhereTheScreenIsLarger)
{
    for (int zoom = 0; zoom < 3; zoom++) {
        editor->set_zoom(zoom);
        pump_until([&] { return area->allocation.width == back_width << zoom; });
        GtkRequisition size{};
        gtk_widget_size_request(editor->window(), &size);
        EXPECT_LE(size.width, 1260) << "zoom " << zoom;
        EXPECT_LE(size.height, 760) << "zoom " << zoom;
        EXPECT_EQ(area->allocation.width, back_width << zoom);
        // Below 4X the whole screen shows, as it did without scroll bars.
        const bool scrolls = gtk_widget_get_visible(view()->hscrollbar) ||
                             gtk_widget_get_visible(view()->vscrollbar);
        EXPECT_EQ(scrolls, zoom == 2) << "zoom " << zoom;
    }
    // Control+minus, Control+plus (and =) and Control+wheel step the zoom
    // and keep the radio buttons in step.
    send_key(editor->window(), GDK_minus, GDK_CONTROL_MASK);
    EXPECT_EQ(editor->zoom(), 1);
    send_key(editor->window(), GDK_minus, GDK_CONTROL_MASK);
    send_key(editor->window(), GDK_minus, GDK_CONTROL_MASK);
    EXPECT_EQ(editor->zoom(), 0);
    send_key(editor->window(), GDK_equal, GDK_CONTROL_MASK);
    EXPECT_EQ(editor->zoom(), 1);
    EXPECT_TRUE(
        gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ed("radiobutton_panel_editor_zoom_2"))));
    send_scroll(area, GDK_SCROLL_UP, GDK_CONTROL_MASK);
    EXPECT_EQ(editor->zoom(), 2);
    // A wheel without Control scrolls and leaves the zoom.
    send_scroll(area, GDK_SCROLL_DOWN);
    EXPECT_EQ(editor->zoom(), 2);
    // A click still lands on the pixel under it at 4X in the scrolled view.
    send_button(area, 4 * 20, 4 * (56 + 20));
    EXPECT_EQ(editor->model().selected_rows(), (std::vector<int>{0}));
}

TEST_F(EditorWindow, GridFollowsTheOtherWindowsAndTellsThemWhenSwitchedHere)
{
    const GRef<GdkPixbuf> plain = grab_widget(area);
    editor->set_show_grid(true);
    pump_events();
    EXPECT_TRUE(
        gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ed("checkbutton_panel_editor_grid"))));
    EXPECT_TRUE(ctx.shell.grids.empty());
    const GRef<GdkPixbuf> grid = grab_widget(area);
    // The lines lie on the location area's cells only, not on the border.
    EXPECT_NE(rgb_at(grid.get(), 8, 56 + 100), rgb_at(plain.get(), 8, 56 + 100));
    EXPECT_NE(rgb_at(grid.get(), 100, 64), rgb_at(plain.get(), 100, 64));
    EXPECT_EQ(rgb_at(grid.get(), 8, 20), rgb_at(plain.get(), 8, 20));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ed("checkbutton_panel_editor_grid")), FALSE);
    pump_events();
    EXPECT_EQ(ctx.shell.grids, std::vector<bool>{false});
    EXPECT_EQ(differing_pixels(grab_widget(area).get(), plain.get()), 0);
}

TEST_F(EditorWindow, StatusRowNamesThePointersCellAndTheSelection)
{
    send_motion(area, 19, 56 + 26);
    EXPECT_EQ(label("label_panel_editor_pointer"), "Cell 2, 3 · pixel 19, 26");
    send_motion(area, 19, 20);
    EXPECT_EQ(label("label_panel_editor_pointer"), "");

    EXPECT_EQ(label("label_panel_editor_selected"), "");
    send_button(area, 20, 56 + 20);
    send_button(area, 20, 56 + 20, 1, GDK_BUTTON_RELEASE);
    EXPECT_EQ(label("label_panel_editor_selected"), "object 0 at 16, 16, 16 x 16 pixels");
    send_key(editor->window(), GDK_a, GDK_CONTROL_MASK);
    EXPECT_EQ(editor->model().selected_rows().size(), 2u);
    EXPECT_EQ(label("label_panel_editor_selected"), "2 placements selected");
    // The selection follows undo of a move too.
    select(1);
    EXPECT_EQ(label("label_panel_editor_selected"), "object 1 at 312, 136, 8 x 8 pixels");
}

TEST_F(EditorWindow, TypedPositionsMoveOnePlacementInWholeCellsWithinTheLimits)
{
    type(4, "0", "27");
    EXPECT_EQ(defs(2)[0], zbx_object_def(0, 24, 16));
    EXPECT_STREQ(ctx.document.undo_name(), "Move placement");
    type(5, "0", " -1 ");
    EXPECT_EQ(defs(2)[0], zbx_object_def(0, 24, -8));
    // One pixel column of the object must stay in the area; the file's
    // range bounds the rest.
    type(4, "0", "-8");
    EXPECT_EQ(defs(2)[0].x, -8);
    type(4, "0", "-16");
    EXPECT_EQ(defs(2)[0].x, -8);
    EXPECT_NE(status().find("would leave the location area"), std::string::npos) << status();
    type(4, "1", "320");
    type(5, "1", "twelve");
    EXPECT_EQ(defs(2)[1], zbx_object_def(1, 312, 136));
    EXPECT_NE(status().find("\"twelve\" is not a number"), std::string::npos) << status();
    // One step each.
    ctx.document.undo();
    ctx.document.undo();
    ctx.document.undo();
    EXPECT_EQ(defs(2)[0], zbx_object_def(0, 16, 16));
    EXPECT_FALSE(ctx.document.can_undo());
}

TEST_F(EditorWindow, PlacementLimitsAndTextHoldForPanelsThatDrawNothing)
{
    // Panel 2 placed by panel 3 covers (16, 16) to (320, 144); a panel
    // that draws nothing is bounded by what the file holds.
    std::string why;
    EXPECT_TRUE(placement_set_position(ctx.document, 3, 0, 296, 0, &why));
    EXPECT_EQ(defs(3)[0].x, 296);
    EXPECT_FALSE(placement_set_position(ctx.document, 3, 0, 304, 0, &why));
    EXPECT_TRUE(placement_set_position(ctx.document, 3, 0, -112, 0, &why));
    EXPECT_FALSE(placement_set_position(ctx.document, 3, 0, -120, 0, &why));
    EXPECT_FALSE(placement_set_position(ctx.document, 3, 5, 0, 0, &why));
    EXPECT_EQ(placement_text(defs(3)[0]), "panel 2 at -112, 0");
}

TEST_F(EditorWindow, EscapeAndControlWCloseControlSSaves)
{
    send_key(editor->window(), GDK_s, GDK_CONTROL_MASK);
    EXPECT_EQ(ctx.shell.saves, 1);
    EXPECT_TRUE(GTK_WIDGET_VISIBLE(editor->window()));
    send_key(editor->window(), GDK_Escape);
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(editor->window()));
    EXPECT_EQ(ctx.shell.edited, std::vector<int>{2});
    editor->open(2, 6);
    show_and_wait(editor->window());
    send_key(editor->window(), GDK_w, GDK_CONTROL_MASK);
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(editor->window()));
    EXPECT_EQ(ctx.shell.edited, (std::vector<int>{2, 2}));
}
