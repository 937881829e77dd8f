#include "items/references.h"

#include "base/gref.h"
#include "items/itemwrapper.h"

char *references_report(int index)
{
    GString *text = g_string_new(nullptr);
    if (!document_find_references(text, index)) {
        g_string_append(text, document_item_kind(index) == ZbxItemKind::Object
                                  ? kZbxNoObjectReferences
                                  : kZbxNoPanelReferences);
    }
    return g_string_free(text, FALSE);
}

int references_delete_item(int index, GError **error)
{
    if (index < 0 || index >= document_item_count()) {
        zbx_set_error(error, "Invalid item");
        return 0;
    }
    const ZbxItemKind kind = document_item_kind(index);
    GString *text = g_string_new(nullptr);
    const gboolean used = document_find_references(text, index);
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
