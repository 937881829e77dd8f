// The object list: one row per object of the document (item index, "OBJECT
// %d", image, icon, use), shared by the main window's list and the browser's and
// grabber's icon views. A view: it follows the document's reports.
#pragma once

#include <gtk/gtk.h>

enum ObjectModelColumn
{
    OBJ_COL_INDEX = 0,
    OBJ_COL_LABEL,
    OBJ_COL_IMAGE,
    // The image with every pixel doubled, for icon views: small objects
    // would be hard to make out at their own size.
    OBJ_COL_ICON,
    // How many placements use the object ("" when none), and that number
    // to sort by.
    OBJ_COL_USED,
    OBJ_COL_USE,
    OBJ_N_COLUMNS
};

// Creates the store, fills it from the document and follows it; when
// window_main is given, shows it sorted in its "treeview_main_objects".
void objectmodel_module_init(GtkWidget *window_main);
// Stops following the document and drops the store.
void objectmodel_cleanup();
GtkListStore *objectmodel_get_model();
// The object preview of the selected row: the backdrop, and with a row
// selected the location area in the colour with the object centred.
void objectmodel_render_object(GdkPixbuf *canvas, int colour);
gboolean objectmodel_get_object_id_from_path(GtkTreePath *path, int *index);
gboolean objectmodel_get_current_object_id(int *index);
