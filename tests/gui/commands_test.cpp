// The main window's commands: context menus, references, deletes with
// renumbering, new panels, storing and clearing locations, the preview
// colours, importing and exporting objects, and the commands refused while
// a load or an incremental rendering runs.
#include "window_support.h"

#include "app/callbacks.h"
#include "app/locations_view.h"
#include "app/objectmodel.h"
#include "app/panelmodels_view.h"
#include "files/zembrix_refs.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "models/panelmodels_render.h"
#include "support/items_fixture.h"

namespace {

const std::string kSample = zbx_source_path("tests/data/files/sample.prg");

// Ten items: objects 0, 1, 3, 4 (used by nothing), 6, 8; panels 2, 5, 7
// and 9, which places object 8, panel 7 and object 3. Location 2 elects
// panel 9, location 3 panel 5.
ZbxProject ten_items()
{
    ZbxProject p;
    p.items = {
        zbx_object_item(zbx_test_record(1, 1, 1)),
        zbx_object_item(zbx_test_record(1, 1, 2)),
        zbx_panel_item({zbx_object_def(0, 0, 0)}),
        zbx_object_item(zbx_test_record(2, 2, 3)),
        zbx_object_item(zbx_test_record(1, 1, 4)),
        zbx_panel_item({zbx_object_def(1, 8, 8)}),
        zbx_object_item(zbx_test_record(1, 1, 6)),
        zbx_panel_item({zbx_object_def(6, 16, 0)}),
        zbx_object_item(zbx_test_record(2, 1, 8)),
        zbx_panel_item(
            {zbx_object_def(8, 0, 0), zbx_panel_def(7, 40, 16), zbx_object_def(3, 80, 8)}),
    };
    p.locations[2] = {9, 6};
    p.locations[3] = {5, 0};
    return p;
}

GdkEvent *right_click(GtkWidget *view, GdkEventType type = GDK_BUTTON_PRESS, guint button = 3)
{
    GdkEvent *event = gdk_event_new(type);
    event->button.window =
        GDK_WINDOW(g_object_ref(gtk_tree_view_get_bin_window(GTK_TREE_VIEW(view))));
    event->button.button = button;
    event->button.x = 10;
    event->button.y = 5;
    event->button.time = GDK_CURRENT_TIME;
    return event;
}

gboolean press(GtkWidget *widget, GdkEvent *event)
{
    gboolean handled = FALSE;
    g_signal_emit_by_name(widget, "button-press-event", event, &handled);
    gdk_event_free(event);
    return handled;
}

class Commands : public WindowAtWork
{
  protected:
    void open(const ZbxProject &project)
    {
        ASSERT_TRUE(app_open_project(write_project(folder, "project.prg", project).c_str()));
    }
    // Chooses an item of the context menu of a list as the user would:
    // right click, then the item.
    void context_command(const char *view, const char *menu, const char *item)
    {
        ASSERT_TRUE(press(widget(view), right_click(widget(view))));
        GtkWidget *shown = shown_popup(menu);
        ASSERT_NE(shown, nullptr) << menu;
        gtk_menu_shell_activate_item(GTK_MENU_SHELL(shown), lookup_widget(shown, item), TRUE);
        pump_events();
    }
    // The context command with its references dialog answered.
    std::string references_via_menu(const char *view, const char *menu, const char *item)
    {
        ReferencesAnswer answer;
        answer_next_references(&answer);
        context_command(view, menu, item);
        EXPECT_TRUE(answer.answered);
        return answer.text;
    }
    // The row of the object or panel list that shows an item.
    int row_of(const char *view, int item)
    {
        std::vector<int> items = column_of(window_main, view, 0);
        auto it = std::find(items.begin(), items.end(), item);
        return it == items.end() ? -1 : static_cast<int>(it - items.begin());
    }
};

TEST_F(Commands, DeletingAnUnusedObjectRenumbersEveryLaterItemAndTheLocations)
{
    open(ten_items());
    select_row(window_main, "treeview_main_locations", 2);
    pump_events();
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget("label_main_location_info"))),
                 "Panel: 9 ($09)\nBackground: blue");
    GRef<GdkPixbuf> before(common_create_new_canvas());
    locations_render_location_at_index(2, before.get());

    select_row(window_main, "treeview_main_objects", row_of("treeview_main_objects", 4));
    context_command("treeview_main_objects", "popupmenu_object", "popupmenu_object_delete");
    EXPECT_TRUE(error_texts().empty());

    std::vector<int> elected = column_of(window_main, "treeview_main_locations", LOC_COL_PANEL);
    EXPECT_EQ(elected[2], 8);
    EXPECT_EQ(elected[3], 4);
    EXPECT_EQ(column_of(window_main, "treeview_main_objects", OBJ_COL_INDEX),
              (std::vector<int>{0, 1, 3, 5, 7}));
    EXPECT_EQ(column_of(window_main, "treeview_main_panels", PANEL_COL_INDEX),
              (std::vector<int>{2, 4, 6, 8}));
    EXPECT_EQ(zbx_test_placed(8), (std::vector<int>{7, 6, 3}));
    EXPECT_EQ(document_item_count(), 9);
    // The location shows the same picture under its new number.
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget("label_main_location_info"))),
                 "Panel: 8 ($08)\nBackground: blue");
    EXPECT_EQ(compare_shown(widget("drawingarea_main_location_preview"), before.get(), 1), "");
    // No object is selected any more: the object preview is the backdrop.
    EXPECT_EQ(compare_shown(widget("drawingarea_object_controls_object_preview"),
                            common_get_background_pixbuf(), 1),
              "");
}

