// Helpers shared by every window: the backdrop, canvases, frames, palette
// markers and the message and confirmation dialogs.
#pragma once

#include <glib.h>
#include <gtk/gtk.h>
#include <string>
#include <vector>

#include "c64/pixbufs.h"
#include "render/canvas.h"

// --- Drawing on a realised area ---
// Frames an item placed at (rect->x, rect->y) in the location area: takes
// the object's size, or the panel's bounding box (moving x and y by its
// offset), then strokes the zoomed and clipped frame, black when
// frame_colour is 1 and white otherwise. rect holds the item's frame in
// location-area pixels afterwards.
void common_draw_rectangle_around_item(GtkWidget *area, int frame_colour, int zoom, int item,
                                       gboolean is_object, ZbxRect *rect);
// Strokes the frame of rect (location-area pixels, unzoomed) on the area.
void common_stroke_item_frame(GtkWidget *area, int frame_colour, int zoom, ZbxRect rect);
// The white marker around one 16 x 16 square of a palette strip.
void common_draw_rectangle_around_color_in_palette(cairo_t *cr, int colour);

// --- Dialogs and the main window ---
// A modal message with a close button, titled "Error" (error), "Information"
// (info) or "Warning"; shown at once and destroyed on its response.
// Returns the dialog.
GtkWidget *common_message_dialog(GtkWindow *parent, const char *text, GtkMessageType type);
// The yes/no dialog, built anew for each question.
GtkWidget *create_dialog_yes_no_confirmation();
// Asks the question (Pango markup); TRUE only for yes.
gboolean common_get_user_confirmation(const char *question);
// Applies the loaded options to the main window (incremental rendering,
// position).
void common_adjust_from_options();
// The clash view, one setting for every window: stores and saves a change
// in the options, and brings the main window's menu item and the panel
// editor's check button to it (their handlers redraw their own views).
void common_set_show_clashes(bool on);
