// The browser and the colour override window as the user meets them from
// the panel editor: insertion, refused loops, the panel preview, and
// overrides packed when the window closes. (Insertion through the browser
// and an override set in the combo boxes with real events:
// tests/e2e/edit_panel.sh.)
#include "editor_fixture.h"

#include <array>
#include <gdk/gdkkeysyms.h>

#include "items/objects.h"

namespace {

using namespace editor_test;

constexpr int kEdited = 6;
constexpr int kRed = 2;
constexpr int kCyan = 3;

// A 2 x 2 object drawn in red (pair 01), yellow (10) and light red (11);
// its cells name blue for pair 10 of the last cell, which draws none.
std::vector<uint8_t> three_colour_record()
{
    std::vector<uint8_t> record(objects_record_size(2, 2));
    record[0] = 0x22;
    std::fill(record.begin() + 1, record.begin() + 33, 0x1B);
    std::fill(record.begin() + 25, record.begin() + 33, 0xDD);
    std::fill(record.begin() + 33, record.begin() + 37, 0x27);
    record[36] = 0x26;
    std::fill(record.begin() + 37, record.end(), 0xEA);
    return record;
}

// Objects 0..5; panel 6 (edited) places object 0 at (16, 16) and panel 9;
// panel 7 places 6, panel 8 places 7; panel 9 places object 3.
ZbxProject browser_project()
{
    ZbxProject p;
    p.items.push_back(zbx_object_item(three_colour_record()));
    for (int i = 1; i < 6; i++) {
        p.items.push_back(zbx_object_item(zbx_test_record(i % 3 + 1, 1, static_cast<uint8_t>(i))));
    }
    p.items.push_back(zbx_panel_item({zbx_object_def(0, 16, 16), zbx_panel_def(9, 80, 40)}));
    p.items.push_back(zbx_panel_item({zbx_panel_def(6, 0, 0)}));
    p.items.push_back(zbx_panel_item({zbx_panel_def(7, 8, 8)}));
    p.items.push_back(zbx_panel_item({zbx_object_def(3, 0, 0)}));
    p.locations[0] = {kEdited, 6};
    return p;
}

class BrowserAndOverrides : public EditorAtWork
{
  protected:
    void SetUp() override { open_editor(browser_project(), kEdited, 6); }

    PanelDef def(int row) const { return defs(kEdited)[row]; }
    GtkWidget *browser() const { return editor->browser().window(); }
    GtkWidget *br(const char *name) const { return lookup_widget(browser(), name); }
    void open_browser(int page)
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(br("notebook_browser")), page);
        click("button_panel_editor_add_new_def");
        show_and_wait(browser());
    }
    void activate_panel_row(int row)
    {
        GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
        gtk_tree_view_row_activated(GTK_TREE_VIEW(br("treeview_browser_panels_panels")), path,
                                    nullptr);
        gtk_tree_path_free(path);
        pump_events();
    }
    std::string object_use(int object)
    {
        GtkTreeModel *store = GTK_TREE_MODEL(ctx.objects.store());
        GtkTreeIter iter;
        gchar *text = nullptr;
        if (gtk_tree_model_iter_nth_child(store, &iter, nullptr, object)) {
            gtk_tree_model_get(store, &iter, OBJ_COL_USED, &text, -1);
        }
        std::string use = text != nullptr ? text : "";
        g_free(text);
        return use;
    }

    // The override window, opened by the editor's button.
    GtkWidget *overrides() const { return editor->overrides().window(); }
    bool open_overrides()
    {
        click("button_panel_editor_color_override");
        return GTK_WIDGET_VISIBLE(overrides());
    }
    GtkToggleButton *tick(int row) const
    {
        const char *names[] = {"checkbutton_color_override_1", "checkbutton_color_override_2",
                               "checkbutton_color_override_3"};
        return GTK_TOGGLE_BUTTON(lookup_widget(overrides(), names[row]));
    }
    void set_row(int row, int source, int replacement)
    {
        editor->overrides().set_colour(row, source);
        editor->overrides().set_colour(row + 3, replacement);
    }
    void close_overrides() { send_delete_event(overrides()); }
    // The rows as shown: "source>replacement" and a tick mark.
    std::string shown_rows()
    {
        std::string text;
        for (const OverrideRow &row : editor->overrides().rows()) {
            text += std::to_string(row.source) + ">" + std::to_string(row.replacement) +
                    (row.enabled ? "+ " : "- ");
        }
        return text;
    }
};

} // namespace

