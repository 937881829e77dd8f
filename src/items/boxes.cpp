// Panel bounding boxes. The panels are finished in post order over the graph
// of placements with every loop gathered into one node, so that whatever a
// panel or a loop places outside itself is finished first: a panel in no loop
// takes the union of its placements at once, and each member of a loop is
// walked along its loop with the path, within its share of the work bound.
#include "items/boxes.h"

#include "items/references.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <numeric>
#include <span>

namespace {

// The union of placements while it grows, in 64-bit coordinates.
struct Extent
{
    int64_t min_x = kLocationWidth;
    int64_t min_y = kLocationHeight;
    int64_t max_x = 0;
    int64_t max_y = 0;
    bool any = false;

    void add(int64_t x, int64_t y, int64_t width, int64_t height)
    {
        min_x = std::min(min_x, x);
        min_y = std::min(min_y, y);
        max_x = std::max(max_x, x + width);
        max_y = std::max(max_y, y + height);
        any = true;
    }

    // A finished panel box placed at (x, y): one that holds nothing adds
    // nothing.
    void add_box(int64_t x, int64_t y, const ZbxRect &box)
    {
        if (box.width >= 0 && box.height >= 0) {
            add(x + box.x, y + box.y, box.width, box.height);
        }
    }

    ZbxRect rect() const
    {
        if (!any) {
            return ZbxRect{kLocationWidth, kLocationHeight, -kLocationWidth, -kLocationHeight};
        }
        auto clamp = [](int64_t v) {
            return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
        };
        return ZbxRect{clamp(min_x), clamp(min_y), clamp(max_x - min_x), clamp(max_y - min_y)};
    }
};

bool is_kind(const ZbxProject &project, int item, ZbxItemKind kind)
{
    return item >= 0 && item < static_cast<int>(project.items.size()) &&
           project.items[item].kind == kind;
}

void add_object(const ZbxProject &project, const PanelDef &def, Extent &extent)
{
    if (!is_kind(project, def.item, ZbxItemKind::Object)) {
        return;
    }
    const std::vector<uint8_t> &record = project.items[def.item].record;
    if (!record.empty()) {
        extent.add(def.x, def.y, (record[0] >> 4) * 8, (record[0] & 15) * 8);
    }
}

// One panel entered by a walk along a loop: its next definition, where it
// was placed, and the union of what it has drawn so far.
struct Step
{
    int panel;
    std::size_t def;
    int64_t x, y;
    Extent extent;
};

struct Work
{
    const ZbxProject &project;
    const std::vector<std::vector<int>> &loops;
    // The loop of each item, or -1.
    std::vector<int> loop_of;
    PanelBoxes &result;
    // Definitions the walks may still visit, and loop members still to walk.
    long visits_left;
    long members_left;
    // The walk's path, kept between walks for its storage.
    std::vector<Step> path;
    std::vector<bool> on_path;
};

// A panel in no loop: the union of its placements, each nested panel
// already finished.
void finish_panel(Work &work, int panel)
{
    Extent extent;
    bool exact = true;
    for (const PanelDef &def : work.project.items[panel].defs) {
        if (def.is_object) {
            add_object(work.project, def, extent);
        } else if (is_kind(work.project, def.item, ZbxItemKind::Panel)) {
            extent.add_box(def.x, def.y, work.result.boxes[def.item]);
            exact = exact && work.result.exact[def.item];
        }
    }
    work.result.boxes[panel] = extent.rect();
    work.result.exact[panel] = exact;
}

// A loop member drawn as a root: depth first along its loop with the path,
// visiting at most `allowed` definitions. Returns the number visited.
long walk_member(Work &work, int root, long allowed)
{
    const int loop = work.loop_of[root];
    long visits = 0;
    bool exact = true;
    bool cut = false;
    work.path.push_back(Step{root, 0, 0, 0, Extent{}});
    work.on_path[root] = true;
    while (!work.path.empty()) {
        Step &step = work.path.back();
        const std::vector<PanelDef> &defs = work.project.items[step.panel].defs;
        if (!cut && step.def < defs.size()) {
            if (visits == allowed) {
                cut = true;
                continue;
            }
            visits++;
            const PanelDef &def = defs[step.def++];
            if (def.is_object) {
                add_object(work.project, def, step.extent);
                continue;
            }
            const int item = def.item;
            if (!is_kind(work.project, item, ZbxItemKind::Panel) || work.on_path[item]) {
                continue;
            }
            if (work.loop_of[item] != loop) {
                // Outside the loop, hence finished, and drawn the same from any path.
                step.extent.add_box(def.x, def.y, work.result.boxes[item]);
                exact = exact && work.result.exact[item];
                continue;
            }
            work.on_path[item] = true;
            work.path.push_back(Step{item, 0, def.x, def.y, Extent{}});
            continue;
        }
        const ZbxRect box = step.extent.rect();
        const int64_t x = step.x;
        const int64_t y = step.y;
        work.on_path[step.panel] = false;
        work.path.pop_back();
        if (work.path.empty()) {
            work.result.boxes[root] = box;
        } else {
            work.path.back().extent.add_box(x, y, box);
        }
    }
    work.result.exact[root] = exact && !cut;
    return visits;
}

// Every member of a loop, each with an equal share of the visits left over
// the members left, so that one dense loop cannot starve the others; what a
// walk leaves of its share goes to those after it.
void finish_loop(Work &work, int loop)
{
    for (int member : work.loops[loop]) {
        const long share = work.visits_left / work.members_left;
        work.visits_left -= walk_member(work, member, share);
        work.members_left--;
    }
}

} // namespace

