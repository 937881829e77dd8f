// The named-widget registry shared by every window.
#pragma once

#include <gtk/gtk.h>

// Registers widget under name on the top-level widget (keeps a reference)
// and gives the widget that name.
void zbx_register_widget(GtkWidget *toplevel, GtkWidget *widget, const char *name);
// Registers any object (an accelerator group, tooltips) under name.
void zbx_register_object(GtkWidget *toplevel, gpointer object, const char *name);
// The widget registered under name on the top-level window of widget, or null.
GtkWidget *lookup_widget(GtkWidget *widget, const gchar *widget_name);