TEST_F(BrowserAndOverrides, PanelsThatWouldLoopAreRefusedOthersInsertedAndPreviewed)
{
    open_browser(1);
    // The edited panel itself, one containing it and one two levels up.
    const std::vector<PanelDef> before = defs(kEdited);
    for (int row : {0, 1, 2}) {
        activate_panel_row(row);
        EXPECT_EQ(error_texts(), std::vector<std::string>{kLoopMessage}) << "row " << row;
        EXPECT_TRUE(GTK_WIDGET_VISIBLE(browser()));
        close_dialogs_titled("Error");
    }
    EXPECT_EQ(defs(kEdited), before);
    EXPECT_FALSE(ctx.document.can_undo());

    // The preview shows the panel under the cursor over its preview colour.
    GtkTreePath *path = gtk_tree_path_new_from_indices(3, -1);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(br("treeview_browser_panels_panels")), path, nullptr,
                             FALSE);
    gtk_tree_path_free(path);
    pump_events();
    GRef<GdkPixbuf> expected(canvas_new());
    canvas_copy_image(ctx.context.backdrop(), expected.get());
    render_stored_panel(ctx.document, 9, expected.get(), ctx.document.preview_colour(9));
    EXPECT_EQ(differing_pixels(editor->browser().preview(), expected.get()), 0);

    // Panel 9 goes in at the end, selected; the editor's canvas takes the
    // keys again.
    activate_panel_row(3);
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(browser()));
    EXPECT_EQ(def(2), zbx_panel_def(9, 0, 0));
    EXPECT_EQ(editor->model().selected_row(), 2);
    EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(editor->window())),
              ed("drawingarea_panel_editor_location"));
    EXPECT_STREQ(ctx.document.undo_name(), "Add placement");
}

TEST_F(BrowserAndOverrides, AnObjectGoesInAfterTheSelectionShownInTheListAndItsUseFollows)
{
    select(0);
    open_browser(0);
    EXPECT_EQ(object_use(5), "");
    GtkTreePath *path = gtk_tree_path_new_from_indices(5, -1);
    gtk_icon_view_item_activated(GTK_ICON_VIEW(br("iconview_browser_objects")), path);
    gtk_tree_path_free(path);
    pump_events();
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(browser()));
    ASSERT_EQ(def(1).item, 5);
    EXPECT_EQ(list_selection(), std::vector<int>{1});
    EXPECT_EQ(editor->model().selected_rows(), std::vector<int>{1});
    EXPECT_EQ(object_use(5), "1");

    // Delete, answered Yes, removes the placement the list highlights.
    DialogAnswer yes("Confirm deletion", [](GtkWidget *dialog) {
        gtk_button_clicked(GTK_BUTTON(lookup_widget(dialog, "button_delete_def_yes")));
    });
    answer_next_dialog(&yes);
    send_key(editor->window(), GDK_Delete);
    pump_events();
    EXPECT_TRUE(yes.answered);
    EXPECT_EQ(defs(kEdited),
              (std::vector<PanelDef>{zbx_object_def(0, 16, 16), zbx_panel_def(9, 80, 40)}));
    EXPECT_EQ(list_selection(), std::vector<int>{1});
    EXPECT_EQ(object_use(5), "");
    ASSERT_TRUE(ctx.document.undo());
    EXPECT_EQ(object_use(5), "1");
}

TEST_F(BrowserAndOverrides, OverridesArePackedWhenTheWindowCloses)
{
    // Nothing selected, or a panel placement: the button opens nothing.
    EXPECT_FALSE(open_overrides());
    select(1);
    EXPECT_FALSE(open_overrides());

    // Closing unchanged records nothing.
    select(0);
    ASSERT_TRUE(open_overrides());
    EXPECT_EQ(shown_rows(), "0>0- 0>0- 0>0- ");
    close_overrides();
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(overrides()));
    EXPECT_FALSE(ctx.document.can_undo());

    // White -> red ticked by the change, purple -> green unticked by hand,
    // cyan -> cyan unticked by the change.
    ASSERT_TRUE(open_overrides());
    set_row(0, 1, kRed);
    set_row(1, 4, 5);
    gtk_toggle_button_set_active(tick(1), FALSE);
    set_row(2, 7, 8);
    EXPECT_TRUE(gtk_toggle_button_get_active(tick(2)));
    set_row(2, kCyan, kCyan);
    EXPECT_EQ(shown_rows(), "1>2+ 4>5- 3>3- ");
    close_overrides();
    EXPECT_EQ(def(0), zbx_object_def(0, 16, 16, false, {0x21}));
    EXPECT_STREQ(ctx.document.undo_name(), "Colour overrides");

    // 0 -> 0, white -> red, red -> cyan: two overrides, moved up to the
    // first rows.
    ASSERT_TRUE(open_overrides());
    set_row(0, 0, 0);
    set_row(1, 1, kRed);
    set_row(2, kRed, kCyan);
    close_overrides();
    EXPECT_EQ(def(0), zbx_object_def(0, 16, 16, false, {0x21, 0x32}));
    ASSERT_TRUE(open_overrides());
    EXPECT_EQ(shown_rows(), "1>2+ 2>3+ 0>0- ");

    // A row unticked by hand is dropped; after undo the next opening shows
    // the same colours ticked again.
    gtk_toggle_button_set_active(tick(1), FALSE);
    close_overrides();
    EXPECT_EQ(def(0), zbx_object_def(0, 16, 16, false, {0x21}));
    ctx.document.undo();
    ASSERT_TRUE(open_overrides());
    EXPECT_EQ(shown_rows(), "1>2+ 2>3+ 0>0- ");
    close_overrides();
    EXPECT_EQ(def(0), zbx_object_def(0, 16, 16, false, {0x21, 0x32}));

    // Switched off in the list, the two overrides come back on with an
    // unchanged opening.
    ASSERT_TRUE(editor->model().toggle(0, EditorFlag::Overrides));
    EXPECT_FALSE(def(0).has_overrides);
    ASSERT_TRUE(open_overrides());
    close_overrides();
    EXPECT_TRUE(def(0).has_overrides);
    EXPECT_EQ(def(0).override_count, 2);

    // Every row unticked: count and bytes 0, the flag left as it was.
    ASSERT_TRUE(open_overrides());
    for (int r = 0; r < 3; r++) {
        gtk_toggle_button_set_active(tick(r), FALSE);
    }
    close_overrides();
    PanelDef none = zbx_object_def(0, 16, 16);
    none.has_overrides = true;
    EXPECT_EQ(def(0), none);
}

