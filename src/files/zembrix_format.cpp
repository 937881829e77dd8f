#include "files/zembrix_format.h"
#include "base/error.h"

#include <algorithm>

#include "base/gref.h"
#include "files/fileio.h"

namespace {

void fail_unsupported(GError **error, const char *name, int number)
{
    zbx_set_error_printf(error, ZbxError::BadFormat,
                         "File \"%s\" doesn't appear to be a supported zembrix file. Error: %d",
                         fileio_display_name(name).c_str(), number);
}

unsigned pointer_entry(std::span<const uint8_t> file, int index)
{
    std::size_t at = kZbxPointerTableOffset + 2 * static_cast<std::size_t>(index);
    return file[at] | (file[at + 1] << 8);
}

void report(ZbxProgressFunc progress, double fraction)
{
    if (progress) {
        progress(fraction);
    }
}

int position_code(int pixels)
{
    // Division truncates toward zero, as the game's tools always did.
    return pixels / 8 + 14;
}

int written_override_count(const PanelDef &def)
{
    if (!def.is_object || !def.has_overrides) {
        return 0;
    }
    return std::clamp(def.override_count, 0, 3);
}

} // namespace

bool zembrix_parse_header(std::span<const uint8_t> file, const char *name, ZbxProject *project,
                          GError **error)
{
    const std::size_t length = file.size();
    if (length <= 1) {
        zbx_set_error_printf(error, ZbxError::BadFormat, "File \"%s\" is too short",
                             fileio_display_name(name).c_str());
        return false;
    }
    if (file[0] != 0x00 || file[1] != 0x08 || length < 5 || file[3] != 0x00 || file[4] != 0x08) {
        fail_unsupported(error, name, 1);
        return false;
    }
    if (length - 2 <= 66) {
        fail_unsupported(error, name, 2);
        return false;
    }
    const int count = file[2];
    if (length - 2 < 2 * static_cast<std::size_t>(count) + 70) {
        fail_unsupported(error, name, 3);
        return false;
    }
    project->items.assign(count, ZbxItem{});
    for (int s = 0; s < kZbxLocationRecords; s++) {
        project->locations[s].panel = file[kZbxLocationTableOffset + 2 * s];
        project->locations[s].colour = file[kZbxLocationTableOffset + 2 * s + 1];
    }
    return true;
}

void zembrix_parse_objects(std::span<const uint8_t> file, ZbxProject *project,
                           ZbxProgressFunc progress)
{
    const std::size_t length = file.size();
    const std::span<const uint8_t> image = file.subspan(2);
    const int count = static_cast<int>(project->items.size());
    // One past the cells of the object decoded last (its final colour byte).
    std::size_t previous_end = 0;
    for (int i = 0; i < count; i++) {
        report(progress, static_cast<double>(i) / count);
        const unsigned entry = pointer_entry(file, i);
        if ((entry & 0x8000) == 0) {
            continue;
        }
        const unsigned address = entry & 0x7fff;
        if (i < count - 1 && (pointer_entry(file, i + 1) & 0x7fff) < address + 10) {
            continue;
        }
        if (address < kZbxLoadAddress) {
            continue;
        }
        const std::size_t offset = address - kZbxLoadAddress;
        if (offset > length - 3) {
            continue;
        }
        const int w = image[offset] >> 4;
        const int h = image[offset] & 15;
        if (w * h == 0) {
            continue;
        }
        const std::size_t size = 10 * static_cast<std::size_t>(w * h) + 1;
        if (offset + size > length - 2) {
            continue;
        }
        if (previous_end >= address && project->items[i - 1].kind == ZbxItemKind::Object) {
            project->items[i - 1] = ZbxItem{};
        }
        previous_end = address + 10 * static_cast<std::size_t>(w * h);
        ZbxItem &item = project->items[i];
        item.kind = ZbxItemKind::Object;
        item.record.assign(image.begin() + offset, image.begin() + offset + size);
    }
}

