// The colour override window: three rows of "colour override with colour"
// and an "Enable this override" check button each, editing the overrides of
// the panel editor's selected object placement. Built once at start-up,
// shown modal over the editor, applied when closed.
#pragma once

#include <gtk/gtk.h>

#include "editor/override.h"

// The window with its boxes and check buttons, hidden; the combo boxes
// come with override_module_init.
GtkWidget *create_window_color_overrides();
// Builds the colour list and the six combo boxes and connects them.
void override_module_init(GtkWidget *window);
void override_cleanup();
// Combo box k: 0..2 the colours replaced in rows 1..3, 3..5 their
// replacements.
GtkComboBox *override_combo_box(int k);
// A combo box over the sixteen colours (swatch and name), at colour 0.
GtkWidget *override_create_combo_box();
// Shows three stored bytes; each row's check button is ticked exactly when
// its two colours differ.
void override_reset_environment(int count, const int overrides[kOverrideRows]);
// The rows as the window shows them.
OverrideRows override_get_rows();
// The window's state packed: returns the count.
int override_get_overrides(int overrides[kOverrideRows]);
// "Colo_ur overrides...": opens the window for the selected object
// placement; nothing for a panel placement or no selection.
void paneleditor_color_override_edit();

gboolean on_window_color_overrides_delete_event(GtkWidget *widget, GdkEvent *event, gpointer data);
// Keeps a row's check button in step with its colours (k: 0..2 the colour
// replaced, 3..5 the replacement).
void on_combobox_changed(GtkComboBox *combo, gpointer k);
