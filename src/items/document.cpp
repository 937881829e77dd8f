// The document: the project's data, its caches, its listeners and its
// history. Nothing else holds project data; everything else asks here.
#include "items/document.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <map>
#include <utility>

#include "base/gref.h"
#include "items/objects.h"

namespace {

// What one entry of the history restores: the data and the images that
// follow from it (shared, so that a snapshot costs no rendering).
struct Snapshot
{
    ZbxProject project;
    std::vector<GRef<GdkPixbuf>> images;
    bool open = false;
};

struct HistoryEntry
{
    std::string name;
    Snapshot state;
    // The version the document had in that state.
    long version = 0;
    // The items the step inserted and deleted, in order.
    std::vector<IndexShift> shifts;
};

struct DocumentState
{
    ZbxProject project;
    bool open = false;
    // Caches, one entry per item.
    std::vector<GRef<GdkPixbuf>> images;
    std::vector<ZbxRect> boxes;
    std::vector<bool> boxes_exact;

    // Keyed by (order, id): lower orders are told first.
    std::map<std::pair<int, int>, DocListener> listeners;
    int next_listener = 1;

    // The step being recorded.
    int step_depth = 0;
    std::string step_name;
    Snapshot step_before;
    long step_before_version = 0;
    bool step_changed = false;
    std::vector<IndexShift> step_shifts;

    std::deque<HistoryEntry> undo;
    std::vector<HistoryEntry> redo;
    // Every recorded change makes a new version; undo and redo go back to
    // the version they restore.
    long version = 0;
    long next_version = 1;
    long saved_version = 0;
};

DocumentState &doc()
{
    static DocumentState state;
    return state;
}

void emit(DocChange what, int index = -1, int row = -1,
          const std::vector<IndexShift> *shifts = nullptr)
{
    // Listeners may add or remove listeners: tell the ones present now.
    std::vector<std::pair<int, int>> ids;
    for (const auto &entry : doc().listeners) {
        ids.push_back(entry.first);
    }
    const DocEvent event{what, index, row, shifts};
    for (const auto &id : ids) {
        auto it = doc().listeners.find(id);
        if (it != doc().listeners.end()) {
            DocListener listener = it->second;
            listener(event);
        }
    }
}

bool valid_item(int index)
{
    return index >= 0 && index < static_cast<int>(doc().project.items.size());
}

bool is_panel(const ZbxProject &project, int item)
{
    return item >= 0 && item < static_cast<int>(project.items.size()) &&
           project.items[item].kind == ZbxItemKind::Panel;
}

GRef<GdkPixbuf> render_record(std::span<const uint8_t> record)
{
    int w = 0;
    int h = 0;
    if (!objects_record_ok(record, &w, &h)) {
        return {};
    }
    const uint8_t *bitmap = record.data() + 1;
    const std::size_t cells = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    return GRef<GdkPixbuf>(
        pixbufs_new_from_hires(bitmap, bitmap + 8 * cells, bitmap + 9 * cells, w, h));
}

void refresh_boxes()
{
    doc().boxes = document_compute_boxes(doc().project, &doc().boxes_exact);
}

Snapshot take_snapshot()
{
    return Snapshot{doc().project, doc().images, doc().open};
}

void restore_snapshot(Snapshot snapshot)
{
    doc().project = std::move(snapshot.project);
    doc().images = std::move(snapshot.images);
    doc().open = snapshot.open;
    refresh_boxes();
}

void clear_history()
{
    doc().undo.clear();
    doc().redo.clear();
}

// Every change checks that it belongs to a step, so that it can be undone.
// A change outside any step is a programming error: fatal in builds with
// assertions, recorded as a step of its own otherwise.
class Change
{
  public:
    explicit Change(const char *what)
    {
        if (doc().step_depth == 0) {
#ifndef NDEBUG
            g_error("document: %s outside a recorded step", what);
#endif
            implicit_ = true;
            document_begin_step(what);
        }
    }
    ~Change()
    {
        if (implicit_) {
            document_end_step();
        }
    }
    Change(const Change &) = delete;
    Change &operator=(const Change &) = delete;