TEST_F(BrowserAndOverrides, ListsTheObjectsColoursFirstAndPreviewsUntilEscapeOrClose)
{
    select(0);
    const GRef<GdkPixbuf> stored(gdk_pixbuf_copy(editor->canvas()));
    ASSERT_TRUE(open_overrides());
    constexpr int kYellow = 7;
    constexpr int kLightRed = 10;
    const std::array<int, 16> listed = editor->overrides().listed_colours();
    EXPECT_EQ(editor->overrides().used_colours(), 3);
    EXPECT_EQ(std::vector<int>(listed.begin(), listed.begin() + 4),
              (std::vector<int>{kRed, kYellow, kLightRed, 0}));
    // The combo boxes show that order, the used ones marked.
    GtkTreeModel *model = gtk_combo_box_get_model(editor->overrides().combo_box(0));
    GtkTreeIter iter;
    gchar *name = nullptr;
    ASSERT_TRUE(gtk_tree_model_iter_nth_child(model, &iter, nullptr, 2));
    gtk_tree_model_get(model, &iter, 2, &name, -1);
    EXPECT_STREQ(name, "light red (used)");
    g_free(name);
    EXPECT_EQ(shown_rows(), "0>0- 0>0- 0>0- ");

    // Red to cyan shows on the canvas at once; the document waits.
    set_row(0, kRed, kCyan);
    pump_events();
    const GRef<GdkPixbuf> previewed(gdk_pixbuf_copy(editor->canvas()));
    EXPECT_GT(differing_pixels(previewed.get(), stored.get()), 0);
    EXPECT_EQ(def(0), zbx_object_def(0, 16, 16));
    // Unticked, the row no longer shows.
    gtk_toggle_button_set_active(tick(0), FALSE);
    EXPECT_EQ(differing_pixels(editor->canvas(), stored.get()), 0);
    gtk_toggle_button_set_active(tick(0), TRUE);
    EXPECT_EQ(differing_pixels(editor->canvas(), previewed.get()), 0);

    // Escape closes without applying: the canvas shows the document again.
    send_key(overrides(), GDK_Escape);
    pump_events();
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(overrides()));
    EXPECT_EQ(differing_pixels(editor->canvas(), stored.get()), 0);
    EXPECT_EQ(def(0), zbx_object_def(0, 16, 16));
    EXPECT_FALSE(ctx.document.can_undo());

    // Closed by the window manager, the same change is one step.
    ASSERT_TRUE(open_overrides());
    EXPECT_EQ(shown_rows(), "0>0- 0>0- 0>0- ");
    set_row(0, kRed, kCyan);
    close_overrides();
    EXPECT_EQ(def(0), zbx_object_def(0, 16, 16, false, {kCyan << 4 | kRed}));
    EXPECT_EQ(differing_pixels(editor->canvas(), previewed.get()), 0);
    EXPECT_STREQ(ctx.document.undo_name(), "Colour overrides");
    ASSERT_TRUE(ctx.document.undo());
    EXPECT_FALSE(ctx.document.can_undo());
    EXPECT_EQ(differing_pixels(editor->canvas(), stored.get()), 0);
}

TEST_F(BrowserAndOverrides, EscapeAndControlWCloseTheBrowserAndControlSSavesFromBoth)
{
    const size_t placed = defs(kEdited).size();
    open_browser(0);
    send_key(browser(), GDK_s, GDK_CONTROL_MASK);
    EXPECT_EQ(ctx.shell.saves, 1);
    send_key(browser(), GDK_Escape);
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(browser()));
    open_browser(1);
    send_key(browser(), GDK_w, GDK_CONTROL_MASK);
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(browser()));
    // Nothing was inserted on the way.
    EXPECT_EQ(defs(kEdited).size(), placed);

    select(0);
    ASSERT_TRUE(open_overrides());
    send_key(overrides(), GDK_s, GDK_CONTROL_MASK);
    EXPECT_EQ(ctx.shell.saves, 2);
    EXPECT_TRUE(GTK_WIDGET_VISIBLE(overrides()));
}
