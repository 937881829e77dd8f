// C64 multicolour data into RGBA pixels. The byte-level work is done by the
// *_raw functions over plain buffers; the GdkPixbuf operations wrap them.
//
// A cell is 8 x 8 pixels: 8 bitmap bytes (one per row, four double-width
// pixels of two bits each, leftmost in bits 7-6), one screen byte and one
// colour byte. Bit pair 00 shows the background (or nothing), 01 the screen
// byte's high nibble, 10 its low nibble, 11 the colour byte's low nibble.
#pragma once

#include <cstdint>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <span>
#include <vector>

// Rectangle in pixels, laid out as the toolkit's rectangle.
struct ZbxRect
{
    int x, y, width, height;
};

// A writable RGBA (4 bytes per pixel) target.
struct RgbaView
{
    uint8_t *pixels;
    int width;
    int height;
    int rowstride;
};

// One multicolour area: bitmap (8 bytes per cell), screen and colour (one
// byte per cell), cells in row-major order.
struct HiresData
{
    std::span<const uint8_t> bitmap;
    std::span<const uint8_t> screen;
    std::span<const uint8_t> colour;
};

// Pass as background to leave pair 00 transparent (0, 0, 0, 0). Any other
// background is a colour index, taken modulo 16.
inline constexpr int kTransparent = -1;

// The C64 screen that canvases show and that drawing is clipped to.
inline constexpr int kScreenWidth = 320;
inline constexpr int kScreenHeight = 200;
// A full picture is 40 x 25 cells.
inline constexpr int kPictureColumns = 40;
inline constexpr int kPictureRows = 25;
// The location area of a screen: 40 x 18 cells from row 56.
inline constexpr int kLocationTop = 56;
inline constexpr int kLocationWidth = 320;
inline constexpr int kLocationHeight = 144;
// The largest object: 15 x 15 cells.
inline constexpr int kMaxObjectPixels = 120;

// The raw functions check their buffers: a source span shorter than the
// cells need, or a target that cannot hold what is asked, draws nothing and
// gives false.

// Draws w x h cells into dst at (0, 0); dst must hold 8w x 8h pixels.
bool pixbufs_render_hires_raw(RgbaView dst, const HiresData &src, int w_cells, int h_cells,
                              int background);
// Draws a region of a 40-cell-wide picture into dst (which must hold the
// region's size), pair 00 transparent. Output pixel (k, r) shows picture
// pixel (x + k, y + r); pixels outside the picture's cells are transparent.
bool pixbufs_render_hires_region_raw(RgbaView dst, const HiresData &picture, ZbxRect region);
// Draws w x h cells with their top-left at (x, y), clipped to 320 x 200 and
// to dst; opaque, pair 00 in the background colour.
bool pixbufs_fill_from_hires_data_opaque_raw(RgbaView dst, const HiresData &src, int background,
                                             int w_cells, int h_cells, int x, int y);

// The pixels of an 8-bit RGBA pixbuf; an empty view (null pixels, zero
// size) for null or any other kind of pixbuf.
RgbaView pixbufs_view(GdkPixbuf *pixbuf);

// New 8w x 8h image, pair 00 transparent; null if it cannot be made.
GdkPixbuf *pixbufs_new_from_hires(const uint8_t *bitmap, const uint8_t *screen,
                                  const uint8_t *colour, int w_cells, int h_cells);
// New 8w x 8h image, every pixel opaque, pair 00 in the background colour
// (taken modulo 256, then modulo 16).
GdkPixbuf *pixbufs_new_from_hires_opaque(const uint8_t *bitmap, const uint8_t *screen,
                                         const uint8_t *colour, int background, int w_cells,
                                         int h_cells);
// New image of the region's size from a 40 x 25 cell picture (8000-byte
// bitmap, 1000-byte screen and colour); pair 00 transparent.
GdkPixbuf *pixbufs_new_from_hires_region(const uint8_t *bitmap, const uint8_t *screen,
                                         const uint8_t *colour, ZbxRect region);
// Draws w x h cells into a canvas with their top-left at (x, y), clipped to
// the 320 x 200 screen; opaque.
void pixbufs_fill_from_hires_data_opaque(GdkPixbuf *dst, const uint8_t *bitmap,
                                         const uint8_t *screen, const uint8_t *colour,
                                         int background, int w_cells, int h_cells, int x, int y);

// The image as PNG bytes (lossless, encoded in memory with a fast zlib
// level). Returns false with gdk-pixbuf's error.
bool pixbufs_encode_png(GdkPixbuf *image, std::vector<uint8_t> *png, GError **error);
