#include "files/zembrix_refs.h"

#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/panelmodels.h"

ZbxItemKind zembrix_item_kind(int index)
{
    if (!objects_is_array_empty_at_index(index)) {
        return ZbxItemKind::Object;
    }
    if (!panels_is_panel_empty_at_index(index)) {
        return ZbxItemKind::Panel;
    }
    return ZbxItemKind::Empty;
}

gboolean zembrix_find_item_references(GString *text, int index)
{
    const gsize before = text->len;
    if (zembrix_item_kind(index) == ZbxItemKind::Object) {
        panelmodels_find_all_object_references(text, index);
    } else {
        panelmodels_find_all_panel_references(text, index);
        locations_find_all_panel_references(text, index);
    }
    return text->len > before;
}

char *zembrix_item_references_report(int index)
{
    GString *text = g_string_new(nullptr);
    if (!zembrix_find_item_references(text, index)) {
        g_string_append(text, zembrix_item_kind(index) == ZbxItemKind::Object
                                  ? kZbxNoObjectReferences
                                  : kZbxNoPanelReferences);
    }
    return g_string_free(text, FALSE);
}

int zembrix_delete_item(int index, GError **error)
{
    if (index < 0 || index >= itemwrapper_get_array_size()) {
        zbx_set_error(error, "Invalid item");
        return 0;
    }
    const ZbxItemKind kind = zembrix_item_kind(index);
    GString *text = g_string_new(nullptr);
    const gboolean used = zembrix_find_item_references(text, index);
    g_string_free(text, TRUE);
    if (used) {
        zbx_set_error(error, kind == ZbxItemKind::Object ? kZbxObjectInUse : kZbxPanelInUse);
        return 0;
    }
    int done = 0;
    switch (kind) {
    case ZbxItemKind::Object:
        done = itemwrapper_delete_object_at_index(index, FALSE);
        break;
    case ZbxItemKind::Panel:
        done = itemwrapper_delete_panel_at_index(index, FALSE);
        break;
    case ZbxItemKind::Empty:
        done = itemwrapper_delete_invalid_at_index(index);
        break;
    }
    if (!done) {
        zbx_set_error(error, "Invalid item");
        return 0;
    }
    locations_renumber_panels(index);
    return 1;
}