    // Called once the data did change.
    void done()
    {
        doc().step_changed = true;
    }

  private:
    bool implicit_ = false;
};

// Appends an item with its image (none for a panel) as one change.
int append_item(ZbxItem item, GRef<GdkPixbuf> image, const char *what)
{
    Change change(what);
    doc().project.items.push_back(std::move(item));
    doc().images.push_back(std::move(image));
    refresh_boxes();
    change.done();
    const int index = document_item_count() - 1;
    doc().step_shifts.push_back({index, +1});
    emit(DocChange::ItemInserted, index);
    return index;
}

void renumber_after_delete(ZbxProject &project, int n)
{
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

std::span<PanelDef> defs_for_change(int panel)
{
    if (!is_panel(doc().project, panel)) {
        return {};
    }
    return doc().project.items[panel].defs;
}

void defs_changed(int panel, DocChange what, int row)
{
    refresh_boxes();
    emit(what, panel, row);
}

// A definition as the document keeps it: a placement of a panel carries no
// mirror and no overrides.
PanelDef normalised(const ZbxProject &project, PanelDef def)
{
    def.is_object = def.item >= 0 && def.item < static_cast<int>(project.items.size()) &&
                    project.items[def.item].kind == ZbxItemKind::Object;
    if (!def.is_object) {
        def.mirror = false;
        def.has_overrides = false;
        def.override_count = 0;
        def.overrides[0] = def.overrides[1] = def.overrides[2] = 0;
    }
    return def;
}

} // namespace

int document_add_listener(DocListener listener, int order)
{
    const int id = doc().next_listener++;
    doc().listeners.emplace(std::make_pair(order, id), std::move(listener));
    return id;
}

void document_remove_listener(int id)
{
    std::erase_if(doc().listeners, [id](const auto &entry) { return entry.first.second == id; });
}

const ZbxProject &document_project()
{
    return doc().project;
}

bool document_is_open()
{
    return doc().open;
}

int document_item_count()
{
    return static_cast<int>(doc().project.items.size());
}

ZbxItemKind document_item_kind(int index)
{
    return valid_item(index) ? doc().project.items[index].kind : ZbxItemKind::Empty;
}

std::span<const PanelDef> document_panel_defs(int index)
{
    if (!is_panel(doc().project, index)) {
        return {};
    }
    return doc().project.items[index].defs;
}

std::span<const uint8_t> document_object_record(int index)
{
    if (document_item_kind(index) != ZbxItemKind::Object) {
        return {};
    }
    return doc().project.items[index].record;
}

GdkPixbuf *document_object_image(int index)
{
    if (document_item_kind(index) != ZbxItemKind::Object) {
        return nullptr;
    }
    GRef<GdkPixbuf> &image = doc().images[index];
    if (!image) {
        image = render_record(doc().project.items[index].record);
    }
    return image.get();
}

bool document_object_size(int index, int *width, int *height)
{
    std::span<const uint8_t> record = document_object_record(index);
    if (record.empty()) {
        return false;
    }
    *width = (record[0] >> 4) * 8;
    *height = (record[0] & 15) * 8;
    return true;
}

bool document_panel_box(int index, ZbxRect *box)
{
    if (!is_panel(doc().project, index)) {
        return false;
    }
    *box = doc().boxes[index];
    return true;
}

bool document_panel_box_exact(int index, ZbxRect *box)
{
    return document_panel_box(index, box) && doc().boxes_exact[index];
}

ZbxLocationRecord document_location(int number)
{
    if (number < 0 || number >= kLocationCount) {
        return {};
    }
    return doc().project.locations[number];
}

int document_count_objects()
{
    return static_cast<int>(
        std::count_if(doc().project.items.begin(), doc().project.items.end(),
                      [](const ZbxItem &item) { return item.kind == ZbxItemKind::Object; }));
}

int document_count_panels()
{
    return static_cast<int>(
        std::count_if(doc().project.items.begin(), doc().project.items.end(),
                      [](const ZbxItem &item) { return item.kind == ZbxItemKind::Panel; }));
}

void document_load(ZbxProject project)
{
    if (project.items.size() > static_cast<size_t>(kMaxItems)) {
        project.items.resize(kMaxItems);
    }
    // The images are drawn when first asked for: a command that only reads
    // or composes the data never needs them.
    std::vector<GRef<GdkPixbuf>> images(project.items.size());
    for (ZbxItem &item : project.items) {
        int w = 0;
        int h = 0;
        if (item.kind == ZbxItemKind::Object) {
            if (!objects_record_ok(item.record, &w, &h)) {
                item = ZbxItem{};
            }
        } else if (item.kind == ZbxItemKind::Empty) {
            item = ZbxItem{};
        } else {
            item.record.clear();
        }
    }
    for (ZbxItem &item : project.items) {
        for (PanelDef &def : item.defs) {
            def = normalised(project, def);
        }
    }
    for (const ZbxLocationRecord &location : project.locations) {
        if (is_panel(project, location.panel)) {
            project.items[location.panel].preview_colour = location.colour;
        }
    }
    doc().project = std::move(project);
    doc().images = std::move(images);
    doc().open = true;
    refresh_boxes();
    clear_history();
    doc().version = doc().saved_version = doc().next_version++;
    emit(DocChange::Reset);
    emit(DocChange::HistoryChanged);
}

void document_new()
{
    document_load(ZbxProject{});
}

void document_close()
{
    doc().project = ZbxProject{};
    doc().images.clear();
    doc().boxes.clear();
    doc().open = false;
    clear_history();
    doc().version = doc().saved_version = doc().next_version++;
    emit(DocChange::Reset);
    emit(DocChange::HistoryChanged);
}

void document_begin_step(const char *name)
{
    if (doc().step_depth++ > 0) {
        return;
    }
    doc().step_name = name != nullptr ? name : "";
    doc().step_before = take_snapshot();
    doc().step_before_version = doc().version;
    doc().step_changed = false;
    doc().step_shifts.clear();
}

void document_end_step()
{
    if (doc().step_depth == 0 || --doc().step_depth > 0) {
        return;
    }
    if (!doc().step_changed) {
        doc().step_before = Snapshot{};
        return;
    }
    doc().undo.push_back(HistoryEntry{std::move(doc().step_name), std::move(doc().step_before),
                                      doc().step_before_version, std::move(doc().step_shifts)});
    while (doc().undo.size() > kDocumentHistorySteps) {
        doc().undo.pop_front();
    }
    doc().redo.clear();
    doc().step_before = Snapshot{};
    doc().version = doc().next_version++;
    emit(DocChange::HistoryChanged);
}

int document_append_object(std::span<const uint8_t> record)
{
    if (!doc().open || document_item_count() >= kMaxItems) {
        return -1;
    }
    GRef<GdkPixbuf> image = render_record(record);
    if (!image) {
        return -1;
    }
    ZbxItem item;
    item.kind = ZbxItemKind::Object;
    item.record.assign(record.begin(), record.end());
    return append_item(std::move(item), std::move(image), "append object");
}

int document_append_panel()
{
    if (!doc().open || document_item_count() >= kMaxItems) {
        return -1;
    }
    ZbxItem item;
    item.kind = ZbxItemKind::Panel;
    return append_item(std::move(item), {}, "append panel");
}

bool document_delete_item(int n)
{
    if (!valid_item(n)) {
        return false;
    }
    Change change("delete item");
    doc().project.items.erase(doc().project.items.begin() + n);
    doc().images.erase(doc().images.begin() + n);
    renumber_after_delete(doc().project, n);
    refresh_boxes();
    change.done();
    doc().step_shifts.push_back({n, -1});
    emit(DocChange::ItemDeleted, n);
    return true;
}

bool document_set_location(int number, ZbxLocationRecord record)
{
    if (!doc().open || number < 0 || number >= kLocationCount) {
        return false;
    }
    if (record.panel != kNoPanel && !is_panel(doc().project, record.panel)) {
        return false;
    }
    Change change("set location");
    if (doc().project.locations[number] == record) {
        return true;
    }
    doc().project.locations[number] = record;
    change.done();
    emit(DocChange::LocationChanged, number);
    return true;
}

bool document_set_defs(int panel, std::vector<PanelDef> defs)
{
    if (!is_panel(doc().project, panel)) {
        return false;
    }
    Change change("set definitions");
    for (PanelDef &def : defs) {
        def = normalised(doc().project, def);
    }
    if (doc().project.items[panel].defs == defs) {
        return true;
    }
    doc().project.items[panel].defs = std::move(defs);
    change.done();
    defs_changed(panel, DocChange::DefsReplaced, -1);
    return true;
}

bool document_insert_def(int panel, int row, const PanelDef &def)
{
    if (!is_panel(doc().project, panel)) {
        return false;
    }
    std::vector<PanelDef> &defs = doc().project.items[panel].defs;
    if (row < 0 || row > static_cast<int>(defs.size())) {
        return false;
    }
    Change change("insert definition");
    defs.insert(defs.begin() + row, normalised(doc().project, def));
    change.done();
    defs_changed(panel, DocChange::DefInserted, row);
    return true;
}

bool document_remove_def(int panel, int row)
{
    std::span<PanelDef> defs = defs_for_change(panel);
    if (row < 0 || row >= static_cast<int>(defs.size())) {
        return false;
    }
    Change change("remove definition");
    std::vector<PanelDef> &list = doc().project.items[panel].defs;
    list.erase(list.begin() + row);
    change.done();
    defs_changed(panel, DocChange::DefRemoved, row);
    return true;
}

bool document_set_def(int panel, int row, const PanelDef &def)
{
    std::span<PanelDef> defs = defs_for_change(panel);
    if (row < 0 || row >= static_cast<int>(defs.size())) {
        return false;
    }
    Change change("change definition");
    const PanelDef value = normalised(doc().project, def);
    if (defs[row] == value) {
        return true;
    }
    defs[row] = value;
    change.done();
    defs_changed(panel, DocChange::DefChanged, row);
    return true;
}

bool document_move_def(int panel, int from, int to)
{
    std::span<PanelDef> defs = defs_for_change(panel);
    const int size = static_cast<int>(defs.size());
    if (from < 0 || from >= size || to < 0 || to >= size) {
        return false;
    }
    if (from == to) {
        return true;
    }
    Change change("move definition");
    std::vector<PanelDef> &list = doc().project.items[panel].defs;
    const PanelDef def = list[from];
    list.erase(list.begin() + from);
    change.done();
    emit(DocChange::DefRemoved, panel, from);
    list.insert(list.begin() + to, def);
    defs_changed(panel, DocChange::DefInserted, to);
    return true;
}

bool document_set_preview_colour(int panel, int colour)
{
    if (!is_panel(doc().project, panel)) {
        return false;
    }
    const auto value = static_cast<uint8_t>(colour & 15);
    if (doc().project.items[panel].preview_colour != value) {
        doc().project.items[panel].preview_colour = value;
        emit(DocChange::PreviewChanged, panel);
    }
    return true;
}

int document_follow_index(const DocEvent &event, int index)
{
    auto shift = [](int x, IndexShift s) {
        if (x < 0 || x < s.index) {
            return x;
        }
        if (s.delta > 0) {
            return x + 1;
        }
        return x == s.index ? -1 : x - 1;
    };
    switch (event.what) {
    case DocChange::ItemInserted:
        return shift(index, {event.index, +1});
    case DocChange::ItemDeleted:
        return shift(index, {event.index, -1});
    case DocChange::Reset:
        if (event.shifts == nullptr) {
            return -1;
        }
        for (const IndexShift &s : *event.shifts) {
            index = shift(index, s);
        }
        return index;
    default:
        return index;
    }
}

bool document_can_undo()
{
    return !doc().undo.empty() && doc().step_depth == 0;
}

bool document_can_redo()
{
    return !doc().redo.empty() && doc().step_depth == 0;
}

const char *document_undo_name()
{
    return doc().undo.empty() ? "" : doc().undo.back().name.c_str();
}

const char *document_redo_name()
{
    return doc().redo.empty() ? "" : doc().redo.back().name.c_str();
}

namespace {
// Takes the newest entry of `from` back to the state it holds, keeping the
// present state as the newest entry of `to`. Undoing, the step's inserts
// and deletes run backwards; redoing, forwards.
template <typename From, typename To> void travel(From &from, To &to, bool backwards)
{
    HistoryEntry entry = std::move(from.back());
    from.pop_back();
    std::vector<IndexShift> shifts;
    if (backwards) {
        for (auto it = entry.shifts.rbegin(); it != entry.shifts.rend(); ++it) {
            shifts.push_back({it->index, -it->delta});
        }
    } else {
        shifts = entry.shifts;
    }
    to.push_back(HistoryEntry{entry.name, take_snapshot(), doc().version, entry.shifts});
    restore_snapshot(std::move(entry.state));
    doc().version = entry.version;
    emit(DocChange::Reset, -1, -1, &shifts);
    emit(DocChange::HistoryChanged);
}
} // namespace

bool document_undo()
{
    if (!document_can_undo()) {
        return false;
    }
    travel(doc().undo, doc().redo, true);
    return true;
}

bool document_redo()
{
    if (!document_can_redo()) {
        return false;
    }
    travel(doc().redo, doc().undo, false);
    return true;
}

bool document_is_modified()
{
    return doc().open && doc().version != doc().saved_version;
}

void document_mark_saved()
{
    doc().saved_version = doc().version;
    emit(DocChange::HistoryChanged);
}

gboolean document_find_references(GString *text, int item)
{
    const gsize before = text->len;
    const ZbxProject &project = doc().project;
    const int count = document_item_count();
    for (int p = 0; p < count; p++) {
        if (project.items[p].kind != ZbxItemKind::Panel) {
            continue;
        }
        const std::vector<PanelDef> &defs = project.items[p].defs;
        const long found = std::count_if(defs.begin(), defs.end(),
                                         [item](const PanelDef &def) { return def.item == item; });
        if (found > 0) {
            g_string_append_printf(text, "Panel %d ($%X): found %ld occurrence%s\n", p, p, found,
                                   found == 1 ? "" : "s");
        }
    }
    if (document_item_kind(item) != ZbxItemKind::Object) {
        for (int s = 0; s < kLocationCount; s++) {
            if (project.locations[s].panel == item) {
                g_string_append_printf(text, "Panel was elected as location %d ($%X)\n", s, s);
            }
        }
    }
    return text->len > before;
}

bool document_would_loop(int parent, int child)
{
    const ZbxProject &project = doc().project;
    if (!is_panel(project, child)) {
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
            if (def.is_object || !is_panel(project, def.item) || seen[def.item]) {
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

bool document_has_loop()
{
    return !document_find_loops(doc().project).empty();
}

std::vector<std::vector<int>> document_find_loops(const ZbxProject &project)
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

std::vector<ZbxRect> document_compute_boxes(const ZbxProject &project, std::vector<bool> *exact)
{
    // Depth first over the panel graph, each panel finished once: its box is
    // the union of its placements' boxes, a nested panel contributing its
    // own finished box. A panel still on the path (a loop) contributes
    // nothing, as it draws nothing there.
    const int count = static_cast<int>(project.items.size());
    constexpr ZbxRect kNothing{kLocationWidth, kLocationHeight, -kLocationWidth, -kLocationHeight};
    std::vector<ZbxRect> boxes(count, ZbxRect{0, 0, 0, 0});
    enum Mark : uint8_t
    {
        kNew,
        kOpen,
        kDone
    };
    std::vector<Mark> mark(count, kNew);
    // Panels that reach a loop: the members of one, then whatever places them.
    std::vector<bool> tainted(count, false);
    for (const std::vector<int> &loop : document_find_loops(project)) {
        for (int member : loop) {
            tainted[member] = true;
        }
    }
    // A box holds something when its width and height are not negative.
    auto has_content = [](const ZbxRect &box) { return box.width >= 0 && box.height >= 0; };

    struct Frame
    {
        int panel;
        std::size_t def;
        int64_t min_x, min_y, max_x, max_y;
        bool any;
    };
    auto finish = [&](const Frame &frame) {
        if (!frame.any) {
            return kNothing;
        }
        auto clamp_int = [](int64_t v) {
            return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
        };
        return ZbxRect{clamp_int(frame.min_x), clamp_int(frame.min_y),
                       clamp_int(frame.max_x - frame.min_x), clamp_int(frame.max_y - frame.min_y)};
    };
    auto add = [](Frame &frame, int64_t x, int64_t y, int64_t width, int64_t height) {
        // The union starts from the location area's far corner and its
        // origin, as a panel is laid out over the area.
        frame.min_x = std::min(frame.min_x, x);
        frame.min_y = std::min(frame.min_y, y);
        frame.max_x = std::max(frame.max_x, x + width);
        frame.max_y = std::max(frame.max_y, y + height);
        frame.any = true;
    };
    auto fresh = [](int panel) {
        return Frame{panel, 0, kLocationWidth, kLocationHeight, 0, 0, false};
    };

    for (int root = 0; root < count; root++) {
        if (!is_panel(project, root) || mark[root] != kNew) {
            continue;
        }
        std::vector<Frame> frames{fresh(root)};
        mark[root] = kOpen;
        while (!frames.empty()) {
            Frame &frame = frames.back();
            const std::vector<PanelDef> &defs = project.items[frame.panel].defs;
            if (frame.def < defs.size()) {
                const PanelDef &def = defs[frame.def++];
                const int item = def.item;
                if (item < 0 || item >= count) {
                    continue;
                }
                const ZbxItem &placed = project.items[item];
                if (def.is_object) {
                    if (placed.kind == ZbxItemKind::Object && !placed.record.empty()) {
                        add(frame, def.x, def.y, (placed.record[0] >> 4) * 8,
                            (placed.record[0] & 15) * 8);
                    }
                    continue;
                }
                if (placed.kind != ZbxItemKind::Panel || mark[item] == kOpen) {
                    continue;
                }
                if (mark[item] == kNew) {
                    mark[item] = kOpen;
                    frame.def--; // come back to this placement once the panel is done
                    frames.push_back(fresh(item));
                    continue;
                }
                if (tainted[item]) {
                    tainted[frame.panel] = true;
                }
                const ZbxRect &box = boxes[item];
                if (has_content(box)) {
                    add(frame, int64_t{def.x} + box.x, int64_t{def.y} + box.y, box.width,
                        box.height);
                }
                continue;
            }
            boxes[frame.panel] = finish(frame);
            mark[frame.panel] = kDone;
            frames.pop_back();
        }
    }
    if (exact != nullptr) {
        exact->assign(count, false);
        for (int i = 0; i < count; i++) {
            (*exact)[i] = is_panel(project, i) && !tainted[i];
        }
    }
    return boxes;
}
