#include "c64/palette.h"
#include "base/gref.h"
#include <array>

// clang-format off
const uint8_t palette_rgb[16][3] = {
    {0x00, 0x00, 0x00},
    {0xFF, 0xFF, 0xFF},
    {0x68, 0x37, 0x2B},
    {0x70, 0xA4, 0xB2},
    {0x6F, 0x3D, 0x86},
    {0x58, 0x8D, 0x43},
    {0x35, 0x28, 0x79},
    {0xB8, 0xC7, 0x6F},
    {0x6F, 0x4F, 0x25},
    {0x43, 0x39, 0x00},
    {0x9A, 0x67, 0x59},
    {0x44, 0x44, 0x44},
    {0x6C, 0x6C, 0x6C},
    {0x9A, 0xD2, 0x84},
    {0x6C, 0x5E, 0xB5},
    {0x95, 0x95, 0x95},
};

const char *const palette_name[16] = {
    "black",
    "white",
    "red",
    "cyan",
    "purple",
    "green",
    "blue",
    "yellow",
    "orange",
    "brown",
    "light red",
    "dark grey",
    "grey",
    "light green",
    "light blue",
    "light grey",
};

// clang-format on

namespace {
int wrap(int index)
{
    return ((index % 16) + 16) % 16;
}
} // namespace

PaletteImages::PaletteImages()
{
    // Drawn here rather than decoded from an image, which would load an
    // image loader module at every start.
    strip_.reset(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 256, 16));
    g_assert(strip_);
    gdk_pixbuf_fill(strip_.get(), 0x000000ff);
    for (int i = 0; i < 16; i++) {
        brush_[i].reset(gdk_pixbuf_new_subpixbuf(strip_.get(), 16 * i + 1, 1, 14, 14));
        color_box_[i].reset(gdk_pixbuf_new_subpixbuf(strip_.get(), 16 * i, 0, 16, 16));
        const uint8_t *c = palette_rgb[i];
        gdk_pixbuf_fill(brush_[i].get(), (guint32{c[0]} << 24) | (guint32{c[1]} << 16) |
                                             (guint32{c[2]} << 8) | 0xff);
    }
}

GdkPixbuf *PaletteImages::brush(int index) const
{
    return brush_[wrap(index)].get();
}

GdkPixbuf *PaletteImages::color_box(int index) const
{
    return color_box_[wrap(index)].get();
}

const char *palette_get_name_at_index(int index)
{
    return palette_name[wrap(index)];
}

void palette_get_rgb_at_index(int index, uint8_t rgb[3])
{
    const uint8_t *c = palette_rgb[wrap(index)];
    rgb[0] = c[0];
    rgb[1] = c[1];
    rgb[2] = c[2];
}
