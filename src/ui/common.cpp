// Frames, palette markers and canvases drawn on realised areas, and the
// message and confirmation dialogs.
#include "ui/common.h"

#include <gdk/gdkkeysyms.h>

#include "ui/builder.h"
#include "ui/i18n.h"

void common_draw_rectangle_around_item(const Document &document, GtkWidget *area, int frame_colour,
                                       int zoom, int item, bool is_object, ZbxRect *rect)
{
    if (is_object) {
        if (!document.object_size(item, &rect->width, &rect->height)) {
            return;
        }
    } else {
        ZbxRect box{};
        if (!document.panel_box(item, &box)) {
            return;
        }
        rect->x += box.x;
        rect->y += box.y;
        rect->width = box.width;
        rect->height = box.height;
    }
    common_stroke_item_frame(area, frame_colour, zoom, *rect);
}

void common_stroke_item_frame(GtkWidget *area, int frame_colour, int zoom, ZbxRect rect)
{
    if (area == nullptr || area->window == nullptr || !canvas_item_frame_on_area(zoom, &rect)) {
        return;
    }
    cairo_t *cr = gdk_cairo_create(area->window);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, 1.0);
    const double shade = frame_colour == 1 ? 0.0 : 1.0;
    cairo_set_source_rgb(cr, shade, shade, shade);
    // Through the centres of the rectangle's outermost pixels: the frame
    // covers exactly its border, so it stays inside the clipped location
    // area and is the same on all four sides.
    cairo_rectangle(cr, rect.x + 0.5, rect.y + 0.5, rect.width - 1, rect.height - 1);
    cairo_stroke(cr);
    cairo_destroy(cr);
}

void common_draw_rectangle_around_color_in_palette(cairo_t *cr, int colour)
{
    const int index = ((colour % 16) + 16) % 16;
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_rectangle(cr, 16 * index + 1, 1, 15, 15);
    cairo_stroke(cr);
    cairo_restore(cr);
}

namespace {
cairo_t *clipped_context(GtkWidget *area, const GdkRectangle *exposed)
{
    cairo_t *cr = gdk_cairo_create(area->window);
    if (exposed != nullptr) {
        gdk_cairo_rectangle(cr, exposed);
        cairo_clip(cr);
    }
    return cr;
}
} // namespace

bool common_paint_image(GtkWidget *area, GdkPixbuf *image, const GdkRectangle *exposed, int zoom)
{
    if (image == nullptr || area == nullptr || area->window == nullptr) {
        return false;
    }
    cairo_t *cr = clipped_context(area, exposed);
    const double scale = 1 << zoom;
    cairo_scale(cr, scale, scale);
    gdk_cairo_set_source_pixbuf(cr, image, 0, 0);
    // Whole C64 pixels: no smoothing when zoomed.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_destroy(cr);
    return true;
}

void common_draw_cell_grid(GtkWidget *area, const GdkRectangle *exposed, int zoom, int top)
{
    if (area == nullptr || area->window == nullptr) {
        return;
    }
    cairo_t *cr = clipped_context(area, exposed);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, 1.0);
    const double dashes[] = {2.0, 2.0};
    const int step = 8 << zoom;
    const int first = top << zoom;
    const int width = kScreenWidth << zoom;
    const int height = kScreenHeight << zoom;
    for (int pass = 0; pass < 2; pass++) {
        // Dark dashes, then light ones in the gaps.
        cairo_set_dash(cr, dashes, 2, pass * 2.0);
        const double shade = pass == 0 ? 0.0 : 1.0;
        cairo_set_source_rgba(cr, shade, shade, shade, 0.5);
        for (int x = step; x < width; x += step) {
            cairo_move_to(cr, x + 0.5, first);
            cairo_line_to(cr, x + 0.5, height);
        }
        for (int y = first + step; y < height; y += step) {
            cairo_move_to(cr, 0, y + 0.5);
            cairo_line_to(cr, width, y + 0.5);
        }
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
}

