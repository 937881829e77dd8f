// The main window as built: every named widget, its texts and connections.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/callbacks.h"
#include "app/interface.h"
#include "app/support.h"
#include "gui_support.h"

namespace {

const char *const kMainWindowWidgets[] = {
    "window_main",
    "tooltips",
    "vbox_main_top_most",
    "menubar_main",
    "menuitem_file",
    "image1",
    "menuitem_file_menu",
    "open",
    "save",
    "save_as",
    "close",
    "separatormenuitem_file",
    "quit",
    "menuitem_preferences",
    "image20",
    "menuitem_preferences_menu",
    "menuitem_incremental_rendering",
    "menuitem_help",
    "image2",
    "menuitem_help_menu",
    "about",
    "menuitem_resources",
    "image3",
    "vbox_main_work_area",
    "table_main_controls",
    "label_main_available_locations",
    "label_main_location_preview",
    "scrolledwindow_main_locations",
    "treeview_main_locations",
    "alignment_main_location_preview",
    "frame_main_location_preview",
    "drawingarea_main_location_preview",
    "vbox_main_location_buttons",
    "button_main_clear_location_record",
    "alignment_main_clear_location_record",
    "hbox_main_clear_location_record",
    "image_main_clear_location_record",
    "label_main_clear_location_record",
    "label_main_location_info",
    "notebook_secondary_controls",
    "label_object_controls",
    "table_object_controls",
    "label_object_controls_available_objects",
    "label_object_controls_object_preview",
    "scrolledwindow_main_objects",
    "treeview_main_objects",
    "alignment_object_controls_object_preview",
    "frame_object_controls_object_preview",
    "drawingarea_object_controls_object_preview",
    "vbox_object_controls_object_buttons",
    "button_object_controls_import",
    "image_object_controls_import",
    "label_object_controls_import",
    "button_object_controls_export",
    "image_object_controls_export",
    "label_object_controls_export",
    "_object_controls_launch_object_grabber",
    "image_object_controls_launch_object_grabber",
    "label_object_controls_launch_object_grabber",
    "label_object_controls_object_background_color",
    "alignment_object_controls_object_palette",
    "frame_object_controls_object_palette",
    "drawingarea_object_controls_object_palette",
    "label_panel_controls",
    "table_panel_controls",
    "hbox_panel_controls_panel_labels",
    "label_panel_controls_available_panels",
    "label_panel_controls_panel_defs",
    "label_panel_controls_panel_preview",
    "hbox_panel_controls_panel_and_def_controls",
    "scrolledwindow_panel_controls_panels",
    "treeview_main_panels",
    "scrolledwindow_panel_controls_object_defs",
    "treeview_main_panel_defs",
    "alignment_panel_controls_panel_preview",
    "frame_panel_preview",
    "drawingarea_panel_preview",
    "vbox_panel_controls_panel_buttons",
    "button_main_panel_edit",
    "image_main_panel_edit",
    "label_main_panel_edit",
    "button_main_panel_store",
    "image_main_panel_store",
    "label_main_panel_store",
    "button_panel_controls_new",
    "image_panel_controls_new",
    "label_panel_controls_new",
    "label_panel_controls_panel_background_colour",
    "alignment_panel_controls_panel_palette",
    "frame_panel_palette",
    "drawingarea_panel_palette",
    "hbox_main_zoom_level_controls",
    "radiobutton_main_zoom_level2",
    "radiobutton_main_zoom_level1",
    "label_main_zoom_level",
    "progressbar_main_zembrix_decode",
    "statusbar_main",
};

struct Connection
{
    const char *widget;
    const char *signal;
    GCallback handler;
};

const Connection kConnections[] = {
    {"window_main", "delete_event", G_CALLBACK(on_window_main_delete_event)},
    {"open", "activate", G_CALLBACK(on_open_activate)},
    {"save", "activate", G_CALLBACK(on_save_activate)},
    {"save_as", "activate", G_CALLBACK(on_save_as_activate)},
    {"close", "activate", G_CALLBACK(on_close_activate)},
    {"quit", "activate", G_CALLBACK(on_quit_activate)},
    {"menuitem_incremental_rendering", "activate",
     G_CALLBACK(on_menuitem_incremental_rendering_activate)},
    {"about", "activate", G_CALLBACK(on_about_activate)},
    {"menuitem_resources", "activate", G_CALLBACK(on_menuitem_resources_activate)},
    {"drawingarea_main_location_preview", "configure_event",
     G_CALLBACK(on_drawingarea_main_location_preview_configure_event)},
    {"drawingarea_main_location_preview", "expose_event",
     G_CALLBACK(on_drawingarea_main_location_preview_expose_event)},
    {"treeview_main_locations", "cursor_changed",
     G_CALLBACK(on_treeview_main_locations_cursor_changed)},
    {"button_main_clear_location_record", "clicked",
     G_CALLBACK(on_button_main_clear_location_record_clicked)},
    {"drawingarea_object_controls_object_preview", "configure_event",
     G_CALLBACK(on_drawingarea_object_controls_object_preview_configure_event)},
    {"drawingarea_object_controls_object_preview", "expose_event",
     G_CALLBACK(on_drawingarea_object_controls_object_preview_expose_event)},
    {"drawingarea_object_controls_object_palette", "configure_event",
     G_CALLBACK(on_drawingarea_object_controls_object_palette_configure_event)},
    {"drawingarea_object_controls_object_palette", "expose_event",
     G_CALLBACK(on_drawingarea_object_controls_object_palette_expose_event)},
    {"drawingarea_object_controls_object_palette", "button_press_event",
     G_CALLBACK(on_drawingarea_object_controls_object_palette_button_press_event)},
    {"treeview_main_objects", "cursor_changed",
     G_CALLBACK(on_treeview_main_objects_cursor_changed)},
    {"treeview_main_objects", "popup_menu", G_CALLBACK(on_treeview_main_objects_popup_menu)},
    {"treeview_main_objects", "button_press_event",
     G_CALLBACK(on_treeview_main_objects_button_press_event)},
    {"button_object_controls_import", "clicked",
     G_CALLBACK(on_button_object_controls_import_clicked)},
    {"button_object_controls_export", "clicked",
     G_CALLBACK(on_button_object_controls_export_clicked)},
    {"_object_controls_launch_object_grabber", "clicked",
     G_CALLBACK(on_object_controls_launch_object_grabber_clicked)},
    {"drawingarea_panel_preview", "configure_event",
     G_CALLBACK(on_drawingarea_panel_preview_configure_event)},
    {"drawingarea_panel_preview", "expose_event",
     G_CALLBACK(on_drawingarea_panel_preview_expose_event)},
    {"drawingarea_panel_palette", "expose_event",
     G_CALLBACK(on_drawingarea_panel_palette_expose_event)},
    {"drawingarea_panel_palette", "button_press_event",
     G_CALLBACK(on_drawingarea_panel_palette_button_press_event)},
    {"drawingarea_panel_palette", "configure_event",
     G_CALLBACK(on_drawingarea_panel_palette_configure_event)},
    {"treeview_main_panels", "cursor_changed", G_CALLBACK(on_treeview_main_panels_cursor_changed)},
    {"treeview_main_panels", "popup_menu", G_CALLBACK(on_treeview_main_panels_popup_menu)},
    {"treeview_main_panels", "button_press_event",
     G_CALLBACK(on_treeview_main_panels_button_press_event)},
    {"treeview_main_panel_defs", "cursor_changed",
     G_CALLBACK(on_treeview_main_panel_defs_cursor_changed)},
    {"button_main_panel_edit", "clicked", G_CALLBACK(on_button_main_panel_edit_clicked)},
    {"button_main_panel_store", "clicked", G_CALLBACK(on_button_main_panel_store_clicked)},
    {"button_panel_controls_new", "clicked", G_CALLBACK(on_button_panel_controls_new_clicked)},
    {"radiobutton_main_zoom_level2", "clicked",
     G_CALLBACK(on_radiobutton_main_zoom_level2_clicked)},
    {"radiobutton_main_zoom_level1", "clicked",
     G_CALLBACK(on_radiobutton_main_zoom_level1_clicked)},
};

bool is_connected(GtkWidget *widget, const char *signal, GCallback handler)
{
    guint id = g_signal_lookup(signal, G_OBJECT_TYPE(widget));
    if (id == 0) {
        return false;
    }
    return g_signal_handler_find(
               widget, static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_FUNC), id,
               0, nullptr, reinterpret_cast<gpointer>(handler), nullptr) != 0;
}

