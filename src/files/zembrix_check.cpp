#include "files/zembrix_check.h"

#include "items/references.h"

#include <algorithm>
#include <functional>

namespace {

std::string format(const char *fmt, ...) G_GNUC_PRINTF(1, 2);
std::string format(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    char *text = g_strdup_vprintf(fmt, args);
    va_end(args);
    std::string result(text);
    g_free(text);
    return result;
}

bool is_panel(const ZbxProject &project, int item)
{
    return item >= 0 && item < static_cast<int>(project.items.size()) &&
           project.items[item].kind == ZbxItemKind::Panel;
}

} // namespace

std::vector<std::string> zembrix_check_project(const ZbxProject &project)
{
    std::vector<std::string> findings;
    for (const std::vector<int> &loop : references_find_loops(project)) {
        if (loop.size() == 1) {
            findings.push_back(format("Panel loop: panel %d contains itself", loop[0]));
            continue;
        }
        std::string members;
        for (std::size_t k = 0; k < loop.size(); k++) {
            members += (k == 0                 ? ""
                        : k + 1 == loop.size() ? " and "
                                               : ", ") +
                       std::to_string(loop[k]);
        }
        findings.push_back("Panel loop: panels " + members + " contain each other");
    }

    const int count = static_cast<int>(project.items.size());
    for (int p = 0; p < count; p++) {
        const std::vector<PanelDef> &defs = project.items[p].defs;
        if (project.items[p].kind != ZbxItemKind::Panel) {
            continue;
        }
        for (std::size_t d = 0; d < defs.size(); d++) {
            int stored_x = 0;
            int stored_y = 0;
            zembrix_stored_position(defs[d].x, defs[d].y, &stored_x, &stored_y);
            if (stored_x != defs[d].x || stored_y != defs[d].y) {
                findings.push_back(
                    format("Panel %d, definition %zu: position %d, %d is saved as %d, %d", p, d,
                           defs[d].x, defs[d].y, stored_x, stored_y));
            }
            const int item = defs[d].item;
            const char *problem = nullptr;
            if (item < 0 || item >= count) {
                problem = ", which does not exist";
            } else if (project.items[item].kind == ZbxItemKind::Empty) {
                problem = ", which is empty";
            } else if (defs[d].is_object != (project.items[item].kind == ZbxItemKind::Object)) {
                problem = defs[d].is_object ? " as an object, but it is a panel"
                                            : " as a panel, but it is an object";
            }
            if (problem != nullptr) {
                findings.push_back(
                    format("Panel %d, definition %zu: places item %d%s", p, d, item, problem));
            }
        }
    }

    for (int s = 0; s < kZbxLocationRecords; s++) {
        const ZbxLocationRecord &location = project.locations[s];
        if (location.panel != kNoPanel && !is_panel(project, location.panel)) {
            findings.push_back(
                format("Location %d: elects item %d, which is not a panel", s, location.panel));
        }
        if (location.colour > 15) {
            findings.push_back(format("Location %d: background colour %d is above 15 (drawn as %d)",
                                      s, location.colour, location.colour % 16));
        }
    }

    const std::size_t end = zembrix_data_end(project);
    if (end > kZbxAddressLimit) {
        findings.push_back(
            format("Data too large: the file would end at $%04X, above the limit of $7FFF",
                   static_cast<unsigned>(end)));
    } else if (kZbxAddressLimit - end < kZbxNearLimitMargin) {
        findings.push_back(
            format("Data near the size limit: the file ends at $%04X, leaving %u bytes below $8000",
                   static_cast<unsigned>(end), static_cast<unsigned>(kZbxAddressLimit - end)));
    }
    return findings;
}
