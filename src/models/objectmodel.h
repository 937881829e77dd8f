// The object list: one row per object (item index, "OBJECT %d", image),
// shared by the main window's list and the browser's and grabber's icon views.
#pragma once

#include <gtk/gtk.h>

enum ObjectModelColumn
{
    OBJ_COL_INDEX = 0,
    OBJ_COL_LABEL,
    OBJ_COL_IMAGE,
    OBJ_N_COLUMNS
};

// Creates the store; when window_main is given, attaches it to its
// "treeview_main_objects" (without it the model works headless).
void objectmodel_module_init(GtkWidget *window_main);
GtkListStore *objectmodel_get_model();
void objectmodel_cleanup();
void objectmodel_add_item_to_object_model(int index, GdkPixbuf *image);
void objectmodel_renumber_objects_in_object_model_after_index(int index);
void objectmodel_remove_selected_object_from_object_model();
void objectmodel_remove_object_from_object_model(int index);
void objectmodel_render_object(GdkPixbuf *canvas, int colour);
gboolean objectmodel_get_object_id_from_path(GtkTreePath *path, int *index);
gboolean objectmodel_get_current_object_id(int *index);
