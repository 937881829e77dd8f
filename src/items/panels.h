// The panel store: the panel side of the shared item index space. Each slot
// holds nothing or one panel: its definition list and its cached bounding box.
#pragma once

#include "models/panelmodels_deflist.h"

int panels_module_init();
int panels_allocate_array(int count);
int panels_grow_array(int *index);
// Takes over the caller's reference to the list.
int panels_set_array_at_index(int index, ZbxDefList *list);
int panels_set_pos_and_dimensions_at_index(int index, int x, int y, int width, int height);
// rect->x += box x, rect->y += box y, rect->width/height = box size.
int panels_get_displacement_at_index(int index, int *x, int *y, int *width, int *height);
int panels_get_dimensions_at_index(int index, int *width, int *height);
// The store keeps its reference; null out of range or empty.
ZbxDefList *panels_get_from_array_at_index(int index);
int panels_is_panel_empty_at_index(int index);
int panels_delete_item_at_index(int index);
int panels_get_count_of_valid_panels();
int panels_get_array_size();
void panels_cleanup();
