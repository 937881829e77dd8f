#include "ui/modelview.h"

#include "base/gref.h"
#include "ui/builder.h"
#include "ui/i18n.h"

void ModelView::reset(GtkTreeView *view)
{
    if (view_ != nullptr) {
        g_object_remove_weak_pointer(G_OBJECT(view_), reinterpret_cast<gpointer *>(&view_));
    }
    view_ = view;
    if (view_ != nullptr) {
        g_object_add_weak_pointer(G_OBJECT(view_), reinterpret_cast<gpointer *>(&view_));
    }
}

GtkTreeView *modelview_attach(GtkWidget *window, const char *name, const char *title, int column,
                              GtkTreeModel *model)
{
    if (window == nullptr) {
        return nullptr;
    }
    GtkWidget *widget = lookup_widget(window, name);
    if (widget == nullptr || !GTK_IS_TREE_VIEW(widget)) {
        return nullptr;
    }
    GtkTreeView *view = GTK_TREE_VIEW(widget);
    modelview_add_number_column(view, title, column);
    if (model != nullptr) {
        gtk_tree_view_set_model(view, model);
    }
    return view;
}

void modelview_add_number_column(GtkTreeView *view, const char *title, int column)
{
    GtkCellRenderer *renderer = gtk_cell_renderer_text_new();
    g_object_set(renderer, "xalign", 1.0, nullptr);
    gtk_tree_view_insert_column_with_attributes(view, -1, title, renderer, "text", column, nullptr);
    // Screen readers announce the list by its column's title.
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(view)), title);
}

void modelview_show_sorted(GtkTreeView *view, GtkTreeModel *store, int index_column,
                           int used_text_column, int used_sort_column)
{
    if (view == nullptr || store == nullptr) {
        return;
    }
    GRef<GtkTreeModel> sorted(gtk_tree_model_sort_new_with_model(store));
    gtk_tree_view_set_model(view, sorted.get());
    GList *all = gtk_tree_view_get_columns(view);
    const int columns = static_cast<int>(g_list_length(all));
    g_list_free(all);
    if (GtkTreeViewColumn *number = gtk_tree_view_get_column(view, columns - 1)) {
        gtk_tree_view_column_set_sort_column_id(number, index_column);
    }
    GtkCellRenderer *renderer = gtk_cell_renderer_text_new();
    g_object_set(renderer, "xalign", 1.0, nullptr);
    GtkTreeViewColumn *used = gtk_tree_view_column_new_with_attributes(_("Used"), renderer, "text",
                                                                       used_text_column, nullptr);
    gtk_tree_view_column_set_sort_column_id(used, used_sort_column);
    gtk_tree_view_append_column(view, used);
}

bool modelview_shows(GtkTreeView *view, GtkTreeModel *store)
{
    GtkTreeModel *shown = view != nullptr ? gtk_tree_view_get_model(view) : nullptr;
    if (shown != nullptr && GTK_IS_TREE_MODEL_SORT(shown)) {
        shown = gtk_tree_model_sort_get_model(GTK_TREE_MODEL_SORT(shown));
    }
    return shown != nullptr && shown == store;
}

GtkTreePath *modelview_view_path(GtkTreeView *view, int row)
{
    GtkTreeModel *shown = view != nullptr ? gtk_tree_view_get_model(view) : nullptr;
    if (shown == nullptr || row < 0) {
        return nullptr;
    }
    GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
    if (GTK_IS_TREE_MODEL_SORT(shown)) {
        GtkTreePath *sorted =
            gtk_tree_model_sort_convert_child_path_to_path(GTK_TREE_MODEL_SORT(shown), path);
        gtk_tree_path_free(path);
        path = sorted;
    }
    return path;
}

void modelview_set_usage(GtkListStore *store, int index_column, int text_column, int sort_column,
                         const std::vector<ItemUsage> &usage)
{
    if (store == nullptr) {
        return;
    }
    GtkTreeModel *model = GTK_TREE_MODEL(store);
    GtkTreeIter iter;
    for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
         more = gtk_tree_model_iter_next(model, &iter)) {
        const auto index = static_cast<size_t>(modelview_get_int(model, &iter, index_column));
        const ItemUsage use = index < usage.size() ? usage[index] : ItemUsage{};
        const std::string text = usage_text(use);
        char *shown = nullptr;
        int total = 0;
        gtk_tree_model_get(model, &iter, text_column, &shown, sort_column, &total, -1);
        GCharPtr old(shown);
        if (total != use.total() || g_strcmp0(old.get(), text.c_str()) != 0) {
            gtk_list_store_set(store, &iter, text_column, text.c_str(), sort_column, use.total(),
                               -1);
        }
    }
}

