// The grabber's selection on a 320 x 200 picture: whole character cells,
// started by a press and grown or shrunk by dragging one cell at a time, at
// most 15 x 15 cells, never past the picture's border. No display needed.
#pragma once

#include <string>

#include "c64/pixbufs.h"

struct GrabberSelection
{
    // Picture pixels. x and y are the start corner; a negative width or
    // height means the selection lies left of x (or above y): it covers the
    // columns x + width to x - 1.
    ZbxRect rect{0, 0, 0, 0};
    // Drag anchors in picture pixels; -1 when none is set. The first motion
    // with the button held sets them; the free edge then follows the
    // pointer's distance from them in whole cells.
    int xold = -1;
    int yold = -1;
};

// A press at (x, y) on the picture shown 2^zoom times enlarged: the
// selection starts, empty, at the cell under the pointer (kept inside the
// picture), and the anchors of an earlier drag are dropped.
void objectgrabber_press(GrabberSelection *selection, double x, double y, int zoom);
// The button is no longer held: the next drag sets new anchors.
void objectgrabber_motion_handler_reset(GrabberSelection *selection);
// One drag step with the pointer at (x, y) in picture pixels; true when the
// selection changed.
bool objectgrabber_motion_handler(int x, int y, GrabberSelection *selection);

// Width or height 0.
bool objectgrabber_selection_empty(const ZbxRect &rect);
// The same pixels with a non-negative width and height.
ZbxRect objectgrabber_normalise(const ZbxRect &rect);
// " Selection X: %d, Y: %d, Width: %d, Height: %d" in cells (not normalised,
// so a width of -16 reads -2); "" for an empty selection.
std::string objectgrabber_selection_details(const ZbxRect &rect);
// The frame of the selection on the area showing the picture 2^zoom times
// enlarged, clipped to the picture; false when there is nothing to draw.
bool objectgrabber_frame_on_area(const ZbxRect &rect, int zoom, ZbxRect *frame);
// The palette colour under x on the 16-square palette strip.
int objectgrabber_palette_colour_at(double x);
// "Cell 12, 7 · pixel 96, 56": the cell and picture pixel under (x, y) on
// the area showing the picture 2^zoom times enlarged; "" off the picture.
std::string objectgrabber_pointer_text(double x, double y, int zoom);

// The most of the zoomed picture the grabber shows at once; past it the
// picture scrolls, so that at 4X the window fits a 1,280 x 800 screen.
inline constexpr int kGrabberViewMaxWidth = 800;
inline constexpr int kGrabberViewMaxHeight = 544;
