// How much each item is used: the placements that name it in any panel
// (disabled ones included) and, for a panel, the locations that elect it.
// Derived from the project whenever asked; nothing is kept.
#pragma once

#include <string>
#include <vector>

#include "items/project.h"

struct ItemUsage
{
    int placements = 0;
    std::vector<int> locations;

    // What sorts a list by use: placements and elections together.
    int total() const { return placements + static_cast<int>(locations.size()); }
    bool operator==(const ItemUsage &) const = default;
};

// One entry per item of the project.
std::vector<ItemUsage> usage_of_items(const ZbxProject &project);
// "3", "2 + loc 5", "loc 1, 7", or "" for an unused item.
std::string usage_text(const ItemUsage &usage);
