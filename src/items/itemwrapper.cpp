// Item slots: objects and panels share one index space. Every slot added to
// one table is matched by an empty slot in the other, and deleting an item
// closes the gap in both tables and renumbers every later item everywhere.
#include "items/itemwrapper.h"

#include "gref.h"
#include "items/panels.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"

namespace {
// Deletes item n from both tables and renumbers every later item. The
// panel renumbering finds each panel's definitions through the panel table
// at the old indexes, so it runs before the panel table closes its gap.
void delete_cascade(int n)
{
    objectmodel_renumber_objects_in_object_model_after_index(n);
    objects_delete_item_at_index(n);
    panelmodels_renumber_items_in_panel_and_defs_models(n);
    panels_delete_item_at_index(n);
}

bool in_range(int index)
{
    return index >= 0 && index < itemwrapper_get_array_size();
}

// The rest of an object's append: its row and the matching empty panel slot.
void finish_object_append(int index, GdkPixbuf *image)
{
    objectmodel_add_item_to_object_model(index, image);
    int panel_slot = -1;
    panels_grow_array(&panel_slot);
}
} // namespace

int itemwrapper_allocate_array(int count)
{
    if (count < 0 || count > kMaxItems) {
        return 0;
    }
    if (!objects_allocate_array(count)) {
        return 0;
    }
    return panels_allocate_array(count);
}

int itemwrapper_get_array_size()
{
    return panels_get_array_size();
}

void itemwrapper_cleanup()
{
    objectmodel_cleanup();
    objects_cleanup();
    panelmodels_cleanup();
    panels_cleanup();
}

int itemwrapper_is_item_empty_at_index(int index)
{
    return objects_is_array_empty_at_index(index) && panels_is_panel_empty_at_index(index);
}

int itemwrapper_new_empty_panel()
{
    if (itemwrapper_get_array_size() >= kMaxItems || objects_get_array_size() >= kMaxItems) {
        return 0;
    }
    int index = -1;
    if (!panels_grow_array(&index)) {
        return 0;
    }
    ZbxDefList *list = panelmodels_add_item_to_panel_model(index);
    panels_set_array_at_index(index, list);
    int object_slot = -1;
    objects_grow_array(&object_slot);
    return 1;
}

int itemwrapper_import_object_data_from_file(const char *filename, GError **error)
{
    if (itemwrapper_get_array_size() >= kMaxItems) {
        zbx_set_error(error, "No room for additional objects");
        return 0;
    }
    GdkPixbuf *image = nullptr;
    int index = -1;
    if (!objects_import_object_data_from_file(filename, &image, &index, error)) {
        return 0;
    }
    finish_object_append(index, image);
    return 1;
}

int itemwrapper_import_object_data_from_hires_region(GdkPixbuf *image, const uint8_t *bitmap,
                                                     const uint8_t *screen, const uint8_t *colour,
                                                     ZbxRect region)
{
    if (itemwrapper_get_array_size() >= kMaxItems) {
        return 0;
    }
    int index = -1;
    if (!objects_grow_array_with_hires_region(image, bitmap, screen, colour, region, &index)) {
        return 0;
    }
    finish_object_append(index, image);
    return 1;
}

int itemwrapper_import_object_data_from_hires_region_with_transparent_color(
    GdkPixbuf *image, const uint8_t *bitmap, const uint8_t *screen, const uint8_t *colour,
    int transparent, ZbxRect region)
{
    if (itemwrapper_get_array_size() >= kMaxItems) {
        return 0;
    }
    int index = -1;
    if (!objects_grow_array_with_hires_and_background_override(image, bitmap, screen, colour,
                                                               transparent, region, &index)) {
        return 0;
    }
    finish_object_append(index, image);
    return 1;
}

int itemwrapper_delete_object_at_index(int index, int selected)
{
    if (!in_range(index)) {
        return 0;
    }
    int current = -1;
    if (selected && objectmodel_get_current_object_id(&current) && current == index) {
        objectmodel_remove_selected_object_from_object_model();
    } else {
        objectmodel_remove_object_from_object_model(index);
    }
    delete_cascade(index);
    return 1;
}

int itemwrapper_delete_panel_at_index(int index, int selected)
{
    if (!in_range(index)) {
        return 0;
    }
    int current = -1;
    if (selected && panelmodels_get_current_panel_index(&current) && current == index) {
        panelmodels_remove_selected_panel_from_panel_model();
    } else {
        panelmodels_remove_panel_from_panel_model(index);
    }
    delete_cascade(index);
    return 1;
}

int itemwrapper_delete_invalid_at_index(int index)
{
    if (!in_range(index)) {
        return 0;
    }
    delete_cascade(index);
    return 1;
}
