#include "ui/panelmodels_deflist.h"

#include <algorithm>

// The list shows the definitions of one panel of the document. It holds no
// data of its own, only how many rows its views know of; a GtkTreeIter
// carries the row number in user_data and the list's stamp, which changes
// whenever rows are added or removed so that stale iterators are recognised.
struct _ZbxDefList
{
    GObject parent;
    Document *document;
    int panel;
    int rows;
    int stamp;
    int listener;
};

static const PanelDef *row_def(const ZbxDefList *self, int row)
{
    std::span<const PanelDef> defs = self->document->panel_defs(self->panel);
    return row >= 0 && row < static_cast<int>(defs.size()) ? &defs[row] : nullptr;
}

struct ZbxDefListClass
{
    GObjectClass parent_class;
};

static void zbx_def_list_tree_model_init(GtkTreeModelIface *iface);

G_DEFINE_TYPE_WITH_CODE(ZbxDefList, zbx_def_list, G_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(GTK_TYPE_TREE_MODEL, zbx_def_list_tree_model_init))

static void zbx_def_list_init(ZbxDefList *self)
{
    self->document = nullptr;
    self->panel = -1;
    self->rows = 0;
    self->stamp = g_random_int();
    self->listener = 0;
}

static void zbx_def_list_finalize(GObject *object)
{
    ZbxDefList *self = ZBX_DEF_LIST(object);
    if (self->listener != 0) {
        self->document->remove_listener(self->listener);
    }
    G_OBJECT_CLASS(zbx_def_list_parent_class)->finalize(object);
}

static void zbx_def_list_class_init(ZbxDefListClass *klass)
{
    G_OBJECT_CLASS(klass)->finalize = zbx_def_list_finalize;
}

static int row_of(ZbxDefList *self, const GtkTreeIter *iter)
{
    if (iter == nullptr || iter->stamp != self->stamp) {
        return -1;
    }
    int row = GPOINTER_TO_INT(iter->user_data);
    return row >= 0 && row < self->rows ? row : -1;
}

static void set_iter(ZbxDefList *self, GtkTreeIter *iter, int row)
{
    iter->stamp = self->stamp;
    iter->user_data = GINT_TO_POINTER(row);
    iter->user_data2 = nullptr;
    iter->user_data3 = nullptr;
}

static GtkTreeModelFlags model_get_flags(GtkTreeModel *)
{
    return GTK_TREE_MODEL_LIST_ONLY;
}

static gint model_get_n_columns(GtkTreeModel *)
{
    return DEF_N_COLUMNS;
}

static GType model_get_column_type(GtkTreeModel *, gint column)
{
    switch (column) {
    case DEF_COL_IS_OBJECT:
    case DEF_COL_ENABLED:
    case DEF_COL_MIRROR:
    case DEF_COL_HAS_OVERRIDES:
        return G_TYPE_BOOLEAN;
    default:
        return column >= 0 && column < DEF_N_COLUMNS ? G_TYPE_INT : G_TYPE_INVALID;
    }
}

static gboolean model_get_iter(GtkTreeModel *model, GtkTreeIter *iter, GtkTreePath *path)
{
    ZbxDefList *self = ZBX_DEF_LIST(model);
    if (gtk_tree_path_get_depth(path) != 1) {
        return FALSE;
    }
    int row = gtk_tree_path_get_indices(path)[0];
    if (row < 0 || row >= self->rows) {
        return FALSE;
    }
    set_iter(self, iter, row);
    return TRUE;
}

static GtkTreePath *model_get_path(GtkTreeModel *model, GtkTreeIter *iter)
{
    int row = row_of(ZBX_DEF_LIST(model), iter);
    g_return_val_if_fail(row >= 0, nullptr);
    return gtk_tree_path_new_from_indices(row, -1);
}

