// Item slots: the user's commands that add or remove items, each one step
// of the document's history. Objects and panels share one index space; a
// new item always takes the next index, and deleting one moves every later
// item, and every reference to it, down by one.
#pragma once

#include <glib.h>
#include <span>

#include "items/objects.h"

// Appends an empty panel ("New panel"); 0 when the project is full.
int itemwrapper_new_empty_panel();
// Appends an object read from an object file ("Import object"); on failure
// nothing changes and the error says why.
int itemwrapper_import_object(std::span<const uint8_t> record, GError **error);
// Appends the object cut from a region of a decoded picture (bitmap of 8000
// bytes, screen and colour of 1000); 0 when the region is not whole cells
// inside the picture or the project is full.
int itemwrapper_import_object_data_from_hires_region(std::span<const uint8_t> bitmap,
                                                     std::span<const uint8_t> screen,
                                                     std::span<const uint8_t> colour,
                                                     ZbxRect region);
// The same with one C64 colour treated as transparent.
int itemwrapper_import_object_data_from_hires_region_with_transparent_color(
    std::span<const uint8_t> bitmap, std::span<const uint8_t> screen,
    std::span<const uint8_t> colour, int transparent, ZbxRect region);
// Deletes item n ("Delete object n", "Delete panel n" or "Delete item n").
int itemwrapper_delete_item_at_index(int index);
