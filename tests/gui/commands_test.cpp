// The main window's commands: deletes refused or renumbering (in every
// table: zembrix_load_test), new panels, storing and clearing locations,
// importing and exporting objects, and what runs while a load or an
// incremental rendering is under way.
#include "window_support.h"

#include "files/object_file.h"
#include "items/objects.h"

#include "render/locations.h"

#include "app/locations_view.h"
#include "items/itemwrapper.h"
#include "items/references.h"
#include "support/items_fixture.h"
#include "ui/objectmodel.h"
#include "ui/panelmodels.h"

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

// A right click on a row of a list (the first by default), sent as the
// toolkit would.
gboolean right_click(GtkWidget *view, int row = 0)
{
    GdkRectangle cell{};
    GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_get_cell_area(GTK_TREE_VIEW(view), path, nullptr, &cell);
    gtk_tree_path_free(path);
    GdkEvent *event = gdk_event_new(GDK_BUTTON_PRESS);
    event->button.window =
        GDK_WINDOW(g_object_ref(gtk_tree_view_get_bin_window(GTK_TREE_VIEW(view))));
    event->button.button = 3;
    event->button.x = 10;
    event->button.y = cell.y + cell.height / 2;
    event->button.time = GDK_CURRENT_TIME;
    gboolean handled = FALSE;
    g_signal_emit_by_name(view, "button-press-event", event, &handled);
    gdk_event_free(event);
    return handled;
}

class Commands : public WindowAtWork
{
  protected:
    void open(const ZbxProject &project)
    {
        ASSERT_TRUE(app->open_project(write_project(folder, "project.prg", project).c_str()));
    }
    // Right click on a row of a list, then the menu's item, as the user
    // would.
    void context_command(const char *view, const char *menu, const char *item, int row)
    {
        ASSERT_TRUE(right_click(widget(view), row));
        GtkWidget *shown = shown_popup(menu);
        ASSERT_NE(shown, nullptr) << menu;
        gtk_menu_shell_activate_item(GTK_MENU_SHELL(shown), lookup_widget(shown, item), TRUE);
        pump_events();
    }
    // The row showing an item.
    int row_of(const char *view, int item)
    {
        std::vector<int> items = column_of(window_main, view, 0);
        return int(std::find(items.begin(), items.end(), item) - items.begin());
    }
    // Selects the row showing an item.
    void select_item(const char *view, int item)
    {
        select_row(window_main, view, row_of(view, item));
        pump_events();
    }
    std::string location_info()
    {
        return gtk_label_get_text(GTK_LABEL(widget("label_main_location_info")));
    }
};

TEST_F(Commands, DeletesAreRefusedWhileReferencedAndRenumberEverythingAfter)
{
    open(ten_items());
    // The menu acts on the row clicked, not on the one selected before.
    select_item("treeview_main_objects", 4);
    context_command("treeview_main_objects", "popupmenu_object", "popupmenu_object_delete",
                    row_of("treeview_main_objects", 0));
    EXPECT_EQ(error_texts(), std::vector<std::string>{kZbxObjectInUse});
    close_dialogs_titled("Error");
    EXPECT_EQ(app->document().item_count(), 10);

    show_page(0);
    select_row(window_main, "treeview_main_locations", 2);
    pump_events();
    EXPECT_EQ(location_info(), "Panel: 9 ($09)\nBackground: blue");
    GRef<GdkPixbuf> before(canvas_new());
    render_location(app->document(), app->images().backdrop.get(), 2, before.get());
    context_command("treeview_main_objects", "popupmenu_object", "popupmenu_object_delete",
                    row_of("treeview_main_objects", 4));
    EXPECT_TRUE(error_texts().empty());
    std::vector<int> elected = column_of(window_main, "treeview_main_locations", LOC_COL_PANEL);
    EXPECT_EQ(elected[2], 8);
    EXPECT_EQ(elected[3], 4);
    EXPECT_EQ(column_of(window_main, "treeview_main_panels", PANEL_COL_INDEX),
              (std::vector<int>{2, 4, 6, 8}));
    // The location shows the same picture under its new number.
    EXPECT_EQ(location_info(), "Panel: 8 ($08)\nBackground: blue");
    EXPECT_EQ(shown_differs(widget("drawingarea_main_location_preview"), before.get(), 1), 0);
    // No object is selected any more: the object preview is the backdrop.
    EXPECT_EQ(shown_differs(widget("drawingarea_object_controls_object_preview"),
                            app->images().backdrop.get(), 1),
              0);
}

