// A panel's definition list as a GtkTreeModel with eleven columns, so that
// tree views show and select its rows: a view of one panel of the document
// that follows the document's reports (it holds no data of its own).
#pragma once

#include <gtk/gtk.h>

#include "items/document.h"

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

G_BEGIN_DECLS
#define ZBX_TYPE_DEF_LIST (zbx_def_list_get_type())
#define ZBX_DEF_LIST(o) (G_TYPE_CHECK_INSTANCE_CAST((o), ZBX_TYPE_DEF_LIST, ZbxDefList))
#define ZBX_IS_DEF_LIST(o) (G_TYPE_CHECK_INSTANCE_TYPE((o), ZBX_TYPE_DEF_LIST))
typedef struct _ZbxDefList ZbxDefList;
GType zbx_def_list_get_type(void);
G_END_DECLS

// A new list showing the definitions of panel (none: -1) of a document,
// owned by the caller; the document must outlive it. It follows the panel
// when items are inserted or deleted before it.
ZbxDefList *zbx_def_list_new(Document *document, int panel);
// The panel shown, or -1 (none, or deleted).
int zbx_def_list_panel(const ZbxDefList *list);
void zbx_def_list_set_panel(ZbxDefList *list, int panel);
int zbx_def_list_size(const ZbxDefList *list);
// The definition at a row, or null.
const PanelDef *zbx_def_list_row(const ZbxDefList *list, int row);
// Row number of a tree iterator of this list, or -1.
int zbx_def_list_iter_row(ZbxDefList *list, GtkTreeIter *iter);
