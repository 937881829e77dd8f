// The location list of the main window: one row per location record of the
// document (number, colour, panel, and beside the number what the slot
// shows), following its reports; and the two
// commands that change a record, storing the selected panel and clearing.
#pragma once

#include <glib.h>
#include <gtk/gtk.h>

#include "render/locations.h"

enum LocationColumn
{
    LOC_COL_NUMBER = 0,
    LOC_COL_COLOUR,
    LOC_COL_PANEL,
    // What the slot shows: its background colour's box (none when empty),
    // and "panel 3, Light blue" or "empty".
    LOC_COL_SWATCH,
    LOC_COL_CONTENTS,
    LOC_N_COLUMNS
};

// Creates the store, fills it from the document (32 rows while a project
// is open, none otherwise) and follows it; with window_main, attaches it
// to "treeview_main_locations".
void locations_module_init(GtkWidget *window_main);
void locations_cleanup();
GtkListStore *locations_get_model();
gboolean locations_get_current_location_info(int *panel, int *colour);
gboolean locations_get_current_location_index(int *number);
// Stores the selected panel, over its preview colour, into the selected
// location: one step, "Store as location N". Fails with "Please first
// select a panel" or "Please first select a location".
gboolean locations_store_location(GError **error);
// Asks whether to clear the selected record; on yes empties it (one step,
// "Clear location N").
void locations_clear_location_record();
