#include "ui/builder.h"

#include "base/gref.h"
#include "ui/icon.h"

void ui_register_object(GtkWidget *toplevel, gpointer object, const char *name)
{
    g_object_set_data_full(G_OBJECT(toplevel), name, g_object_ref(object),
                           (GDestroyNotify) g_object_unref);
}

void ui_register_widget(GtkWidget *toplevel, GtkWidget *widget, const char *name)
{
    gtk_widget_set_name(widget, name);
    ui_register_object(toplevel, widget, name);
}

void ui_name_toplevel(GtkWidget *toplevel, const char *name, const char *title)
{
    gtk_widget_set_name(toplevel, name);
    g_object_set_data(G_OBJECT(toplevel), name, toplevel);
    if (title != nullptr) {
        gtk_window_set_title(GTK_WINDOW(toplevel), title);
    }
}

GtkWidget *lookup_widget(GtkWidget *widget, const gchar *widget_name)
{
    for (;;) {
        GtkWidget *parent;
        if (GTK_IS_MENU(widget)) {
            parent = gtk_menu_get_attach_widget(GTK_MENU(widget));
        } else {
            parent = widget->parent;
        }
        if (parent == nullptr) {
            parent =
                static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(widget), "GladeParentKey"));
        }
        if (parent == nullptr) {
            break;
        }
        widget = parent;
    }
    GtkWidget *found = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(widget), widget_name));
    if (found == nullptr) {
        g_warning("Widget not found: %s", widget_name);
    }
    return found;
}

void ui_attach_icon(GtkWidget *window)
{
    if (window == nullptr) {
        return;
    }
    GRef<GdkPixbuf> icon(gdk_pixbuf_new_from_xpm_data(const_cast<const char **>(program_icon_xpm)));
    if (icon) {
        gtk_window_set_icon(GTK_WINDOW(window), icon.get());
    }
}