TEST_F(Commands, NewPanelIsRefusedWhenTheIndexSpaceIsFull)
{
    ZbxProject full;
    full.items.assign(255, zbx_panel_item({}));
    open(full);
    click("button_panel_controls_new");
    EXPECT_EQ(error_texts(), std::vector<std::string>{"No room for additional panels"});
    EXPECT_EQ(app->document().item_count(), 255);
}

TEST_F(Commands, StoreAsLocationAndClearTheRecord)
{
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    show_page(1);
    select_row(window_main, "treeview_main_panels", 1); // panel 5, colour 2
    select_row(window_main, "treeview_main_locations", 3);
    click("button_main_panel_store");
    EXPECT_EQ(app->document().location(3), (ZbxLocationRecord{5, 2}));

    // Clear asks first: No keeps the record, Yes empties it.
    for (const char *button : {"button_clear_record_cancel", "button_clear_record_ok"}) {
        DialogAnswer answer{"Confirm", [button](GtkWidget *dialog) {
                                gtk_button_clicked(GTK_BUTTON(lookup_widget(dialog, button)));
                            }};
        answer_next_dialog(&answer);
        click("button_main_clear_location_record");
        EXPECT_EQ(app->document().location(3).panel != kNoPanel,
                  bool(g_str_has_suffix(button, "cancel")));
    }
    EXPECT_EQ(location_info(), "Empty record");
}

TEST_F(Commands, ExportAndImportASingleObjectThroughTheChoosers)
{
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    select_row(window_main, "treeview_main_objects", 2); // object 4
    ChooserAnswer save{"Save to an object file", folder / "mine.zbxobject"};
    answer_next_chooser(&save);
    click("button_object_controls_export");
    ASSERT_TRUE(save.answered);
    const std::span<const uint8_t> record = app->document().object_record(4);
    const std::vector<uint8_t> bytes(record.begin(), record.end());
    EXPECT_TRUE(zbx_bytes_equal(bytes, zbx_read_file(save.path)));

    // Read back as a new object: the last row, selected.
    ChooserAnswer load{"Select an object file", save.path};
    answer_next_chooser(&load);
    click("button_object_controls_import");
    ASSERT_TRUE(load.answered);
    int selected = -1;
    EXPECT_TRUE(app->main().selected_object(&selected));
    EXPECT_EQ(selected, 10);
    const std::span<const uint8_t> imported = app->document().object_record(10);
    EXPECT_TRUE(zbx_bytes_equal(bytes, {imported.begin(), imported.end()}));

    // A file that is no object: the reader's message, nothing added.
    const std::string bad = folder / "bad.zbxobject";
    zbx_write_file(bad, {0x22, 1, 2, 3});
    ChooserAnswer wrong{"Select an object file", bad};
    answer_next_chooser(&wrong);
    click("button_object_controls_import");
    ASSERT_TRUE(wrong.answered);
    EXPECT_EQ(error_texts(), std::vector<std::string>{"Unrecognized format"});
    EXPECT_EQ(app->document().count_objects(), 6);
}

TEST_F(Commands, NothingThatChangesTheDataRunsWhileALoadIsUnderWay)
{
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    struct Seen
    {
        Application *app;
        GtkWidget *window;
        bool busy = false;
        bool insensitive = true;
        bool popup = false;
        gboolean close_kept = FALSE;
    } seen{app.get(), window_main};
    // Runs from the load's first progress report.
    g_idle_add(
        [](gpointer data) -> gboolean {
            auto *s = static_cast<Seen *>(data);
            s->busy = s->app->is_busy();
            for (const char *name :
                 {"menuitem_file", "menuitem_preferences", "treeview_main_objects",
                  "treeview_main_locations", "button_main_panel_store", "button_panel_controls_new",
                  "radiobutton_main_zoom_level2", "drawingarea_panel_palette"}) {
                s->insensitive =
                    s->insensitive && !GTK_WIDGET_IS_SENSITIVE(lookup_widget(s->window, name));
            }
            // Whatever still reaches the handlers does nothing.
            gtk_menu_item_activate(GTK_MENU_ITEM(lookup_widget(s->window, "close")));
            gtk_menu_item_activate(GTK_MENU_ITEM(lookup_widget(s->window, "open")));
            gtk_button_clicked(GTK_BUTTON(lookup_widget(s->window, "button_panel_controls_new")));
            right_click(lookup_widget(s->window, "treeview_main_objects"));
            s->popup = shown_popup("popupmenu_object") != nullptr;
            // A close request waits for the end of the load.
            g_signal_emit_by_name(s->window, "delete-event", nullptr, &s->close_kept);
            return FALSE;
        },
        &seen);
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    EXPECT_TRUE(seen.busy);
    EXPECT_TRUE(seen.insensitive);
    EXPECT_TRUE(seen.close_kept);
    EXPECT_FALSE(seen.popup);
    EXPECT_TRUE(toplevels_titled("Select a zembrix file").empty());
    // The load was not disturbed.
    EXPECT_EQ(row_count(window_main, "treeview_main_objects"), 5);
    EXPECT_EQ(app->document().item_count(), 10);
    EXPECT_FALSE(app->is_busy());
    // Now the question comes; Yes ends the run.
    ConfirmationAnswer answer;
    answer_next_confirmation(&answer);
    pump_until([&] { return app->quitting(); });
    EXPECT_EQ(answer.question, "Are you sure you want to quit?");
    EXPECT_TRUE(app->quitting());
}