TEST_F(Commands, ReferencesAreListedAndADeleteIsRefusedWhileTheyExist)
{
    open(ten_items());
    select_row(window_main, "treeview_main_objects", 0);
    EXPECT_EQ(references_via_menu("treeview_main_objects", "popupmenu_object",
                                  "popupmenu_object_find_all_references"),
              "Panel 2 ($2): found 1 occurrence\n");
    EXPECT_TRUE(toplevels_titled("References").empty());
    select_row(window_main, "treeview_main_objects", row_of("treeview_main_objects", 4));
    EXPECT_EQ(references_via_menu("treeview_main_objects", "popupmenu_object",
                                  "popupmenu_object_find_all_references"),
              kZbxNoObjectReferences);

    show_page(1);
    select_row(window_main, "treeview_main_panels", row_of("treeview_main_panels", 7));
    EXPECT_EQ(references_via_menu("treeview_main_panels", "popupmenu_panel",
                                  "popupmenu_panel_find_all_references"),
              "Panel 9 ($9): found 1 occurrence\n");
    select_row(window_main, "treeview_main_panels", row_of("treeview_main_panels", 9));
    EXPECT_EQ(references_via_menu("treeview_main_panels", "popupmenu_panel",
                                  "popupmenu_panel_find_all_references"),
              "Panel was elected as location 2 ($2)\n");

    // Object 0 is placed by panel 2; panel 9 is elected by location 2.
    show_page(0);
    select_row(window_main, "treeview_main_objects", 0);
    context_command("treeview_main_objects", "popupmenu_object", "popupmenu_object_delete");
    EXPECT_EQ(error_texts(), std::vector<std::string>{kZbxObjectInUse});
    close_dialogs_titled("Error");
    show_page(1);
    select_row(window_main, "treeview_main_panels", row_of("treeview_main_panels", 9));
    context_command("treeview_main_panels", "popupmenu_panel", "popupmenu_panel_delete");
    EXPECT_EQ(error_texts(), std::vector<std::string>{kZbxPanelInUse});
    close_dialogs_titled("Error");
    EXPECT_EQ(document_item_count(), 10);
    EXPECT_EQ(document_count_objects(), 6);
    EXPECT_EQ(document_count_panels(), 4);

    // Panel 2 is used by nothing: it goes, and its definitions with it.
    select_row(window_main, "treeview_main_panels", 0);
    pump_events();
    EXPECT_EQ(row_count(window_main, "treeview_main_panel_defs"), 1);
    EXPECT_EQ(references_via_menu("treeview_main_panels", "popupmenu_panel",
                                  "popupmenu_panel_find_all_references"),
              kZbxNoPanelReferences);
    context_command("treeview_main_panels", "popupmenu_panel", "popupmenu_panel_delete");
    EXPECT_TRUE(error_texts().empty());
    EXPECT_EQ(column_of(window_main, "treeview_main_panels", PANEL_COL_INDEX),
              (std::vector<int>{4, 6, 8}));
    EXPECT_EQ(row_count(window_main, "treeview_main_panel_defs"), 0);
    EXPECT_EQ(column_of(window_main, "treeview_main_locations", LOC_COL_PANEL)[2], 8);
    EXPECT_EQ(compare_shown(widget("drawingarea_panel_preview"), common_get_background_pixbuf(), 1),
              "");
}