std::string label_text(GtkWidget *window, const char *name)
{
    return gtk_label_get_text(GTK_LABEL(lookup_widget(window, name)));
}

std::string tooltip(GtkWidget *window, const char *name)
{
    gchar *text = gtk_widget_get_tooltip_text(lookup_widget(window, name));
    std::string s = text != nullptr ? text : "";
    g_free(text);
    return s;
}

void count_warning(const gchar *, GLogLevelFlags, const gchar *message, gpointer data)
{
    static_cast<std::vector<std::string> *>(data)->push_back(message);
}

class MainWindowLayout : public testing::Test
{
  protected:
    void SetUp() override { window = create_window_main(); }
    void TearDown() override { gtk_widget_destroy(window); }
    GtkWidget *window = nullptr;
};

TEST_F(MainWindowLayout, EveryNamedWidgetIsFoundFromAnyWidgetOfTheWindow)
{
    GtkWidget *deep = lookup_widget(window, "label_panel_controls_new");
    ASSERT_NE(deep, nullptr);
    for (const char *name : kMainWindowWidgets) {
        EXPECT_NE(lookup_widget(window, name), nullptr) << name;
        EXPECT_EQ(lookup_widget(deep, name), lookup_widget(window, name)) << name;
    }
    // Menus climb through the item they are attached to.
    GtkWidget *file_menu = lookup_widget(window, "menuitem_file_menu");
    EXPECT_EQ(lookup_widget(file_menu, "statusbar_main"), lookup_widget(window, "statusbar_main"));
}

