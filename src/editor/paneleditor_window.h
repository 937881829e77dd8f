// The panel editor's window: canvas with zoom and a blinking frame, arrow
// buttons, the placement list with its flags, the action buttons, the
// delete question, and the handlers that tie them to the editor's
// operations (paneleditor.h). Built once at start-up, shown modal by the
// main window's "Edit panel...", hidden again on closing.
#pragma once

#include <gtk/gtk.h>

#include "editor/paneleditor.h"

// The window with every widget and signal connection, hidden.
GtkWidget *create_window_panel_editor();
// The delete question, built anew for each time it is asked.
GtkWidget *create_dialog_delete_def();

// Sets up the placement list's columns and model and starts following the
// document. Called once after the window is built.
void paneleditor_window_module_init(GtkWidget *window);
void paneleditor_window_cleanup();

// Opens panel over colour (status bar, list) and shows the window.
void paneleditor_window_open(int panel, int colour);
// The editor's canvas (null before the first configure) and zoom exponent.
GdkPixbuf *paneleditor_get_canvas();
int paneleditor_get_expansion();
// Renders the canvas afresh and asks for a redraw.
void paneleditor_refresh();
// Whether the canvas frames its clashing cells, and those cells (none while
// off).
void paneleditor_set_show_clashes(bool on);
const ComposeClashes &paneleditor_get_clashes();
// What the canvas shows, at the zoom and with any clash frames (not the
// frame around the selection): a new image.
GdkPixbuf *paneleditor_shown_image();
// Asks for a PNG file (panel_N.png) and writes the shown image there
// (Control+E); the status bar says where.
void paneleditor_export_canvas();
// Takes the selection from the list view.
void paneleditor_treeview_panel_defs_cursor_changed();
// Frames the selected placement on the area (black for colour_flag 1).
void paneleditor_draw_rectangle_around_item(GtkWidget *area, int colour_flag, int expansion);
// Asks (unless "Yes for all" was answered) and deletes the selection.
void on_delete_def_helper();

// The blink timer: a redraw every 500 ms while the blink option is on.
void timeout_start();
void timeout_stop();
void timeout_next_tick();
int timeout_get_count();
gboolean timeout(gpointer data);

// Handlers.
gboolean on_window_panel_editor_delete_event(GtkWidget *widget, GdkEvent *event, gpointer data);
void on_window_panel_editor_show(GtkWidget *widget, gpointer data);
gboolean on_window_panel_editor_key_press_event(GtkWidget *widget, GdkEventKey *event,
                                                gpointer data);
gboolean on_drawingarea_panel_editor_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                  gpointer data);
gboolean on_drawingarea_panel_editor_configure_event(GtkWidget *widget, GdkEventConfigure *event,
                                                     gpointer data);
gboolean on_drawingarea_location_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                    gpointer data);
gboolean on_drawingarea_panel_editor_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                                          gpointer data);
gboolean on_drawingarea_panel_editor_motion_notify_event(GtkWidget *widget, GdkEventMotion *event,
                                                         gpointer data);
gboolean on_drawingarea_panel_editor_key_press_event(GtkWidget *widget, GdkEventKey *event,
                                                     gpointer data);
void on_button_panel_editor_curs_up_clicked(GtkButton *button, gpointer data);
void on_button_panel_editor_curs_down_clicked(GtkButton *button, gpointer data);
void on_button_panel_editor_curs_left_clicked(GtkButton *button, gpointer data);
void on_button_panel_editor_curs_right_clicked(GtkButton *button, gpointer data);
void on_radiobutton_panel_editor_zoom_1_clicked(GtkButton *button, gpointer data);
void on_radiobutton_panel_editor_zoom_2_clicked(GtkButton *button, gpointer data);
void on_radiobutton_panel_editor_zoom_4_clicked(GtkButton *button, gpointer data);
void on_checkbutton_panel_editor_blink_frame_toggled(GtkToggleButton *button, gpointer data);
void on_checkbutton_panel_editor_show_clashes_toggled(GtkToggleButton *button, gpointer data);
void on_checkbutton_panel_editor_select_reverse_toggled(GtkToggleButton *button, gpointer data);
void on_treeview_panel_editor_panel_defs_cursor_changed(GtkTreeView *view, gpointer data);
void on_checkbutton_panel_editor_transparency_toggled(GtkToggleButton *button, gpointer data);
void on_spinbutton_panel_editor_alpha_changed(GtkEditable *editable, gpointer data);
void on_button_panel_editor_add_new_def_clicked(GtkButton *button, gpointer data);
void on_button_panel_editor_move_def_to_back_clicked(GtkButton *button, gpointer data);
void on_button_panel_editor_move_def_farther_clicked(GtkButton *button, gpointer data);
void on_button_panel_editor_move_def_closer_clicked(GtkButton *button, gpointer data);
void on_button_panel_editor_bring_def_to_front_clicked(GtkButton *button, gpointer data);
void on_button_panel_editor_clone_def_clicked(GtkButton *button, gpointer data);
void on_button_panel_editor_color_override_clicked(GtkButton *button, gpointer data);
void on_button_panel_editor_delete_def_clicked(GtkButton *button, gpointer data);
// A click on a flag of any row.
void item_toggled(GtkCellRendererToggle *cell, gchar *path, gpointer data);
