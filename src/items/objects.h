// Objects: the raw C64 record of an object (header byte with w and h in
// cells, 8wh bitmap bytes, wh screen bytes, wh colour bytes), checked as a
// single-object file holds it, and cut from a picture. The objects of the
// project are the document's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <span>
#include <vector>

#include "c64/pixbufs.h"
#include "items/project.h"

// The size in bytes of an object record of w x h cells: header, bitmap,
// screen and colour bytes.
constexpr size_t objects_record_size(int w_cells, int h_cells)
{
    return static_cast<size_t>(w_cells) * static_cast<size_t>(h_cells) * 10 + 1;
}

// Whether a record holds a dimension byte with width and height in 1..15
// and the 10wh + 1 bytes it announces (more may follow); reports w and h in
// cells.
bool objects_record_ok(std::span<const uint8_t> data, int *w_cells, int *h_cells);

// --- Records as object files hold them ---
// Checks an object record as a whole file holds it: its length must be
// exactly 10wh + 1 for the w x h cells of its header ("Unrecognized format"),
// and w and h must not be 0 ("Unrecognized format: the header gives w x h
// cells, and an object has 1 to 15 each way"). Reports w and h.
bool objects_check_object_record(std::span<const uint8_t> record, int *w_cells, int *h_cells,
                                 GError **error);
// Checks a record as above and renders it (bit pair 00 transparent); a new
// image owned by the caller, or null with the error set.
GdkPixbuf *objects_render_object_record(std::span<const uint8_t> record, GError **error);
// --- Objects cut from a picture ---
// Builds the object record of a region of a 40 x 25 cell picture (bitmap of
// 8000 bytes, screen and colour of 1000): header, bitmap, screen bytes and
// colour bytes whose high nibble tells which bit pairs the cell uses. With a
// transparent colour (0..15; -1 for none) the bit pair showing that colour in
// a cell becomes 00. Empty when the region is not 1 to 15 whole cells inside
// the picture or a buffer is too short.
std::vector<uint8_t> objects_region_to_record(std::span<const uint8_t> bitmap,
                                              std::span<const uint8_t> screen,
                                              std::span<const uint8_t> colour, ZbxRect region,
                                              int transparent);

// --- What an object shows ---
// How many of the record's multicolour pixels (two bitmap bits each) show
// each of the 16 colours: bit pair 01 the screen byte's high nibble, 10 its
// low nibble, 11 the colour byte's low nibble; pair 00 is the background
// and counts for none. All zero for a record objects_record_ok refuses.
std::array<int, 16> objects_colour_pixels(std::span<const uint8_t> record);
