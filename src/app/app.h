// The application: its top-level windows, start-up and the quit question.
#pragma once

#include <gtk/gtk.h>

// The five top-level windows, built once at start-up and kept until exit.
// A window whose module is not part of this build stays null.
extern GtkWidget *window_main;
extern GtkWidget *window_object_grabber;
extern GtkWidget *window_panel_editor;
extern GtkWidget *window_browser;
extern GtkWidget *window_color_overrides;

// Sets the program icon on a window (nothing happens when it fails to decode).
void attach_icon_to_window(GtkWidget *window);

// Brings the system up after gtk_init, in order: tables, main window,
// backdrop, the other windows, icons, models, options. The caller then runs
// the main loop.
void app_startup();
// Releases what start-up created, after the main loop has ended.
void app_shutdown();

// Asks "Are you sure you want to quit?"; on yes writes the options file and
// returns TRUE.
gboolean app_confirm_quit();