TEST_F(Commands, IncrementalRenderingDrawsObjectByObjectAndFollowsTheData)
{
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_incremental_rendering")));
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    GRef<GdkPixbuf> expected(canvas_new());
    render_location(app->document(), app->images().backdrop.get(), 1, expected.get());
    GtkWidget *area = widget("drawingarea_main_location_preview");

    // The drawing runs from the main loop: the window takes commands
    // meanwhile, and ends on the finished picture.
    select_row(window_main, "treeview_main_locations", 1); // panel 9, several objects
    EXPECT_TRUE(app->main().previews().is_drawing());
    EXPECT_TRUE(GTK_WIDGET_IS_SENSITIVE(widget("treeview_main_objects")));
    EXPECT_NE(shown_differs(area, expected.get(), 1), 0);
    pump_until([this] { return !app->main().previews().is_drawing(); });
    pump_events();
    EXPECT_EQ(shown_differs(area, expected.get(), 1), 0);

    // A change of the data while a drawing runs shows the new data at once.
    select_row(window_main, "treeview_main_locations", 1);
    ASSERT_TRUE(app->main().previews().is_drawing());
    {
        DocumentStep step(app->document(), "Store");
        app->document().set_location(1, {5, 3});
    }
    EXPECT_FALSE(app->main().previews().is_drawing());
    render_location(app->document(), app->images().backdrop.get(), 1, expected.get());
    pump_events();
    EXPECT_EQ(shown_differs(area, expected.get(), 1), 0);
}

} // namespace

TEST_F(Commands, FromALocationOrAReferenceToItsPanel)
{
    open(ten_items());
    auto panel_shown = [this] {
        int panel = -1;
        const bool on_page =
            gtk_notebook_get_current_page(GTK_NOTEBOOK(widget("notebook_secondary_controls"))) == 1;
        return on_page && app->main().selected_panel(&panel) ? panel : -1;
    };
    select_row(window_main, "treeview_main_locations", 2);
    click("button_main_location_show_panel");
    EXPECT_EQ(panel_shown(), 9);

    // A double click on a location edits its panel over its colour.
    GtkTreeView *locations = GTK_TREE_VIEW(widget("treeview_main_locations"));
    GtkTreePath *path = gtk_tree_path_new_from_indices(3, -1);
    gtk_tree_view_row_activated(locations, path, gtk_tree_view_get_column(locations, 0));
    gtk_tree_path_free(path);
    pump_events();
    EXPECT_TRUE(GTK_WIDGET_VISIBLE(app->editor().window()));
    EXPECT_EQ(app->editor().model().panel(), 5);
    send_delete_event(app->editor().window());
    pump_events();

    // So does the location's context menu, on the row clicked.
    context_command("treeview_main_locations", "popupmenu_location",
                    "popupmenu_location_edit_panel", 2);
    EXPECT_EQ(app->editor().model().panel(), 9);
    send_delete_event(app->editor().window());
    pump_events();

    // A double click on a line of the references dialog shows what it names.
    show_page(0);
    DialogAnswer answer{"References", [](GtkWidget *dialog) {
                            GtkWidget *text = lookup_widget(dialog, "textview_references");
                            GdkWindow *lines =
                                gtk_text_view_get_window(GTK_TEXT_VIEW(text), GTK_TEXT_WINDOW_TEXT);
                            GdkEvent *event = gdk_event_new(GDK_2BUTTON_PRESS);
                            event->button.window = GDK_WINDOW(g_object_ref(lines));
                            event->button.button = 1;
                            event->button.x = 5;
                            event->button.y = 5;
                            gboolean handled = FALSE;
                            g_signal_emit_by_name(text, "button-press-event", event, &handled);
                            gdk_event_free(event);
                        }};
    answer_next_dialog(&answer);
    // The references come from a double click on the object's "Used" cell.
    GtkTreeView *objects = GTK_TREE_VIEW(widget("treeview_main_objects"));
    path = gtk_tree_path_new_from_indices(row_of("treeview_main_objects", 8), -1);
    gtk_tree_view_row_activated(objects, path, gtk_tree_view_get_column(objects, 1));
    gtk_tree_path_free(path);
    pump_events();
    EXPECT_TRUE(answer.answered);
    EXPECT_TRUE(toplevels_titled("References").empty());
    EXPECT_EQ(panel_shown(), 9);

    // A double click on a panel's number edits it.
    GtkTreeView *panels = GTK_TREE_VIEW(widget("treeview_main_panels"));
    path = gtk_tree_path_new_from_indices(row_of("treeview_main_panels", 5), -1);
    gtk_tree_view_row_activated(panels, path, gtk_tree_view_get_column(panels, 0));
    gtk_tree_path_free(path);
    pump_events();
    EXPECT_TRUE(GTK_WIDGET_VISIBLE(app->editor().window()));
    EXPECT_EQ(app->editor().model().panel(), 5);
    send_delete_event(app->editor().window());
    pump_events();
}

