// The C64's sixteen colours: RGB values, names, brushes, colour boxes and
// the 256 x 16 palette strip. Every lookup takes its index modulo 16.
#pragma once

#include <array>
#include <cstdint>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include "base/gref.h"

extern const uint8_t palette_rgb[16][3];
extern const char *const palette_name[16];

const char *palette_get_name_at_index(int index);
void palette_get_rgb_at_index(int index, uint8_t rgb[3]);

// The 256 x 16 palette strip: sixteen 16 x 16 cells, each a 14 x 14 square
// of its colour (the brush) inside a one-pixel black frame (with it, the
// colour box). Made once by whoever shows them.
class PaletteImages
{
  public:
    PaletteImages();
    GdkPixbuf *strip() const { return strip_.get(); }
    GdkPixbuf *brush(int index) const;
    GdkPixbuf *color_box(int index) const;

  private:
    GRef<GdkPixbuf> strip_;
    std::array<GRef<GdkPixbuf>, 16> brush_;
    std::array<GRef<GdkPixbuf>, 16> color_box_;
};
