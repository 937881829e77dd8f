// The panel editor's window with several placements: clicks with Control
// and Shift, the rubber band and Control+A with the list in step; moving,
// deleting, ordering and flags of a selection as one step; the left drag;
// the desktop clipboard within a panel, between panels and between two
// editors of the same project, at the pointer or in place, and its
// refusals; drops from the browser.
#include "editor_fixture.h"

#include <algorithm>
#include <gdk/gdkkeysyms.h>

#include "editor/panelbrowser.h"
#include "files/placements_clip.h"

namespace {

using namespace editor_test;

constexpr int kEdited = 2;

// Objects 0 (2 x 2 cells) and 1 (1 x 1); panel 2 (edited) places them at
// (16, 16), (64, 16), (112, 16) and (16, 64); panel 3 places object 1;
// panel 4 places panel 2.
ZbxProject select_project()
{
    ZbxProject p;
    p.items = {zbx_object_item(zbx_test_record(2, 2, 5)), zbx_object_item(zbx_test_record(1, 1, 9)),
               zbx_panel_item({zbx_object_def(0, 16, 16), zbx_object_def(1, 64, 16),
                               zbx_object_def(0, 112, 16), zbx_object_def(1, 16, 64)}),
               zbx_panel_item({zbx_object_def(1, 0, 0)}), zbx_panel_item({zbx_panel_def(2, 0, 0)})};
    p.locations[0] = {2, 6};
    return p;
}

class EditorSelection : public EditorAtWork
{
  protected:
    void SetUp() override
    {
        open_editor(select_project(), kEdited, 6);
        area = ed("drawingarea_panel_editor_location");
    }

    // Button 1 and the pointer on the canvas, at location pixels.
    void mouse(GdkEventType type, int x, int y, guint state = 0)
    {
        if (type == GDK_MOTION_NOTIFY) {
            send_motion(area, x, y + 56, state | GDK_BUTTON1_MASK);
        } else {
            send_button(area, x, y + 56, 1, type, state);
        }
    }
    void click_at(int x, int y, guint state = 0)
    {
        mouse(GDK_BUTTON_PRESS, x, y, state);
        mouse(GDK_BUTTON_RELEASE, x, y, state);
    }
    void key(guint keyval, guint mods = 0)
    {
        send_key(editor->window(), keyval, mods);
        pump_events();
    }
    // The pointer over location pixel (x, y) of the canvas, or far off it.
    void pointer_at(int x, int y)
    {
        int ox = 0;
        int oy = 0;
        gdk_window_get_origin(area->window, &ox, &oy);
        gdk_display_warp_pointer(gdk_display_get_default(), gdk_screen_get_default(), ox + x,
                                 oy + y + 56);
        gdk_display_sync(gdk_display_get_default());
        pump_events();
    }
    std::vector<int> rows() const { return editor->model().selected_rows(); }
    // The model's selection, after checking that the list shows the same.
    std::vector<int> shown() const
    {
        EXPECT_EQ(list_selection(), rows());
        return rows();
    }
    std::string clipboard_text()
    {
        GCharPtr text(gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD)));
        return text ? text.get() : "";
    }
    void set_clipboard_text(const char *text)
    {
        gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), text, -1);
        pump_events();
    }
    // Ctrl+V refused: the error's text, nothing changed.
    std::string refused_paste()
    {
        const std::vector<PanelDef> before = defs(kEdited);
        const bool could_undo = ctx.document.can_undo();
        pointer_at(100, 40);
        key(GDK_v, GDK_CONTROL_MASK);
        const std::vector<std::string> texts = take_errors();
        EXPECT_EQ(defs(kEdited), before);
        EXPECT_EQ(ctx.document.can_undo(), could_undo);
        return texts.size() == 1 ? texts[0] : "";
    }

    GtkWidget *area = nullptr;
};

} // namespace

