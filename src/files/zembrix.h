// The project file on disk: reading it into the document, and writing the
// document back. The byte layout lives in zembrix_format.h.
#pragma once

#include <glib.h>
#include <span>

#include "files/zembrix_format.h"

// Reads a project file into the document, replacing what it held. Reports each phase through action
// and the progress within it through progress (either may be null). Returns 1, or 0 with a
// file-domain error: GLib's own when the file cannot be read, "File \"%s\" is too short", or "File
// \"%s\" doesn't appear to be a supported zembrix file. Error: %d". After any error the document is
// unchanged.
int zembrix_load_file(const char *filename, ZbxProgressFunc progress, ZbxActionFunc action,
                      GError **error);
// The same over a file's bytes; name is used in the messages.
int zembrix_load_data(std::span<const uint8_t> file, const char *name, ZbxProgressFunc progress,
                      ZbxActionFunc action, GError **error);

// The document's project, as the writer sees it.
void zembrix_collect_project(ZbxProject *project);

// Writes the document to a project file. The file is replaced in
// one step: on any failure (data too large, file not writable) it keeps its
// previous content, and 0 is returned with the error set.
int zembrix_save_file(const char *filename, GError **error);
