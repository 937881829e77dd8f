// The project file's size and its limit.
#include "items/project_size.h"

#include <algorithm>

std::size_t project_first_data_address(std::size_t count)
{
    // Count and repeated load address (3), 32 location records (64), the
    // pointers and the end pointer.
    return kProjectLoadAddress + 3 + 2 * kLocationCount + 2 * count + 2;
}

std::size_t project_def_size(const PanelDef &def)
{
    const bool overrides = def.is_object && def.has_overrides;
    return 3 + (overrides ? static_cast<std::size_t>(std::clamp(def.override_count, 0, 3)) : 0);
}

std::size_t project_def_list_size(std::span<const PanelDef> defs)
{
    std::size_t size = 1;
    for (const PanelDef &def : defs) {
        size += project_def_size(def);
    }
    return size;
}

std::size_t project_item_size(const ZbxItem &item)
{
    switch (item.kind) {
    case ZbxItemKind::Object:
        return item.record.size();
    case ZbxItemKind::Panel:
        return project_def_list_size(item.defs);
    case ZbxItemKind::Empty:
        break;
    }
    return 0;
}

std::size_t project_data_end(const ZbxProject &project)
{
    std::size_t end = project_first_data_address(project.items.size());
    for (const ZbxItem &item : project.items) {
        end += project_item_size(item);
    }
    return end + 1;
}

ProjectSize project_size_at(std::size_t end)
{
    return ProjectSize{static_cast<long>(end) - static_cast<long>(kProjectLoadAddress) + 2,
                       kProjectFileLimit};
}

ProjectSize project_size(const ZbxProject &project)
{
    return project_size_at(project_data_end(project));
}

std::string project_format_count(long count)
{
    const std::string digits = std::to_string(count < 0 ? -count : count);
    std::string text = count < 0 ? "-" : "";
    for (std::size_t k = 0; k < digits.size(); k++) {
        // A comma before each group of three from the right.
        if (k > 0 && (digits.size() - k) % 3 == 0) {
            text += ',';
        }
        text += digits[k];
    }
    return text;
}

std::string project_size_text(const ProjectSize &size)
{
    const std::string used = std::to_string(size.percent()) + " % used, ";
    if (size.over()) {
        return "Warning: " + used + project_format_count(-size.free()) + " bytes over the limit";
    }
    if (size.tight()) {
        return "Warning: " + used + "only " + project_format_count(size.free()) + " bytes free";
    }
    return used + project_format_count(size.free()) + " bytes free";
}
