// The object list store, kept in step with the document.
#include "app/objectmodel.h"
#include "app/context.h"

#include "app/modelview.h"
#include "base/gref.h"
#include "items/document.h"
#include "render/canvas.h"
#include "render/render.h"

namespace {
struct ObjectModelState
{
    GRef<GtkListStore> store;
    ModelView view;
    int listener = 0;
};
ObjectModelState state;

GtkTreeModel *model()
{
    return GTK_TREE_MODEL(state.store.get());
}

void fill_row(GtkListStore *store, GtkTreeIter *iter, int index)
{
    GCharPtr label(g_strdup_printf("OBJECT %d", index));
    GdkPixbuf *image = app_document().object_image(index);
    GRef<GdkPixbuf> icon;
    if (image != nullptr) {
        icon.reset(gdk_pixbuf_scale_simple(image, 2 * gdk_pixbuf_get_width(image),
                                           2 * gdk_pixbuf_get_height(image), GDK_INTERP_NEAREST));
    }
    gtk_list_store_set(store, iter, OBJ_COL_LABEL, label.get(), OBJ_COL_IMAGE, image, OBJ_COL_ICON,
                       icon.get(), -1);
}

ItemList item_list()
{
    return ItemList{state.store.get(), OBJ_COL_INDEX, ZbxItemKind::Object, fill_row};
}

void follow(const DocEvent &event)
{
    modelview_items_follow(item_list(), state.view.get(), event);
    if (event.what != DocChange::HistoryChanged && event.what != DocChange::PreviewChanged) {
        modelview_set_usage(state.store.get(), OBJ_COL_INDEX, OBJ_COL_USED, OBJ_COL_USE,
                            usage_of_items(app_document().project()));
    }
}
} // namespace

void objectmodel_module_init(GtkWidget *window_main)
{
    objectmodel_cleanup();
    state.store.reset(gtk_list_store_new(OBJ_N_COLUMNS, G_TYPE_INT, G_TYPE_STRING, GDK_TYPE_PIXBUF,
                                         GDK_TYPE_PIXBUF, G_TYPE_STRING, G_TYPE_INT));
    state.view.reset(modelview_attach(window_main, "treeview_main_objects", "Object ID",
                                      OBJ_COL_INDEX, nullptr));
    // The browser and the grabber show the store itself, in item order.
    modelview_show_sorted(state.view.get(), model(), OBJ_COL_INDEX, OBJ_COL_USED, OBJ_COL_USE);
    modelview_items_reset(item_list(), nullptr);
    modelview_set_usage(state.store.get(), OBJ_COL_INDEX, OBJ_COL_USED, OBJ_COL_USE,
                        usage_of_items(app_document().project()));
    state.listener = app_document().add_listener(follow);
}

void objectmodel_cleanup()
{
    if (state.listener != 0) {
        app_document().remove_listener(state.listener);
    }
    state.listener = 0;
    state.view.reset(nullptr);
    state.store.reset();
}

GtkListStore *objectmodel_get_model()
{
    return state.store.get();
}

void objectmodel_render_object(GdkPixbuf *canvas, int colour)
{
    int index = -1;
    if (!objectmodel_get_current_object_id(&index)) {
        canvas_copy_image(app_backdrop(), canvas);
        return;
    }
    render_object_preview(app_document(), app_backdrop(), canvas, index, colour);
}

gboolean objectmodel_get_object_id_from_path(GtkTreePath *path, int *index)
{
    GtkTreeIter iter;
    if (path == nullptr || !state.store || !gtk_tree_model_get_iter(model(), &iter, path)) {
        return FALSE;
    }
    *index = modelview_get_int(model(), &iter, OBJ_COL_INDEX);
    return TRUE;
}

gboolean objectmodel_get_current_object_id(int *index)
{
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(state.view.get(), &selected_model, &iter)) {
        return FALSE;
    }
    *index = modelview_get_int(selected_model, &iter, OBJ_COL_INDEX);
    return TRUE;
}