TEST_F(MainWindowLayout, UnknownNameWarnsAndGivesNull)
{
    std::vector<std::string> warnings;
    guint handler = g_log_set_handler(nullptr, G_LOG_LEVEL_WARNING, count_warning, &warnings);
    EXPECT_EQ(lookup_widget(window, "no_such_widget"), nullptr);
    g_log_remove_handler(nullptr, handler);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "Widget not found: no_such_widget");
}

TEST_F(MainWindowLayout, EverySignalOfTheTableIsConnected)
{
    for (const Connection &c : kConnections) {
        EXPECT_TRUE(is_connected(lookup_widget(window, c.widget), c.signal, c.handler))
            << c.widget << " " << c.signal;
    }
}

TEST_F(MainWindowLayout, TextsTooltipsAndSizes)
{
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), "Zembrix");
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(window)));
    EXPECT_EQ(label_text(window, "label_main_available_locations"), " Location slots:");
    EXPECT_EQ(label_text(window, "label_object_controls"), "Objects");
    EXPECT_EQ(label_text(window, "label_panel_controls"), "Panels");
    EXPECT_EQ(label_text(window, "label_object_controls_import"), "Import single object...");
    EXPECT_EQ(label_text(window, "label_object_controls_launch_object_grabber"),
              "Launch object grabber...");
    EXPECT_EQ(label_text(window, "label_panel_controls_panel_background_colour"),
              " Preview background colour override:");
    EXPECT_EQ(tooltip(window, "button_main_clear_location_record"),
              "Clear the currently selected location record");
    EXPECT_EQ(tooltip(window, "button_main_panel_store"),
              "Store the current panel and background colour to the location record selected "
              "above");
    EXPECT_EQ(tooltip(window, "_object_controls_launch_object_grabber"),
              "Launch the object grabber utility");

    GtkNotebook *notebook = GTK_NOTEBOOK(lookup_widget(window, "notebook_secondary_controls"));
    EXPECT_EQ(gtk_notebook_get_n_pages(notebook), 2);

    for (const char *area :
         {"drawingarea_main_location_preview", "drawingarea_object_controls_object_preview",
          "drawingarea_panel_preview"}) {
        int w = 0, h = 0;
        gtk_widget_get_size_request(lookup_widget(window, area), &w, &h);
        EXPECT_EQ(w, 320) << area;
        EXPECT_EQ(h, 200) << area;
    }
    for (const char *area :
         {"drawingarea_object_controls_object_palette", "drawingarea_panel_palette"}) {
        GtkWidget *w = lookup_widget(window, area);
        int width = 0, height = 0;
        gtk_widget_get_size_request(w, &width, &height);
        EXPECT_EQ(width, 256);
        EXPECT_EQ(height, 16);
        EXPECT_TRUE(gtk_widget_get_events(w) & GDK_BUTTON_PRESS_MASK) << area;
    }

    EXPECT_TRUE(gtk_toggle_button_get_active(
        GTK_TOGGLE_BUTTON(lookup_widget(window, "radiobutton_main_zoom_level1"))));
    EXPECT_FALSE(gtk_check_menu_item_get_active(
        GTK_CHECK_MENU_ITEM(lookup_widget(window, "menuitem_incremental_rendering"))));
    EXPECT_FALSE(
        gtk_statusbar_get_has_resize_grip(GTK_STATUSBAR(lookup_widget(window, "statusbar_main"))));
    EXPECT_FALSE(GTK_WIDGET_SENSITIVE(lookup_widget(window, "separatormenuitem_file")));
}

