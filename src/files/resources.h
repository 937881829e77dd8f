// The program's own files: the backdrop image and the folder of example
// projects, looked for where an installation or the build tree keeps them.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <span>
#include <string>
#include <vector>

// No backdrop file the program reads is larger.
inline constexpr gsize kResourcesMaxBackdrop = 4 * 1024 * 1024;

// The places a resource is looked for, in order: the installed data folder
// (where it was installed to, then relative to the executable, for an
// installation moved elsewhere), the folder of the executable (the build
// tree), and with `current_folder` the current folder.
std::vector<std::string> resources_candidates(const char *name, bool current_folder);
// The first of the candidates that is a folder, or "".
std::string resources_find_folder(const char *name);
// The folder the running program lies in ("" when it cannot be told).
std::string resources_executable_folder();

// Reads the first backdrop of the candidates that exists: a picture of at
// least 320 x 200 pixels, whose top-left 320 x 200 become a new opaque RGBA
// image owned by the caller. When none can be read, null with the error of
// the first that exists (or of the last when none exists).
GdkPixbuf *resources_load_backdrop(std::span<const std::string> candidates, GError **error);
// Any picture cut or padded (black) to a 320 x 200 opaque RGBA backdrop; a
// new image.
GdkPixbuf *resources_backdrop_from(GdkPixbuf *image);
