#include "files/zembrix.h"

#include <vector>

#include "c64/palette.h"
#include "c64/pixbufs.h"
#include "files/fileio.h"
#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"

namespace {

void announce(ZbxActionFunc action, const char *text)
{
    if (action != nullptr) {
        action(text);
    }
}

void report(ZbxProgressFunc progress, double fraction)
{
    if (progress != nullptr) {
        progress(fraction);
    }
}

// Renders and stores every object the object pass decoded. An object whose
// image cannot be made (memory exhausted) is left out, here and in the
// project, so that definitions naming it become panel placements as they
// would in the store.
void store_objects(ZbxProject *project)
{
    const int count = static_cast<int>(project->items.size());
    for (int i = 0; i < count; i++) {
        ZbxItem &item = project->items[i];
        if (item.kind != ZbxItemKind::Object) {
            continue;
        }
        const int w = item.record[0] >> 4;
        const int h = item.record[0] & 15;
        const uint8_t *bitmap = item.record.data() + 1;
        const std::size_t cells = static_cast<std::size_t>(w * h);
        GdkPixbuf *image =
            pixbufs_new_from_hires(bitmap, bitmap + 8 * cells, bitmap + 9 * cells, w, h);
        if (image == nullptr || !objects_set_array_at_index(i, image, item.record)) {
            if (image != nullptr) {
                g_object_unref(image);
            }
            item = ZbxItem{};
        }
    }
    for (int i = 0; i < count; i++) {
        GdkPixbuf *image = objects_get_from_array_at_index(i);
        if (image != nullptr) {
            objectmodel_add_item_to_object_model(i, image);
        }
    }
}

void store_panels(const ZbxProject &project)
{
    const int count = static_cast<int>(project.items.size());
    for (int i = 0; i < count; i++) {
        const ZbxItem &item = project.items[i];
        if (item.kind != ZbxItemKind::Panel) {
            continue;
        }
        ZbxDefList *list = panelmodels_add_item_to_panel_model(i);
        if (list == nullptr || !panels_set_array_at_index(i, list)) {
            if (list != nullptr) {
                g_object_unref(list);
            }
            continue;
        }
        for (const PanelDef &def : item.defs) {
            panelmodels_add_item_to_panel_def_model(
                i, def.item, def.mirror, def.has_overrides, def.x, def.y, def.override_count,
                def.overrides[0], def.overrides[1], def.overrides[2]);
        }
    }
}

} // namespace

void zembrix_init_headless()
{
    palette_module_init();
    objects_module_init();
    panels_module_init();
    objectmodel_module_init(nullptr);
    panelmodels_module_init(nullptr);
    locations_module_init(nullptr);
}

int zembrix_load_data(std::span<const uint8_t> file, const char *name, ZbxProgressFunc progress,
                      ZbxActionFunc action, GError **error)
{
    ZbxProject project;
    if (!zembrix_parse_header(file, name, &project, error)) {
        return 0;
    }
    const int count = static_cast<int>(project.items.size());
    if (!itemwrapper_allocate_array(count)) {
        zbx_set_error(error, "Could not allocate the item tables");
        return 0;
    }
    announce(action, kZbxActionObjects);
    zembrix_parse_objects(file, &project, progress);
    store_objects(&project);
    report(progress, 1.0);

    announce(action, kZbxActionPanels);
    const int panels_ok = zembrix_parse_panels(file, name, &project, progress, error);
    store_panels(project);
    if (!panels_ok) {
        return 0;
    }
    report(progress, 1.0);

    announce(action, kZbxActionBoxes);
    for (int i = 0; i < count; i++) {
        report(progress, static_cast<double>(i) / count);
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        if (project.items[i].kind == ZbxItemKind::Panel &&
            panelmodels_compute_panel_size_and_pos(i, &x, &y, &width, &height)) {
            panels_set_pos_and_dimensions_at_index(i, x, y, width, height);
        }
    }
    report(progress, 1.0);

    announce(action, kZbxActionLocations);
    for (int s = 0; s < kZbxLocationRecords; s++) {
        locations_add_item_to_location_model(s, project.locations[s].panel,
                                             project.locations[s].colour);
        report(progress, static_cast<double>(s) / kZbxLocationRecords);
    }
    report(progress, 1.0);
    announce(action, kZbxActionDone);
    return 1;
}

int zembrix_load_file(const char *filename, ZbxProgressFunc progress, ZbxActionFunc action,
                      GError **error)
{
    std::vector<uint8_t> contents;
    if (!fileio_read_file(filename, &contents, error)) {
        return 0;
    }
    return zembrix_load_data(contents, filename, progress, action, error);
}

void zembrix_collect_project(ZbxProject *project)
{
    const int count = itemwrapper_get_array_size();
    project->items.assign(count, ZbxItem{});
    for (int i = 0; i < count; i++) {
        ZbxItem &item = project->items[i];
        std::span<const uint8_t> data;
        if (!objects_is_array_empty_at_index(i) && objects_get_data_at_index(i, &data)) {
            item.kind = ZbxItemKind::Object;
            item.record.assign(data.begin(), data.end());
        } else if (ZbxDefList *list = panels_get_from_array_at_index(i)) {
            item.kind = ZbxItemKind::Panel;
            item.defs = zbx_def_list_rows(list);
        }
    }
    project->locations.fill(ZbxLocationRecord{});
    GtkTreeModel *model = GTK_TREE_MODEL(locations_get_model());
    GtkTreeIter iter;
    int s = 0;
    for (gboolean valid = model != nullptr && gtk_tree_model_get_iter_first(model, &iter);
         valid && s < kZbxLocationRecords; valid = gtk_tree_model_iter_next(model, &iter), s++) {
        int panel = 0;
        int colour = 0;
        gtk_tree_model_get(model, &iter, LOC_COL_PANEL, &panel, LOC_COL_COLOUR, &colour, -1);
        project->locations[s].panel = static_cast<uint8_t>(panel);
        project->locations[s].colour = static_cast<uint8_t>(colour);
    }
}

int zembrix_save_file(const char *filename, GError **error)
{
    ZbxProject project;
    zembrix_collect_project(&project);
    std::vector<uint8_t> bytes;
    if (!zembrix_encode(project, &bytes, error)) {
        return 0;
    }
    return fileio_write_file(filename, bytes, error) ? 1 : 0;
}
