#include "editor/override_window.h"

#include "c64/palette.h"
#include "ui/builder.h"
#include "ui/i18n.h"

namespace {

enum ColourColumn
{
    COLOUR_COL_UNUSED = 0,
    COLOUR_COL_SWATCH,
    COLOUR_COL_NAME,
    COLOUR_N_COLUMNS
};

const char *const checkbutton_names[kOverrideRows] = {
    "checkbutton_color_override_1", "checkbutton_color_override_2", "checkbutton_color_override_3"};

void set_accessible_name(GtkWidget *widget, const char *format, int row)
{
    GCharPtr name(g_strdup_printf(format, row + 1));
    atk_object_set_name(gtk_widget_get_accessible(widget), name.get());
}

} // namespace

OverrideWindow::OverrideWindow(UiContext &context, PanelEditor &editor, GtkWindow *parent)
    : editor_(editor), window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)),
      colours_(gtk_list_store_new(COLOUR_N_COLUMNS, G_TYPE_INT, GDK_TYPE_PIXBUF, G_TYPE_STRING))
{
    for (int colour = 0; colour < 16; colour++) {
        GtkTreeIter iter;
        gtk_list_store_append(colours_.get(), &iter);
        gtk_list_store_set(colours_.get(), &iter, COLOUR_COL_UNUSED, 0, COLOUR_COL_SWATCH,
                           context.images.palette.color_box(colour), COLOUR_COL_NAME,
                           palette_get_name_at_index(colour), -1);
    }

    ui_name_toplevel(window_, "window_color_overrides", _("Colour override selection"));
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    Builder b(window_);
    GtkWidget *top = b.reg(gtk_vbox_new(FALSE, 0), "vbox_color_overrides_top_most");
    gtk_container_set_border_width(GTK_CONTAINER(top), 3);
    gtk_container_add(GTK_CONTAINER(window_), top);
    for (int r = 0; r < kOverrideRows; r++) {
        GCharPtr vbox_name(g_strdup_printf("vbox_color_overrides_color%d", r + 1));
        GCharPtr hbox_name(g_strdup_printf("hbox_color_overrides_color%d_controls", r + 1));
        GtkWidget *vbox = b.reg(gtk_vbox_new(FALSE, 0), vbox_name.get());
        gtk_box_pack_start(GTK_BOX(top), vbox, TRUE, TRUE, 0);
        GtkWidget *hbox = b.reg(gtk_hbox_new(FALSE, 0), hbox_name.get());
        gtk_box_pack_start(GTK_BOX(vbox), hbox, TRUE, TRUE, 0);

        GtkWidget *source = combo_boxes_[r] = create_combo_box();
        GtkWidget *replacement = combo_boxes_[r + kOverrideRows] = create_combo_box();
        set_accessible_name(source, _("Colour %d"), r);
        set_accessible_name(replacement, _("Replacement %d"), r);
        GtkWidget *label = gtk_label_new(_("override with"));
        gtk_misc_set_padding(GTK_MISC(label), 4, 0);
        gtk_widget_show(label);
        gtk_box_pack_start(GTK_BOX(hbox), source, FALSE, TRUE, 0);
        gtk_box_pack_start(GTK_BOX(hbox), label, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(hbox), replacement, FALSE, TRUE, 0);

        GtkWidget *check =
            b.reg(gtk_check_button_new_with_label(_("Enable this override")), checkbutton_names[r]);
        set_accessible_name(check, _("Enable override %d"), r);
        gtk_box_pack_start(GTK_BOX(vbox), check, FALSE, FALSE, 0);
    }
    for (GtkWidget *combo : combo_boxes_) {
        ui_connect<&OverrideWindow::on_combo_changed>(combo, "changed", this);
    }
    ui_connect<&OverrideWindow::on_delete>(window_, "delete_event", this);
    if (parent != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(window_), parent);
    }
    ui_attach_icon(window_);
}

OverrideWindow::~OverrideWindow()
{
    gtk_widget_destroy(window_);
}

GtkWidget *OverrideWindow::create_combo_box()
{
    GtkWidget *combo = gtk_combo_box_new_with_model(GTK_TREE_MODEL(colours_.get()));
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

GtkComboBox *OverrideWindow::combo_box(int k) const
{
    return k >= 0 && k < 2 * kOverrideRows ? GTK_COMBO_BOX(combo_boxes_[k]) : nullptr;
}

GtkToggleButton *OverrideWindow::check_button(int row) const
{
    return GTK_TOGGLE_BUTTON(lookup_widget(window_, checkbutton_names[row]));
}

int OverrideWindow::colour_of(int k) const
{
    const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(combo_boxes_[k]));
    return active >= 0 ? active : 0;
}

void OverrideWindow::show_bytes(const int overrides[kOverrideRows])
{
    // Every stored byte is shown, whatever the count: the window writes 0
    // past it.
    const OverrideRows shown = override_rows_from_bytes(overrides);
    for (int r = 0; r < kOverrideRows; r++) {
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo_boxes_[r]), shown[r].source);
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo_boxes_[r + kOverrideRows]),
                                 shown[r].replacement);
        // Also the rows whose colours did not change: one unticked by hand
        // at an earlier opening would otherwise drop an override the
        // placement holds.
        gtk_toggle_button_set_active(check_button(r), shown[r].enabled);
    }
}

OverrideRows OverrideWindow::rows() const
{
    OverrideRows shown;
    for (int r = 0; r < kOverrideRows; r++) {
        shown[r].source = colour_of(r);
        shown[r].replacement = colour_of(r + kOverrideRows);
        shown[r].enabled = gtk_toggle_button_get_active(check_button(r));
    }
    return shown;
}

bool OverrideWindow::open()
{
    PanelDef def;
    if (!editor_.selected_object_def(&def)) {
        return false;
    }
    show_bytes(def.overrides);
    gtk_widget_show(window_);
    gtk_window_present(GTK_WINDOW(window_));
    return true;
}

gboolean OverrideWindow::on_delete(GtkWidget *, GdkEvent *)
{
    int overrides[kOverrideRows];
    const int count = override_pack(rows(), overrides);
    // One undo step when something changed, none otherwise; the editor
    // follows the document's report.
    editor_.set_overrides(count, overrides);
    gtk_widget_hide(window_);
    return TRUE;
}

void OverrideWindow::on_combo_changed(GtkComboBox *combo)
{
    for (int k = 0; k < 2 * kOverrideRows; k++) {
        if (combo_boxes_[k] != GTK_WIDGET(combo)) {
            continue;
        }
        const int r = k % kOverrideRows;
        gtk_toggle_button_set_active(check_button(r), colour_of(r) != colour_of(r + kOverrideRows));
        return;
    }
}
