// The project file on disk: reading it into the item tables and list
// models, and writing them back. The byte layout lives in zembrix_format.h.
#pragma once

#include <glib.h>
#include <span>

#include "files/zembrix_format.h"

// Brings up what loading, drawing and saving need without a display: the
// palette, the item tables and the list models, with no views attached. For
// the command line, the benchmarks and the fuzz targets.
void zembrix_init_headless();

// Reads a project file into the item tables and models, which the caller
// has emptied. Reports each phase through action and the progress within it
// through progress (either may be null). Returns 1, or 0 with a file-domain
// error: GLib's own when the file cannot be read, "File \"%s\" is too short",
// or "File \"%s\" doesn't appear to be a supported zembrix file. Error: %d".
// After error 4 the tables and models hold what was decoded so far, for the
// caller to discard; after any other error they are unchanged.
int zembrix_load_file(const char *filename, ZbxProgressFunc progress, ZbxActionFunc action,
                      GError **error);
// The same over a file's bytes; name is used in the messages.
int zembrix_load_data(std::span<const uint8_t> file, const char *name, ZbxProgressFunc progress,
                      ZbxActionFunc action, GError **error);

// The tables and models as plain data, as the writer sees them.
void zembrix_collect_project(ZbxProject *project);

// Writes the tables and models to a project file. The file is replaced in
// one step: on any failure (data too large, file not writable) it keeps its
// previous content, and 0 is returned with the error set.
int zembrix_save_file(const char *filename, GError **error);
