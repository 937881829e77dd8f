// The 32 location records as a list model: which panel each location shows
// and over which background colour; the record texts, the two edits, the
// queries, the reference search and renumbering, and the table's bytes.
#include "models/locations.h"

#include <glib/gi18n-lib.h>

#include "app/support.h"
#include "c64/palette.h"
#include "gref.h"
#include "models/modelview.h"
#include "models/panelmodels.h"

namespace {
struct LocationsState
{
    GRef<GtkListStore> store;
    ModelView view;
};
LocationsState state;

GtkTreeModel *model()
{
    return GTK_TREE_MODEL(state.store.get());
}

gboolean nth_row(int number, GtkTreeIter *iter)
{
    if (!state.store || number < 0 || number >= kLocationCount) {
        return FALSE;
    }
    return gtk_tree_model_iter_nth_child(model(), iter, nullptr, number);
}

GtkWidget *new_button(const char *stock, const char *label)
{
    GtkWidget *button = gtk_button_new_with_mnemonic(label);
    gtk_button_set_image(GTK_BUTTON(button), gtk_image_new_from_stock(stock, GTK_ICON_SIZE_BUTTON));
    gtk_widget_set_can_default(button, TRUE);
    return button;
}

GtkWidget *create_dialog_clear_record(GtkWindow *parent)
{
    GtkWidget *dialog = gtk_dialog_new();
    gtk_widget_set_name(dialog, "dialog_clear_record");
    gtk_window_set_title(GTK_WINDOW(dialog), _("Confirm"));
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_MOUSE);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    if (parent != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
    }

    GtkWidget *label = gtk_label_new(_("Are you sure you want to\nclear the selected record?"));
    gtk_misc_set_padding(GTK_MISC(label), 3, 3);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), label, TRUE, TRUE,
                       0);

    GtkWidget *cancel = new_button("gtk-no", _("_No"));
    GtkWidget *ok = new_button("gtk-yes", _("_Yes"));
    gtk_button_box_set_layout(GTK_BUTTON_BOX(gtk_dialog_get_action_area(GTK_DIALOG(dialog))),
                              GTK_BUTTONBOX_END);
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), cancel, GTK_RESPONSE_NO);
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), ok, GTK_RESPONSE_YES);

    // The dialog names itself without a reference to itself.
    g_object_set_data(G_OBJECT(dialog), "dialog_clear_record", dialog);
    zbx_register_widget(dialog, label, "label_clear_record_request");
    zbx_register_widget(dialog, ok, "button_clear_record_ok");
    zbx_register_widget(dialog, cancel, "button_clear_record_cancel");
    gtk_widget_show_all(gtk_dialog_get_content_area(GTK_DIALOG(dialog)));
    gtk_widget_show_all(gtk_dialog_get_action_area(GTK_DIALOG(dialog)));
    return dialog;
}
} // namespace

void locations_module_init(GtkWidget *window_main)
{
    state.store.reset(gtk_list_store_new(LOC_N_COLUMNS, G_TYPE_INT, G_TYPE_INT, G_TYPE_INT));
    state.view.reset(modelview_attach(window_main, "treeview_main_locations", "Location ID",
                                      LOC_COL_NUMBER, model()));
}

GtkListStore *locations_get_model()
{
    return state.store.get();
}

void locations_cleanup()
{
    if (state.store) {
        gtk_list_store_clear(state.store.get());
    }
}

void locations_add_item_to_location_model(int number, int panel, int colour)
{
    if (!state.store) {
        return;
    }
    panelmodels_fill_in_panel_def_background_color(panel, colour);
    GtkTreeIter iter;
    gtk_list_store_append(state.store.get(), &iter);
    gtk_list_store_set(state.store.get(), &iter, LOC_COL_NUMBER, number, LOC_COL_COLOUR, colour,
                       LOC_COL_PANEL, panel, -1);
}

gboolean locations_get_current_location_info(int *panel, int *colour)
{
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(state.view.get(), &selected_model, &iter)) {
        return FALSE;
    }
    gtk_tree_model_get(selected_model, &iter, LOC_COL_PANEL, panel, LOC_COL_COLOUR, colour, -1);
    return TRUE;
}

gboolean locations_get_current_location_index(int *number)
{
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(state.view.get(), &selected_model, &iter)) {
        return FALSE;
    }
    *number = modelview_get_int(selected_model, &iter, LOC_COL_NUMBER);
    return TRUE;
}

