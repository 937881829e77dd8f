// Where an item is used, and deleting an item that nothing uses: the main
// window's find and delete commands, shared with the command line.
#pragma once

#include <glib.h>

#include "items/document.h"

inline constexpr const char *kZbxNoObjectReferences = "None found among panels";
inline constexpr const char *kZbxNoPanelReferences =
    "None found among other panels\nand not elected as a location";
inline constexpr const char *kZbxObjectInUse =
    "Object in use. Please check where it\nis referenced and delete each occurrence\nif you "
    "are happy to do so.";
inline constexpr const char *kZbxPanelInUse =
    "Panel in use. Please check where it\nis referenced and delete each occurrence\nif you "
    "are happy to do so.";

// The report the find command shows: the references, or the matching "None
// found..." text when there are none. The caller frees it.
char *references_report(int index);

// Deletes an item that nothing refers to: its row, its slot in both tables
// with every later item renumbered, and the locations renumbered. Refused
// with "Object in use..." or "Panel in use..." (an empty item is searched
// and refused as a panel) while references exist, and with "Invalid item"
// outside the tables.
int references_delete_item(int index, GError **error);