TEST_F(Commands, ItemsThereinReadAsPlacementsAndTakeTypedPositions)
{
    open(ten_items());
    select_item("treeview_main_panels", 9);
    GtkTreeView *view = GTK_TREE_VIEW(widget("treeview_main_panel_defs"));
    ASSERT_EQ(row_count(window_main, "treeview_main_panel_defs"), 3);
    // The text column as the screen shows it.
    GtkTreeViewColumn *text = gtk_tree_view_get_column(view, 0);
    GtkTreeIter iter;
    GtkTreeModel *model = gtk_tree_view_get_model(view);
    ASSERT_TRUE(gtk_tree_model_iter_nth_child(model, &iter, nullptr, 1));
    gtk_tree_view_column_cell_set_cell_data(text, model, &iter, FALSE, FALSE);
    GList *cells = gtk_tree_view_column_get_cell_renderers(text);
    gchar *shown = nullptr;
    g_object_get(cells->data, "text", &shown, nullptr);
    g_list_free(cells);
    EXPECT_STREQ(shown, "panel 7 at 40, 16");
    g_free(shown);

    // Typing into Y moves the placement as one step that undo takes back.
    GtkTreeViewColumn *y = gtk_tree_view_get_column(view, 2);
    cells = gtk_tree_view_column_get_cell_renderers(y);
    g_signal_emit_by_name(cells->data, "edited", "2", "100");
    EXPECT_EQ(app->document().panel_defs(9)[2], zbx_object_def(3, 80, 96));
    g_signal_emit_by_name(cells->data, "edited", "2", "200");
    g_list_free(cells);
    pump_events();
    EXPECT_EQ(app->document().panel_defs(9)[2], zbx_object_def(3, 80, 96));
    EXPECT_NE(status_text(window_main).find("would leave the location area"), std::string::npos);
    app->document().undo();
    EXPECT_EQ(app->document().panel_defs(9)[2], zbx_object_def(3, 80, 8));
}

TEST_F(Commands, AnObjectExportedAsAnImageFromItsMenuIsItsImageAtDoubleWidth)
{
    // (That such an image grabs back the same object: PictureImages.)
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    const std::string path = folder / "object_4.png";
    ChooserAnswer save{"Export preview as PNG", path};
    answer_next_chooser(&save);
    context_command("treeview_main_objects", "popupmenu_object", "popupmenu_object_export_image",
                    row_of("treeview_main_objects", 4));
    ASSERT_TRUE(save.answered);
    EXPECT_TRUE(error_texts().empty());
    std::vector<uint8_t> png;
    ASSERT_TRUE(objfile_encode_png(app->document().object_record(4), 2, &png, nullptr));
    EXPECT_TRUE(zbx_bytes_equal(png, zbx_read_file(path)));
}
