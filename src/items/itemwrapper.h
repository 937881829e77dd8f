// Item slots: the user's commands that add or remove items, each one step
// of the document's history. Objects and panels share one index space; a
// new item always takes the next index, and deleting one moves every later
// item, and every reference to it, down by one.
#pragma once

#include <glib.h>
#include <span>

#include "items/document.h"

inline constexpr const char *kZbxObjectInUse =
    "Object in use. Please check where it\nis referenced and delete each occurrence\nif you "
    "are happy to do so.";
inline constexpr const char *kZbxPanelInUse =
    "Panel in use. Please check where it\nis referenced and delete each occurrence\nif you "
    "are happy to do so.";

// Appends an empty panel ("New panel"); false when the project is full or
// closed, or when the file would grow past its limit (the error then says
// so).
bool itemwrapper_new_empty_panel(Document &document, GError **error = nullptr);
// Appends an object read from an object file ("Import object"); on failure
// (the record, a full project, the file's size limit) nothing changes and
// the error says why.
bool itemwrapper_import_object(Document &document, std::span<const uint8_t> record, GError **error);
// Appends the object cut from a region of a decoded picture (bitmap of 8000
// bytes, screen and colour of 1000), with one C64 colour treated as
// transparent (-1: none) ("Grab object"); false when the region is not
// whole cells inside the picture or the project is full, and when the file
// would grow past its limit (the error then says so).
bool itemwrapper_grab_object(Document &document, const HiresData &picture, int transparent,
                             ZbxRect region, GError **error = nullptr);
// Writes a region of a decoded picture into object `index` ("Replace
// object N"), keeping its index, so that every placement of it draws the
// new one; the region and the transparent colour as for a grab. False with
// the reason when the region is not whole cells inside the picture, the
// item is no object, or the file would grow past its limit.
bool itemwrapper_replace_object(Document &document, int index, const HiresData &picture,
                                int transparent, ZbxRect region, GError **error);
// Deletes item n ("Delete object n", "Delete panel n" or "Delete item n"),
// whatever refers to it.
bool itemwrapper_delete_item_at_index(Document &document, int index);
// Deletes an item that nothing refers to, with every later item and the
// locations renumbered. Refused with "Object in use..." or "Panel in
// use..." (an empty item is searched and refused as a panel) while
// references exist, and with "Invalid item" outside the tables.
bool itemwrapper_delete_unused_item(Document &document, int index, GError **error);