PanelBoxes boxes_compute(const ZbxProject &project, long max_visits)
{
    const int count = static_cast<int>(project.items.size());
    PanelBoxes result{std::vector<ZbxRect>(count, ZbxRect{0, 0, 0, 0}),
                      std::vector<bool>(count, true)};
    const std::vector<std::vector<int>> loops = references_find_loops(project);
    Work work{project, loops, std::vector<int>(count, -1),    result, std::max(0L, max_visits),
              0,       {},    std::vector<bool>(count, false)};
    for (std::size_t loop = 0; loop < loops.size(); loop++) {
        for (int member : loops[loop]) {
            work.loop_of[member] = static_cast<int>(loop);
        }
        work.members_left += static_cast<long>(loops[loop].size());
    }

    // The nodes of the walk below: a panel in no loop stands for itself, a
    // loop member for its whole loop (its members share their state).
    std::vector<int> itself(count);
    std::iota(itself.begin(), itself.end(), 0);
    auto members = [&](int panel) -> std::span<const int> {
        const int loop = work.loop_of[panel];
        return loop < 0 ? std::span<const int>(&itself[panel], 1)
                        : std::span<const int>(loops[loop]);
    };
    enum State : uint8_t
    {
        kNew,
        kOpen,
        kDone
    };
    std::vector<State> state(count, kNew);
    struct Frame
    {
        int panel;
        std::size_t member;
        std::size_t def;
    };
    std::vector<Frame> frames;
    auto enter = [&](int panel) {
        for (int member : members(panel)) {
            state[member] = kOpen;
        }
        frames.push_back(Frame{panel, 0, 0});
    };
    for (int root = 0; root < count; root++) {
        if (!is_kind(project, root, ZbxItemKind::Panel) || state[root] != kNew) {
            continue;
        }
        enter(root);
        while (!frames.empty()) {
            Frame &frame = frames.back();
            const std::span<const int> node = members(frame.panel);
            if (frame.member < node.size()) {
                const std::vector<PanelDef> &defs = project.items[node[frame.member]].defs;
                if (frame.def == defs.size()) {
                    frame.member++;
                    frame.def = 0;
                    continue;
                }
                const PanelDef &def = defs[frame.def++];
                if (!def.is_object && is_kind(project, def.item, ZbxItemKind::Panel) &&
                    state[def.item] == kNew) {
                    enter(def.item);
                }
                continue;
            }
            const int panel = frame.panel;
            frames.pop_back();
            if (work.loop_of[panel] < 0) {
                finish_panel(work, panel);
            } else {
                finish_loop(work, work.loop_of[panel]);
            }
            for (int member : members(panel)) {
                state[member] = kDone;
            }
        }
    }
    return result;
}
