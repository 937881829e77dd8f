// C64 picture files: full-screen multicolour bitmaps saved by C64 paint
// programs, recognised by their load address and exact length only.
//
// Every such file is a C64 program: two bytes of load address, low byte
// first, then a memory image starting at that address. Decoding takes the
// bitmap, screen RAM and colour RAM out of it into hires data and renders
// the picture with its background colour.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <span>

#include "c64/pixbufs.h"

// Hires data: one full picture, bitmap at 0, screen RAM at 8000, colour
// RAM at 9000.
inline constexpr size_t kHiresBitmapSize = 8000;
inline constexpr size_t kHiresCellCount = 1000;
inline constexpr size_t kHiresScreenOffset = 8000;
inline constexpr size_t kHiresColourOffset = 9000;
inline constexpr size_t kHiresDataSize = 10000;

// Format selectors; 0 asks for detection.
enum : int
{
    kHiresDetect = 0,
    kHiresVidcom64 = 1,
    kHiresKoalaPainter = 2,
    kHiresArtist64 = 3,
    kHiresAdvancedArtStudio = 4,
    kHiresBlazingPaddles = 5,
};

struct HiresFormat
{
    int selector;
    const char *name;
    uint16_t load_address;
    size_t length; // the whole file, load address included
    // File offsets (the load address counts) of the three areas and of
    // the background colour byte.
    size_t bitmap;
    size_t screen;
    size_t colour;
    size_t background;
};

// The five formats in selector order, which is also the order in which
// detection tries them.
// clang-format off
inline constexpr std::array<HiresFormat, 5> hiresdecoder_formats = {{
    // selector               name                   load    length bitmap screen colour background
    {kHiresVidcom64,          "Vidcom 64",           0x5800, 10050, 2050,  1026,  2,     2027},
    {kHiresKoalaPainter,      "Koala Painter",       0x6000, 10003, 2,     8002,  9002,  10002},
    {kHiresArtist64,          "Artist 64",           0x4000, 10242, 2,     8194,  9218,  10241},
    {kHiresAdvancedArtStudio, "Advanced Art Studio", 0x2000, 10018, 2,     8002,  9018,  9003},
    {kHiresBlazingPaddles,    "Blazing Paddles",     0xA000, 10242, 2,     8194,  9218,  8066},
}};
// clang-format on

// The format of selector 1 to 5; null for any other.
const HiresFormat *hiresdecoder_format(int selector);
// The selector of the first format whose load address and length the file
// has, or 0. A file shorter than two bytes has no load address and matches
// nothing.
int hiresdecoder_detect_format(std::span<const uint8_t> file);

// A picture as it lies in a file's bytes (the spans point into them).
struct HiresPictureView
{
    const HiresFormat *format;
    HiresData areas;    // bitmap 8000 bytes, screen and colour 1000 each
    uint8_t background; // as read; its low nibble is the colour
};

// Checks a file's bytes against a format selector (0 detects) and finds
// the picture in them. FALSE with a file-domain error when the bytes are
// no picture of that format.
bool hiresdecoder_parse_picture(std::span<const uint8_t> file, int format,
                                HiresPictureView *picture, GError **error);
// Copies a picture's areas into a hires data buffer.
void hiresdecoder_store_hires_data(const HiresPictureView &picture,
                                   std::span<uint8_t, kHiresDataSize> destination);
// The three areas of a hires data buffer.
HiresData hiresdecoder_hires_areas(std::span<const uint8_t, kHiresDataSize> hires);

// Decodes a picture file's bytes: fills destination (10000 bytes, or null
// to leave it alone) and, when image is given, sets it to a new opaque
// 320 x 200 image owned by the caller. On failure *image is null and
// destination untouched.
bool hiresdecoder_decode_hires_screen_data(std::span<const uint8_t> file, int format,
                                           GdkPixbuf **image, uint8_t *destination, GError **error);
