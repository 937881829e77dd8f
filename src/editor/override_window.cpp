#include "editor/override_window.h"
#include "app/context.h"

#include "app/app.h"
#include "app/i18n.h"
#include "app/support.h"
#include "base/gref.h"
#include "c64/palette.h"
#include "editor/paneleditor.h"
#include "editor/paneleditor_window.h"

namespace {

enum ColourColumn
{
    COLOUR_COL_UNUSED = 0,
    COLOUR_COL_SWATCH,
    COLOUR_COL_NAME,
    COLOUR_N_COLUMNS
};

struct OverrideState
{
    GtkWidget *window = nullptr;
    GRef<GtkListStore> color_model;
    // 0..2: the colours replaced in rows 1..3; 3..5: their replacements.
    GtkWidget *combo_boxes[2 * kOverrideRows] = {};
};
OverrideState state;

const char *const checkbutton_names[kOverrideRows] = {
    "checkbutton_color_override_1", "checkbutton_color_override_2", "checkbutton_color_override_3"};

GtkWidget *check_button(int row)
{
    return state.window != nullptr ? lookup_widget(state.window, checkbutton_names[row]) : nullptr;
}

int colour_of(int k)
{
    const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(state.combo_boxes[k]));
    return active >= 0 ? active : 0;
}

void set_accessible_name(GtkWidget *widget, const char *format, int row)
{
    GCharPtr name(g_strdup_printf(format, row + 1));
    atk_object_set_name(gtk_widget_get_accessible(widget), name.get());
}

} // namespace

GtkWidget *create_window_color_overrides()
{
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    zbx_name_toplevel(window, "window_color_overrides", _("Colour override selection"));
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    auto reg = [window](GtkWidget *widget, const char *name) {
        zbx_register_widget(window, widget, name);
        gtk_widget_show(widget);
        return widget;
    };
    GtkWidget *top = reg(gtk_vbox_new(FALSE, 0), "vbox_color_overrides_top_most");
    gtk_container_set_border_width(GTK_CONTAINER(top), 3);
    gtk_container_add(GTK_CONTAINER(window), top);
    for (int r = 0; r < kOverrideRows; r++) {
        GCharPtr vbox_name(g_strdup_printf("vbox_color_overrides_color%d", r + 1));
        GCharPtr hbox_name(g_strdup_printf("hbox_color_overrides_color%d_controls", r + 1));
        GtkWidget *vbox = reg(gtk_vbox_new(FALSE, 0), vbox_name.get());
        gtk_box_pack_start(GTK_BOX(top), vbox, TRUE, TRUE, 0);
        gtk_box_pack_start(GTK_BOX(vbox), reg(gtk_hbox_new(FALSE, 0), hbox_name.get()), TRUE, TRUE,
                           0);
        GtkWidget *check =
            reg(gtk_check_button_new_with_label(_("Enable this override")), checkbutton_names[r]);
        set_accessible_name(check, _("Enable override %d"), r);
        gtk_box_pack_start(GTK_BOX(vbox), check, FALSE, FALSE, 0);
    }
    g_signal_connect(window, "delete_event", G_CALLBACK(on_window_color_overrides_delete_event),
                     nullptr);
    return window;
}

GtkComboBox *override_combo_box(int k)
{
    return k >= 0 && k < 2 * kOverrideRows && state.combo_boxes[k] != nullptr
               ? GTK_COMBO_BOX(state.combo_boxes[k])
               : nullptr;
}

GtkWidget *override_create_combo_box()
{
    GtkWidget *combo = gtk_combo_box_new_with_model(GTK_TREE_MODEL(state.color_model.get()));
    GtkCellRenderer *swatch = gtk_cell_renderer_pixbuf_new();
    gtk_cell_layout_pack_start(GTK_CELL_LAYOUT(combo), swatch, FALSE);
    gtk_cell_layout_add_attribute(GTK_CELL_LAYOUT(combo), swatch, "pixbuf", COLOUR_COL_SWATCH);
    GtkCellRenderer *name = gtk_cell_renderer_text_new();
    gtk_cell_layout_pack_start(GTK_CELL_LAYOUT(combo), name, TRUE);
    gtk_cell_layout_add_attribute(GTK_CELL_LAYOUT(combo), name, "text", COLOUR_COL_NAME);
    gtk_container_set_border_width(GTK_CONTAINER(combo), 1);
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
    gtk_widget_show(combo);
    return combo;
}

