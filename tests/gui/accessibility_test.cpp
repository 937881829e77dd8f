// The definition lists show to accessibility tools (screen readers, GUI
// test tools) as tables with rows, cells and the selection, also when the
// tool looked at them before the rows arrived.
#include "window_support.h"

#include "editor/paneleditor_window.h"
#include "support/items_fixture.h"

namespace {

class Accessibility : public WindowAtWork
{
  protected:
    // The toolkit's accessibility module, as GTK_MODULES=gail loads it.
    static void SetUpTestSuite()
    {
        g_object_set(gtk_settings_get_default(), "gtk-modules", "gail", nullptr);
    }
};

// The name (or text) of the cell at row, column of a table.
std::string cell_text(AtkObject *table, int row, int column)
{
    AtkObject *cell = atk_table_ref_at(ATK_TABLE(table), row, column);
    GCharPtr text(cell != nullptr && ATK_IS_TEXT(cell) ? atk_text_get_text(ATK_TEXT(cell), 0, -1)
                                                       : nullptr);
    std::string name =
        cell != nullptr && atk_object_get_name(cell) != nullptr ? atk_object_get_name(cell) : "";
    if (cell != nullptr) {
        g_object_unref(cell);
    }
    return !name.empty() || !text ? name : text.get();
}

} // namespace

TEST_F(Accessibility, DefinitionListsAreTablesWithRowsCellsAndSelection)
{
    AtkObject *items = gtk_widget_get_accessible(widget("treeview_main_panel_defs"));
    AtkObject *edited = gtk_widget_get_accessible(
        lookup_widget(window_panel_editor, "treeview_panel_editor_panel_defs"));
    ASSERT_TRUE(ATK_IS_TABLE(items) && ATK_IS_TABLE(edited));

    ZbxProject p;
    p.items = {zbx_object_item(zbx_test_record(1, 1, 1)), zbx_object_item(zbx_test_record(1, 1, 2)),
               zbx_panel_item({zbx_object_def(0, 0, 0), zbx_object_def(1, 8, 8)})};
    ASSERT_TRUE(app_open_project(write_project(folder, "a.prg", p).c_str()));
    show_page(1);
    select_row(window_main, "treeview_main_panels", 0);
    select_row(window_main, "treeview_main_panel_defs", 1);
    pump_events();
    EXPECT_EQ(atk_table_get_n_rows(ATK_TABLE(items)), 2);
    EXPECT_EQ(cell_text(items, 1, 0), "1");
    EXPECT_TRUE(atk_table_is_row_selected(ATK_TABLE(items), 1));

    click("button_main_panel_edit");
    show_and_wait(window_panel_editor);
    select_row(window_panel_editor, "treeview_panel_editor_panel_defs", 0);
    pump_events();
    EXPECT_EQ(atk_table_get_n_rows(ATK_TABLE(edited)), 2);
    EXPECT_EQ(cell_text(edited, 1, 3), "1");
    EXPECT_TRUE(atk_table_is_row_selected(ATK_TABLE(edited), 0));
    // A placement added in the editor reaches the tool as a new row.
    paneleditor_clone_def();
    pump_events();
    EXPECT_EQ(atk_table_get_n_rows(ATK_TABLE(edited)), 3);
    EXPECT_EQ(atk_table_get_n_rows(ATK_TABLE(items)), 3);
    send_delete_event(window_panel_editor);
    pump_events();
}

namespace {
// Every control below `object` that a screen reader cannot name, as
// "role in window".
void unnamed_controls(AtkObject *object, const std::string &window, std::vector<std::string> *out)
{
    const AtkRole role = atk_object_get_role(object);
    const char *name = atk_object_get_name(object);
    if ((role == ATK_ROLE_PUSH_BUTTON || role == ATK_ROLE_RADIO_BUTTON ||
         role == ATK_ROLE_CHECK_BOX || role == ATK_ROLE_MENU_ITEM ||
         role == ATK_ROLE_DRAWING_AREA || role == ATK_ROLE_TABLE) &&
        (name == nullptr || *name == '\0')) {
        out->push_back(std::string(atk_role_get_name(role)) + " in " + window);
    }
    for (int i = 0; i < atk_object_get_n_accessible_children(object); i++) {
        if (AtkObject *child = atk_object_ref_accessible_child(object, i)) {
            unnamed_controls(child, window, out);
            g_object_unref(child);
        }
    }
}
} // namespace

TEST_F(Accessibility, EveryControlOfEveryWindowHasAName)
{
    std::vector<std::string> unnamed;
    for (GtkWidget *window : {window_main, window_object_grabber, window_panel_editor}) {
        gtk_widget_show_all(window);
        pump_events();
        unnamed_controls(gtk_widget_get_accessible(window),
                         gtk_window_get_title(GTK_WINDOW(window)), &unnamed);
    }
    EXPECT_EQ(unnamed, std::vector<std::string>{});
}
