// What every window is built with: the named-widget registry, the builder
// that creates and registers widgets, and one way to connect a signal to a
// member function of the object that owns the window.
#pragma once

#include <gtk/gtk.h>

// Registers widget under name on the top-level widget (keeps a reference)
// and gives the widget that name.
void ui_register_widget(GtkWidget *toplevel, GtkWidget *widget, const char *name);
// Registers any object (an accelerator group, tooltips) under name.
void ui_register_object(GtkWidget *toplevel, gpointer object, const char *name);
// Names a top-level window or dialog and registers it under that name on
// itself, without a reference to itself; sets its title unless null.
void ui_name_toplevel(GtkWidget *toplevel, const char *name, const char *title);
// The widget registered under name on the top-level window of widget, or null.
GtkWidget *lookup_widget(GtkWidget *widget, const gchar *widget_name);
// Sets the program icon on a window (nothing happens when it fails to decode).
void ui_attach_icon(GtkWidget *window);

// Creates and registers the widgets of one top-level window.
class Builder
{
  public:
    explicit Builder(GtkWidget *toplevel) : top_(toplevel) {}

    GtkWidget *reg(GtkWidget *widget, const char *name)
    {
        ui_register_widget(top_, widget, name);
        gtk_widget_show(widget);
        return widget;
    }

    GtkWidget *label(const char *name, const char *text, bool left = false)
    {
        GtkWidget *w = reg(gtk_label_new(text), name);
        if (left) {
            gtk_misc_set_alignment(GTK_MISC(w), 0.0f, 0.5f);
        }
        return w;
    }

    // A list in a scrolled window with automatic scroll bars.
    GtkWidget *list(const char *scrolled_name, const char *view_name, int width, int height = 200)
    {
        GtkWidget *sw = reg(gtk_scrolled_window_new(nullptr, nullptr), scrolled_name);
        gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(sw), GTK_POLICY_AUTOMATIC,
                                       GTK_POLICY_AUTOMATIC);
        gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(sw), GTK_SHADOW_ETCHED_IN);
        gtk_widget_set_size_request(sw, width, height);
        GtkWidget *view = reg(gtk_tree_view_new(), view_name);
        gtk_tree_view_set_rules_hint(GTK_TREE_VIEW(view), TRUE);
        gtk_container_add(GTK_CONTAINER(sw), view);
        return sw;
    }

    // A drawing area in a frame inside an alignment with border 2. Palette
    // strips keep their size so that every click lands on a colour.
    GtkWidget *drawing_area(const char *alignment_name, const char *frame_name,
                            const char *area_name, int width, int height, bool fixed_size)
    {
        GtkWidget *alignment = reg(fixed_size ? gtk_alignment_new(0.0f, 0.5f, 0.0f, 0.0f)
                                              : gtk_alignment_new(0.5f, 0.5f, 1.0f, 1.0f),
                                   alignment_name);
        gtk_container_set_border_width(GTK_CONTAINER(alignment), 2);
        GtkWidget *frame = reg(gtk_frame_new(nullptr), frame_name);
        gtk_container_add(GTK_CONTAINER(alignment), frame);
        GtkWidget *area = reg(gtk_drawing_area_new(), area_name);
        gtk_widget_set_size_request(area, width, height);
        gtk_container_add(GTK_CONTAINER(frame), area);
        return alignment;
    }

    // A button holding an icon and a (mnemonic) label in an alignment and a
    // horizontal box.
    GtkWidget *button(const char *name, const char *stem, const char *stock, const char *text,
                      GtkTooltips *tooltips, const char *tip)
    {
        GtkWidget *b = reg(gtk_button_new(), name);
        if (tip != nullptr) {
            gtk_tooltips_set_tip(tooltips, b, tip, nullptr);
        }
        gchar *n = g_strconcat("alignment_", stem, nullptr);
        GtkWidget *alignment = reg(gtk_alignment_new(0.5f, 0.5f, 0.0f, 0.0f), n);
        g_free(n);
        gtk_container_add(GTK_CONTAINER(b), alignment);
        n = g_strconcat("hbox_", stem, nullptr);
        GtkWidget *hbox = reg(gtk_hbox_new(FALSE, 2), n);
        g_free(n);
        gtk_container_add(GTK_CONTAINER(alignment), hbox);
        n = g_strconcat("image_", stem, nullptr);
        GtkWidget *image = reg(gtk_image_new_from_stock(stock, GTK_ICON_SIZE_BUTTON), n);
        g_free(n);
        gtk_box_pack_start(GTK_BOX(hbox), image, FALSE, FALSE, 0);
        n = g_strconcat("label_", stem, nullptr);
        GtkWidget *label = reg(gtk_label_new_with_mnemonic(text), n);
        g_free(n);
        gtk_box_pack_start(GTK_BOX(hbox), label, FALSE, FALSE, 0);
        return b;
    }

    // A stock menu item with the toolkit's label and accelerator.
    GtkWidget *stock_item(GtkWidget *menu, const char *name, const char *stock,
                          GtkAccelGroup *accel_group)
    {
        GtkWidget *item = reg(gtk_image_menu_item_new_from_stock(stock, accel_group), name);
        gtk_container_add(GTK_CONTAINER(menu), item);
        return item;
    }

    // A menu item with a mnemonic text and a stock image.
    GtkWidget *image_item(GtkWidget *menu, const char *name, const char *text,
                          const char *image_name, const char *stock)
    {
        GtkWidget *item = reg(gtk_image_menu_item_new_with_mnemonic(text), name);
        GtkWidget *image = reg(gtk_image_new_from_stock(stock, GTK_ICON_SIZE_MENU), image_name);
        gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(item), image);
        gtk_container_add(GTK_CONTAINER(menu), item);
        return item;
    }

    // A top-level menu of the menu bar with its submenu.
    GtkWidget *menu(GtkWidget *menubar, const char *name, const char *text, const char *image_name,
                    const char *stock, const char *submenu_name)
    {
        GtkWidget *item = image_item(menubar, name, text, image_name, stock);
        GtkWidget *submenu = reg(gtk_menu_new(), submenu_name);
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), submenu);
        return submenu;
    }

  private:
    GtkWidget *top_;
};

namespace ui_detail {
template <auto Method> struct Slot;
template <typename Owner, typename Result, typename... Args, Result (Owner::*Method)(Args...)>
struct Slot<Method>
{
    static Result call(Args... args, gpointer owner)
    {
        return (static_cast<Owner *>(owner)->*Method)(args...);
    }
};
} // namespace ui_detail

// Connects a signal of `instance` to a member function of `owner` that takes
// the signal's own arguments (the user data is the owner):
//   ui_connect<&MainWindow::on_open_activate>(item, "activate", this);
// The owner must outlive the instance's signals: a window object destroys
// its widgets before it goes.
template <auto Method, typename Owner>
gulong ui_connect(gpointer instance, const char *signal, Owner *owner)
{
    return g_signal_connect(instance, signal, G_CALLBACK(&ui_detail::Slot<Method>::call), owner);
}

// The same for the widget registered under `name` on the window of `widget`.
template <auto Method, typename Owner>
gulong ui_connect(GtkWidget *widget, const char *name, const char *signal, Owner *owner)
{
    return ui_connect<Method>(lookup_widget(widget, name), signal, owner);
}
