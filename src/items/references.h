// How items refer to each other: the panels that place an item and the
// locations that elect it, the loops panels can form by placing each other,
// and the cascade that deleting an item sets off. Plain functions over a
// project.
#pragma once

#include <string>
#include <vector>

#include "items/project.h"

inline constexpr const char *kZbxNoObjectReferences = "None found among panels";
inline constexpr const char *kZbxNoPanelReferences =
    "None found among other panels\nand not elected as a location";

// Appends to text the panels that place item ("Panel %d ($%X): found %d
// occurrence(s)"), and, for anything but an object, the locations that
// elect it ("Panel was elected as location %d ($%X)"). True when any.
bool references_find(const ZbxProject &project, int item, std::string *text);
// The report the find command shows: the references, or the matching "None
// found..." text when there are none.
std::string references_report(const ZbxProject &project, int item);

// Whether placing panel `child` in panel `parent` would make a panel contain
// itself (child is parent, or contains it at any depth).
bool references_would_loop(const ZbxProject &project, int parent, int child);
// Groups of panels that contain each other (directly or through other
// panels), each in ascending order, groups ordered by their first panel. A
// panel that places itself is a group of one.
std::vector<std::vector<int>> references_find_loops(const ZbxProject &project);

// Removes item n: every later item moves down by one, and every reference
// to a later item (definitions and locations) with it; definitions naming
// n are removed, locations electing it emptied. Nothing happens out of
// range.
void references_remove_item(ZbxProject &project, int n);
