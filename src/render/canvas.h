// Canvases and the backdrop: 320 x 200 RGBA images of one C64 screen, the
// location area within them, and the frame of an item placed there. No
// display needed.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <string>
#include <vector>

#include "c64/pixbufs.h"

// A canvas is one C64 screen.
inline constexpr int back_width = kScreenWidth;
inline constexpr int back_height = kScreenHeight;

// Loads "background.png" from the data folder, beside the executable or
// from the current folder.
gboolean canvas_load_backdrop(GError **error);
// The places looked in, in order: the installed data folder (where it was
// installed to, then relative to the executable), the folder of the
// executable (the build tree), the current folder.
std::vector<std::string> canvas_backdrop_candidates();
// Replaces those places (tests); an empty list restores them.
void canvas_set_backdrop_candidates(std::vector<std::string> paths);
// Sets the backdrop directly (tests, the command line); takes a new reference.
void canvas_set_backdrop(GdkPixbuf *background);
GdkPixbuf *canvas_get_backdrop();
GdkPixbuf *canvas_new();
void canvas_copy_backdrop(GdkPixbuf *canvas);
// Only the rows above the location area, for a drawing that covers the
// area itself.
void canvas_copy_backdrop_above_area(GdkPixbuf *canvas);
void canvas_copy_image(GdkPixbuf *source, GdkPixbuf *canvas);
void canvas_erase(GdkPixbuf *canvas, int colour);
// Fills the location area (0, 56, 320, 144) with a palette colour.
void canvas_fill_location_area(GdkPixbuf *canvas, int colour);
// Scales an item's frame (position and size in the location area) by the
// zoom exponent and clips it to the zoomed location area; FALSE when
// nothing remains to draw.
gboolean canvas_clip_item_frame(int zoom, ZbxRect *rect);
// As canvas_clip_item_frame, then moved into drawing-area coordinates (the
// location area starts 56 rows down, scaled by the zoom): the rectangle the
// frame is stroked along.
gboolean canvas_item_frame_on_area(int zoom, ZbxRect *rect);
void canvas_cleanup();
// The folder the running program lies in ("" when it cannot be told).
std::string canvas_executable_folder();
