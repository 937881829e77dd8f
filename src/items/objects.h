// The object store: the object side of the shared item index space. Each
// slot holds nothing or one object, kept both as its raw C64 record and as
// a rendered RGBA image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <span>

#include "c64/pixbufs.h"

inline constexpr int kMaxItems = 255;

int objects_module_init();
// Fails when count > 255; otherwise zeroes the first count slots.
int objects_allocate_array(int count);
// Appends one empty slot and reports its index; fails when full.
int objects_grow_array(int *index);
// Stores an object: takes over the caller's image reference, copies data.
int objects_set_array_at_index(int index, GdkPixbuf *image, std::span<const uint8_t> data);
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

// Single-object files.
int objects_import_object_data_from_file(const char *filename, GdkPixbuf **image, int *index,
                                         GError **error);
int objects_export_object_data_to_file(const char *filename, int index, GError **error);

// Appends an object cut from a 40 x 25 cell picture.
int objects_grow_array_with_hires_region(GdkPixbuf *image, const uint8_t *bitmap,
                                         const uint8_t *screen, const uint8_t *colour,
                                         ZbxRect region, int *index);
int objects_grow_array_with_hires_and_background_override(GdkPixbuf *image, const uint8_t *bitmap,
                                                          const uint8_t *screen,
                                                          const uint8_t *colour, int transparent,
                                                          ZbxRect region, int *index);
