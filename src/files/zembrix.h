// The project file on disk: read into a project value, and written back.
// The byte layout lives in zembrix_format.h.
#pragma once

#include <glib.h>

#include <vector>

#include "files/fileio.h"
#include "files/zembrix_format.h"

// Reads a project file. Announces each pass through action and the progress
// within it through progress (either may be empty). False with an error:
// GLib's own when the file cannot be read, "File \"%s\" is too short", or
// "File \"%s\" doesn't appear to be a supported zembrix file. Error: %d"
// (*project is then left as it was).
bool zembrix_read_file(const char *filename, ZbxProject *project, ZbxProgressFunc progress,
                       ZbxActionFunc action, GError **error);

// Writes a project to a file, replaced in one step: on any failure (data
// too large, file not writable) it keeps its previous content and the error
// says why. What the save could not keep of the old file (its other hard
// links, its owner) is added to *notes when given (fileio_write_files).
bool zembrix_write_file(const char *filename, const ZbxProject &project,
                        std::vector<FileioNote> *notes, GError **error);
bool zembrix_write_file(const char *filename, const ZbxProject &project, GError **error);
