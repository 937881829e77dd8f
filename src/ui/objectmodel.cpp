// The object list store, kept in step with the document.
#include "ui/objectmodel.h"

#include "items/usage.h"

namespace {

void fill_row(const Document &document, GtkListStore *store, GtkTreeIter *iter, int index)
{
    GCharPtr label(g_strdup_printf("OBJECT %d", index));
    GdkPixbuf *image = document.object_image(index);
    GRef<GdkPixbuf> icon;
    if (image != nullptr) {
        icon.reset(gdk_pixbuf_scale_simple(image, 2 * gdk_pixbuf_get_width(image),
                                           2 * gdk_pixbuf_get_height(image), GDK_INTERP_NEAREST));
    }
    gtk_list_store_set(store, iter, OBJ_COL_LABEL, label.get(), OBJ_COL_IMAGE, image, OBJ_COL_ICON,
                       icon.get(), -1);
}

} // namespace

ObjectList::ObjectList(Document &document)
    : document_(document),
      store_(gtk_list_store_new(OBJ_N_COLUMNS, G_TYPE_INT, G_TYPE_STRING, GDK_TYPE_PIXBUF,
                                GDK_TYPE_PIXBUF, G_TYPE_STRING, G_TYPE_INT))
{
    modelview_items_reset(item_list(), nullptr);
    modelview_set_usage(store_.get(), OBJ_COL_INDEX, OBJ_COL_USED, OBJ_COL_USE,
                        usage_of_items(document_.project()));
    listener_ = document_.add_listener([this](const DocEvent &event) { follow(event); });
}

ObjectList::~ObjectList()
{
    document_.remove_listener(listener_);
}

ItemList ObjectList::item_list() const
{
    return ItemList{&document_, store_.get(), OBJ_COL_INDEX, ZbxItemKind::Object,
                    [this](GtkListStore *store, GtkTreeIter *iter, int index) {
                        fill_row(document_, store, iter, index);
                    }};
}

void ObjectList::follow(const DocEvent &event)
{
    modelview_items_follow(item_list(), view_.get(), event);
    if (event.what != DocChange::HistoryChanged && event.what != DocChange::PreviewChanged) {
        modelview_set_usage(store_.get(), OBJ_COL_INDEX, OBJ_COL_USED, OBJ_COL_USE,
                            usage_of_items(document_.project()));
    }
}

void ObjectList::show_in(GtkTreeView *view)
{
    view_.reset(view);
    modelview_show_sorted(view, GTK_TREE_MODEL(store_.get()), OBJ_COL_INDEX, OBJ_COL_USED,
                          OBJ_COL_USE);
}

bool ObjectList::index_at(GtkTreePath *path, int *index) const
{
    GtkTreeModel *model = GTK_TREE_MODEL(store_.get());
    GtkTreeIter iter;
    if (path == nullptr || !gtk_tree_model_get_iter(model, &iter, path)) {
        return false;
    }
    *index = modelview_get_int(model, &iter, OBJ_COL_INDEX);
    return true;
}
