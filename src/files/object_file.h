// Object files (".zbxobject"): one object record, nothing before or after it.
#pragma once

#include <cstdint>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <span>
#include <vector>

#include "files/fileio.h"

// Reads an object file and checks its record (objects_check_object_record):
// a read failure is passed on as it is.
bool objfile_read(const char *filename, std::vector<uint8_t> *record, GError **error);
// Reads, checks and renders an object file, pair 00 transparent, without
// storing anything: the object chooser's preview. A new image owned by the
// caller, or null with the error set.
GdkPixbuf *objfile_read_image(const char *filename, GError **error);
// Writes an object's record to a file; notes as fileio_write_files.
bool objfile_write(const char *filename, std::span<const uint8_t> record,
                   std::vector<FileioNote> *notes, GError **error);
bool objfile_write(const char *filename, std::span<const uint8_t> record, GError **error);
