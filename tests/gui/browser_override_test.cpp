// The browser and the colour override window as the user meets them from
// the panel editor: refused loops, overrides packed when the window closes,
// and the Used columns following every change. (Insertion through the
// browser and an override set in the combo boxes: tests/e2e/edit_panel.sh.)
#include "window_support.h"

#include "app/callbacks.h"
#include "app/context.h"
#include "app/objectmodel.h"
#include "app/panelmodels_view.h"
#include "editor/override_window.h"
#include "editor/panelbrowser.h"
#include "editor/paneleditor_window.h"
#include "support/items_fixture.h"

namespace {

constexpr int kEdited = 6;
constexpr int kRed = 2;
constexpr int kCyan = 3;

// Objects 0..5; panel 6 (edited) places object 0 at (16, 16) and panel 9;
// panel 7 places 6, panel 8 places 7; panel 9 places object 3.
ZbxProject browser_project()
{
    ZbxProject p;
    p.items.push_back(zbx_object_item(zbx_test_record(2, 2)));
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

class BrowserAndOverrides : public WindowAtWork
{
  protected:
    void SetUp() override
    {
        WindowAtWork::SetUp();
        ASSERT_TRUE(
            app_open_project(write_project(folder, "browse.prg", browser_project()).c_str()));
        paneleditor_window_open(kEdited, 6);
        editor = window_panel_editor;
        show_and_wait(editor);
    }
    void TearDown() override
    {
        if (window_color_overrides != nullptr) {
            gtk_widget_hide(window_color_overrides);
        }
        WindowAtWork::TearDown();
    }

    PanelDef def(int row) { return app_document().panel_defs(kEdited)[row]; }
    void select(int row)
    {
        select_row(editor, "treeview_panel_editor_panel_defs", row);
        pump_events();
    }
    GtkWidget *br(const char *name) { return lookup_widget(window_browser, name); }
    void open_browser(int page)
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(br("notebook_browser")), page);
        gtk_button_clicked(GTK_BUTTON(lookup_widget(editor, "button_panel_editor_add_new_def")));
        show_and_wait(window_browser);
    }
    void activate_panel_row(int row)
    {
        GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
        gtk_tree_view_row_activated(GTK_TREE_VIEW(br("treeview_browser_panels_panels")), path,
                                    nullptr);
        gtk_tree_path_free(path);
        pump_events();
    }

    // The override window, opened by the editor's button.
    bool open_overrides()
    {
        gtk_button_clicked(GTK_BUTTON(lookup_widget(editor, "button_panel_editor_color_override")));
        pump_events();
        return GTK_WIDGET_VISIBLE(window_color_overrides);
    }
    GtkToggleButton *tick(int row)
    {
        const char *names[] = {"checkbutton_color_override_1", "checkbutton_color_override_2",
                               "checkbutton_color_override_3"};
        return GTK_TOGGLE_BUTTON(lookup_widget(window_color_overrides, names[row]));
    }
    void set_row(int row, int source, int replacement)
    {
        gtk_combo_box_set_active(override_combo_box(row), source);
        gtk_combo_box_set_active(override_combo_box(row + 3), replacement);
    }
    void close_overrides()
    {
        send_delete_event(window_color_overrides);
        pump_events();
    }
    // The rows as shown: "source>replacement" and a tick mark.
    std::string shown_rows()
    {
        std::string text;
        for (int r = 0; r < 3; r++) {
            text += std::to_string(gtk_combo_box_get_active(override_combo_box(r))) + ">" +
                    std::to_string(gtk_combo_box_get_active(override_combo_box(r + 3))) +
                    (gtk_toggle_button_get_active(tick(r)) ? "+ " : "- ");
        }
        return text;
    }

    GtkWidget *editor = nullptr;
};

} // namespace

