// The C64's sixteen colours: RGB values, names, brushes, colour boxes and
// the 256 x 16 palette strip. Every lookup takes its index modulo 16.
#pragma once

#include <cstdint>
#include <gdk-pixbuf/gdk-pixbuf.h>

extern const uint8_t palette_rgb[16][3];
extern const char *const palette_name[16];

void palette_module_init();
GdkPixbuf *palette_get_palette_pixbuf();
GdkPixbuf *palette_get_brush_at_index(int index);
GdkPixbuf *palette_get_color_box_at_index(int index);
const char *palette_get_name_at_index(int index);
void palette_get_rgb_at_index(int index, uint8_t rgb[3]);