gboolean locations_is_filled_at_index(int number)
{
    GtkTreeIter iter;
    if (!nth_row(number, &iter)) {
        return FALSE;
    }
    return modelview_get_int(model(), &iter, LOC_COL_PANEL) != kNoPanel;
}

gboolean locations_get_info_at_index(int number, int *panel, int *colour)
{
    GtkTreeIter iter;
    if (!nth_row(number, &iter)) {
        return FALSE;
    }
    gtk_tree_model_get(model(), &iter, LOC_COL_PANEL, panel, LOC_COL_COLOUR, colour, -1);
    return *panel != kNoPanel;
}

int locations_get_index_past_last_filled_slot()
{
    for (int number = kLocationCount - 1; number >= 0; number--) {
        if (locations_is_filled_at_index(number)) {
            return number + 1;
        }
    }
    return 0;
}

gboolean locations_store_location(GError **error)
{
    int panel = 0;
    int colour = 0;
    if (!panelmodels_get_current_panel_info(&panel, &colour)) {
        zbx_set_error(error, "Please first select a panel");
        return FALSE;
    }
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(state.view.get(), &selected_model, &iter) ||
        selected_model != model()) {
        zbx_set_error(error, "Please first select a location");
        return FALSE;
    }
    gtk_list_store_set(state.store.get(), &iter, LOC_COL_PANEL, panel, LOC_COL_COLOUR, colour, -1);
    return TRUE;
}

void locations_clear_location_record()
{
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(state.view.get(), &selected_model, &iter) ||
        selected_model != model()) {
        return;
    }
    int number = modelview_get_int(model(), &iter, LOC_COL_NUMBER);
    GtkWidget *toplevel = gtk_widget_get_toplevel(GTK_WIDGET(state.view.get()));
    GtkWidget *dialog = create_dialog_clear_record(
        gtk_widget_is_toplevel(toplevel) ? GTK_WINDOW(toplevel) : nullptr);
    gint answer = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    // The dialog ran its own loop: find the row again by its number.
    if (answer == GTK_RESPONSE_YES && nth_row(number, &iter)) {
        gtk_list_store_set(state.store.get(), &iter, LOC_COL_PANEL, kNoPanel, LOC_COL_COLOUR, 0,
                           -1);
    }
}

void locations_find_all_panel_references(GString *text, int panel)
{
    if (!state.store) {
        return;
    }
    GtkTreeIter iter;
    for (gboolean more = gtk_tree_model_get_iter_first(model(), &iter); more;
         more = gtk_tree_model_iter_next(model(), &iter)) {
        if (modelview_get_int(model(), &iter, LOC_COL_PANEL) == panel) {
            int number = modelview_get_int(model(), &iter, LOC_COL_NUMBER);
            g_string_append_printf(text, "Panel was elected as location %d ($%X)\n", number,
                                   number);
        }
    }
}

void locations_renumber_panels(int index)
{
    if (!state.store) {
        return;
    }
    GtkTreeIter iter;
    for (gboolean more = gtk_tree_model_get_iter_first(model(), &iter); more;
         more = gtk_tree_model_iter_next(model(), &iter)) {
        int panel = modelview_get_int(model(), &iter, LOC_COL_PANEL);
        if (panel != kNoPanel && panel > index) {
            gtk_list_store_set(state.store.get(), &iter, LOC_COL_PANEL, panel - 1, -1);
        }
    }
}

void locations_save_location_table(GByteArray *out)
{
    uint8_t table[2 * kLocationCount];
    for (int number = 0; number < kLocationCount; number++) {
        int panel = kNoPanel;
        int colour = 0;
        GtkTreeIter iter;
        if (nth_row(number, &iter)) {
            gtk_tree_model_get(model(), &iter, LOC_COL_PANEL, &panel, LOC_COL_COLOUR, &colour, -1);
        }
        table[2 * number] = static_cast<uint8_t>(panel);
        table[2 * number + 1] = static_cast<uint8_t>(colour);
    }
    g_byte_array_append(out, table, sizeof table);
}

char *locations_record_text(int panel, int colour)
{
    if (panel == kNoPanel) {
        return g_strdup("Empty record");
    }
    return g_strdup_printf("Panel: %d ($%02X)\nBackground: %s", panel, panel,
                           palette_get_name_at_index(colour));
}
