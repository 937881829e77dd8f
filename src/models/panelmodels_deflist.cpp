#include "models/panelmodels_deflist.h"

#include <algorithm>
#include <new>

// The list keeps its rows in a vector; a GtkTreeIter carries the row number
// in user_data and the list's stamp, which changes whenever rows are added,
// removed or moved so that stale iterators are recognised.
struct _ZbxDefList
{
    GObject parent;
    std::vector<PanelDef> rows;
    int stamp;
};

struct ZbxDefListClass
{
    GObjectClass parent_class;
};

static void zbx_def_list_tree_model_init(GtkTreeModelIface *iface);

G_DEFINE_TYPE_WITH_CODE(ZbxDefList, zbx_def_list, G_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(GTK_TYPE_TREE_MODEL, zbx_def_list_tree_model_init))

static void zbx_def_list_init(ZbxDefList *self)
{
    new (&self->rows) std::vector<PanelDef>();
    self->stamp = g_random_int();
}

static void zbx_def_list_finalize(GObject *object)
{
    ZbxDefList *self = ZBX_DEF_LIST(object);
    self->rows.~vector();
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
    return row >= 0 && row < static_cast<int>(self->rows.size()) ? row : -1;
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
    if (row < 0 || row >= static_cast<int>(self->rows.size())) {
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
    if (row < 0) {
        return;
    }
    const PanelDef &d = self->rows[row];
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
    if (row < 0 || row + 1 >= static_cast<int>(self->rows.size())) {
        iter->stamp = 0;
        return FALSE;
    }
    set_iter(self, iter, row + 1);
    return TRUE;
}

static gboolean model_iter_children(GtkTreeModel *model, GtkTreeIter *iter, GtkTreeIter *parent)
{
    ZbxDefList *self = ZBX_DEF_LIST(model);
    if (parent != nullptr || self->rows.empty()) {
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
    return iter == nullptr ? static_cast<gint>(ZBX_DEF_LIST(model)->rows.size()) : 0;
}

static gboolean model_iter_nth_child(GtkTreeModel *model, GtkTreeIter *iter, GtkTreeIter *parent,
                                     gint n)
{
    ZbxDefList *self = ZBX_DEF_LIST(model);
    if (parent != nullptr || n < 0 || n >= static_cast<int>(self->rows.size())) {
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

ZbxDefList *zbx_def_list_new()
{
    return ZBX_DEF_LIST(g_object_new(ZBX_TYPE_DEF_LIST, nullptr));
}

const std::vector<PanelDef> &zbx_def_list_rows(const ZbxDefList *list)
{
    return list->rows;
}

int zbx_def_list_size(const ZbxDefList *list)
{
    return static_cast<int>(list->rows.size());
}

// Whether anything listens to a model signal: lists built while loading
// have no views yet, and skipping the notifications keeps loading fast.
static bool watched(ZbxDefList *list, const char *signal)
{
    return g_signal_has_handler_pending(list, g_signal_lookup(signal, GTK_TYPE_TREE_MODEL), 0,
                                        TRUE);
}

static void emit(ZbxDefList *list, int row, const char *name,
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

void zbx_def_list_append(ZbxDefList *list, const PanelDef &def)
{
    zbx_def_list_insert(list, static_cast<int>(list->rows.size()), def);
}

void zbx_def_list_insert(ZbxDefList *list, int position, const PanelDef &def)
{
    int size = static_cast<int>(list->rows.size());
    position = std::clamp(position, 0, size);
    list->rows.insert(list->rows.begin() + position, def);
    list->stamp++;
    emit(list, position, "row-inserted", gtk_tree_model_row_inserted);
}

void zbx_def_list_set(ZbxDefList *list, int position, const PanelDef &def)
{
    if (position < 0 || position >= static_cast<int>(list->rows.size())) {
        return;
    }
    list->rows[position] = def;
    emit(list, position, "row-changed", gtk_tree_model_row_changed);
}

void zbx_def_list_remove(ZbxDefList *list, int position)
{
    if (position < 0 || position >= static_cast<int>(list->rows.size())) {
        return;
    }
    list->rows.erase(list->rows.begin() + position);
    list->stamp++;
    if (!watched(list, "row-deleted")) {
        return;
    }
    GtkTreePath *path = gtk_tree_path_new_from_indices(position, -1);
    gtk_tree_model_row_deleted(GTK_TREE_MODEL(list), path);
    gtk_tree_path_free(path);
}

void zbx_def_list_clear(ZbxDefList *list)
{
    while (!list->rows.empty()) {
        zbx_def_list_remove(list, static_cast<int>(list->rows.size()) - 1);
    }
}

void zbx_def_list_move(ZbxDefList *list, int from, int to)
{
    int size = static_cast<int>(list->rows.size());
    if (from < 0 || from >= size || to < 0 || to >= size || from == to) {
        return;
    }
    // new_order[new position] = old position
    std::vector<gint> order(size);
    for (int i = 0; i < size; i++) {
        order[i] = i;
    }
    PanelDef moved = list->rows[from];
    list->rows.erase(list->rows.begin() + from);
    list->rows.insert(list->rows.begin() + to, moved);
    int old = order[from];
    order.erase(order.begin() + from);
    order.insert(order.begin() + to, old);
    list->stamp++;
    if (!watched(list, "rows-reordered")) {
        return;
    }
    GtkTreePath *path = gtk_tree_path_new();
    gtk_tree_model_rows_reordered(GTK_TREE_MODEL(list), path, nullptr, order.data());
    gtk_tree_path_free(path);
}

int zbx_def_list_iter_row(ZbxDefList *list, GtkTreeIter *iter)
{
    return row_of(list, iter);
}
