// The Help menu's two information windows: About (version, features, the
// compiler and toolkit in use) and Resources (the project file and how many
// objects and panels it holds).
#pragma once

#include <gtk/gtk.h>
#include <string>

#include "items/document.h"

// "Zembrix version 1.5.1".
std::string about_version_text();
// The feature lines of the About dialog, with the compiler that built the
// program and the GTK+ library it runs with.
std::string about_feature_text();
// Builds and shows the About dialog over parent; it is destroyed when
// answered. Returns the dialog.
GtkWidget *about_show_about(GtkWindow *parent);

// "Zembrix filename: %s\nObjects/panels: %d/%d\n\n" for the project read
// from path (null: none open).
std::string about_resources_text(const char *path, const Document &document);
// Shows the Resources dialog over parent; destroyed when answered. Returns it.
GtkWidget *about_show_resources(GtkWindow *parent, const char *path, const Document &document);
