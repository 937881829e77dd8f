#include "editor/override_window.h"

#include <gdk/gdkkeysyms.h>

#include "base/gref.h"
#include "c64/palette.h"
#include "items/objects.h"
#include "ui/builder.h"
#include "ui/common.h"
#include "ui/i18n.h"

namespace {

// The one list both combo boxes of every row show.
enum ColourColumn
{
    COLOUR_COL_INDEX = 0, // the palette colour of the row
    COLOUR_COL_SWATCH,
    COLOUR_COL_NAME,
    COLOUR_COL_WEIGHT, // bold for the colours the object shows
    COLOUR_N_COLUMNS
};

const char *const checkbutton_names[kOverrideRows] = {
    "checkbutton_color_override_1", "checkbutton_color_override_2", "checkbutton_color_override_3"};

// Names a control of row `row` for screen readers and gives it a tooltip.
void describe(GtkTooltips *tooltips, GtkWidget *widget, const char *format, int row,
              const char *tip)
{
    GCharPtr name(g_strdup_printf(format, row + 1));
    atk_object_set_name(gtk_widget_get_accessible(widget), name.get());
    gtk_tooltips_set_tip(tooltips, widget, tip, nullptr);
}

} // namespace

OverrideWindow::OverrideWindow(UiContext &context, PanelEditor &editor, GtkWindow *parent,
                               std::function<void()> changed)
    : context_(context), editor_(editor), changed_(std::move(changed)),
      window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)),
      colours_(gtk_list_store_new(COLOUR_N_COLUMNS, G_TYPE_INT, GDK_TYPE_PIXBUF, G_TYPE_STRING,
                                  G_TYPE_INT))
{
    for (int colour = 0; colour < 16; colour++) {
        GtkTreeIter iter;
        gtk_list_store_append(colours_.get(), &iter);
    }
    list_colours(-1);

    ui_name_toplevel(window_, "window_color_overrides", _("Colour override selection"));
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    GtkTooltips *tooltips = gtk_tooltips_new();
    ui_register_object(window_, tooltips, "tooltips");
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
        describe(tooltips, source, _("Colour %d"), r,
                 _("The colour of the object to replace; the colours the object shows come "
                   "first, in bold"));
        describe(tooltips, replacement, _("Replacement %d"), r,
                 _("The colour the editor draws instead"));
        GtkWidget *label = gtk_label_new(_("override with"));
        gtk_misc_set_padding(GTK_MISC(label), 4, 0);
        gtk_widget_show(label);
        gtk_box_pack_start(GTK_BOX(hbox), source, FALSE, TRUE, 0);
        gtk_box_pack_start(GTK_BOX(hbox), label, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(hbox), replacement, FALSE, TRUE, 0);

        GtkWidget *check =
            b.reg(gtk_check_button_new_with_label(_("Enable this override")), checkbutton_names[r]);
        describe(tooltips, check, _("Enable override %d"), r,
                 _("Apply this override when the window closes; Escape closes it without "
                   "applying any"));
        gtk_box_pack_start(GTK_BOX(vbox), check, FALSE, FALSE, 0);
    }
    for (GtkWidget *combo : combo_boxes_) {
        ui_connect<&OverrideWindow::on_combo_changed>(combo, "changed", this);
    }
    for (int r = 0; r < kOverrideRows; r++) {
        ui_connect<&OverrideWindow::on_check_toggled>(check_button(r), "toggled", this);
    }
    ui_connect<&OverrideWindow::on_delete>(window_, "delete_event", this);
    ui_connect<&OverrideWindow::on_key_press>(window_, "key_press_event", this);
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
    gtk_cell_layout_add_attribute(GTK_CELL_LAYOUT(combo), name, "weight", COLOUR_COL_WEIGHT);
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
    return active >= 0 && active < 16 ? listed_[active] : 0;
}

void OverrideWindow::set_colour(int k, int colour)
{
    for (int row = 0; row < 16; row++) {
        if (listed_[row] == (colour & 15)) {
            gtk_combo_box_set_active(GTK_COMBO_BOX(combo_boxes_[k]), row);
            return;
        }
    }
}

