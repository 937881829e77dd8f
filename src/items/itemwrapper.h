// Item slots: the one place that changes the number of slots, keeping the
// object and panel tables the same length and every reference renumbered.
#pragma once

#include "items/objects.h"
#include <glib.h>

int itemwrapper_allocate_array(int count);
int itemwrapper_get_array_size();
void itemwrapper_cleanup();
int itemwrapper_is_item_empty_at_index(int index);
int itemwrapper_new_empty_panel();
int itemwrapper_import_object_data_from_file(const char *filename, GError **error);
int itemwrapper_import_object_data_from_hires_region(GdkPixbuf *image, const uint8_t *bitmap,
                                                     const uint8_t *screen, const uint8_t *colour,
                                                     ZbxRect region);
int itemwrapper_import_object_data_from_hires_region_with_transparent_color(
    GdkPixbuf *image, const uint8_t *bitmap, const uint8_t *screen, const uint8_t *colour,
    int transparent, ZbxRect region);
int itemwrapper_delete_object_at_index(int index, int selected);
int itemwrapper_delete_panel_at_index(int index, int selected);
int itemwrapper_delete_invalid_at_index(int index);