TEST_F(EditorSelection, ClicksWithControlAndShiftTheBandAndControlAKeepListAndCanvasInStep)
{
    click_at(20, 20);
    EXPECT_EQ(shown(), std::vector<int>{0});
    click_at(116, 20, GDK_CONTROL_MASK);
    EXPECT_EQ(shown(), (std::vector<int>{0, 2}));
    // Shift from the anchor (the row last toggled) to the one clicked.
    click_at(18, 66, GDK_SHIFT_MASK);
    EXPECT_EQ(shown(), (std::vector<int>{2, 3}));
    click_at(116, 20, GDK_CONTROL_MASK);
    EXPECT_EQ(shown(), std::vector<int>{3});

    // A band from an empty spot: drawn while dragging, the list following.
    mouse(GDK_BUTTON_PRESS, 200, 100);
    EXPECT_EQ(shown(), std::vector<int>{});
    mouse(GDK_MOTION_NOTIFY, 60, 10);
    EXPECT_EQ(shown(), (std::vector<int>{1, 2}));
    GRef<GdkPixbuf> banded = grab_widget(area);
    mouse(GDK_BUTTON_RELEASE, 60, 10);
    EXPECT_EQ(shown(), (std::vector<int>{1, 2}));
    EXPECT_GT(differing_pixels(grab_widget(area).get(), banded.get()), 0);
    // With Shift it adds to the selection.
    mouse(GDK_BUTTON_PRESS, 30, 100, GDK_SHIFT_MASK);
    mouse(GDK_MOTION_NOTIFY, 10, 70, GDK_SHIFT_MASK);
    mouse(GDK_BUTTON_RELEASE, 10, 70, GDK_SHIFT_MASK);
    EXPECT_EQ(shown(), (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(editor->model().band());

    key(GDK_a, GDK_CONTROL_MASK);
    EXPECT_EQ(shown(), (std::vector<int>{0, 1, 2, 3}));
    // Selected in the list, selected on the canvas.
    select(1);
    EXPECT_EQ(shown(), std::vector<int>{1});
    GtkTreePath *path = gtk_tree_path_new_from_indices(3, -1);
    gtk_tree_selection_select_path(
        gtk_tree_view_get_selection(GTK_TREE_VIEW(ed("treeview_panel_editor_panel_defs"))), path);
    gtk_tree_path_free(path);
    EXPECT_EQ(rows(), (std::vector<int>{1, 3}));
}

TEST_F(EditorSelection, KeysButtonsOrderFlagsCloneAndDeleteActOnTheSelectionAsOneStep)
{
    click_at(20, 20);
    click_at(116, 20, GDK_CONTROL_MASK);
    key(GDK_Right);
    click("button_panel_editor_curs_down");
    EXPECT_EQ(defs(kEdited)[0], zbx_object_def(0, 24, 24));
    EXPECT_EQ(defs(kEdited)[2], zbx_object_def(0, 120, 24));
    EXPECT_STREQ(ctx.document.undo_name(), "Move 2 placements");

    click("button_panel_editor_bring_def_to_front");
    EXPECT_EQ(defs(kEdited)[2], zbx_object_def(0, 24, 24));
    EXPECT_EQ(defs(kEdited)[3], zbx_object_def(0, 120, 24));
    EXPECT_EQ(shown(), (std::vector<int>{2, 3}));

    // A click on the enabled flag of one of them, for both, which stay
    // selected.
    GtkTreeView *list = GTK_TREE_VIEW(ed("treeview_panel_editor_panel_defs"));
    GdkRectangle cell{};
    GtkTreePath *path = gtk_tree_path_new_from_indices(3, -1);
    gtk_tree_view_get_cell_area(list, path, gtk_tree_view_get_column(list, 0), &cell);
    gtk_tree_path_free(path);
    GdkEvent *press = gdk_event_new(GDK_BUTTON_PRESS);
    press->button.window = GDK_WINDOW(g_object_ref(gtk_tree_view_get_bin_window(list)));
    press->button.send_event = TRUE;
    press->button.x = cell.x + cell.width / 2;
    press->button.y = cell.y + cell.height / 2;
    press->button.button = 1;
    press->button.device = gdk_device_get_core_pointer();
    gtk_main_do_event(press);
    gdk_event_free(press);
    pump_events();
    EXPECT_FALSE(defs(kEdited)[2].enabled || defs(kEdited)[3].enabled);
    EXPECT_STREQ(ctx.document.undo_name(), "Disable 2 placements");
    EXPECT_EQ(shown(), (std::vector<int>{2, 3}));

    const std::vector<PanelDef> before = defs(kEdited);
    click("button_panel_editor_clone_def");
    EXPECT_EQ(defs(kEdited).size(), 6u);
    EXPECT_EQ(shown(), (std::vector<int>{4, 5}));
    EXPECT_STREQ(ctx.document.undo_name(), "Clone 2 placements");

    // One question for both clones; undone in one step.
    std::string question;
    DialogAnswer yes("Confirm deletion", [&question](GtkWidget *dialog) {
        question = gtk_label_get_text(GTK_LABEL(lookup_widget(dialog, "label_delete_def_request")));
        gtk_button_clicked(GTK_BUTTON(lookup_widget(dialog, "button_delete_def_yes")));
    });
    answer_next_dialog(&yes);
    key(GDK_Delete);
    EXPECT_TRUE(yes.answered);
    EXPECT_EQ(question.rfind("Are you sure you want to delete the 2 selected items?", 0), 0u);
    EXPECT_EQ(defs(kEdited), before);
    EXPECT_STREQ(ctx.document.undo_name(), "Delete 2 placements");
    key(GDK_z, GDK_CONTROL_MASK);
    EXPECT_EQ(defs(kEdited).size(), 6u);
}

TEST_F(EditorSelection, LeftDragMovesTheSelectionAsOneStepAndAPressThatStaysInItsCellClicks)
{
    key(GDK_a, GDK_CONTROL_MASK);
    mouse(GDK_BUTTON_PRESS, 66, 18);
    mouse(GDK_MOTION_NOTIFY, 70, 22);
    mouse(GDK_MOTION_NOTIFY, 83, 29);
    mouse(GDK_MOTION_NOTIFY, 91, 42);
    mouse(GDK_BUTTON_RELEASE, 91, 42);
    // 25 and 24 pixels: three cells each.
    EXPECT_EQ(defs(kEdited)[1], zbx_object_def(1, 88, 40));
    EXPECT_EQ(defs(kEdited)[3], zbx_object_def(1, 40, 88));
    EXPECT_STREQ(ctx.document.undo_name(), "Move 4 placements");
    EXPECT_EQ(shown(), (std::vector<int>{0, 1, 2, 3}));
    key(GDK_z, GDK_CONTROL_MASK);
    EXPECT_EQ(defs(kEdited), select_project().items[kEdited].defs);
    EXPECT_FALSE(ctx.document.can_undo());

    // Pressed on the selection and released in the same cell: a click.
    mouse(GDK_BUTTON_PRESS, 66, 18);
    mouse(GDK_MOTION_NOTIFY, 69, 21);
    mouse(GDK_BUTTON_RELEASE, 69, 21);
    EXPECT_EQ(shown(), std::vector<int>{1});
    EXPECT_FALSE(ctx.document.can_undo());
}

TEST_F(EditorSelection, CopyAndPasteWithinAndBetweenPanelsKeepTheirPlacesInPlaceOrAtThePointer)
{
    click_at(68, 20);
    click_at(18, 66, GDK_CONTROL_MASK);
    key(GDK_c, GDK_CONTROL_MASK);
    EXPECT_EQ(clipboard_text(), "object 1 at 64, 16\nobject 1 at 16, 64\n");
    // In place, after the selection.
    key(GDK_v, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
    EXPECT_EQ(defs(kEdited).size(), 6u);
    EXPECT_EQ(defs(kEdited)[4], zbx_object_def(1, 64, 16));
    EXPECT_EQ(defs(kEdited)[5], zbx_object_def(1, 16, 64));
    EXPECT_EQ(shown(), (std::vector<int>{4, 5}));
    EXPECT_STREQ(ctx.document.undo_name(), "Paste 2 placements");
    // At the pointer: their box's top-left at its cell.
    pointer_at(203, 45);
    key(GDK_v, GDK_CONTROL_MASK);
    EXPECT_EQ(defs(kEdited)[6], zbx_object_def(1, 248, 40));
    EXPECT_EQ(defs(kEdited)[7], zbx_object_def(1, 200, 88));
    // Off the canvas: where they were.
    pointer_at(-40, 0);
    key(GDK_v, GDK_CONTROL_MASK);
    EXPECT_EQ(defs(kEdited)[8], zbx_object_def(1, 64, 16));

    // Another panel.
    send_delete_event(editor->window());
    editor->open(3, 0);
    pump_events();
    key(GDK_v, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
    EXPECT_EQ(defs(3), (std::vector<PanelDef>{zbx_object_def(1, 0, 0), zbx_object_def(1, 64, 16),
                                              zbx_object_def(1, 16, 64)}));

    // Another editor of the same project, over a document of its own, as
    // another process would have.
    TestContext other;
    other.document.load(select_project());
    PanelEditorWindow second(other.context);
    second.open(3, 0);
    show_and_wait(second.window());
    send_key(second.window(), GDK_v, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
    pump_events();
    const auto pasted = other.document.panel_defs(3);
    EXPECT_EQ(std::vector<PanelDef>(pasted.begin(), pasted.end()), defs(3));
}

TEST_F(EditorSelection, DuplicateCutAndTheTextFormPasted)
{
    click_at(20, 20);
    click_at(116, 20, GDK_CONTROL_MASK);
    key(GDK_d, GDK_CONTROL_MASK);
    EXPECT_EQ(defs(kEdited)[3], zbx_object_def(0, 24, 24));
    EXPECT_EQ(defs(kEdited)[4], zbx_object_def(0, 120, 24));
    EXPECT_EQ(shown(), (std::vector<int>{3, 4}));
    EXPECT_STREQ(ctx.document.undo_name(), "Duplicate 2 placements");

    key(GDK_x, GDK_CONTROL_MASK);
    EXPECT_EQ(defs(kEdited).size(), 4u);
    EXPECT_STREQ(ctx.document.undo_name(), "Cut 2 placements");
    EXPECT_EQ(clipboard_text(), "object 0 at 24, 24\nobject 0 at 120, 24\n");

    // Text a user wrote, alone on the clipboard.
    set_clipboard_text("object 1 at 8, 8 mirror disabled\r\npanel 3 at 0, 0\r\n");
    select(0);
    key(GDK_v, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
    PanelDef mirrored = zbx_object_def(1, 8, 8, true);
    mirrored.enabled = false;
    EXPECT_EQ(defs(kEdited)[1], mirrored);
    EXPECT_EQ(defs(kEdited)[2], zbx_panel_def(3, 0, 0));
    EXPECT_EQ(shown(), (std::vector<int>{1, 2}));
}

TEST_F(EditorSelection, PasteRefusesLoopsMissingItemsAndTextThatHoldsNoPlacements)
{
    set_clipboard_text("object 1 at 0, 0\npanel 4 at 0, 0\n");
    EXPECT_EQ(refused_paste(), kLoopMessage);
    set_clipboard_text("panel 0 at 0, 0\n");
    EXPECT_EQ(refused_paste(), "Item 0 is not a panel of this project");
    set_clipboard_text("a shopping list");
    EXPECT_EQ(refused_paste(), "The clipboard holds no placements to paste.\nLine 1: it does not "
                               "start with \"object\" or \"panel\"");
}

TEST_F(EditorSelection, BrowserItemsDropAtTheCellUnderThePointerAfterTheSelection)
{
    GtkWidget *browser = editor->browser().window();
    click("button_panel_editor_add_new_def");
    show_and_wait(browser);
    // What the browser hands over for its selected icon or panel row...
    const auto dragged = [browser](const char *view, const char *target, int row) {
        GtkWidget *w = lookup_widget(browser, view);
        GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
        if (GTK_IS_ICON_VIEW(w)) {
            gtk_icon_view_select_path(GTK_ICON_VIEW(w), path);
        } else {
            gtk_tree_view_set_cursor(GTK_TREE_VIEW(w), path, nullptr, FALSE);
        }
        gtk_tree_path_free(path);
        GtkSelectionData data{};
        data.target = gdk_atom_intern(target, FALSE);
        GdkDragContext *context = gdk_drag_context_new();
        g_signal_emit_by_name(w, "drag-data-get", context, &data, 0u, 0u);
        g_object_unref(context);
        std::string text(reinterpret_cast<const char *>(data.data), std::max(data.length, 0));
        g_free(data.data);
        return text;
    };
    // ...dropped on the canvas, at location pixels.
    const auto drop = [this](const std::string &text, const char *target, int x, int y) {
        GtkSelectionData data{};
        data.target = gdk_atom_intern(target, FALSE);
        gtk_selection_data_set(&data, data.target, 8, reinterpret_cast<const guchar *>(text.data()),
                               static_cast<gint>(text.size()));
        GdkDragContext *context = gdk_drag_context_new();
        const guint info = target == std::string(kBrowserObjectTarget) ? 1 : 0;
        g_signal_emit_by_name(area, "drag-data-received", context, x, y + 56, &data, info, 0u);
        g_object_unref(context);
        g_free(data.data);
        pump_events();
    };
    const std::string object = dragged("iconview_browser_objects", kBrowserObjectTarget, 1);
    EXPECT_EQ(object, "1");
    select(0);
    drop(object, kBrowserObjectTarget, 203, 45);
    EXPECT_EQ(defs(kEdited)[1], zbx_object_def(1, 200, 40));
    EXPECT_EQ(shown(), std::vector<int>{1});
    EXPECT_STREQ(ctx.document.undo_name(), "Drop placement");

    // Panel rows: 2, 3, 4. Panel 3 draws from its origin; panel 4 would
    // place the edited panel in itself.
    drop(dragged("treeview_browser_panels_panels", kBrowserPanelTarget, 1), kBrowserPanelTarget, 33,
         9);
    EXPECT_EQ(defs(kEdited)[2], zbx_panel_def(3, 32, 8));
    const std::vector<PanelDef> before = defs(kEdited);
    drop(dragged("treeview_browser_panels_panels", kBrowserPanelTarget, 2), kBrowserPanelTarget, 0,
         0);
    EXPECT_EQ(error_texts(), std::vector<std::string>{kLoopMessage});
    EXPECT_EQ(defs(kEdited), before);
}