static void model_get_value(GtkTreeModel *model, GtkTreeIter *iter, gint column, GValue *value)
{
    ZbxDefList *self = ZBX_DEF_LIST(model);
    int row = row_of(self, iter);
    g_value_init(value, model_get_column_type(model, column));
    const PanelDef fallback;
    const PanelDef *def = row_def(self, row);
    if (row < 0) {
        return;
    }
    const PanelDef &d = def != nullptr ? *def : fallback;
    switch (column) {
    case DEF_COL_ITEM:
        g_value_set_int(value, d.item);
        break;
    case DEF_COL_IS_OBJECT:
        g_value_set_boolean(value, d.is_object);
        break;
    case DEF_COL_ENABLED:
        g_value_set_boolean(value, d.enabled);
        break;
    case DEF_COL_MIRROR:
        g_value_set_boolean(value, d.mirror);
        break;
    case DEF_COL_HAS_OVERRIDES:
        g_value_set_boolean(value, d.has_overrides);
        break;
    case DEF_COL_X:
        g_value_set_int(value, d.x);
        break;
    case DEF_COL_Y:
        g_value_set_int(value, d.y);
        break;
    case DEF_COL_OVERRIDE_COUNT:
        g_value_set_int(value, d.override_count);
        break;
    case DEF_COL_OVERRIDE_1:
    case DEF_COL_OVERRIDE_2:
    case DEF_COL_OVERRIDE_3:
        g_value_set_int(value, d.overrides[column - DEF_COL_OVERRIDE_1]);
        break;
    default:
        break;
    }
}

static gboolean model_iter_next(GtkTreeModel *model, GtkTreeIter *iter)
{
    ZbxDefList *self = ZBX_DEF_LIST(model);
    int row = row_of(self, iter);
    if (row < 0 || row + 1 >= self->rows) {
        iter->stamp = 0;
        return FALSE;
    }
    set_iter(self, iter, row + 1);
    return TRUE;
}

static gboolean model_iter_children(GtkTreeModel *model, GtkTreeIter *iter, GtkTreeIter *parent)
{
    ZbxDefList *self = ZBX_DEF_LIST(model);
    if (parent != nullptr || self->rows == 0) {
        return FALSE;
    }
    set_iter(self, iter, 0);
    return TRUE;
}

static gboolean model_iter_has_child(GtkTreeModel *, GtkTreeIter *)
{
    return FALSE;
}

static gint model_iter_n_children(GtkTreeModel *model, GtkTreeIter *iter)
{
    return iter == nullptr ? ZBX_DEF_LIST(model)->rows : 0;
}

static gboolean model_iter_nth_child(GtkTreeModel *model, GtkTreeIter *iter, GtkTreeIter *parent,
                                     gint n)
{
    ZbxDefList *self = ZBX_DEF_LIST(model);
    if (parent != nullptr || n < 0 || n >= self->rows) {
        return FALSE;
    }
    set_iter(self, iter, n);
    return TRUE;
}

static gboolean model_iter_parent(GtkTreeModel *, GtkTreeIter *, GtkTreeIter *)
{
    return FALSE;
}

static void zbx_def_list_tree_model_init(GtkTreeModelIface *iface)
{
    iface->get_flags = model_get_flags;
    iface->get_n_columns = model_get_n_columns;
    iface->get_column_type = model_get_column_type;
    iface->get_iter = model_get_iter;
    iface->get_path = model_get_path;
    iface->get_value = model_get_value;
    iface->iter_next = model_iter_next;
    iface->iter_children = model_iter_children;
    iface->iter_has_child = model_iter_has_child;
    iface->iter_n_children = model_iter_n_children;
    iface->iter_nth_child = model_iter_nth_child;
    iface->iter_parent = model_iter_parent;
}

// Whether anything listens to a model signal: nothing needs telling about a
// list no view shows.
static bool watched(ZbxDefList *list, const char *signal)
{
    return g_signal_has_handler_pending(list, g_signal_lookup(signal, GTK_TYPE_TREE_MODEL), 0,
                                        TRUE);
}

