// Test support: plain project data (items, definitions) built in a line,
// and readable gtest output for it.
#pragma once

#include <cstdio>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "files/zembrix_format.h"

inline ZbxItem zbx_object_item(std::vector<uint8_t> record)
{
    ZbxItem item;
    item.kind = ZbxItemKind::Object;
    item.record = std::move(record);
    return item;
}

inline ZbxItem zbx_panel_item(std::vector<PanelDef> defs)
{
    ZbxItem item;
    item.kind = ZbxItemKind::Panel;
    item.defs = std::move(defs);
    return item;
}

// An object placement; overrides given means has-overrides with their count.
inline PanelDef zbx_object_def(int item, int x, int y, bool mirror = false,
                               std::vector<int> overrides = {})
{
    PanelDef d;
    d.item = item;
    d.is_object = true;
    d.mirror = mirror;
    d.x = x;
    d.y = y;
    d.has_overrides = !overrides.empty();
    d.override_count = static_cast<int>(overrides.size());
    for (std::size_t k = 0; k < overrides.size() && k < 3; k++) {
        d.overrides[k] = overrides[k];
    }
    return d;
}

inline PanelDef zbx_panel_def(int item, int x, int y)
{
    PanelDef d;
    d.item = item;
    d.x = x;
    d.y = y;
    return d;
}

inline void PrintTo(const PanelDef &d, std::ostream *os)
{
    *os << "{item " << d.item << (d.is_object ? " object" : " panel")
        << (d.enabled ? "" : " disabled") << (d.mirror ? " mirror" : "") << " at " << d.x << ","
        << d.y;
    if (d.has_overrides || d.override_count != 0) {
        *os << (d.has_overrides ? " overrides" : " (off)") << " " << d.override_count << ":"
            << d.overrides[0] << "," << d.overrides[1] << "," << d.overrides[2];
    }
    *os << "}";
}

// A project as lines of text, for comparison with expected files: one line
// per item (an object's record in hex, a panel's definitions) and one per
// location record that is not empty.
inline std::vector<std::string> zbx_project_lines(const ZbxProject &project)
{
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < project.items.size(); i++) {
        const ZbxItem &item = project.items[i];
        std::ostringstream line;
        line << "item " << i << ":";
        if (item.kind == ZbxItemKind::Empty) {
            line << " empty";
        }
        for (uint8_t byte : item.record) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02x", byte);
            line << hex;
        }
        for (const PanelDef &def : item.defs) {
            line << " ";
            PrintTo(def, &line);
        }
        if (item.kind == ZbxItemKind::Panel && item.defs.empty()) {
            line << " {}";
        }
        lines.push_back(line.str());
    }
    for (std::size_t i = 0; i < project.locations.size(); i++) {
        const ZbxLocationRecord &r = project.locations[i];
        if (!(r == ZbxLocationRecord{255, 0})) {
            lines.push_back("location " + std::to_string(i) + ": panel " + std::to_string(r.panel) +
                            ", colour " + std::to_string(r.colour));
        }
    }
    return lines;
}
