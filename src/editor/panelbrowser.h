// The object and panel browser: every object as an icon and every panel in
// a list with a preview, from the shared list models. Activating one (a
// double click or Enter) inserts it into the panel being edited after the
// selected placement. Built once at start-up, shown modal over the editor
// by "Add new...", hidden again after an insertion or on closing.
#pragma once

#include <gtk/gtk.h>

inline constexpr const char *kLoopMessage = "Insertion of this panel would create a loop!";

// The window with every widget and signal connection, hidden.
GtkWidget *create_window_browser();
// Gives the icon view the object list (caption and icon).
void iconview_module_init(GtkWidget *window);
// Gives the panel list its column and the panel list model.
void panelbrowser_module_init(GtkWidget *window);
void panelbrowser_cleanup();
// Shows the browser over the editor, at the pointer.
void panelbrowser_show();
// The preview: the backdrop, and the panel selected in the list over its
// preview colour (disabled placements are not drawn).
void panelbrowser_render_panel(GdkPixbuf *canvas);
// The preview's canvas (null before its first configure).
GdkPixbuf *panelbrowser_get_canvas();
// Inserts the object at path of the object list into the edited panel,
// then hides the browser and gives the editor's canvas the keyboard focus.
void on_iconview_browser_object_activated_in_paneleditor(GtkTreePath *path);

gboolean on_window_browser_delete_event(GtkWidget *widget, GdkEvent *event, gpointer data);
void on_window_browser_show(GtkWidget *widget, gpointer data);
void on_iconview_browser_object_activated(GtkIconView *view, GtkTreePath *path, gpointer data);
gboolean on_drawingarea_browser_panels_panel_preview_configure_event(GtkWidget *widget,
                                                                     GdkEventConfigure *event,
                                                                     gpointer data);
gboolean on_drawingarea_browser_panels_panel_preview_expose_event(GtkWidget *widget,
                                                                  GdkEventExpose *event,
                                                                  gpointer data);
void on_treeview_browser_panels_panels_cursor_changed(GtkTreeView *view, gpointer data);
void on_treeview_browser_panels_panels_row_activated(GtkTreeView *view, GtkTreePath *path,
                                                     GtkTreeViewColumn *column, gpointer data);
