// The 32 location records: a panel drawn over a background colour.
#pragma once

#include <glib.h>
#include <gtk/gtk.h>

enum LocationColumn
{
    LOC_COL_NUMBER = 0,
    LOC_COL_COLOUR,
    LOC_COL_PANEL,
    LOC_N_COLUMNS
};
inline constexpr int kLocationCount = 32;
inline constexpr int kNoPanel = 255;

void locations_module_init(GtkWidget *window_main);
GtkListStore *locations_get_model();
void locations_cleanup();
void locations_add_item_to_location_model(int number, int panel, int colour);
void locations_render_location(GdkPixbuf *canvas, GtkWidget *area, int transparency, int alpha);
gboolean locations_get_current_location_info(int *panel, int *colour);
gboolean locations_get_current_location_index(int *number);
gboolean locations_is_filled_at_index(int number);
gboolean locations_get_info_at_index(int number, int *panel, int *colour);
void locations_render_location_at_index(int number, GdkPixbuf *canvas, int transparency, int alpha);
int locations_get_index_past_last_filled_slot();
gboolean locations_store_location(GError **error);
void locations_clear_location_record();
void locations_find_all_panel_references(GString *text, int panel);
void locations_renumber_panels(int index);
// Appends the 64-byte location table.
void locations_save_location_table(GByteArray *out);
// "Panel: %d ($%02X)\nBackground: %s" or "Empty record"; caller frees.
char *locations_record_text(int panel, int colour);
