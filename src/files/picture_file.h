// C64 picture files on disk: read through the safe file functions, then
// decoded from their bytes.
#pragma once

#include <cstdint>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

// hiresdecoder_decode_hires_screen_data over a file's contents; a read
// failure is passed on as it is.
bool picture_read_file(const char *filename, int format, GdkPixbuf **image, uint8_t *destination,
                       GError **error);
