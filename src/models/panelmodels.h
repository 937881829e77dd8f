// Panels: the panel list (item index, preview colour), each panel's
// definition list, composition and rendering, references and renumbering.
#pragma once

#include <glib.h>
#include <gtk/gtk.h>

#include "models/panelmodels_deflist.h"

enum PanelModelColumn
{
    PANEL_COL_INDEX = 0,
    PANEL_COL_COLOUR,
    PANEL_N_COLUMNS
};

void panelmodels_module_init(GtkWidget *window_main);
GtkListStore *panelmodels_get_panel_model();
void panelmodels_cleanup();
// A new definition list for a panel at index (caller stores it in the panel
// store), or null when a panel is already there.
ZbxDefList *panelmodels_add_item_to_panel_model(int index);
void panelmodels_add_item_to_panel_def_model(int panel, int item, gboolean mirror,
                                             gboolean has_overrides, int x, int y,
                                             int override_count, int override1, int override2,
                                             int override3);
void panelmodels_fill_in_panel_def_background_color(int panel, int colour);
gboolean panelmodels_set_panel_preview_background_colour(int colour);
gboolean panelmodels_on_cursor_changed_set_panel_defs_model();
gboolean panelmodels_get_panel_offset_from_path(GtkTreePath *path, int *index);
gboolean panelmodels_get_current_panel_info(int *index, int *colour);
gboolean panelmodels_get_current_panel_index(int *index);
// The definition selected in the main window's definition list, when exactly
// one is.
gboolean panelmodels_get_selected_panel_def(PanelDef *def);
void panelmodels_remove_selected_panel_from_panel_model();
void panelmodels_remove_panel_from_panel_model(int index);
// Frames the selected definition on a drawing area (in the editor library:
// it draws on a window).
void panelmodels_draw_rectangle_around_item(GtkWidget *area, int frame_colour, int zoom);

// Rendering (src/models/panelmodels_render.cpp).
void panelmodels_render_panel_defs(ZbxDefList *list, GdkPixbuf *canvas, GtkWidget *area,
                                   int background, int transparency, int alpha);
void panelmodels_render_panel(GdkPixbuf *canvas, GtkWidget *area, int transparency, int alpha,
                              int *colour);
gboolean panelmodels_compute_panel_size_and_pos(int panel, int *x, int *y, int *width, int *height);

// References, renumbering, loops.
void panelmodels_find_all_object_references(GString *text, int item);
void panelmodels_find_all_panel_references(GString *text, int item);
void panelmodels_renumber_items_in_panel_and_defs_models(int index);
// TRUE when some panel contains itself, directly or through sub-panels.
gboolean panelmodels_is_bad_child();

// File writing: the size of a panel's definition list as written (0 for an
// index that holds no panel), and the list itself appended to out.
int panelmodels_compute_panel_memory_size(int index);
void panelmodels_save_panel_def_list(GByteArray *out, int index);