void override_module_init(GtkWidget *window)
{
    override_cleanup();
    state.window = window;
    if (window == nullptr) {
        return;
    }
    state.color_model.reset(
        gtk_list_store_new(COLOUR_N_COLUMNS, G_TYPE_INT, GDK_TYPE_PIXBUF, G_TYPE_STRING));
    for (int colour = 0; colour < 16; colour++) {
        GtkTreeIter iter;
        gtk_list_store_append(state.color_model.get(), &iter);
        gtk_list_store_set(state.color_model.get(), &iter, COLOUR_COL_UNUSED, 0, COLOUR_COL_SWATCH,
                           app_palette().color_box(colour), COLOUR_COL_NAME,
                           palette_get_name_at_index(colour), -1);
    }
    for (int k = 0; k < 2 * kOverrideRows; k++) {
        state.combo_boxes[k] = override_create_combo_box();
    }
    for (int r = 0; r < kOverrideRows; r++) {
        GCharPtr hbox_name(g_strdup_printf("hbox_color_overrides_color%d_controls", r + 1));
        GtkWidget *hbox = lookup_widget(window, hbox_name.get());
        GtkWidget *source = state.combo_boxes[r];
        GtkWidget *replacement = state.combo_boxes[r + kOverrideRows];
        set_accessible_name(source, _("Colour %d"), r);
        set_accessible_name(replacement, _("Replacement %d"), r);
        GtkWidget *label = gtk_label_new(_("override with"));
        gtk_misc_set_padding(GTK_MISC(label), 4, 0);
        gtk_widget_show(label);
        gtk_box_pack_start(GTK_BOX(hbox), source, FALSE, TRUE, 0);
        gtk_box_pack_start(GTK_BOX(hbox), label, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(hbox), replacement, FALSE, TRUE, 0);
    }
    for (int k = 0; k < 2 * kOverrideRows; k++) {
        g_signal_connect(state.combo_boxes[k], "changed", G_CALLBACK(on_combobox_changed),
                         GINT_TO_POINTER(k));
    }
    if (window_panel_editor != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(window_panel_editor));
    }
}

void override_cleanup()
{
    state = OverrideState{};
}

void override_reset_environment(int, const int overrides[kOverrideRows])
{
    // Every stored byte is shown, whatever the count: the window writes 0
    // past it.
    const OverrideRows rows = override_rows_from_bytes(overrides);
    for (int r = 0; r < kOverrideRows; r++) {
        gtk_combo_box_set_active(GTK_COMBO_BOX(state.combo_boxes[r]), rows[r].source);
        gtk_combo_box_set_active(GTK_COMBO_BOX(state.combo_boxes[r + kOverrideRows]),
                                 rows[r].replacement);
        // Also the rows whose colours did not change: one unticked by hand
        // at an earlier opening would otherwise drop an override the
        // placement holds.
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check_button(r)), rows[r].enabled);
    }
}

OverrideRows override_get_rows()
{
    OverrideRows rows;
    for (int r = 0; r < kOverrideRows; r++) {
        rows[r].source = colour_of(r);
        rows[r].replacement = colour_of(r + kOverrideRows);
        rows[r].enabled = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check_button(r)));
    }
    return rows;
}

int override_get_overrides(int overrides[kOverrideRows])
{
    return override_pack(override_get_rows(), overrides);
}

void paneleditor_color_override_edit()
{
    PanelDef def;
    if (state.window == nullptr || !override_selected_object_def(&def)) {
        return;
    }
    override_reset_environment(def.override_count, def.overrides);
    gtk_widget_show(state.window);
    gtk_window_present(GTK_WINDOW(state.window));
}

gboolean on_window_color_overrides_delete_event(GtkWidget *window, GdkEvent *, gpointer)
{
    int overrides[kOverrideRows];
    const int count = override_get_overrides(overrides);
    // One undo step when something changed, none otherwise.
    paneleditor_set_overrides(count, overrides);
    paneleditor_refresh();
    gtk_widget_hide(window);
    return TRUE;
}

void on_combobox_changed(GtkComboBox *, gpointer data)
{
    const int r = GPOINTER_TO_INT(data) % kOverrideRows;
    if (state.combo_boxes[r] == nullptr || state.combo_boxes[r + kOverrideRows] == nullptr) {
        return;
    }
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check_button(r)),
                                 colour_of(r) != colour_of(r + kOverrideRows));
}