TEST_F(Commands, ContextMenuActsOnTheSelectedRowOnly)
{
    open(ten_items());
    GtkWidget *view = widget("treeview_main_objects");
    // Nothing selected: the right click is taken, but no menu opens.
    EXPECT_TRUE(press(view, right_click(view)));
    EXPECT_EQ(shown_popup("popupmenu_object"), nullptr);
    // Double clicks and the left button open nothing.
    press(view, right_click(view, GDK_2BUTTON_PRESS));
    press(view, right_click(view, GDK_BUTTON_PRESS, 1));
    EXPECT_EQ(shown_popup("popupmenu_object"), nullptr);

    select_row(window_main, "treeview_main_objects", 2);
    // The click lands on row 0, but the selection stays on row 2.
    EXPECT_TRUE(press(view, right_click(view)));
    GtkWidget *menu = shown_popup("popupmenu_object");
    ASSERT_NE(menu, nullptr);
    int selected = -1;
    EXPECT_TRUE(objectmodel_get_current_object_id(&selected));
    EXPECT_EQ(selected, 3);
    gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu));
    pump_events();
    EXPECT_EQ(shown_popup("popupmenu_object"), nullptr);

    // The menu key opens it too.
    gboolean handled = FALSE;
    g_signal_emit_by_name(view, "popup-menu", &handled);
    EXPECT_TRUE(handled);
    menu = shown_popup("popupmenu_object");
    ASSERT_NE(menu, nullptr);
    gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu));
    pump_events();
}

TEST_F(Commands, NewPanelIsAddedAndSelectedUntilTheIndexSpaceIsFull)
{
    open(ten_items());
    show_page(1);
    click("button_panel_controls_new");
    EXPECT_EQ(column_of(window_main, "treeview_main_panels", PANEL_COL_INDEX),
              (std::vector<int>{2, 5, 7, 9, 10}));
    int selected = -1;
    EXPECT_TRUE(panelmodels_get_current_panel_index(&selected));
    EXPECT_EQ(selected, 10);
    EXPECT_EQ(row_count(window_main, "treeview_main_panel_defs"), 0);
    EXPECT_EQ(document_item_count(), 11);

    ZbxProject full;
    full.items.assign(255, zbx_panel_item({}));
    open(full);
    click("button_panel_controls_new");
    EXPECT_EQ(error_texts(), std::vector<std::string>{"No room for additional panels"});
    EXPECT_EQ(document_item_count(), 255);
    EXPECT_EQ(document_count_panels(), 255);
}

TEST_F(Commands, PanelStripPicksTheColourOfTheSelectedPanel)
{
    ASSERT_TRUE(app_open_project(kSample.c_str()));
    show_page(1);
    GtkWidget *strip = widget("drawingarea_panel_palette");
    GdkEvent *event = gdk_event_new(GDK_BUTTON_PRESS);
    event->button.window = GDK_WINDOW(g_object_ref(strip->window));
    event->button.button = 1;
    event->button.x = 40;
    event->button.y = 8;

    // No panel selected: remembered until the next panel rendering.
    gboolean handled = FALSE;
    g_signal_emit_by_name(strip, "button-press-event", event, &handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(mainview_get_panel_preview_colour(), 2);
    select_row(window_main, "treeview_main_panels", 3); // panel 9, colour 0
    EXPECT_EQ(mainview_get_panel_preview_colour(), 0);

    g_signal_emit_by_name(strip, "button-press-event", event, &handled);
    gdk_event_free(event);
    EXPECT_EQ(mainview_get_panel_preview_colour(), 2);
    EXPECT_EQ(column_of(window_main, "treeview_main_panels", PANEL_COL_COLOUR)[3], 2);
    pump_events();
    GRef<GdkPixbuf> expected(common_create_new_canvas());
    common_copy_background_image_to_pixbuf(expected.get());
    panelmodels_render_stored_panel(9, expected.get(), 2);
    EXPECT_EQ(compare_shown(widget("drawingarea_panel_preview"), expected.get(), 1), "");
    // Kept with the panel: back on it after another, still colour 2.
    select_row(window_main, "treeview_main_panels", 0);
    select_row(window_main, "treeview_main_panels", 3);
    EXPECT_EQ(mainview_get_panel_preview_colour(), 2);
}

TEST_F(Commands, StoreAsLocationAndClearTheRecord)
{
    ASSERT_TRUE(app_open_project(kSample.c_str()));
    show_page(1);
    select_row(window_main, "treeview_main_panels", 1); // panel 5, colour 2
    click("button_main_panel_store");
    EXPECT_EQ(error_texts(), std::vector<std::string>{"Please first select a location"});
    close_dialogs_titled("Error");

    select_row(window_main, "treeview_main_locations", 3);
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget("label_main_location_info"))), "Empty record");
    click("button_main_panel_store");
    EXPECT_TRUE(error_texts().empty());
    int panel = -1;
    int colour = -1;
    ASSERT_TRUE(locations_get_info_at_index(3, &panel, &colour));
    EXPECT_EQ(panel, 5);
    EXPECT_EQ(colour, 2);
    GCharPtr record(locations_record_text(5, 2));
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget("label_main_location_info"))), record.get());
    pump_events();
    GRef<GdkPixbuf> expected(common_create_new_canvas());
    locations_render_location_at_index(3, expected.get());
    EXPECT_EQ(compare_shown(widget("drawingarea_main_location_preview"), expected.get(), 1), "");

    // Clear asks first: No keeps the record, Yes empties it.
    for (const char *button : {"button_clear_record_cancel", "button_clear_record_ok"}) {
        g_timeout_add(
            20,
            [](gpointer data) -> gboolean {
                GtkWidget *dialog = find_toplevel("Confirm");
                if (dialog == nullptr || !GTK_WIDGET_MAPPED(dialog)) {
                    return TRUE;
                }
                EXPECT_STREQ(gtk_label_get_text(
                                 GTK_LABEL(lookup_widget(dialog, "label_clear_record_request"))),
                             "Are you sure you want to\nclear the selected record?");
                gtk_button_clicked(
                    GTK_BUTTON(lookup_widget(dialog, static_cast<const char *>(data))));
                return FALSE;
            },
            const_cast<char *>(button));
        click("button_main_clear_location_record");
        EXPECT_EQ(locations_is_filled_at_index(3), bool(g_str_has_suffix(button, "cancel")));
    }
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget("label_main_location_info"))), "Empty record");
}

