// Helpers shared by every window: the backdrop, canvases, frames, palette
// markers and the message and confirmation dialogs.
#pragma once

#include <glib.h>
#include <gtk/gtk.h>
#include <string>
#include <vector>

#include "c64/pixbufs.h"

inline constexpr int back_width = 320;
inline constexpr int back_height = 200;
// The location area of a canvas: 40 x 18 cells from row 56.
inline constexpr int kLocationTop = 56;
inline constexpr int kLocationWidth = 320;
inline constexpr int kLocationHeight = 144;

// --- Canvases (no display needed) ---
// Loads "background.png" from the data folder, beside the executable or
// from the current folder.
gboolean common_load_background_pixbuf(GError **error);
// The places looked in, in order: the installed data folder (where it was
// installed to, then relative to the executable), the folder of the
// executable (the build tree), the current folder.
std::vector<std::string> common_background_candidates();
// Replaces those places (tests); an empty list restores them.
void common_set_background_candidates(std::vector<std::string> paths);
// Sets the backdrop directly (tests, the command line); takes a new reference.
void common_set_background_pixbuf(GdkPixbuf *background);
GdkPixbuf *common_get_background_pixbuf();
GdkPixbuf *common_create_new_canvas();
void common_copy_background_image_to_pixbuf(GdkPixbuf *canvas);
void common_copy_image_to_pixbuf(GdkPixbuf *source, GdkPixbuf *canvas);
void common_erase_pixbuf(GdkPixbuf *canvas, int colour);
// Fills the location area (0, 56, 320, 144) with a palette colour.
void common_fill_location_area(GdkPixbuf *canvas, int colour);
// Scales an item's frame (position and size in the location area) by the
// zoom exponent and clips it to the zoomed location area; FALSE when
// nothing remains to draw.
gboolean common_clip_item_frame(int zoom, ZbxRect *rect);
// As common_clip_item_frame, then moved into drawing-area coordinates (the
// location area starts 56 rows down, scaled by the zoom): the rectangle the
// frame is stroked along.
gboolean common_item_frame_on_area(int zoom, ZbxRect *rect);
void common_canvas_cleanup();

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
// Makes the main window's location commands (in)sensitive.
void common_preview_changed_set_sensitive(gboolean flag);
