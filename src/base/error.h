// The program's own error domain. Failures the user must see travel as
// GLib errors; a system failure keeps GLib's own domain and code (for
// instance G_FILE_ERROR_NOENT), everything the program refuses by itself
// is one of these.
#pragma once

#include <glib.h>

enum class ZbxError : int
{
    Failed,      // anything not named below
    NotOpen,     // no project is open
    Full,        // the project has no room for another item
    InvalidItem, // no such item, or not of the kind asked for
    InUse,       // refused: something refers to the item
    Loop,        // refused: a panel would contain itself
    BadFormat,   // the bytes are not what a file of that kind holds
    TooLarge,    // the data does not fit where it must go
    BadRegion,   // a region that is not whole cells inside the picture
    BadFile,     // a path that names no regular file
    SameFile,    // refused: two outputs of one write are one file
    UnsafeLink,  // refused: a link in a shared folder that another user made
};

GQuark zbx_error_quark();
#define ZBX_ERROR (zbx_error_quark())

// Sets *error (when asked for) to the code with the text taken verbatim.
void zbx_set_error(GError **error, ZbxError code, const char *text);
// The same with a printf-style message.
void zbx_set_error_printf(GError **error, ZbxError code, const char *format, ...)
    G_GNUC_PRINTF(3, 4);
// Whether the error is of this domain and code.
bool zbx_error_is(const GError *error, ZbxError code);