TEST_F(Commands, ExportAndImportASingleObjectThroughTheChoosers)
{
    ASSERT_TRUE(app_open_project(kSample.c_str()));
    select_row(window_main, "treeview_main_objects", 2); // object 4
    ChooserAnswer save;
    save.title = "Save to an object file";
    save.path = folder / "mine.zbxobject";
    answer_next_chooser(&save);
    click("button_object_controls_export");
    ASSERT_TRUE(save.answered);
    EXPECT_EQ(save.name_field, "object_4.zbxobject");
    EXPECT_EQ(save.filter_names, std::vector<std::string>{"  Object files (*.zbxobject) "});
    EXPECT_TRUE(save.overwrite_confirmation);
    std::span<const uint8_t> record;
    record = document_object_record(4);
    ASSERT_FALSE(record.empty());
    EXPECT_TRUE(zbx_bytes_equal(std::vector<uint8_t>(record.begin(), record.end()),
                                zbx_read_file(save.path)));

    ChooserAnswer load;
    load.title = "Select an object file";
    load.path = save.path;
    answer_next_chooser(&load);
    click("button_object_controls_import");
    ASSERT_TRUE(load.answered);
    EXPECT_EQ(load.filter_names,
              (std::vector<std::string>{"  Object files (*.zbxobject) ", "  All files (*) "}));
    EXPECT_EQ(load.selected_filter, 0);
    EXPECT_EQ(load.folder, folder.path());
    // The preview showed the object (32 x 32) in its 120 x 120 place.
    EXPECT_TRUE(load.preview_active);
    EXPECT_EQ(load.preview_request[0], 120);
    EXPECT_EQ(load.preview_request[1], 120);
    EXPECT_EQ(load.preview_width, 32);
    EXPECT_EQ(load.preview_height, 32);
    // The new object is the last row, selected and previewed.
    EXPECT_EQ(column_of(window_main, "treeview_main_objects", OBJ_COL_INDEX),
              (std::vector<int>{0, 1, 4, 6, 8, 10}));
    int selected = -1;
    EXPECT_TRUE(objectmodel_get_current_object_id(&selected));
    EXPECT_EQ(selected, 10);
    std::span<const uint8_t> imported;
    imported = document_object_record(10);
    ASSERT_FALSE(imported.empty());
    EXPECT_TRUE(std::equal(record.begin(), record.end(), imported.begin(), imported.end()));

    // A file that is no object: the reader's message, nothing added.
    const std::string bad = folder / "bad.zbxobject";
    zbx_write_file(bad, {0x22, 1, 2, 3});
    ChooserAnswer wrong;
    wrong.title = "Select an object file";
    wrong.path = bad;
    answer_next_chooser(&wrong);
    click("button_object_controls_import");
    ASSERT_TRUE(wrong.answered);
    EXPECT_FALSE(wrong.preview_active);
    EXPECT_EQ(error_texts(), std::vector<std::string>{"Unrecognized format"});
    EXPECT_EQ(document_count_objects(), 6);
}