int common_zoom_key_step(const GdkEventKey *event)
{
    const guint mods = event->state & gtk_accelerator_get_default_mod_mask();
    if ((mods & ~GDK_SHIFT_MASK) != GDK_CONTROL_MASK) {
        return 0;
    }
    switch (event->keyval) {
    case GDK_plus:
    case GDK_equal:
    case GDK_KP_Add:
        return +1;
    case GDK_minus:
    case GDK_KP_Subtract:
        return -1;
    default:
        return 0;
    }
}

int common_zoom_scroll_step(const GdkEventScroll *event)
{
    if ((event->state & GDK_CONTROL_MASK) == 0) {
        return 0;
    }
    return event->direction == GDK_SCROLL_UP ? +1 : event->direction == GDK_SCROLL_DOWN ? -1 : 0;
}

bool common_paint_palette(GtkWidget *area, GdkPixbuf *strip, const GdkRectangle *exposed,
                          int colour)
{
    if (strip == nullptr || area == nullptr || area->window == nullptr) {
        return false;
    }
    cairo_t *cr = clipped_context(area, exposed);
    gdk_cairo_set_source_pixbuf(cr, strip, 0, 0);
    cairo_paint(cr);
    common_draw_rectangle_around_color_in_palette(cr, colour);
    cairo_destroy(cr);
    return true;
}

GtkWidget *create_dialog_yes_no_confirmation(GtkWindow *parent)
{
    GtkWidget *dialog = gtk_dialog_new();
    ui_name_toplevel(dialog, "dialog_yes_no_confirmation", _("Confirmation request"));
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    if (parent != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
    }

    GtkWidget *vbox = GTK_DIALOG(dialog)->vbox;
    ui_register_widget(dialog, vbox, "vbox_yes_no_confirmation");
    gtk_widget_show(vbox);
    GtkWidget *label = gtk_label_new("");
    ui_register_widget(dialog, label, "label_yes_no_confirmation");
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
    gtk_misc_set_padding(GTK_MISC(label), 5, 5);
    gtk_widget_show(label);
    gtk_box_pack_start(GTK_BOX(vbox), label, FALSE, FALSE, 0);

    GtkWidget *buttons = GTK_DIALOG(dialog)->action_area;
    ui_register_widget(dialog, buttons, "hbuttonbox_yes_no_confirmation");
    gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_SPREAD);
    gtk_widget_show(buttons);
    struct
    {
        const char *name;
        const char *stock;
        int response;
    } const answers[] = {
        {"button_yes_no_confirmation_yes", "gtk-yes", GTK_RESPONSE_YES},
        {"button_yes_no_confirmation_no", "gtk-no", GTK_RESPONSE_NO},
    };
    for (const auto &answer : answers) {
        GtkWidget *button = gtk_button_new_from_stock(answer.stock);
        ui_register_widget(dialog, button, answer.name);
        gtk_widget_show(button);
        gtk_dialog_add_action_widget(GTK_DIALOG(dialog), button, answer.response);
        GTK_WIDGET_SET_FLAGS(button, GTK_CAN_DEFAULT);
    }
    return dialog;
}

GtkWidget *common_message_dialog(GtkWindow *parent, const char *text, GtkMessageType type)
{
    GtkWidget *dialog = gtk_message_dialog_new(parent, GTK_DIALOG_DESTROY_WITH_PARENT, type,
                                               GTK_BUTTONS_CLOSE, "%s", text);
    const char *title = "Warning";
    if (type == GTK_MESSAGE_ERROR) {
        title = "Error";
    } else if (type == GTK_MESSAGE_INFO) {
        title = "Information";
    }
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    g_signal_connect_swapped(dialog, "response", G_CALLBACK(gtk_widget_destroy), dialog);
    gtk_widget_show(dialog);
    return dialog;
}

bool common_get_user_confirmation(GtkWindow *parent, const char *question)
{
    GtkWidget *dialog = create_dialog_yes_no_confirmation(parent);
    gtk_label_set_markup(GTK_LABEL(lookup_widget(dialog, "label_yes_no_confirmation")), question);
    gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    return response == GTK_RESPONSE_YES;
}
