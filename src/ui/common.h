// Helpers shared by every window: frames and palette markers drawn on
// realised areas, canvases painted into them, and the message and
// confirmation dialogs.
#pragma once

#include <glib.h>
#include <gtk/gtk.h>

#include "c64/pixbufs.h"
#include "items/document.h"
#include "render/canvas.h"

// --- Drawing on a realised area ---
// Frames an item placed at (rect->x, rect->y) in the location area: takes
// the object's size, or the panel's bounding box (moving x and y by its
// offset), then strokes the zoomed and clipped frame, black when
// frame_colour is 1 and white otherwise. rect holds the item's frame in
// location-area pixels afterwards.
void common_draw_rectangle_around_item(const Document &document, GtkWidget *area, int frame_colour,
                                       int zoom, int item, bool is_object, ZbxRect *rect);
// Strokes the frame of rect (location-area pixels, unzoomed) on the area.
void common_stroke_item_frame(GtkWidget *area, int frame_colour, int zoom, ZbxRect rect);
// The white marker around one 16 x 16 square of a palette strip.
void common_draw_rectangle_around_color_in_palette(cairo_t *cr, int colour);
// Paints an image into the exposed part of a realised area, each pixel a
// block of 2^zoom (no smoothing). False when there is nothing to paint.
bool common_paint_image(GtkWidget *area, GdkPixbuf *image, const GdkRectangle *exposed, int zoom);
// Draws the grid of 8 x 8 cells over the exposed part of a realised area
// showing a C64 screen 2^zoom times enlarged, from row `top` of the screen
// down (the location area starts at row 56): one-pixel lines, dark and
// light in turn, so that they show over any colour.
void common_draw_cell_grid(GtkWidget *area, const GdkRectangle *exposed, int zoom, int top);
// Paints a palette strip with the marker around a colour.
bool common_paint_palette(GtkWidget *area, GdkPixbuf *strip, const GdkRectangle *exposed,
                          int colour);

// --- Zoom from the keyboard and the wheel ---
// +1 for Control+plus (also Control+equal and the keypad's plus: on most
// keyboards plus needs Shift), -1 for Control+minus, 0 for any other key.
int common_zoom_key_step(const GdkEventKey *event);
// +1 for Control+wheel up, -1 down, 0 without Control (the wheel scrolls).
int common_zoom_scroll_step(const GdkEventScroll *event);

// --- Dialogs ---
// A modal message with a close button over parent (may be null), titled
// "Error" (error), "Information" (info) or "Warning"; shown at once and
// destroyed on its response. Returns the dialog.
GtkWidget *common_message_dialog(GtkWindow *parent, const char *text, GtkMessageType type);
// The yes/no dialog over parent, built anew for each question.
GtkWidget *create_dialog_yes_no_confirmation(GtkWindow *parent);
// Asks the question (Pango markup); true only for yes.
bool common_get_user_confirmation(GtkWindow *parent, const char *question);