TEST_F(Commands, NothingThatChangesTheDataRunsWhileALoadIsUnderWay)
{
    ASSERT_TRUE(app_open_project(kSample.c_str()));
    struct Seen
    {
        bool ran = false;
        bool busy = false;
        bool insensitive = true;
        gboolean close_kept = FALSE;
    } seen;
    // Runs from the load's first progress report.
    g_idle_add(
        [](gpointer data) -> gboolean {
            auto *s = static_cast<Seen *>(data);
            s->ran = true;
            s->busy = app_is_busy();
            for (const char *name :
                 {"menuitem_file", "menuitem_preferences", "treeview_main_objects",
                  "treeview_main_locations", "button_main_panel_store", "button_panel_controls_new",
                  "radiobutton_main_zoom_level2", "drawingarea_panel_palette"}) {
                s->insensitive =
                    s->insensitive && !GTK_WIDGET_IS_SENSITIVE(lookup_widget(window_main, name));
            }
            // Whatever still reaches the handlers does nothing.
            gtk_menu_item_activate(GTK_MENU_ITEM(lookup_widget(window_main, "close")));
            gtk_menu_item_activate(GTK_MENU_ITEM(lookup_widget(window_main, "open")));
            gtk_button_clicked(GTK_BUTTON(lookup_widget(window_main, "button_panel_controls_new")));
            on_popupmenu_object_delete_activate(nullptr, nullptr);
            // A close request waits for the end of the load.
            g_signal_emit_by_name(window_main, "delete-event", nullptr, &s->close_kept);
            return FALSE;
        },
        &seen);
    ConfirmationAnswer answer;
    answer.kind = ConfirmationAnswer::kYes;
    ASSERT_TRUE(app_open_project(kSample.c_str()));
    EXPECT_TRUE(seen.ran);
    EXPECT_TRUE(seen.busy);
    EXPECT_TRUE(seen.insensitive);
    EXPECT_TRUE(seen.close_kept);
    EXPECT_TRUE(toplevels_titled("Select a zembrix file").empty());
    // The load was not disturbed.
    EXPECT_TRUE(app_file_loaded());
    EXPECT_EQ(row_count(window_main, "treeview_main_objects"), 5);
    EXPECT_EQ(document_item_count(), 10);
    EXPECT_FALSE(app_is_busy());
    EXPECT_TRUE(GTK_WIDGET_SENSITIVE(widget("close")));
    // Now the question comes; Yes closes the window.
    answer_next_confirmation(&answer);
    pump_until([&] { return destroyed; });
    EXPECT_TRUE(answer.answered);
    EXPECT_EQ(answer.question, "Are you sure you want to quit?");
    EXPECT_TRUE(destroyed);
}

TEST_F(Commands, IncrementalRenderingDrawsObjectByObjectAndFollowsTheData)
{
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_incremental_rendering")));
    ASSERT_EQ(options_get_incremental_rendering(), 1);
    ASSERT_TRUE(app_open_project(kSample.c_str()));
    GRef<GdkPixbuf> expected(common_create_new_canvas());
    locations_render_location_at_index(1, expected.get());

    // The drawing runs from the main loop: the window takes commands
    // meanwhile, and ends on the finished picture.
    select_row(window_main, "treeview_main_locations", 1); // panel 9, several objects
    EXPECT_TRUE(mainview_is_drawing());
    EXPECT_FALSE(app_is_busy());
    EXPECT_TRUE(GTK_WIDGET_IS_SENSITIVE(widget("treeview_main_objects")));
    EXPECT_NE(compare_shown(widget("drawingarea_main_location_preview"), expected.get(), 1), "");
    pump_until([] { return !mainview_is_drawing(); });
    pump_events();
    EXPECT_EQ(compare_shown(widget("drawingarea_main_location_preview"), expected.get(), 1), "");

    // A change of the data while a drawing runs shows the new data at once.
    select_row(window_main, "treeview_main_locations", 1);
    ASSERT_TRUE(mainview_is_drawing());
    {
        DocumentStep step("Store");
        document_set_location(1, {5, 3});
    }
    EXPECT_FALSE(mainview_is_drawing());
    locations_render_location_at_index(1, expected.get());
    pump_events();
    EXPECT_EQ(compare_shown(widget("drawingarea_main_location_preview"), expected.get(), 1), "");
}

} // namespace
