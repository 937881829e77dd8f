// Composition of arbitrary projects: records of any length and content,
// definitions with any position, flags and overrides, panels that place
// each other in any way. The fast path and the reference must agree.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/compose.h"

namespace {
struct FuzzProject : ComposeSource
{
    std::vector<PanelDef> panels[8];
    std::vector<uint8_t> objects[8];

    std::span<const PanelDef> panel_defs(int panel) const override
    {
        if (panel == kComposeTop) {
            panel = 0;
        }
        return panel >= 0 && panel < 8 ? std::span<const PanelDef>(panels[panel])
                                       : std::span<const PanelDef>();
    }
    std::span<const uint8_t> object_data(int object) const override
    {
        return object >= 0 && object < 8 ? std::span<const uint8_t>(objects[object])
                                         : std::span<const uint8_t>();
    }
};
} // namespace

// Input: a background byte, then records. A tag with bit 7 set appends a
// definition (seven bytes: item, flags, x, y, three overrides) to panel
// tag & 7; otherwise the next byte is a length and that many bytes become
// object tag & 7.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    FuzzProject project;
    const int background = data[0];
    size_t at = 1;
    while (at < size) {
        const uint8_t tag = data[at++];
        if (tag & 0x80) {
            if (size - at < 7) {
                break;
            }
            const uint8_t *r = data + at;
            at += 7;
            PanelDef d;
            d.item = r[0] & 15;
            d.is_object = r[1] & 1;
            d.enabled = (r[1] & 2) == 0;
            d.mirror = r[1] & 4;
            d.has_overrides = r[1] & 8;
            d.override_count = (r[1] >> 4) & 7;
            d.x = static_cast<int8_t>(r[2]) * 4;
            d.y = static_cast<int8_t>(r[3]) * 4;
            d.overrides[0] = r[4];
            d.overrides[1] = r[5];
            d.overrides[2] = r[6];
            project.panels[tag & 7].push_back(d);
        } else {
            if (at >= size) {
                break;
            }
            const size_t wanted = data[at++];
            const size_t length = std::min(wanted, size - at);
            project.objects[tag & 7].assign(data + at, data + at + length);
            at += length;
        }
    }
    ComposeBuffers buffers;
    compose_panel(project, 0, background, buffers);
    // The fast path must draw what the plain walk with the reference merge
    // draws.
    ComposeBuffers reference;
    compose_reference(project, 0, background, reference);
    if (buffers.bitmap != reference.bitmap || buffers.screen != reference.screen ||
        buffers.colour != reference.colour) {
        __builtin_trap();
    }
    return 0;
}
