#include "files/zembrix_refs.h"

#include "gref.h"
#include "items/itemwrapper.h"

ZbxItemKind zembrix_item_kind(int index)
{
    return document_item_kind(index);
}

gboolean zembrix_find_item_references(GString *text, int index)
{
    return document_find_references(text, index);
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
    if (index < 0 || index >= document_item_count()) {
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
    if (!itemwrapper_delete_item_at_index(index)) {
        zbx_set_error(error, "Invalid item");
        return 0;
    }
    return 1;
}
