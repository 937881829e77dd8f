// Images drawn anywhere (PNG, GIF, BMP) turned into the hires data of a
// C64 multicolour picture: each pixel takes the palette colour nearest to
// it by CIE delta E 2000, and each 8 x 8 cell keeps the background and
// its three most used other colours, as a C64 cell must.
//
// An image is taken at one of two scales: 320 x 200 with every
// multicolour pixel drawn as two image pixels side by side (and smaller
// images of an even width, placed at the top left), or 160 x 200 with one
// image pixel per multicolour pixel.
//
// Within a cell the colours are given their bit pairs in a fixed order:
// the most used colour other than the background takes 01 (the screen
// byte's high nibble), the next 10 (its low nibble), the third 11 (the
// colour byte's low nibble); ties go to the lower palette index, and a
// nibble no colour needs holds 0. A pixel of any further colour takes the
// nearest of the cell's four, and the cell is a clash.
#pragma once

#include <cstdint>
#include <glib.h>
#include <span>
#include <string>
#include <vector>

// A read-only RGBA image (4 bytes per pixel).
struct RgbaImage
{
    const uint8_t *pixels;
    int width;
    int height;
    int rowstride;
};

// How many image pixels across one multicolour pixel takes (2 or 1); 0
// for a size that is no C64 screen.
int image_match_pixel_width(int width, int height);
// The sizes taken, for messages.
inline constexpr const char *kImageSizesTaken =
    "320 x 200 (two pixels across for each C64 pixel), 160 x 200, or smaller with an even width";

// The palette colour nearest to an RGB colour (CIE delta E 2000).
int image_match_nearest(uint8_t r, uint8_t g, uint8_t b);

// How an image says it was made: the background (-1: none, pair 00 is
// transparent) and each cell's bitmap, screen and colour bytes (for the
// cells it covers, row by row), as Zembrix writes them beside the pixels
// of the images it exports. Where a cell's pixels are the ones its bytes
// draw, the bytes are kept; where they only use its colours, the colours
// are; so an image Zembrix wrote reads back byte for byte until it is
// repainted.
struct ImageCellHint
{
    int background = -1;
    int columns = 0;
    int rows = 0;
    std::vector<uint8_t> bitmap; // 8 per cell
    std::vector<uint8_t> screen;
    std::vector<uint8_t> colour;
};
// The hint as text, and back (false for text that is none).
std::string image_match_hint_text(const ImageCellHint &hint);
bool image_match_parse_hint(const char *text, ImageCellHint *hint);

struct ImagePicture
{
    // Bitmap, screen RAM and colour RAM, 10,000 bytes.
    std::vector<uint8_t> hires;
    int background = 0;
    // The cells (index c + 40 r) in which a pixel had to change colour.
    std::vector<int> clashes;
};

// Matches an image; background -1 takes the image's most frequent colour
// (or the hint's). Fully transparent pixels are the background. Cells the
// image does not reach are background. False with a ZBX_ERROR BadFormat
// error naming the sizes taken when the image has none of them.
bool image_match_picture(const RgbaImage &image, int background, const ImageCellHint *hint,
                         ImagePicture *picture, GError **error);
