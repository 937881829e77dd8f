// The project as plain data: the items that share one index space (objects
// and panels) and the 32 location records, exactly what a project file
// holds.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The shared index space of objects and panels holds at most this many items.
inline constexpr int kMaxItems = 255;
// A location record naming no panel.
inline constexpr int kNoPanel = 255;
inline constexpr int kLocationCount = 32;

// One placement of an object or a panel inside a panel, in drawing order.
struct PanelDef
{
    int item = 0;
    bool is_object = false;
    bool enabled = true;
    bool mirror = false;
    bool has_overrides = false;
    int x = 0;
    int y = 0;
    int override_count = 0;
    // Low nibble the colour replaced, high nibble its replacement.
    int overrides[3] = {0, 0, 0};

    bool operator==(const PanelDef &) const = default;
};

enum class ZbxItemKind : uint8_t
{
    Empty,
    Object,
    Panel
};

struct ZbxItem
{
    ZbxItemKind kind = ZbxItemKind::Empty;
    // An object's raw record: header, bitmap, screen and colour bytes.
    std::vector<uint8_t> record;
    // A panel's definitions in drawing order.
    std::vector<PanelDef> defs;

    bool operator==(const ZbxItem &) const = default;
};

struct ZbxLocationRecord
{
    uint8_t panel = kNoPanel;
    uint8_t colour = 0;

    bool operator==(const ZbxLocationRecord &) const = default;
};

struct ZbxProject
{
    std::vector<ZbxItem> items;
    std::array<ZbxLocationRecord, kLocationCount> locations{};

    bool operator==(const ZbxProject &) const = default;
};

// Whether item `index` of the project is a panel (false outside it).
inline bool project_is_panel(const ZbxProject &project, int index)
{
    return index >= 0 && index < static_cast<int>(project.items.size()) &&
           project.items[index].kind == ZbxItemKind::Panel;
}
