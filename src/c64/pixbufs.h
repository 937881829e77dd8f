// C64 multicolour data into RGBA pixels. The byte-level work is done by the
// *_raw functions over plain buffers; the GdkPixbuf operations wrap them.
#pragma once

#include <cstdint>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <span>

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

// Pass as background to leave pair 00 transparent (0, 0, 0, 0).
inline constexpr int kTransparent = -1;

// Draws w x h cells into dst at (0, 0); dst must hold 8w x 8h pixels.
void pixbufs_render_hires_raw(RgbaView dst, const HiresData &src, int w_cells, int h_cells,
                              int background);
// Draws the region of a 40-cell-wide picture into dst (region size), pair 00 transparent.
void pixbufs_render_hires_region_raw(RgbaView dst, const HiresData &picture, ZbxRect region);
// Draws w x h cells with their top-left at (x, y), clipped to 320 x 200; opaque.
void pixbufs_fill_from_hires_data_opaque_raw(RgbaView dst, const HiresData &src, int background,
                                             int w_cells, int h_cells, int x, int y);

RgbaView pixbufs_view(GdkPixbuf *pixbuf);

GdkPixbuf *pixbufs_new_from_hires(const uint8_t *bitmap, const uint8_t *screen,
                                  const uint8_t *colour, int w_cells, int h_cells);
GdkPixbuf *pixbufs_new_from_hires_opaque(const uint8_t *bitmap, const uint8_t *screen,
                                         const uint8_t *colour, int background, int w_cells,
                                         int h_cells);
GdkPixbuf *pixbufs_new_from_hires_region(const uint8_t *bitmap, const uint8_t *screen,
                                         const uint8_t *colour, ZbxRect region);
void pixbufs_fill_from_hires_data_opaque(GdkPixbuf *dst, const uint8_t *bitmap,
                                         const uint8_t *screen, const uint8_t *colour,
                                         int background, int w_cells, int h_cells, int x, int y);
