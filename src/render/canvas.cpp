// Canvases: the display-free half of the drawing helpers.
#include <algorithm>
#include <cstring>

#include "base/gref.h"
#include "c64/palette.h"
#include "render/canvas.h"

namespace {

void fill_rect(GdkPixbuf *canvas, int colour, int x0, int y0, int width, int height)
{
    uint8_t rgb[3];
    palette_get_rgb_at_index(colour & 255, rgb);
    RgbaView v = pixbufs_view(canvas);
    for (int y = y0; y < y0 + height && y < v.height; y++) {
        uint8_t *p = v.pixels + y * v.rowstride + x0 * 4;
        for (int x = x0; x < x0 + width && x < v.width; x++, p += 4) {
            p[0] = rgb[0];
            p[1] = rgb[1];
            p[2] = rgb[2];
            p[3] = 255;
        }
    }
}
} // namespace

GdkPixbuf *canvas_new()
{
    GdkPixbuf *canvas = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, back_width, back_height);
    // Opaque black until something is drawn, so that a canvas never shows
    // stale memory (for instance when the backdrop is missing).
    if (canvas != nullptr) {
        gdk_pixbuf_fill(canvas, 0x000000ff);
    }
    return canvas;
}

namespace {
// Copies the top `rows` rows of a 320-pixel-wide image into the canvas.
void copy_rows(GdkPixbuf *source, GdkPixbuf *canvas, int rows)
{
    if (source == nullptr || canvas == nullptr) {
        return;
    }
    if (gdk_pixbuf_get_has_alpha(source) && gdk_pixbuf_get_n_channels(source) == 4 &&
        gdk_pixbuf_get_width(source) >= back_width && gdk_pixbuf_get_height(source) >= rows) {
        RgbaView s = pixbufs_view(source);
        RgbaView d = pixbufs_view(canvas);
        for (int y = 0; y < rows; y++) {
            std::memcpy(d.pixels + y * d.rowstride, s.pixels + y * s.rowstride, back_width * 4);
        }
        return;
    }
    gdk_pixbuf_copy_area(source, 0, 0, back_width, rows, canvas, 0, 0);
}
} // namespace

void canvas_copy_image(GdkPixbuf *source, GdkPixbuf *canvas)
{
    copy_rows(source, canvas, back_height);
}

void canvas_copy_image_above_area(GdkPixbuf *source, GdkPixbuf *canvas)
{
    copy_rows(source, canvas, kLocationTop);
}

void canvas_erase(GdkPixbuf *canvas, int colour)
{
    if (canvas != nullptr) {
        fill_rect(canvas, colour, 0, 0, back_width, back_height);
    }
}

void canvas_fill_location_area(GdkPixbuf *canvas, int colour)
{
    if (canvas != nullptr) {
        fill_rect(canvas, colour, 0, kLocationTop, kLocationWidth, kLocationHeight);
    }
}

bool canvas_clip_item_frame(int zoom, ZbxRect *rect)
{
    int scale = 1 << zoom;
    int x = rect->x * scale;
    int y = rect->y * scale;
    int right = x + rect->width * scale;
    int bottom = y + rect->height * scale;
    int x0 = std::max(x, 0);
    int y0 = std::max(y, 0);
    int x1 = std::min(right, kLocationWidth * scale);
    int y1 = std::min(bottom, kLocationHeight * scale);
    if (x1 <= x0 || y1 <= y0) {
        return false;
    }
    *rect = {x0, y0, x1 - x0, y1 - y0};
    return true;
}

bool canvas_item_frame_on_area(int zoom, ZbxRect *rect)
{
    if (!canvas_clip_item_frame(zoom, rect)) {
        return false;
    }
    rect->y += kLocationTop << zoom;
    return true;
}
