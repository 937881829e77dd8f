// The panel editor's view of where things are: the grid of cells, the zoom
// from the keyboard and the wheel, the pointer's cell and the selection in
// the status row, and the keys that close the window or save the project.
#include <gdk/gdkkeysyms.h>

#include "editor/paneleditor_layout.h"
#include "editor/paneleditor_window.h"
#include "editor/placement.h"
#include "ui/builder.h"
#include "ui/common.h"

void PanelEditorWindow::connect_view_signals()
{
    using W = PanelEditorWindow;
    show_grid_handler_ =
        ui_connect<&W::on_grid_toggled>(window_, "checkbutton_panel_editor_grid", "toggled", this);
    ui_connect<&W::on_area_scroll>(area_, "scroll_event", this);
    ui_connect<&W::on_area_leave>(area_, "leave_notify_event", this);
}

void PanelEditorWindow::set_show_grid(bool on)
{
    GtkWidget *check = widget("checkbutton_panel_editor_grid");
    g_signal_handler_block(check, show_grid_handler_);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), on);
    g_signal_handler_unblock(check, show_grid_handler_);
    if (on != show_grid_) {
        show_grid_ = on;
        gtk_widget_queue_draw(area_);
    }
}

void PanelEditorWindow::on_grid_toggled(GtkToggleButton *button)
{
    show_grid_ = gtk_toggle_button_get_active(button) != FALSE;
    gtk_widget_queue_draw(area_);
    // The grabber and the options follow.
    context_.shell.set_show_grid(show_grid_);
}

gboolean PanelEditorWindow::on_view_key_press(GdkEventKey *event)
{
    const guint mods = event->state & gtk_accelerator_get_default_mod_mask();
    const guint key = gdk_keyval_to_lower(event->keyval);
    // A list cell being typed into takes its own Escape.
    GtkWidget *focus = gtk_window_get_focus(GTK_WINDOW(window_));
    const bool typing = focus != nullptr && GTK_IS_CELL_EDITABLE(focus);
    if ((mods == 0 && key == GDK_Escape && !typing && !model_.pressed()) ||
        (mods == GDK_CONTROL_MASK && key == GDK_w)) {
        close();
        return TRUE;
    }
    if (mods == GDK_CONTROL_MASK && key == GDK_s) {
        context_.shell.save_project();
        return TRUE;
    }
    const int step = common_zoom_key_step(event);
    if (step != 0) {
        set_zoom(zoom_ + step);
        return TRUE;
    }
    return FALSE;
}

gboolean PanelEditorWindow::on_area_scroll(GtkWidget *, GdkEventScroll *event)
{
    const int step = common_zoom_scroll_step(event);
    if (step != 0) {
        set_zoom(zoom_ + step);
    }
    // Without Control the scrolled window scrolls.
    return (event->state & GDK_CONTROL_MASK) != 0;
}

gboolean PanelEditorWindow::on_area_leave(GtkWidget *, GdkEventCrossing *)
{
    gtk_label_set_text(GTK_LABEL(widget("label_panel_editor_pointer")), "");
    return FALSE;
}

void PanelEditorWindow::show_pointer(int x, int y)
{
    const int px = x >> zoom_;
    const int py = (y >> zoom_) - kComposeAreaTop;
    GtkLabel *label = GTK_LABEL(widget("label_panel_editor_pointer"));
    if (px < 0 || py < 0 || px >= kEditorAreaWidth || py >= kEditorAreaHeight) {
        gtk_label_set_text(label, "");
        return;
    }
    GCharPtr text(
        g_strdup_printf("Cell %d, %d · pixel %d, %d", px / kEditorCell, py / kEditorCell, px, py));
    gtk_label_set_text(label, text.get());
}

void PanelEditorWindow::show_selection()
{
    GtkLabel *label = GTK_LABEL(widget("label_panel_editor_selected"));
    const std::vector<int> &rows = model_.selected_rows();
    const std::span<const PanelDef> defs = context_.document.panel_defs(model_.panel());
    if (rows.empty() || rows.back() >= static_cast<int>(defs.size())) {
        gtk_label_set_text(label, "");
        return;
    }
    if (rows.size() > 1) {
        GCharPtr text(g_strdup_printf("%zu placements selected", rows.size()));
        gtk_label_set_text(label, text.get());
        return;
    }
    const PanelDef &def = defs[rows.front()];
    std::string text = placement_text(def);
    ZbxRect box{};
    if (placement_box(context_.document, def, &box)) {
        GCharPtr size(g_strdup_printf(", %d x %d pixels", box.width, box.height));
        text += size.get();
    }
    gtk_label_set_text(label, text.c_str());
}
