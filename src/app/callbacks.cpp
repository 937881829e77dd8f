// Signal handlers of the main window: find the widgets, call the module,
// redraw. Handlers of commands that need a loaded file return at once until
// their modules are wired in.
#include "app/callbacks.h"

#include "app/app.h"
#include "app/mainview.h"
#include "app/options.h"

// --- Window and menus ---

gboolean on_window_main_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    // FALSE lets the window close; its destruction ends the main loop.
    return app_confirm_quit() ? FALSE : TRUE;
}

void on_open_activate(GtkMenuItem *, gpointer) {}

void on_save_activate(GtkMenuItem *, gpointer) {}

void on_save_as_activate(GtkMenuItem *, gpointer) {}

void on_close_activate(GtkMenuItem *, gpointer) {}

void on_quit_activate(GtkMenuItem *, gpointer)
{
    if (app_confirm_quit()) {
        gtk_main_quit();
    }
}

void on_menuitem_incremental_rendering_activate(GtkMenuItem *menuitem, gpointer)
{
    options_set_incremental_rendering(
        gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(menuitem)) ? 1 : 0);
    options_save_to_file();
}

void on_about_activate(GtkMenuItem *, gpointer) {}

void on_menuitem_resources_activate(GtkMenuItem *, gpointer) {}

// --- Locations ---

gboolean on_drawingarea_main_location_preview_configure_event(GtkWidget *widget,
                                                              GdkEventConfigure *, gpointer)
{
    mainview_configure_preview(PREVIEW_LOCATION, widget);
    return TRUE;
}

gboolean on_drawingarea_main_location_preview_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                           gpointer)
{
    return mainview_paint_preview(PREVIEW_LOCATION, widget, &event->area);
}

void on_treeview_main_locations_cursor_changed(GtkTreeView *, gpointer) {}

void on_button_main_clear_location_record_clicked(GtkButton *, gpointer) {}

// --- Objects page ---

gboolean on_drawingarea_object_controls_object_preview_configure_event(GtkWidget *widget,
                                                                       GdkEventConfigure *,
                                                                       gpointer)
{
    mainview_configure_preview(PREVIEW_OBJECT, widget);
    return TRUE;
}

gboolean on_drawingarea_object_controls_object_preview_expose_event(GtkWidget *widget,
                                                                    GdkEventExpose *event, gpointer)
{
    return mainview_paint_preview(PREVIEW_OBJECT, widget, &event->area);
}

gboolean on_drawingarea_object_controls_object_palette_configure_event(GtkWidget *widget,
                                                                       GdkEventConfigure *,
                                                                       gpointer)
{
    mainview_set_palette_area(PALETTE_OBJECT, widget);
    return FALSE;
}

gboolean on_drawingarea_object_controls_object_palette_expose_event(GtkWidget *widget,
                                                                    GdkEventExpose *event, gpointer)
{
    return mainview_paint_palette(PALETTE_OBJECT, widget, &event->area);
}

gboolean on_drawingarea_object_controls_object_palette_button_press_event(GtkWidget *widget,
                                                                          GdkEventButton *event,
                                                                          gpointer)
{
    mainview_set_palette_area(PALETTE_OBJECT, widget);
    return mainview_pick_colour(PALETTE_OBJECT, event);
}

void on_treeview_main_objects_cursor_changed(GtkTreeView *, gpointer) {}

gboolean on_treeview_main_objects_popup_menu(GtkWidget *, gpointer)
{
    return FALSE;
}

gboolean on_treeview_main_objects_button_press_event(GtkWidget *, GdkEventButton *, gpointer)
{
    return FALSE;
}

void on_button_object_controls_import_clicked(GtkButton *, gpointer) {}

void on_button_object_controls_export_clicked(GtkButton *, gpointer) {}

void on_object_controls_launch_object_grabber_clicked(GtkButton *, gpointer) {}

// --- Panels page ---

gboolean on_drawingarea_panel_preview_configure_event(GtkWidget *widget, GdkEventConfigure *,
                                                      gpointer)
{
    mainview_configure_preview(PREVIEW_PANEL, widget);
    return TRUE;
}

gboolean on_drawingarea_panel_preview_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                   gpointer)
{
    return mainview_paint_preview(PREVIEW_PANEL, widget, &event->area);
}

gboolean on_drawingarea_panel_palette_configure_event(GtkWidget *widget, GdkEventConfigure *,
                                                      gpointer)
{
    mainview_set_palette_area(PALETTE_PANEL, widget);
    return FALSE;
}

gboolean on_drawingarea_panel_palette_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                   gpointer)
{
    return mainview_paint_palette(PALETTE_PANEL, widget, &event->area);
}

gboolean on_drawingarea_panel_palette_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                         gpointer)
{
    mainview_set_palette_area(PALETTE_PANEL, widget);
    return mainview_pick_colour(PALETTE_PANEL, event);
}

void on_treeview_main_panels_cursor_changed(GtkTreeView *, gpointer) {}

gboolean on_treeview_main_panels_popup_menu(GtkWidget *, gpointer)
{
    return FALSE;
}

gboolean on_treeview_main_panels_button_press_event(GtkWidget *, GdkEventButton *, gpointer)
{
    return FALSE;
}

void on_treeview_main_panel_defs_cursor_changed(GtkTreeView *, gpointer) {}

void on_button_main_panel_edit_clicked(GtkButton *, gpointer) {}

void on_button_main_panel_store_clicked(GtkButton *, gpointer) {}

void on_button_panel_controls_new_clicked(GtkButton *, gpointer) {}

// --- Zoom ---

void on_radiobutton_main_zoom_level1_clicked(GtkButton *button, gpointer)
{
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) {
        mainview_set_expansion(0);
    }
}

void on_radiobutton_main_zoom_level2_clicked(GtkButton *button, gpointer)
{
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) {
        mainview_set_expansion(1);
    }
}

// --- Popup menus ---

void on_popupmenu_object_find_all_references_activate(GtkMenuItem *, gpointer) {}

void on_popupmenu_object_delete_activate(GtkMenuItem *, gpointer) {}

void on_popupmenu_panel_find_all_references_activate(GtkMenuItem *, gpointer) {}

void on_popupmenu_panel_delete_activate(GtkMenuItem *, gpointer) {}
