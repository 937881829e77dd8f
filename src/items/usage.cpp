#include "items/usage.h"

std::vector<ItemUsage> usage_of_items(const ZbxProject &project)
{
    std::vector<ItemUsage> usage(project.items.size());
    for (const ZbxItem &item : project.items) {
        if (item.kind != ZbxItemKind::Panel) {
            continue;
        }
        for (const PanelDef &def : item.defs) {
            if (def.item >= 0 && static_cast<size_t>(def.item) < usage.size()) {
                usage[static_cast<size_t>(def.item)].placements++;
            }
        }
    }
    for (int slot = 0; slot < kLocationCount; slot++) {
        const int panel = project.locations[slot].panel;
        if (panel != kNoPanel && static_cast<size_t>(panel) < usage.size()) {
            usage[static_cast<size_t>(panel)].locations.push_back(slot);
        }
    }
    return usage;
}

std::string usage_text(const ItemUsage &usage)
{
    std::string text = usage.placements > 0 ? std::to_string(usage.placements) : "";
    for (size_t i = 0; i < usage.locations.size(); i++) {
        text += i > 0 ? ", " : text.empty() ? "loc " : " + loc ";
        text += std::to_string(usage.locations[i]);
    }
    return text;
}