TEST_F(BrowserAndOverrides, PanelsThatWouldLoopAreRefused)
{
    open_browser(1);
    // The edited panel itself, one containing it and one two levels up.
    const std::vector<PanelDef> before(app_document().panel_defs(kEdited).begin(),
                                       app_document().panel_defs(kEdited).end());
    for (int row : {0, 1, 2}) {
        activate_panel_row(row);
        EXPECT_EQ(error_texts(), std::vector<std::string>{kLoopMessage}) << "row " << row;
        EXPECT_TRUE(GTK_WIDGET_VISIBLE(window_browser));
        close_dialogs_titled("Error");
    }
    EXPECT_EQ(std::vector<PanelDef>(app_document().panel_defs(kEdited).begin(),
                                    app_document().panel_defs(kEdited).end()),
              before);
    EXPECT_FALSE(app_document().can_undo());
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
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(window_color_overrides));
    EXPECT_FALSE(app_document().can_undo());

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
    EXPECT_STREQ(app_document().undo_name(), "Colour overrides");

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
    app_document().undo();
    ASSERT_TRUE(open_overrides());
    EXPECT_EQ(shown_rows(), "1>2+ 2>3+ 0>0- ");
    close_overrides();
    EXPECT_EQ(def(0), zbx_object_def(0, 16, 16, false, {0x21, 0x32}));

    // Switched off in the list, the two overrides come back on with an
    // unchanged opening.
    ASSERT_TRUE(paneleditor_toggle(0, EditorFlag::Overrides));
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

namespace {
std::vector<std::string> shown_texts(const char *view, int column)
{
    return column_of<std::string>(window_main, view, column);
}
using Texts = std::vector<std::string>;
} // namespace

TEST_F(BrowserAndOverrides, UsedColumnsFollowEveryChangeInAnyOrder)
{
    EXPECT_EQ(shown_texts("treeview_main_objects", OBJ_COL_USED),
              (Texts{"1", "", "", "1", "", ""}));
    EXPECT_EQ(shown_texts("treeview_main_panels", PANEL_COL_USED),
              (Texts{"1 + loc 0", "1", "", "1"}));

    // Inserted in the editor, and taken back.
    select(0);
    open_browser(0);
    GtkTreePath *path = gtk_tree_path_new_from_indices(5, -1);
    gtk_icon_view_item_activated(GTK_ICON_VIEW(br("iconview_browser_objects")), path);
    gtk_tree_path_free(path);
    pump_events();
    gtk_widget_hide(window_browser);
    EXPECT_EQ(shown_texts("treeview_main_objects", OBJ_COL_USED)[5], "1");
    activate("undo");
    pump_events();
    EXPECT_EQ(shown_texts("treeview_main_objects", OBJ_COL_USED)[5], "");

    // Object 1 deleted: later items, references and slots move down.
    send_delete_event(editor);
    pump_events();
    select_row(window_main, "treeview_main_objects", 1);
    on_popupmenu_object_delete_activate(nullptr, nullptr);
    pump_events();
    ASSERT_EQ(app_document().count_objects(), 5);
    EXPECT_EQ(shown_texts("treeview_main_objects", OBJ_COL_USED), (Texts{"1", "", "1", "", ""}));
    EXPECT_EQ(shown_texts("treeview_main_panels", PANEL_COL_USED),
              (Texts{"1 + loc 0", "1", "", "1"}));

    // Sorted by use, rows still map to their items: the unused first.
    show_page(1);
    GtkTreeView *panels = GTK_TREE_VIEW(widget("treeview_main_panels"));
    gtk_tree_view_column_clicked(gtk_tree_view_get_column(panels, 1));
    pump_events();
    EXPECT_EQ(shown_texts("treeview_main_panels", PANEL_COL_USED),
              (Texts{"", "1", "1", "1 + loc 0"}));
    select_row(window_main, "treeview_main_panels", 3);
    int panel = -1;
    ASSERT_TRUE(panelmodels_get_current_panel_index(&panel));
    EXPECT_EQ(panel, 5);
    // A new panel is selected wherever it sorts, and stays so through an undo
    // of an unrelated step.
    click("button_panel_controls_new");
    pump_events();
    ASSERT_TRUE(panelmodels_get_current_panel_index(&panel));
    EXPECT_EQ(panel, 9);
    {
        DocumentStep step(app_document(), "Store as location 3");
        ASSERT_TRUE(app_document().set_location(3, ZbxLocationRecord{5, 1}));
    }
    EXPECT_EQ(shown_texts("treeview_main_panels", PANEL_COL_USED),
              (Texts{"", "", "1", "1", "1 + loc 0, 3"}));
    activate("undo");
    pump_events();
    ASSERT_TRUE(panelmodels_get_current_panel_index(&panel));
    EXPECT_EQ(panel, 9);
    EXPECT_EQ(shown_texts("treeview_main_panels", PANEL_COL_USED),
              (Texts{"", "", "1", "1", "1 + loc 0"}));
}
