// Signal handlers of the main window and its popup menus. Each is named after
// its widget and signal; they stay thin and leave the work to the modules.
#pragma once

#include <gtk/gtk.h>

// Window and File menu.
gboolean on_window_main_delete_event(GtkWidget *widget, GdkEvent *event, gpointer user_data);
void on_new_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_open_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_recentchoosermenu_main_item_activated(GtkRecentChooser *chooser, gpointer user_data);
void on_save_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_save_as_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_close_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_export_preview_activate(GtkMenuItem *menuitem, gpointer user_data);
// A press on a preview or on its list: user_data is the MainPreview that
// File > Export takes from now on. Lets the press go on.
gboolean on_preview_focus_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                             gpointer user_data);
void on_quit_activate(GtkMenuItem *menuitem, gpointer user_data);
// Edit menu.
void on_undo_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_redo_activate(GtkMenuItem *menuitem, gpointer user_data);
// Preferences and Help menus.
void on_menuitem_incremental_rendering_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_show_clashes_toggled(GtkCheckMenuItem *item, gpointer user_data);
void on_about_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_resources_activate(GtkMenuItem *menuitem, gpointer user_data);

// Locations.
gboolean on_drawingarea_main_location_preview_configure_event(GtkWidget *widget,
                                                              GdkEventConfigure *event,
                                                              gpointer user_data);
gboolean on_drawingarea_main_location_preview_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                           gpointer user_data);
void on_treeview_main_locations_cursor_changed(GtkTreeView *treeview, gpointer user_data);
void on_button_main_clear_location_record_clicked(GtkButton *button, gpointer user_data);

// Objects page.
gboolean on_drawingarea_object_controls_object_preview_configure_event(GtkWidget *widget,
                                                                       GdkEventConfigure *event,
                                                                       gpointer user_data);
gboolean on_drawingarea_object_controls_object_preview_expose_event(GtkWidget *widget,
                                                                    GdkEventExpose *event,
                                                                    gpointer user_data);
gboolean on_drawingarea_object_controls_object_palette_configure_event(GtkWidget *widget,
                                                                       GdkEventConfigure *event,
                                                                       gpointer user_data);
gboolean on_drawingarea_object_controls_object_palette_expose_event(GtkWidget *widget,
                                                                    GdkEventExpose *event,
                                                                    gpointer user_data);
gboolean on_drawingarea_object_controls_object_palette_button_press_event(GtkWidget *widget,
                                                                          GdkEventButton *event,
                                                                          gpointer user_data);
void on_treeview_main_objects_cursor_changed(GtkTreeView *treeview, gpointer user_data);
gboolean on_treeview_main_objects_popup_menu(GtkWidget *widget, gpointer user_data);
gboolean on_treeview_main_objects_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                     gpointer user_data);
void on_button_object_controls_import_clicked(GtkButton *button, gpointer user_data);
void on_button_object_controls_export_clicked(GtkButton *button, gpointer user_data);
void on_object_controls_launch_object_grabber_clicked(GtkButton *button, gpointer user_data);

// Panels page.
gboolean on_drawingarea_panel_preview_configure_event(GtkWidget *widget, GdkEventConfigure *event,
                                                      gpointer user_data);
gboolean on_drawingarea_panel_preview_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                   gpointer user_data);
gboolean on_drawingarea_panel_palette_configure_event(GtkWidget *widget, GdkEventConfigure *event,
                                                      gpointer user_data);
gboolean on_drawingarea_panel_palette_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                   gpointer user_data);
gboolean on_drawingarea_panel_palette_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                         gpointer user_data);
void on_treeview_main_panels_cursor_changed(GtkTreeView *treeview, gpointer user_data);
gboolean on_treeview_main_panels_popup_menu(GtkWidget *widget, gpointer user_data);
gboolean on_treeview_main_panels_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                    gpointer user_data);
void on_treeview_main_panel_defs_cursor_changed(GtkTreeView *treeview, gpointer user_data);
void on_button_main_panel_edit_clicked(GtkButton *button, gpointer user_data);
void on_button_main_panel_store_clicked(GtkButton *button, gpointer user_data);
void on_button_panel_controls_new_clicked(GtkButton *button, gpointer user_data);

// Zoom.
void on_radiobutton_main_zoom_level1_clicked(GtkButton *button, gpointer user_data);
void on_radiobutton_main_zoom_level2_clicked(GtkButton *button, gpointer user_data);

// Popup menus of the object and panel lists.
void on_popupmenu_object_find_all_references_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_popupmenu_object_delete_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_popupmenu_panel_find_all_references_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_popupmenu_panel_delete_activate(GtkMenuItem *menuitem, gpointer user_data);
