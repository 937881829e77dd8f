// The object grabber: a window in which the user opens a C64 picture, marks
// a rectangle of whole cells on it with the left button and turns it into a
// new object of the project with the right button. Built once, hidden; its
// picture, selection, zoom and transparency choice last for the whole run.
#pragma once

#include <cstdint>
#include <gtk/gtk.h>
#include <span>

#include "grabber/objectgrabber_selection.h"

// The window with every widget and signal connection, not shown.
GtkWidget *create_window_object_grabber();

// Back to the start of a run (no picture, empty selection, colour 0, 1X)
// and the object list attached to the window's icon view.
void objectgrabber_module_init(GtkWidget *window);
// Drops the picture and destroys the window.
void objectgrabber_cleanup();

// Decodes a picture file into the grabber; on failure the decoder's
// message in an error dialog and the previous picture stays.
gboolean objectgrabber_open_picture(const char *path);
// Grabs the selection as a new object, with the transparency chosen in the
// window; "Failed to import object" when the project cannot take it. TRUE
// when an object was added.
gboolean objectgrabber_grab();

// What the grabber holds (tests and tools read it).
const GrabberSelection &objectgrabber_get_selection();
int objectgrabber_get_transparent_colour();
int objectgrabber_get_zoom();
gboolean objectgrabber_picture_loaded();
std::span<const uint8_t> objectgrabber_get_hires_data();
// The unzoomed picture the area shows, or null before its first configure.
GdkPixbuf *objectgrabber_get_canvas();

// --- Signal handlers ---
gboolean on_window_object_grabber_delete_event(GtkWidget *widget, GdkEvent *event, gpointer data);
gboolean on_window_object_grabber_key_press_event(GtkWidget *widget, GdkEventKey *event,
                                                  gpointer data);
void on_menuitem_object_grabber_open_hires_activate(GtkMenuItem *item, gpointer data);
gboolean on_drawingarea_object_grabber_object_preview_configure_event(GtkWidget *widget,
                                                                      GdkEventConfigure *event,
                                                                      gpointer data);
gboolean on_drawingarea_object_grabber_object_preview_expose_event(GtkWidget *widget,
                                                                   GdkEventExpose *event,
                                                                   gpointer data);
gboolean on_drawingarea_object_grabber_object_preview_button_press_event(GtkWidget *widget,
                                                                         GdkEventButton *event,
                                                                         gpointer data);
gboolean on_drawingarea_object_grabber_object_preview_motion_notify_event(GtkWidget *widget,
                                                                          GdkEventMotion *event,
                                                                          gpointer data);
gboolean on_drawingarea_object_grabber_palette_configure_event(GtkWidget *widget,
                                                               GdkEventConfigure *event,
                                                               gpointer data);
gboolean on_drawingarea_object_grabber_palette_expose_event(GtkWidget *widget,
                                                            GdkEventExpose *event, gpointer data);
gboolean on_drawingarea_object_grabber_palette_button_press_event(GtkWidget *widget,
                                                                  GdkEventButton *event,
                                                                  gpointer data);
void on_radiobutton_object_grabber_zoom_4_clicked(GtkButton *button, gpointer data);
void on_radiobutton_object_grabber_zoom_2_clicked(GtkButton *button, gpointer data);
void on_radiobutton_object_grabber_zoom_1_clicked(GtkButton *button, gpointer data);
