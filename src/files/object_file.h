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

// An object as a PNG image that a paint program edits: two image pixels
// across for each multicolour pixel (scale 2) or one (scale 1), 8 pixels
// down for each cell row, transparent where its bit pairs are 00, with its
// cells' bytes kept beside the pixels so that grabbing the whole image
// again gives the same record. False for a record that is not sound.
bool objfile_encode_png(std::span<const uint8_t> record, int scale, std::vector<uint8_t> *png,
                        GError **error);
