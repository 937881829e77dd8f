#include "files/zembrix_check.h"

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

std::vector<std::vector<int>> zembrix_find_panel_loops(const ZbxProject &project)
{
    // Strongly connected components of the panel graph (Tarjan), iterative
    // so that deep chains of panels cannot exhaust the stack.
    const int count = static_cast<int>(project.items.size());
    std::vector<int> order(count, -1);
    std::vector<int> low(count, 0);
    std::vector<bool> on_stack(count, false);
    std::vector<int> stack;
    std::vector<std::vector<int>> loops;
    int next_order = 0;

    struct Frame
    {
        int panel;
        std::size_t def;
    };
    for (int root = 0; root < count; root++) {
        if (!is_panel(project, root) || order[root] >= 0) {
            continue;
        }
        std::vector<Frame> frames{{root, 0}};
        order[root] = low[root] = next_order++;
        stack.push_back(root);
        on_stack[root] = true;
        while (!frames.empty()) {
            Frame &frame = frames.back();
            const std::vector<PanelDef> &defs = project.items[frame.panel].defs;
            if (frame.def < defs.size()) {
                const PanelDef &def = defs[frame.def++];
                if (def.is_object || !is_panel(project, def.item)) {
                    continue;
                }
                const int child = def.item;
                if (order[child] < 0) {
                    order[child] = low[child] = next_order++;
                    stack.push_back(child);
                    on_stack[child] = true;
                    frames.push_back({child, 0});
                } else if (on_stack[child]) {
                    low[frame.panel] = std::min(low[frame.panel], order[child]);
                }
                continue;
            }
            const int panel = frame.panel;
            frames.pop_back();
            if (!frames.empty()) {
                low[frames.back().panel] = std::min(low[frames.back().panel], low[panel]);
            }
            if (low[panel] != order[panel]) {
                continue;
            }
            std::vector<int> group;
            int member;
            do {
                member = stack.back();
                stack.pop_back();
                on_stack[member] = false;
                group.push_back(member);
            } while (member != panel);
            bool loop = group.size() > 1;
            if (!loop) {
                for (const PanelDef &def : project.items[panel].defs) {
                    loop = loop || (!def.is_object && def.item == panel);
                }
            }
            if (loop) {
                std::sort(group.begin(), group.end());
                loops.push_back(std::move(group));
            }
        }
    }
    std::sort(loops.begin(), loops.end());
    return loops;
}

std::vector<std::string> zembrix_check_project(const ZbxProject &project)
{
    std::vector<std::string> findings;
    for (const std::vector<int> &loop : zembrix_find_panel_loops(project)) {
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
        if (location.panel != 255 && !is_panel(project, location.panel)) {
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
