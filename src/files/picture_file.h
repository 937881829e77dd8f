// C64 pictures on disk: read through the safe file functions, then decoded
// from their bytes. A picture is a file of one of the five C64 paint
// formats, or an image (PNG, GIF, BMP: whatever gdk-pixbuf reads) whose
// pixels are matched to the palette and to the C64's cells.
#pragma once

#include <cstdint>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <span>
#include <string>
#include <vector>

#include "c64/image_match.h"

// hiresdecoder_decode_hires_screen_data over a file's contents; a read
// failure is passed on as it is.
bool picture_read_file(const char *filename, int format, GdkPixbuf **image, uint8_t *destination,
                       GError **error);

// Images may be larger than C64 programs, within reason.
inline constexpr gsize kPictureMaxImageInput = gsize{16} << 20;
// The key under which a PNG Zembrix writes keeps its cells' bytes.
inline constexpr const char *kPictureCellsKey = "zembrix-cells";

struct PictureRead
{
    // Bitmap, screen RAM and colour RAM: 10,000 bytes.
    std::vector<uint8_t> hires;
    int background = 0;
    // An image, not a C64 file: the cells where a pixel changed colour.
    bool from_image = false;
    std::vector<int> clashes;
};

// Decodes a picture's bytes: a C64 file when its load address and length
// say so, an image otherwise; background (-1: the image's most frequent
// colour, or the one its cells' bytes name) is used for images only.
// Fails with "Undetected picture format" for bytes that are neither, and
// with the sizes taken for an image of another size.
bool picture_decode_any(std::span<const uint8_t> bytes, int background, PictureRead *picture,
                        GError **error);
// The same over a file (bounded by kPictureMaxImageInput).
bool picture_read_any(const char *filename, int background, PictureRead *picture, GError **error);
// The picture as the C64 shows it: 320 x 200, opaque.
GdkPixbuf *picture_render(const PictureRead &picture);

// An image as PNG bytes with the bytes of the cells it shows (columns x
// rows, cell after cell: 8 bitmap bytes, one screen and one colour byte
// each; background -1 when pair 00 is transparent) kept beside its
// pixels, so that it reads back as the same bytes wherever its pixels are
// unchanged.
bool picture_encode_png_with_cells(GdkPixbuf *image, std::span<const uint8_t> bitmap,
                                   std::span<const uint8_t> screen, std::span<const uint8_t> colour,
                                   int columns, int rows, int background, std::vector<uint8_t> *png,
                                   GError **error);
