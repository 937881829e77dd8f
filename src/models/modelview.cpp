#include "models/modelview.h"

#include "app/support.h"

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
    GtkCellRenderer *renderer = gtk_cell_renderer_text_new();
    g_object_set(renderer, "xalign", 1.0, nullptr);
    gtk_tree_view_insert_column_with_attributes(view, -1, title, renderer, "text", column, nullptr);
    if (model != nullptr) {
        gtk_tree_view_set_model(view, model);
    }
    return view;
}

gboolean modelview_get_selected_row(GtkTreeView *view, GtkTreeModel **model, GtkTreeIter *iter)
{
    if (view == nullptr) {
        return FALSE;
    }
    GtkTreeSelection *selection = gtk_tree_view_get_selection(view);
    if (selection == nullptr || gtk_tree_selection_count_selected_rows(selection) != 1) {
        return FALSE;
    }
    GtkTreeModel *found = nullptr;
    GList *rows = gtk_tree_selection_get_selected_rows(selection, &found);
    gboolean ok = rows != nullptr && found != nullptr &&
                  gtk_tree_model_get_iter(found, iter, static_cast<GtkTreePath *>(rows->data));
    g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
    if (ok && model != nullptr) {
        *model = found;
    }
    return ok;
}

gboolean modelview_find_row(GtkTreeModel *model, int column, int value, GtkTreeIter *iter)
{
    if (model == nullptr) {
        return FALSE;
    }
    for (gboolean more = gtk_tree_model_get_iter_first(model, iter); more;
         more = gtk_tree_model_iter_next(model, iter)) {
        if (modelview_get_int(model, iter, column) == value) {
            return TRUE;
        }
    }
    return FALSE;
}

int modelview_get_int(GtkTreeModel *model, GtkTreeIter *iter, int column)
{
    int value = 0;
    gtk_tree_model_get(model, iter, column, &value, -1);
    return value;
}