static void emit_row(ZbxDefList *list, int row, const char *name,
                     void (*signal)(GtkTreeModel *, GtkTreePath *, GtkTreeIter *))
{
    if (!watched(list, name)) {
        return;
    }
    GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
    GtkTreeIter iter;
    set_iter(list, &iter, row);
    signal(GTK_TREE_MODEL(list), path, &iter);
    gtk_tree_path_free(path);
}

static void row_inserted(ZbxDefList *list, int row)
{
    list->rows++;
    list->stamp++;
    emit_row(list, row, "row-inserted", gtk_tree_model_row_inserted);
}

static void row_deleted(ZbxDefList *list, int row)
{
    list->rows--;
    list->stamp++;
    if (!watched(list, "row-deleted")) {
        return;
    }
    GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_model_row_deleted(GTK_TREE_MODEL(list), path);
    gtk_tree_path_free(path);
}

// Brings the rows the views know of in line with the panel's definitions:
// rows that stay are reported changed (so that a selection on them stays),
// the rest removed or added at the end.
static void resync(ZbxDefList *list)
{
    const int wanted = static_cast<int>(list->document->panel_defs(list->panel).size());
    while (list->rows > wanted) {
        row_deleted(list, list->rows - 1);
    }
    for (int row = 0; row < list->rows; row++) {
        emit_row(list, row, "row-changed", gtk_tree_model_row_changed);
    }
    while (list->rows < wanted) {
        row_inserted(list, list->rows);
    }
}

static void follow(ZbxDefList *list, const DocEvent &event)
{
    switch (event.what) {
    case DocChange::DefInserted:
        if (event.index == list->panel) {
            row_inserted(list, event.row);
        }
        break;
    case DocChange::DefRemoved:
        if (event.index == list->panel) {
            row_deleted(list, event.row);
        }
        break;
    case DocChange::DefChanged:
        if (event.index == list->panel) {
            emit_row(list, event.row, "row-changed", gtk_tree_model_row_changed);
        }
        break;
    case DocChange::DefsReplaced:
        if (event.index == list->panel) {
            resync(list);
        }
        break;
    case DocChange::ItemInserted:
        if (list->panel >= event.index) {
            list->panel++;
        }
        break;
    case DocChange::ItemDeleted:
        if (list->panel == event.index) {
            list->panel = -1;
        } else if (list->panel > event.index) {
            list->panel--;
        }
        // Every later item moved down: the items the rows name may differ.
        resync(list);
        break;
    case DocChange::Reset:
        list->panel = document_follow_index(event, list->panel);
        if (list->document->item_kind(list->panel) != ZbxItemKind::Panel) {
            list->panel = -1;
        }
        resync(list);
        break;
    default:
        break;
    }
}

ZbxDefList *zbx_def_list_new(Document *document, int panel)
{
    ZbxDefList *list = ZBX_DEF_LIST(g_object_new(ZBX_TYPE_DEF_LIST, nullptr));
    list->document = document;
    list->panel = document->item_kind(panel) == ZbxItemKind::Panel ? panel : -1;
    list->rows = static_cast<int>(document->panel_defs(list->panel).size());
    // The document outlives the list (its owner says so).
    list->listener = document->add_listener([list](const DocEvent &event) { follow(list, event); });
    return list;
}

int zbx_def_list_panel(const ZbxDefList *list)
{
    return list->panel;
}

void zbx_def_list_set_panel(ZbxDefList *list, int panel)
{
    list->panel = list->document->item_kind(panel) == ZbxItemKind::Panel ? panel : -1;
    resync(list);
}

int zbx_def_list_size(const ZbxDefList *list)
{
    return list->rows;
}

const PanelDef *zbx_def_list_row(const ZbxDefList *list, int row)
{
    return row < list->rows ? row_def(list, row) : nullptr;
}

int zbx_def_list_iter_row(ZbxDefList *list, GtkTreeIter *iter)
{
    return row_of(list, iter);
}
