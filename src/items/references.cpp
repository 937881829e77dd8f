#include "items/references.h"

#include <algorithm>
#include <glib.h>

#include "base/gref.h"

bool references_find(const ZbxProject &project, int item, std::string *text)
{
    const size_t before = text->size();
    const int count = static_cast<int>(project.items.size());
    for (int p = 0; p < count; p++) {
        if (project.items[p].kind != ZbxItemKind::Panel) {
            continue;
        }
        const std::vector<PanelDef> &defs = project.items[p].defs;
        const long found = std::count_if(defs.begin(), defs.end(),
                                         [item](const PanelDef &def) { return def.item == item; });
        if (found > 0) {
            GCharPtr line(g_strdup_printf("Panel %d ($%X): found %ld occurrence%s\n", p, p, found,
                                          found == 1 ? "" : "s"));
            *text += line.get();
        }
    }
    const bool object =
        item >= 0 && item < count && project.items[item].kind == ZbxItemKind::Object;
    if (!object) {
        for (int s = 0; s < kLocationCount; s++) {
            if (project.locations[s].panel == item) {
                GCharPtr line(g_strdup_printf("Panel was elected as location %d ($%X)\n", s, s));
                *text += line.get();
            }
        }
    }
    return text->size() > before;
}

std::string references_report(const ZbxProject &project, int item)
{
    std::string text;
    if (!references_find(project, item, &text)) {
        const bool object = item >= 0 && item < static_cast<int>(project.items.size()) &&
                            project.items[item].kind == ZbxItemKind::Object;
        text = object ? kZbxNoObjectReferences : kZbxNoPanelReferences;
    }
    return text;
}

bool references_would_loop(const ZbxProject &project, int parent, int child)
{
    if (!project_is_panel(project, child)) {
        return false;
    }
    if (child == parent) {
        return true;
    }
    // Does child reach parent? Each panel is looked at once.
    std::vector<bool> seen(project.items.size(), false);
    std::vector<int> todo{child};
    seen[child] = true;
    while (!todo.empty()) {
        const int panel = todo.back();
        todo.pop_back();
        for (const PanelDef &def : project.items[panel].defs) {
            if (def.is_object || !project_is_panel(project, def.item) || seen[def.item]) {
                continue;
            }
            if (def.item == parent) {
                return true;
            }
            seen[def.item] = true;
            todo.push_back(def.item);
        }
    }
    return false;
}

std::vector<std::vector<int>> references_find_loops(const ZbxProject &project)
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
        if (!project_is_panel(project, root) || order[root] >= 0) {
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
                if (def.is_object || !project_is_panel(project, def.item)) {
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

void references_remove_item(ZbxProject &project, int n)
{
    if (n < 0 || n >= static_cast<int>(project.items.size())) {
        return;
    }
    project.items.erase(project.items.begin() + n);
    for (ZbxItem &item : project.items) {
        if (item.kind != ZbxItemKind::Panel) {
            continue;
        }
        std::erase_if(item.defs, [n](const PanelDef &def) { return def.item == n; });
        for (PanelDef &def : item.defs) {
            if (def.item > n) {
                def.item--;
            }
        }
    }
    for (ZbxLocationRecord &location : project.locations) {
        if (location.panel == n) {
            location = ZbxLocationRecord{};
        } else if (location.panel != kNoPanel && location.panel > n) {
            location.panel--;
        }
    }
}
