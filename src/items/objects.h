// The object store: the object side of the shared item index space. Each
// slot holds nothing or one object, kept both as its raw C64 record and as
// a rendered RGBA image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <span>
#include <vector>

#include "c64/pixbufs.h"

inline constexpr int kMaxItems = 255;

// The size in bytes of an object record of w x h cells: header, bitmap,
// screen and colour bytes.
constexpr size_t objects_record_size(int w_cells, int h_cells)
{
    return static_cast<size_t>(w_cells) * static_cast<size_t>(h_cells) * 10 + 1;
}

int objects_module_init();
// Fails when count > 255; otherwise zeroes the first count slots.
int objects_allocate_array(int count);
// Appends one empty slot and reports its index; fails when full.
int objects_grow_array(int *index);
// Stores an object at a slot in use. On success the store takes over the
// caller's image reference and copies the data; the data must be the record
// of exactly the image's size (header w x h and 10wh + 1 bytes for 8w x 8h
// pixels). On
// failure (bad index, no image, mismatched data) the image stays the caller's.
// An object already in the slot is released first.
int objects_set_array_at_index(int index, GdkPixbuf *image, std::span<const uint8_t> data);
// Appends a slot holding an object (same rules as the set above) and
// reports its index; fails when the table is full.
int objects_append_object(GdkPixbuf *image, std::span<const uint8_t> data, int *index);
int objects_unset_array_at_index(int index);
int objects_delete_item_at_index(int index);
int objects_is_array_empty_at_index(int index);
// The store keeps its reference; null when out of range or empty.
GdkPixbuf *objects_get_from_array_at_index(int index);
int objects_get_dimensions_at_index(int index, int *width, int *height);
// The store's own record bytes (empty span for an empty or bad slot).
int objects_get_data_at_index(int index, std::span<const uint8_t> *data);
// A new image owned by the caller, or null.
GdkPixbuf *objects_get_at_index_as_mask(int index);
// Appends the record's raw bytes to out; nothing for a bad index.
void objects_save_object_data(GByteArray *out, int index);
int objects_get_count_of_valid_objects();
int objects_get_array_size();
void objects_cleanup();

// --- Single-object files ---
// Checks an object record as a whole file holds it: its length must be
// exactly 10wh + 1 for the w x h cells of its header ("Unrecognized format"),
// and w and h must not be 0 ("Unrecognized format: the header gives w x h
// cells, and an object has 1 to 15 each way"). Reports w and h.
int objects_check_object_record(std::span<const uint8_t> record, int *w_cells, int *h_cells,
                                GError **error);
// Checks a record as above and renders it (bit pair 00 transparent); a new
// image owned by the caller, or null with the error set.
GdkPixbuf *objects_render_object_record(std::span<const uint8_t> record, GError **error);
// Appends the object held in a file. On success: the new image (the store
// keeps its reference) and index. On failure: image null, index -1 when the
// table is full, else the index it would have had.
int objects_import_object_data_from_file(const char *filename, GdkPixbuf **image, int *index,
                                         GError **error);
int objects_export_object_data_to_file(const char *filename, int index, GError **error);

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
// Appends an object cut from a picture; the image (region size) becomes the
// store's on success and stays the caller's on failure.
int objects_grow_array_with_hires_region(GdkPixbuf *image, const uint8_t *bitmap,
                                         const uint8_t *screen, const uint8_t *colour,
                                         ZbxRect region, int *index);
int objects_grow_array_with_hires_and_background_override(GdkPixbuf *image, const uint8_t *bitmap,
                                                          const uint8_t *screen,
                                                          const uint8_t *colour, int transparent,
                                                          ZbxRect region, int *index);
