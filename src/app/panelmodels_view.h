// The panel list (item index and preview colour per panel) and the list of
// the selected panel's definitions in the main window: views of the
// document that follow its reports.
#pragma once

#include <glib.h>
#include <gtk/gtk.h>

#include "app/panelmodels_deflist.h"
#include "render/compose.h"

enum PanelModelColumn
{
    PANEL_COL_INDEX = 0,
    PANEL_COL_COLOUR,
    // The placements that use the panel and the locations that elect it
    // ("2 + loc 5", "" when none), and their number to sort by.
    PANEL_COL_USED,
    PANEL_COL_USE,
    PANEL_N_COLUMNS
};

// Creates the panel list, fills it from the document and follows it; with
// window_main, shows it sorted in "treeview_main_panels" and gives
// "treeview_main_panel_defs" its column.
void panelmodels_module_init(GtkWidget *window_main);
void panelmodels_cleanup();
GtkListStore *panelmodels_get_panel_model();
// The definition list the main window shows (of the selected panel).
ZbxDefList *panelmodels_get_panel_defs_model();
// Sets the selected panel's preview colour; FALSE with no panel selected.
gboolean panelmodels_set_panel_preview_background_colour(int colour);
// Shows the selected panel's definitions; FALSE with no panel selected.
gboolean panelmodels_on_cursor_changed_set_panel_defs_model();
gboolean panelmodels_get_panel_offset_from_path(GtkTreePath *path, int *index);
gboolean panelmodels_get_current_panel_info(int *index, int *colour);
gboolean panelmodels_get_current_panel_index(int *index);
// The definition selected in the main window's definition list, when exactly
// one is.
gboolean panelmodels_get_selected_panel_def(PanelDef *def);
// Frames the selected definition on a drawing area.
void panelmodels_draw_rectangle_around_item(GtkWidget *area, int frame_colour, int zoom);
// The backdrop, then the selected panel over its preview colour (reported
// through colour; 0 with no panel selected); with `clashes`, its clashing
// cells are reported there in the same pass.
void panelmodels_render_panel(GdkPixbuf *canvas, int *colour, ComposeClashes *clashes = nullptr);