bool zembrix_parse_panels(std::span<const uint8_t> file, const char *name, ZbxProject *project,
                          ZbxProgressFunc progress, GError **error)
{
    const std::size_t length = file.size();
    const std::span<const uint8_t> image = file.subspan(2);
    const int count = static_cast<int>(project->items.size());
    for (int i = 0; i < count; i++) {
        report(progress, static_cast<double>(i) / count);
        const unsigned address = pointer_entry(file, i);
        if ((address & 0x8000) != 0) {
            continue;
        }
        ZbxItem &panel = project->items[i];
        panel = ZbxItem{};
        panel.kind = ZbxItemKind::Panel;
        if (address < kZbxLoadAddress || address - kZbxLoadAddress > length - 3) {
            fail_unsupported(error, name, 4);
            return false;
        }
        const std::size_t start = address - kZbxLoadAddress;
        if (image[start] == 0xff) {
            continue;
        }
        if (start > length - 5) {
            fail_unsupported(error, name, 4);
            return false;
        }
        // Walks the list from its start, calling take(offset, overrides) for
        // each entry; false when the list runs past the file.
        auto walk = [&](auto take) {
            for (std::size_t offset = start;;) {
                const int n = (image[offset + 2] >> 5) & 3;
                if (offset + n > length - 5) {
                    return false;
                }
                take(offset, n);
                offset += 3 + n;
                if (offset < length - 2 && image[offset] == 0xff) {
                    return true;
                }
                if (offset > length - 5) {
                    return false;
                }
            }
        };
        // Counted first, so that the list is made once at its size: a
        // file may share one long list among many panels.
        // A list that runs past the file keeps the entries read before the
        // fault.
        std::size_t kept = 0;
        const bool whole = walk([&](std::size_t offset, int) {
            const int item = image[offset];
            kept += item < count && item != i ? 1 : 0;
        });
        panel.defs.reserve(kept);
        walk([&](std::size_t offset, int n) {
            const int item = image[offset];
            if (item >= count || item == i) {
                return;
            }
            PanelDef def;
            def.item = item;
            def.x = (image[offset + 1] & 63) * 8 - 112;
            def.y = (image[offset + 2] & 31) * 8 - 112;
            if (project->items[item].kind == ZbxItemKind::Object) {
                def.is_object = true;
                def.mirror = (image[offset + 1] & 0x80) != 0;
                def.has_overrides = n != 0;
                def.override_count = n;
                for (int k = 0; k < n; k++) {
                    def.overrides[k] = image[offset + 3 + k];
                }
            }
            panel.defs.push_back(def);
        });
        if (!whole) {
            fail_unsupported(error, name, 4);
            return false;
        }
    }
    return true;
}

bool zembrix_parse(std::span<const uint8_t> file, const char *name, ZbxProject *project,
                   ZbxProgressFunc progress, ZbxActionFunc action, GError **error)
{
    if (!zembrix_parse_header(file, name, project, error)) {
        return false;
    }
    if (action) {
        action(kZbxActionObjects);
    }
    zembrix_parse_objects(file, project, progress);
    report(progress, 1.0);
    if (action) {
        action(kZbxActionPanels);
    }
    if (!zembrix_parse_panels(file, name, project, progress, error)) {
        return false;
    }
    report(progress, 1.0);
    return true;
}

void zembrix_stored_position(int x, int y, int *stored_x, int *stored_y)
{
    *stored_x = (position_code(x) & 63) * 8 - 112;
    *stored_y = (position_code(y) & 31) * 8 - 112;
}

std::size_t zembrix_def_list_size(std::span<const PanelDef> defs)
{
    return project_def_list_size(defs);
}

void zembrix_encode_def_list(std::span<const PanelDef> defs, std::vector<uint8_t> *out)
{
    for (const PanelDef &def : defs) {
        const int n = written_override_count(def);
        uint8_t x = position_code(def.x) & 63;
        uint8_t y = position_code(def.y) & 31;
        if (def.is_object) {
            x |= def.mirror ? 0x80 : 0;
            y |= n << 5;
        }
        out->push_back(static_cast<uint8_t>(def.item));
        out->push_back(x);
        out->push_back(y);
        for (int k = 0; k < n; k++) {
            out->push_back(static_cast<uint8_t>(def.overrides[k]));
        }
    }
    out->push_back(0xff);
}

std::size_t zembrix_data_end(const ZbxProject &project)
{
    return project_data_end(project);
}

bool zembrix_encode(const ZbxProject &project, std::vector<uint8_t> *out, GError **error)
{
    const std::size_t count = project.items.size();
    if (count > static_cast<std::size_t>(kMaxItems)) {
        zbx_set_error(error, ZbxError::TooLarge, "Too many items");
        return false;
    }
    const std::size_t end = zembrix_data_end(project);
    if (end > kZbxAddressLimit) {
        zbx_set_error_printf(
            error, ZbxError::TooLarge,
            "Data too large: the file would end at $%04X, above the limit of $7FFF",
            static_cast<unsigned>(end));
        return false;
    }

    std::vector<uint8_t> bytes;
    bytes.reserve(end - kZbxLoadAddress + 2);
    bytes.insert(bytes.end(), {0x00, 0x08, static_cast<uint8_t>(count), 0x00, 0x08});
    for (const ZbxLocationRecord &location : project.locations) {
        bytes.push_back(location.panel);
        bytes.push_back(location.colour);
    }
    std::size_t address = project_first_data_address(count);
    for (const ZbxItem &item : project.items) {
        const bool panel = item.kind == ZbxItemKind::Panel;
        bytes.push_back(address & 0xff);
        bytes.push_back(((address >> 8) & 0x7f) | (panel ? 0 : 0x80));
        address += project_item_size(item);
    }
    bytes.push_back(address & 0xff);
    bytes.push_back(address >> 8);
    for (const ZbxItem &item : project.items) {
        if (item.kind == ZbxItemKind::Object) {
            bytes.insert(bytes.end(), item.record.begin(), item.record.end());
        } else if (item.kind == ZbxItemKind::Panel) {
            zembrix_encode_def_list(item.defs, &bytes);
        }
    }
    bytes.push_back(0xff);
    *out = std::move(bytes);
    return true;
}
