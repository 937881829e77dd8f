// The panel list store, kept in step with the document.
#include "ui/panelmodels.h"

#include "items/usage.h"

PanelList::PanelList(Document &document)
    : document_(document),
      store_(gtk_list_store_new(PANEL_N_COLUMNS, G_TYPE_INT, G_TYPE_INT, G_TYPE_STRING, G_TYPE_INT))
{
    modelview_items_reset(item_list(), nullptr);
    modelview_set_usage(store_.get(), PANEL_COL_INDEX, PANEL_COL_USED, PANEL_COL_USE,
                        usage_of_items(document_.project()));
    listener_ = document_.add_listener([this](const DocEvent &event) { follow(event); });
}

PanelList::~PanelList()
{
    document_.remove_listener(listener_);
}

ItemList PanelList::item_list() const
{
    return ItemList{&document_, store_.get(), PANEL_COL_INDEX, ZbxItemKind::Panel,
                    [this](GtkListStore *store, GtkTreeIter *iter, int index) {
                        gtk_list_store_set(store, iter, PANEL_COL_COLOUR,
                                           document_.preview_colour(index), -1);
                    }};
}

void PanelList::follow(const DocEvent &event)
{
    const ItemList list = item_list();
    modelview_items_follow(list, view_.get(), event);
    if (event.what != DocChange::HistoryChanged && event.what != DocChange::PreviewChanged) {
        modelview_set_usage(store_.get(), PANEL_COL_INDEX, PANEL_COL_USED, PANEL_COL_USE,
                            usage_of_items(document_.project()));
    }
    GtkTreeIter iter;
    if (event.what == DocChange::PreviewChanged &&
        modelview_find_row(GTK_TREE_MODEL(store_.get()), PANEL_COL_INDEX, event.index, &iter)) {
        list.fill(store_.get(), &iter, event.index);
    }
}

void PanelList::show_in(GtkTreeView *view)
{
    view_.reset(view);
    modelview_show_sorted(view, GTK_TREE_MODEL(store_.get()), PANEL_COL_INDEX, PANEL_COL_USED,
                          PANEL_COL_USE);
}

bool PanelList::index_at(GtkTreePath *path, int *index) const
{
    GtkTreeModel *model = GTK_TREE_MODEL(store_.get());
    GtkTreeIter iter;
    if (path == nullptr || !gtk_tree_model_get_iter(model, &iter, path)) {
        return false;
    }
    *index = modelview_get_int(model, &iter, PANEL_COL_INDEX);
    return true;
}
