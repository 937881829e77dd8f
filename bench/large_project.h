// A large project for benchmarks and timing tools: 255 items near the
// address limit.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "files/zembrix_format.h"
#include "items/document.h"

// 128 objects of 4 x 4 cells and 127 panels of 21 definitions each, some of
// them sub-panels: the file ends at $7A84, 1404 bytes below $8000. The
// locations elect the first panels, or the last (most nested) ones.
inline std::vector<uint8_t> zbx_near_limit_project(bool elect_nested_panels)
{
    std::mt19937 rng(7);
    ZbxProject project;
    for (int i = 0; i < 255; i++) {
        ZbxItem item;
        if (i % 2 == 0) {
            item.kind = ZbxItemKind::Object;
            item.record.resize(161);
            for (uint8_t &b : item.record) {
                b = static_cast<uint8_t>(rng());
            }
            item.record[0] = 0x44;
        } else {
            item.kind = ZbxItemKind::Panel;
            for (int d = 0; d < 21; d++) {
                PanelDef def;
                def.x = static_cast<int>(rng() % 40) * 8 - 16;
                def.y = static_cast<int>(rng() % 18) * 8 - 16;
                if (d % 7 == 6 && i > 2) {
                    def.item = static_cast<int>(rng() % ((i - 1) / 2)) * 2 + 1; // a lower panel
                } else {
                    def.item = static_cast<int>(rng() % 128) * 2;
                    def.is_object = true;
                    def.mirror = (d % 3) == 0;
                }
                item.defs.push_back(def);
            }
        }
        project.items.push_back(std::move(item));
    }
    for (int s = 0; s < kZbxLocationRecords; s++) {
        project.locations[s] = {static_cast<uint8_t>(elect_nested_panels ? 253 - 2 * s : 2 * s + 1),
                                static_cast<uint8_t>(s % 16)};
    }
    std::vector<uint8_t> bytes;
    if (!zembrix_encode(project, &bytes, nullptr)) {
        std::abort();
    }
    return bytes;
}

// Parses a file's bytes and hands the project to a document, as opening a
// file does.
inline bool zbx_bench_load(Document &document, const std::vector<uint8_t> &file)
{
    ZbxProject project;
    if (!zembrix_parse(file, "bench", &project, nullptr, nullptr, nullptr)) {
        return false;
    }
    document.load(std::move(project));
    return true;
}

// The first panel that places anything (-1 when none does).
inline int zbx_bench_first_panel_with_defs(const Document &document)
{
    for (int i = 0; i < document.item_count(); i++) {
        if (!document.panel_defs(i).empty()) {
            return i;
        }
    }
    return -1;
}

// The largest project a file can hold once read: a legal file of 65,538
// bytes (the most a project file may be) whose 254 panels all point at one
// definition list of about 21,600 placements of object 0, so that the
// project holds about 5.5 million placements once read. The file is far
// over its limit, as such a file made elsewhere would be.
inline std::vector<uint8_t> zbx_shared_list_project()
{
    ZbxProject project;
    project.items.push_back(
        ZbxItem{ZbxItemKind::Object, {0x11, 1, 2, 3, 4, 5, 6, 7, 8, 0x12, 0x03}, {}});
    for (int i = 1; i < 255; i++) {
        project.items.push_back(ZbxItem{ZbxItemKind::Panel, {}, {}});
    }
    std::vector<uint8_t> bytes;
    if (!zembrix_encode(project, &bytes, nullptr)) {
        std::abort();
    }
    // Every panel's pointer names the first panel's list.
    const std::size_t first = kZbxPointerTableOffset + 2;
    const unsigned address = bytes[first] | ((bytes[first + 1] & 0x7f) << 8);
    for (std::size_t i = 1; i < 255; i++) {
        bytes[kZbxPointerTableOffset + 2 * i] = bytes[first];
        bytes[kZbxPointerTableOffset + 2 * i + 1] = bytes[first + 1];
    }
    bytes.resize(address - kZbxLoadAddress + 2);
    std::vector<PanelDef> defs;
    const std::size_t room = 65538 - bytes.size() - 2;
    for (std::size_t d = 0; d < room / 3; d++) {
        PanelDef def;
        def.is_object = true;
        def.x = static_cast<int>(d % 40) * 8;
        def.y = static_cast<int>(d / 40 % 18) * 8;
        defs.push_back(def);
    }
    zembrix_encode_def_list(defs, &bytes);
    bytes.push_back(0xff);
    bytes.resize(65538, 0xff);
    return bytes;
}
