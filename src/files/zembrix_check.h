// What in a project would trip up the editor or the game: panel loops,
// definitions naming items that are not there or placed where the file
// cannot hold them, locations naming no panel, and data at or near the
// address limit.
#pragma once

#include <string>
#include <vector>

#include "files/zembrix_format.h"

// Fewer bytes than this left below the address limit: no room for one more
// object of 15 x 15 cells with its pointer.
inline constexpr unsigned kZbxNearLimitMargin = 2251 + 2;

// One line of text per finding, in a fixed order: loops, definitions,
// locations, size. Empty when nothing was found.
std::vector<std::string> zembrix_check_project(const ZbxProject &project);
