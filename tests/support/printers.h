// Test support: readable gtest output for the plain records of the core.
#pragma once

#include <ostream>

#include "files/zembrix_format.h"
#include "models/panelmodels_deflist.h"

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

inline void PrintTo(const ZbxItem &item, std::ostream *os)
{
    switch (item.kind) {
    case ZbxItemKind::Empty:
        *os << "empty";
        break;
    case ZbxItemKind::Object:
        *os << "object of " << item.record.size() << " bytes, header $" << std::hex
            << (item.record.empty() ? -1 : item.record[0]) << std::dec;
        break;
    case ZbxItemKind::Panel:
        *os << "panel [";
        for (const PanelDef &d : item.defs) {
            PrintTo(d, os);
            *os << " ";
        }
        *os << "]";
        break;
    }
}

inline void PrintTo(const ZbxItemKind &kind, std::ostream *os)
{
    *os << (kind == ZbxItemKind::Empty    ? "Empty"
            : kind == ZbxItemKind::Object ? "Object"
                                          : "Panel");
}