bool modelview_get_selected_row(GtkTreeView *view, GtkTreeModel **model, GtkTreeIter *iter)
{
    if (view == nullptr) {
        return false;
    }
    GtkTreeSelection *selection = gtk_tree_view_get_selection(view);
    if (selection == nullptr || gtk_tree_selection_count_selected_rows(selection) != 1) {
        return false;
    }
    GtkTreeModel *found = nullptr;
    GList *rows = gtk_tree_selection_get_selected_rows(selection, &found);
    bool ok = rows != nullptr && found != nullptr &&
              gtk_tree_model_get_iter(found, iter, static_cast<GtkTreePath *>(rows->data));
    g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
    if (ok && model != nullptr) {
        *model = found;
    }
    return ok;
}

bool modelview_find_row(GtkTreeModel *model, int column, int value, GtkTreeIter *iter)
{
    if (model == nullptr) {
        return false;
    }
    for (gboolean more = gtk_tree_model_get_iter_first(model, iter); more;
         more = gtk_tree_model_iter_next(model, iter)) {
        if (modelview_get_int(model, iter, column) == value) {
            return true;
        }
    }
    return false;
}

int modelview_get_int(GtkTreeModel *model, GtkTreeIter *iter, int column)
{
    int value = 0;
    gtk_tree_model_get(model, iter, column, &value, -1);
    return value;
}

namespace {
void set_index(const ItemList &list, GtkTreeIter *iter, int index)
{
    gtk_list_store_set(list.store, iter, list.index_column, index, -1);
    if (list.fill) {
        list.fill(list.store, iter, index);
    }
}
} // namespace

void modelview_items_reset(const ItemList &list, GtkTreeView *view, const DocEvent *event)
{
    if (list.store == nullptr) {
        return;
    }
    GtkTreeModel *model = GTK_TREE_MODEL(list.store);
    int selected = -1;
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (modelview_get_selected_row(view, &selected_model, &iter) && modelview_shows(view, model)) {
        selected = modelview_get_int(selected_model, &iter, list.index_column);
        if (event != nullptr) {
            selected = document_follow_index(*event, selected);
        }
    }
    gtk_list_store_clear(list.store);
    const int count = list.document->item_count();
    int row = 0;
    int selected_row = -1;
    for (int index = 0; index < count; index++) {
        if (list.document->item_kind(index) != list.kind) {
            continue;
        }
        gtk_list_store_append(list.store, &iter);
        set_index(list, &iter, index);
        if (index == selected) {
            selected_row = row;
        }
        row++;
    }
    if (view != nullptr && selected_row >= 0 && modelview_shows(view, model)) {
        if (GtkTreePath *path = modelview_view_path(view, selected_row)) {
            gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
            gtk_tree_path_free(path);
        }
    }
}

void modelview_items_inserted(const ItemList &list, int index)
{
    if (list.store == nullptr) {
        return;
    }
    GtkTreeModel *model = GTK_TREE_MODEL(list.store);
    GtkTreeIter iter;
    int position = 0;
    int row = 0;
    for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
         more = gtk_tree_model_iter_next(model, &iter), row++) {
        const int item = modelview_get_int(model, &iter, list.index_column);
        if (item >= index) {
            set_index(list, &iter, item + 1);
        } else {
            position = row + 1;
        }
    }
    if (list.document->item_kind(index) == list.kind) {
        gtk_list_store_insert(list.store, &iter, position);
        set_index(list, &iter, index);
    }
}

void modelview_items_deleted(const ItemList &list, int index)
{
    if (list.store == nullptr) {
        return;
    }
    GtkTreeModel *model = GTK_TREE_MODEL(list.store);
    GtkTreeIter iter;
    gboolean more = gtk_tree_model_get_iter_first(model, &iter);
    while (more) {
        const int item = modelview_get_int(model, &iter, list.index_column);
        if (item == index) {
            more = gtk_list_store_remove(list.store, &iter);
            continue;
        }
        if (item > index) {
            set_index(list, &iter, item - 1);
        }
        more = gtk_tree_model_iter_next(model, &iter);
    }
}

void modelview_items_follow(const ItemList &list, GtkTreeView *view, const DocEvent &event)
{
    switch (event.what) {
    case DocChange::Reset:
        modelview_items_reset(list, view, &event);
        break;
    case DocChange::ItemInserted:
        modelview_items_inserted(list, event.index);
        break;
    case DocChange::ItemDeleted:
        modelview_items_deleted(list, event.index);
        break;
    default:
        break;
    }
}
