// A panel's definition list: the ordered placements of objects and
// sub-panels that make up one panel, in drawing order (first row at the
// back). The rows live in a plain vector that the renderer and the file
// writer read directly; the list is also a GtkTreeModel with eleven columns
// so that tree views show and select its rows. Every change goes through
// the functions below, which keep attached views informed.
#pragma once

#include <cstdint>
#include <gtk/gtk.h>
#include <vector>

enum PanelDefColumn
{
    DEF_COL_ITEM = 0,       // int
    DEF_COL_IS_OBJECT,      // boolean
    DEF_COL_ENABLED,        // boolean
    DEF_COL_MIRROR,         // boolean
    DEF_COL_HAS_OVERRIDES,  // boolean
    DEF_COL_X,              // int, pixels
    DEF_COL_Y,              // int, pixels
    DEF_COL_OVERRIDE_COUNT, // int, 0..3
    DEF_COL_OVERRIDE_1,     // int: low nibble source colour, high nibble replacement
    DEF_COL_OVERRIDE_2,     // int
    DEF_COL_OVERRIDE_3,     // int
    DEF_N_COLUMNS
};

struct PanelDef
{
    int item = 0;
    bool is_object = false;
    bool enabled = true;
    bool mirror = false;
    bool has_overrides = false;
    int x = 0;
    int y = 0;
    int override_count = 0;
    int overrides[3] = {0, 0, 0};

    bool operator==(const PanelDef &) const = default;
};

G_BEGIN_DECLS
#define ZBX_TYPE_DEF_LIST (zbx_def_list_get_type())
#define ZBX_DEF_LIST(o) (G_TYPE_CHECK_INSTANCE_CAST((o), ZBX_TYPE_DEF_LIST, ZbxDefList))
#define ZBX_IS_DEF_LIST(o) (G_TYPE_CHECK_INSTANCE_TYPE((o), ZBX_TYPE_DEF_LIST))
typedef struct _ZbxDefList ZbxDefList;
GType zbx_def_list_get_type(void);
G_END_DECLS

// A new, empty list (one reference, owned by the caller).
ZbxDefList *zbx_def_list_new();
const std::vector<PanelDef> &zbx_def_list_rows(const ZbxDefList *list);
int zbx_def_list_size(const ZbxDefList *list);
void zbx_def_list_append(ZbxDefList *list, const PanelDef &def);
void zbx_def_list_insert(ZbxDefList *list, int position, const PanelDef &def);
void zbx_def_list_set(ZbxDefList *list, int position, const PanelDef &def);
void zbx_def_list_remove(ZbxDefList *list, int position);
void zbx_def_list_clear(ZbxDefList *list);
// Moves the row at from to position to, shifting the rows between.
void zbx_def_list_move(ZbxDefList *list, int from, int to);
// Row number of a tree iterator of this list, or -1.
int zbx_def_list_iter_row(ZbxDefList *list, GtkTreeIter *iter);