TEST(PopupMenus, ItemsAreNamedAndConnected)
{
    struct
    {
        GtkWidget *(*build)();
        const char *menu;
        std::vector<Connection> items;
        std::vector<const char *> images;
    } const menus[] = {
        {create_popupmenu_object,
         "popupmenu_object",
         {{"popupmenu_object_find_all_references", "activate",
           G_CALLBACK(on_popupmenu_object_find_all_references_activate)},
          {"popupmenu_object_delete", "activate", G_CALLBACK(on_popupmenu_object_delete_activate)}},
         {"image_popupmenu_object_find_all_references", "imagepopupmenu_object_delete"}},
        {create_popupmenu_panel,
         "popupmenu_panel",
         {{"popupmenu_panel_find_all_references", "activate",
           G_CALLBACK(on_popupmenu_panel_find_all_references_activate)},
          {"popupmenu_panel_delete", "activate", G_CALLBACK(on_popupmenu_panel_delete_activate)}},
         {"image_popupmenu_panel_find_all_references", "image_popupmenu_panel_delete"}},
    };
    for (const auto &m : menus) {
        GtkWidget *menu = m.build();
        g_object_ref_sink(menu);
        EXPECT_EQ(lookup_widget(menu, m.menu), menu);
        for (const Connection &c : m.items) {
            GtkWidget *item = lookup_widget(menu, c.widget);
            ASSERT_NE(item, nullptr) << c.widget;
            EXPECT_TRUE(is_connected(item, c.signal, c.handler)) << c.widget;
            // Handlers of popup menus find the main window through its global.
            EXPECT_EQ(lookup_widget(item, m.menu), menu);
        }
        for (const char *image : m.images) {
            EXPECT_NE(lookup_widget(menu, image), nullptr) << image;
        }
        GList *children = gtk_container_get_children(GTK_CONTAINER(menu));
        EXPECT_EQ(g_list_length(children), 2u);
        g_list_free(children);
        gtk_widget_destroy(menu);
        g_object_unref(menu);
    }
}

TEST(FileDialogs, BareDialogsWithTheirButtons)
{
    struct
    {
        GtkWidget *(*build)();
        GtkFileChooserAction action;
        std::vector<const char *> names;
        const char *accept;
    } const dialogs[] = {
        {create_filechooserdialog_open_file,
         GTK_FILE_CHOOSER_ACTION_OPEN,
         {"vbox_open_file_top_most", "dialog_open_file_action_area", "button_open_file_cancel"},
         "button_open_file_open"},
        {create_filechooserdialog_save_file,
         GTK_FILE_CHOOSER_ACTION_SAVE,
         {"vbox_save_file_top_most", "dialog_save_file_action_area", "button_save_file_cancel"},
         "button_save_file_save"},
    };
    for (const auto &d : dialogs) {
        GtkWidget *dialog = d.build();
        EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(dialog)), d.action);
        EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), "");
        EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(dialog)), 5u);
        EXPECT_EQ(gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog)), nullptr);
        for (const char *name : d.names) {
            EXPECT_NE(lookup_widget(dialog, name), nullptr) << name;
        }
        GtkWidget *accept = lookup_widget(dialog, d.accept);
        ASSERT_NE(accept, nullptr);
        EXPECT_EQ(gtk_dialog_get_response_for_widget(GTK_DIALOG(dialog), accept), GTK_RESPONSE_OK);
        EXPECT_TRUE(GTK_WIDGET_HAS_DEFAULT(accept));
        gtk_widget_destroy(dialog);
    }
}

} // namespace
