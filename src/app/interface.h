// Builders of the main window, its two popup menus and the bare file dialogs.
// Every widget is registered under its name on its top-level widget.
#pragma once

#include <gtk/gtk.h>

// The main window with all its widgets and signal connections, not shown.
GtkWidget *create_window_main();
// A new popup menu each call; the caller shows and releases it.
GtkWidget *create_popupmenu_object();
GtkWidget *create_popupmenu_panel();
// A new dialog each call, without title, filters or folder; the caller runs
// and destroys it.
GtkWidget *create_filechooserdialog_open_file();
GtkWidget *create_filechooserdialog_save_file();
// The references dialog: a message, a read-only text view
// ("textview_references") and an OK button; the caller fills and runs it.
GtkWidget *create_dialog_references();
