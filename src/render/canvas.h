// Canvases: 320 x 200 RGBA images of one C64 screen, the location area
// within them, the backdrop copied into them, and the frame of an item
// placed there. No display needed.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include "c64/pixbufs.h"

// A canvas is one C64 screen.
inline constexpr int back_width = kScreenWidth;
inline constexpr int back_height = kScreenHeight;

// A new canvas, opaque black; owned by the caller.
GdkPixbuf *canvas_new();
// Copies a 320 x 200 image (the backdrop; nothing happens for null) into
// the canvas.
void canvas_copy_image(GdkPixbuf *source, GdkPixbuf *canvas);
// Only the rows above the location area, for a drawing that covers the
// area itself.
void canvas_copy_image_above_area(GdkPixbuf *source, GdkPixbuf *canvas);
void canvas_erase(GdkPixbuf *canvas, int colour);
// Fills the location area (0, 56, 320, 144) with a palette colour.
void canvas_fill_location_area(GdkPixbuf *canvas, int colour);
// Scales an item's frame (position and size in the location area) by the
// zoom exponent and clips it to the zoomed location area; false when
// nothing remains to draw.
bool canvas_clip_item_frame(int zoom, ZbxRect *rect);
// As canvas_clip_item_frame, then moved into drawing-area coordinates (the
// location area starts 56 rows down, scaled by the zoom): the rectangle the
// frame is stroked along.
bool canvas_item_frame_on_area(int zoom, ZbxRect *rect);
