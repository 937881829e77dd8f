// The object list: one row per object, in item order, shared by every view
// that shows objects; and the main window's object preview.
#include "models/objectmodel.h"

#include <algorithm>

#include "app/common.h"
#include "gref.h"
#include "models/modelview.h"

namespace {
struct ObjectModelState
{
    GRef<GtkListStore> store;
    ModelView view;
};
ObjectModelState state;

GtkTreeModel *model()
{
    return GTK_TREE_MODEL(state.store.get());
}

void set_row(GtkTreeIter *iter, int index)
{
    GCharPtr label(g_strdup_printf("OBJECT %d", index));
    gtk_list_store_set(state.store.get(), iter, OBJ_COL_INDEX, index, OBJ_COL_LABEL, label.get(),
                       -1);
}

// The position that centres a size in a span on the 8-pixel cell grid.
int centred(int span, int size, int offset)
{
    return (((span - size) >> 1) + offset) & ~7;
}
} // namespace

void objectmodel_module_init(GtkWidget *window_main)
{
    state.store.reset(
        gtk_list_store_new(OBJ_N_COLUMNS, G_TYPE_INT, G_TYPE_STRING, GDK_TYPE_PIXBUF));
    state.view.reset(modelview_attach(window_main, "treeview_main_objects", "Object ID",
                                      OBJ_COL_INDEX, model()));
}

GtkListStore *objectmodel_get_model()
{
    return state.store.get();
}

void objectmodel_cleanup()
{
    if (state.store) {
        gtk_list_store_clear(state.store.get());
    }
}

void objectmodel_add_item_to_object_model(int index, GdkPixbuf *image)
{
    if (!state.store) {
        return;
    }
    GtkTreeIter iter;
    gtk_list_store_append(state.store.get(), &iter);
    set_row(&iter, index);
    gtk_list_store_set(state.store.get(), &iter, OBJ_COL_IMAGE, image, -1);
}

void objectmodel_renumber_objects_in_object_model_after_index(int index)
{
    if (!state.store) {
        return;
    }
    GtkTreeIter iter;
    for (gboolean more = gtk_tree_model_get_iter_first(model(), &iter); more;
         more = gtk_tree_model_iter_next(model(), &iter)) {
        int item = modelview_get_int(model(), &iter, OBJ_COL_INDEX);
        if (item > index) {
            set_row(&iter, item - 1);
        }
    }
}

void objectmodel_remove_selected_object_from_object_model()
{
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (modelview_get_selected_row(state.view.get(), &selected_model, &iter) &&
        selected_model == model()) {
        gtk_list_store_remove(state.store.get(), &iter);
    }
}

void objectmodel_remove_object_from_object_model(int index)
{
    GtkTreeIter iter;
    if (modelview_find_row(model(), OBJ_COL_INDEX, index, &iter)) {
        gtk_list_store_remove(state.store.get(), &iter);
    }
}

void objectmodel_render_object(GdkPixbuf *canvas, int colour)
{
    if (canvas == nullptr) {
        return;
    }
    common_copy_background_image_to_pixbuf(canvas);
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(state.view.get(), &selected_model, &iter)) {
        return;
    }
    common_fill_location_area(canvas, colour);
    GdkPixbuf *image = nullptr;
    gtk_tree_model_get(selected_model, &iter, OBJ_COL_IMAGE, &image, -1);
    if (image == nullptr) {
        return;
    }
    GRef<GdkPixbuf> held(image);
    int width = gdk_pixbuf_get_width(image);
    int height = gdk_pixbuf_get_height(image);
    int x = centred(kLocationWidth, width, 0);
    int y = centred(kLocationHeight, height, kLocationTop);
    // Clip to the canvas: objects are at most 120 x 120, but the image is
    // whatever the row holds.
    int x0 = std::max(x, 0);
    int y0 = std::max(y, 0);
    int x1 = std::min(x + width, gdk_pixbuf_get_width(canvas));
    int y1 = std::min(y + height, gdk_pixbuf_get_height(canvas));
    if (x1 <= x0 || y1 <= y0) {
        return;
    }
    gdk_pixbuf_composite(image, canvas, x0, y0, x1 - x0, y1 - y0, x, y, 1.0, 1.0,
                         GDK_INTERP_NEAREST, 255);
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