void OverrideWindow::list_colours(int object)
{
    const std::array<int, 16> pixels =
        object >= 0 ? objects_colour_pixels(context_.document.object_record(object))
                    : std::array<int, 16>{};
    used_ = 0;
    for (int colour = 0; colour < 16; colour++) {
        if (pixels[colour] > 0) {
            listed_[used_++] = colour;
        }
    }
    int row = used_;
    for (int colour = 0; colour < 16; colour++) {
        if (pixels[colour] == 0) {
            listed_[row++] = colour;
        }
    }
    // The rows are rewritten in place: the combo boxes keep their rows, and
    // show_bytes picks the colours.
    GtkTreeModel *model = GTK_TREE_MODEL(colours_.get());
    GtkTreeIter iter;
    bool more = gtk_tree_model_get_iter_first(model, &iter);
    for (row = 0; row < 16 && more; row++, more = gtk_tree_model_iter_next(model, &iter)) {
        const int colour = listed_[row];
        const bool used = row < used_;
        GCharPtr name(used ? g_strdup_printf(_("%s (used)"), palette_get_name_at_index(colour))
                           : g_strdup(palette_get_name_at_index(colour)));
        gtk_list_store_set(colours_.get(), &iter, COLOUR_COL_INDEX, colour, COLOUR_COL_SWATCH,
                           context_.images.palette.color_box(colour), COLOUR_COL_NAME, name.get(),
                           COLOUR_COL_WEIGHT, used ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL, -1);
    }
}

void OverrideWindow::show_bytes(const int overrides[kOverrideRows])
{
    // Every stored byte is shown, whatever the count: the window writes 0
    // past it.
    const OverrideRows shown = override_rows_from_bytes(overrides);
    for (int r = 0; r < kOverrideRows; r++) {
        set_colour(r, shown[r].source);
        set_colour(r + kOverrideRows, shown[r].replacement);
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
    loading_ = true;
    list_colours(def.item);
    show_bytes(def.overrides);
    loading_ = false;
    gtk_widget_show(window_);
    gtk_window_present(GTK_WINDOW(window_));
    return true;
}

void OverrideWindow::preview()
{
    int overrides[kOverrideRows];
    const int count = override_pack(rows(), overrides);
    editor_.preview_overrides(count, overrides);
    if (changed_) {
        changed_();
    }
}

void OverrideWindow::close()
{
    editor_.end_override_preview();
    gtk_widget_hide(window_);
    if (changed_) {
        changed_();
    }
}

gboolean OverrideWindow::on_delete(GtkWidget *, GdkEvent *)
{
    int overrides[kOverrideRows];
    const int count = override_pack(rows(), overrides);
    // One undo step when something changed, none otherwise; the editor
    // follows the document's report.
    editor_.end_override_preview();
    GErrorPtr error;
    if (!editor_.set_overrides(count, overrides, error.out()) && error) {
        common_message_dialog(gtk_window_get_transient_for(GTK_WINDOW(window_)), error.message(),
                              GTK_MESSAGE_ERROR);
    }
    close();
    return TRUE;
}

gboolean OverrideWindow::on_key_press(GtkWidget *, GdkEventKey *event)
{
    const guint mods = event->state & gtk_accelerator_get_default_mod_mask();
    if (mods == GDK_CONTROL_MASK && gdk_keyval_to_lower(event->keyval) == GDK_s) {
        // The project as it stands: rows not yet applied stay in the window.
        context_.shell.save_project();
        return TRUE;
    }
    if (event->keyval != GDK_Escape) {
        return FALSE;
    }
    // The placement stays as the document holds it.
    close();
    return TRUE;
}

void OverrideWindow::on_check_toggled(GtkToggleButton *)
{
    if (!loading_) {
        preview();
    }
}

void OverrideWindow::on_combo_changed(GtkComboBox *combo)
{
    if (loading_) {
        return;
    }
    for (int k = 0; k < 2 * kOverrideRows; k++) {
        if (combo_boxes_[k] != GTK_WIDGET(combo)) {
            continue;
        }
        const int r = k % kOverrideRows;
        const bool differ = colour_of(r) != colour_of(r + kOverrideRows);
        if ((gtk_toggle_button_get_active(check_button(r)) != FALSE) != differ) {
            // Its handler shows the change.
            gtk_toggle_button_set_active(check_button(r), differ);
            return;
        }
        break;
    }
    preview();
}
