// The document: the project's data, its caches, its listeners and its
// history.
#include "items/document.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "items/boxes.h"
#include "items/objects.h"
#include "items/references.h"

namespace {

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

} // namespace

// Every change checks that it belongs to a step, so that it can be undone.
// A change outside any step is a programming error: fatal in builds with
// assertions, recorded as a step of its own otherwise.
class Document::Change
{
  public:
    Change(Document &document, const char *what) : document_(document)
    {
        if (document_.steps_.empty()) {
#ifndef NDEBUG
            g_error("document: %s outside a recorded step", what);
#endif
            implicit_ = true;
            document_.begin_step(what);
        }
    }
    ~Change()
    {
        if (implicit_) {
            document_.end_step();
        }
    }
    Change(const Change &) = delete;
    Change &operator=(const Change &) = delete;

    // Called once the data did change.
    void done()
    {
        document_.changes_++;
    }

  private:
    Document &document_;
    bool implicit_ = false;
};

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

int Document::add_listener(DocListener listener, int order)
{
    const int id = next_listener_++;
    listeners_.emplace(std::make_pair(order, id), std::move(listener));
    return id;
}

void Document::remove_listener(int id)
{
    std::erase_if(listeners_, [id](const auto &entry) { return entry.first.second == id; });
}

void Document::emit(DocChange what, int index, int row, const std::vector<IndexShift> *shifts)
{
    // Listeners may add or remove listeners: tell the ones present now.
    std::vector<std::pair<int, int>> ids;
    for (const auto &entry : listeners_) {
        ids.push_back(entry.first);
    }
    const DocEvent event{what, index, row, shifts};
    for (const auto &id : ids) {
        auto it = listeners_.find(id);
        if (it != listeners_.end()) {
            DocListener listener = it->second;
            listener(event);
        }
    }
}

bool Document::valid_item(int index) const
{
    return index >= 0 && index < item_count();
}

ZbxItemKind Document::item_kind(int index) const
{
    return valid_item(index) ? project_.items[index].kind : ZbxItemKind::Empty;
}

std::span<const PanelDef> Document::panel_defs(int index) const
{
    if (!project_is_panel(project_, index)) {
        return {};
    }
    return project_.items[index].defs;
}

std::span<const uint8_t> Document::object_record(int index) const
{
    if (item_kind(index) != ZbxItemKind::Object) {
        return {};
    }
    return project_.items[index].record;
}

GdkPixbuf *Document::object_image(int index) const
{
    if (item_kind(index) != ZbxItemKind::Object) {
        return nullptr;
    }
    GRef<GdkPixbuf> &image = images_[index];
    if (!image) {
        image = render_record(project_.items[index].record);
    }
    return image.get();
}

bool Document::object_size(int index, int *width, int *height) const
{
    std::span<const uint8_t> record = object_record(index);
    if (record.empty()) {
        return false;
    }
    *width = (record[0] >> 4) * 8;
    *height = (record[0] & 15) * 8;
    return true;
}

bool Document::panel_box(int index, ZbxRect *box) const
{
    if (!project_is_panel(project_, index)) {
        return false;
    }
    *box = boxes_[index];
    return true;
}

bool Document::panel_box_exact(int index, ZbxRect *box) const
{
    return panel_box(index, box) && boxes_exact_[index];
}

ZbxLocationRecord Document::location(int number) const
{
    if (number < 0 || number >= kLocationCount) {
        return {};
    }
    return project_.locations[number];
}

int Document::count_objects() const
{
    return static_cast<int>(
        std::count_if(project_.items.begin(), project_.items.end(),
                      [](const ZbxItem &item) { return item.kind == ZbxItemKind::Object; }));
}

int Document::count_panels() const
{
    return static_cast<int>(
        std::count_if(project_.items.begin(), project_.items.end(),
                      [](const ZbxItem &item) { return item.kind == ZbxItemKind::Panel; }));
}

int Document::preview_colour(int panel) const
{
    return project_is_panel(project_, panel) ? preview_[panel] : 0;
}

void Document::refresh_boxes()
{
    PanelBoxes computed = boxes_compute(project_);
    boxes_ = std::move(computed.boxes);
    boxes_exact_ = std::move(computed.exact);
}

Document::Snapshot Document::take_snapshot() const
{
    Frozen state = frozen();
    return Snapshot{std::move(state.items), state.locations, images_, std::move(state.preview),
                    open_};
}

Document::Frozen Document::frozen() const
{
    frozen_.resize(project_.items.size());
    for (size_t i = 0; i < frozen_.size(); i++) {
        if (!frozen_[i]) {
            frozen_[i] = std::make_shared<const ZbxItem>(project_.items[i]);
        }
    }
    return Frozen{frozen_, project_.locations, preview_};
}

void Document::thaw(int index)
{
    if (index >= 0 && index < static_cast<int>(frozen_.size())) {
        frozen_[index].reset();
    }
}

void Document::restore_snapshot(Snapshot snapshot, const std::vector<IndexShift> &shifts)
{
    // The preview colours are a view setting: an item that is still there
    // keeps the colour it has now; one that comes back, the colour it had.
    std::vector<uint8_t> preview = std::move(snapshot.preview);
    preview.resize(snapshot.items.size(), 0);
    const DocEvent travel{DocChange::Reset, -1, -1, &shifts};
    for (int now = 0; now < item_count(); now++) {
        const int then = document_follow_index(travel, now);
        if (then >= 0 && then < static_cast<int>(preview.size())) {
            preview[then] = preview_[now];
        }
    }
    // An item the snapshot shares with the present is moved over; only the
    // ones that differ are copied.
    std::unordered_map<const ZbxItem *, size_t> present;
    for (size_t i = 0; i < frozen_.size() && i < project_.items.size(); i++) {
        if (frozen_[i]) {
            present.emplace(frozen_[i].get(), i);
        }
    }
    std::vector<ZbxItem> items(snapshot.items.size());
    for (size_t i = 0; i < items.size(); i++) {
        auto found = present.find(snapshot.items[i].get());
        if (found != present.end()) {
            items[i] = std::move(project_.items[found->second]);
            present.erase(found);
        } else {
            items[i] = *snapshot.items[i];
        }
    }
    project_.items = std::move(items);
    project_.locations = snapshot.locations;
    frozen_ = std::move(snapshot.items);
    images_ = std::move(snapshot.images);
    preview_ = std::move(preview);
    open_ = snapshot.open;
    refresh_boxes();
}

namespace {

size_t item_bytes(const ZbxItem &item)
{
    return sizeof(ZbxItem) + item.record.capacity() + item.defs.capacity() * sizeof(PanelDef);
}

} // namespace

size_t Document::history_bytes() const
{
    std::unordered_map<const ZbxItem *, size_t> seen;
    for (const FrozenItem &item : frozen_) {
        seen.emplace(item.get(), 0);
    }
    size_t total = 0;
    auto count = [&](const HistoryEntry &entry) {
        for (const FrozenItem &item : entry.state.items) {
            if (seen.emplace(item.get(), 0).second) {
                total += item_bytes(*item);
            }
        }
    };
    std::for_each(undo_.begin(), undo_.end(), count);
    std::for_each(redo_.begin(), redo_.end(), count);
    return total;
}

void Document::set_history_limit(size_t bytes)
{
    history_limit_ = bytes;
    trim_history();
}

// Drops the oldest steps while the history holds more than its bound
// apart from the present (the newest step stays, whatever its size).
void Document::trim_history()
{
    // How many entries hold each item the present does not.
    std::unordered_map<const ZbxItem *, int> holders;
    for (const FrozenItem &item : frozen_) {
        holders.emplace(item.get(), -1);
    }
    size_t total = 0;
    auto add = [&](const HistoryEntry &entry) {
        for (const FrozenItem &item : entry.state.items) {
            int &n = holders.emplace(item.get(), 0).first->second;
            if (n >= 0 && n++ == 0) {
                total += item_bytes(*item);
            }
        }
    };
    std::for_each(undo_.begin(), undo_.end(), add);
    std::for_each(redo_.begin(), redo_.end(), add);
    bool dropped = false;
    while (total > history_limit_ && undo_.size() > 1) {
        for (const FrozenItem &item : undo_.front().state.items) {
            int &n = holders[item.get()];
            if (n > 0 && --n == 0) {
                total -= item_bytes(*item);
            }
        }
        undo_.pop_front();
        dropped = true;
    }
    if (dropped) {
        history_trimmed_ = true;
        emit(DocChange::HistoryChanged);
    }
}

void Document::reset_history()
{
    undo_.clear();
    redo_.clear();
    history_trimmed_ = false;
    version_ = saved_version_ = next_version_++;
    emit(DocChange::Reset);
    emit(DocChange::HistoryChanged);
}

void Document::load(ZbxProject project, History history)
{
    if (project.items.size() > static_cast<size_t>(kMaxItems)) {
        project.items.resize(kMaxItems);
    }
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
    project_ = std::move(project);
    for (ZbxItem &item : project_.items) {
        for (PanelDef &def : item.defs) {
            def = normalised(def);
        }
    }
    preview_.assign(project_.items.size(), 0);
    for (const ZbxLocationRecord &location : project_.locations) {
        if (project_is_panel(project_, location.panel)) {
            preview_[location.panel] = location.colour;
        }
    }
    // The images are drawn when first asked for: a command that only reads
    // or composes the data never needs them.
    images_.assign(project_.items.size(), {});
    frozen_.assign(project_.items.size(), {});
    if (history == History::Ready) {
        frozen();
    }
    open_ = true;
    refresh_boxes();
    reset_history();
}

void Document::new_project()
{
    load(ZbxProject{});
}

void Document::close()
{
    project_ = ZbxProject{};
    images_.clear();
    frozen_.clear();
    boxes_.clear();
    boxes_exact_.clear();
    preview_.clear();
    open_ = false;
    reset_history();
}

void Document::begin_step(const char *name)
{
    if (steps_.empty()) {
        step_name_ = name != nullptr ? name : "";
        step_shifts_.clear();
        size_refusal_.clear();
    }
    steps_.push_back(OpenStep{take_snapshot(), version_, step_shifts_.size(), changes_});
}

void Document::end_step()
{
    if (steps_.empty()) {
        return;
    }
    OpenStep step = std::move(steps_.back());
    steps_.pop_back();
    if (!steps_.empty()) {
        return;
    }
    if (changes_ == step.changes) {
        return;
    }
    undo_.push_back(HistoryEntry{std::move(step_name_), std::move(step.before), step.version,
                                 std::move(step_shifts_)});
    while (undo_.size() > kDocumentHistorySteps) {
        undo_.pop_front();
    }
    redo_.clear();
    version_ = next_version_++;
    emit(DocChange::HistoryChanged);
    trim_history();
}

void Document::roll_back_step()
{
    if (steps_.empty()) {
        return;
    }
    OpenStep &step = steps_.back();
    if (changes_ == step.changes) {
        return;
    }
    // The items the step inserted and deleted, taken back in reverse.
    std::vector<IndexShift> back;
    for (size_t i = step_shifts_.size(); i > step.shifts; i--) {
        back.push_back({step_shifts_[i - 1].index, -step_shifts_[i - 1].delta});
    }
    step_shifts_.resize(step.shifts);
    restore_snapshot(step.before, back);
    changes_ = step.changes;
    emit(DocChange::Reset, -1, -1, &back);
}

// Whether a change that makes the data `growth` bytes longer may be made:
// not when it takes the file past its limit.
bool Document::fits(long growth)
{
    if (growth <= 0) {
        return true;
    }
    const ProjectSize after = project_size_at(project_data_end(project_) + growth);
    if (!after.over()) {
        return true;
    }
    size_refusal_ = step_name_ + " refused: the file would take " +
                    project_format_count(after.bytes) + " bytes, above the limit of " +
                    project_format_count(after.limit) + " bytes";
    return false;
}

int Document::append_item(ZbxItem item, GRef<GdkPixbuf> image, const char *what)
{
    Change change(*this, what);
    project_.items.push_back(std::move(item));
    images_.push_back(std::move(image));
    preview_.push_back(0);
    frozen_.resize(project_.items.size());
    refresh_boxes();
    change.done();
    const int index = item_count() - 1;
    step_shifts_.push_back({index, +1});
    emit(DocChange::ItemInserted, index);
    return index;
}

int Document::append_object(std::span<const uint8_t> record)
{
    if (!open_ || item_count() >= kMaxItems) {
        return -1;
    }
    GRef<GdkPixbuf> image = render_record(record);
    if (!image || !fits(2 + static_cast<long>(record.size()))) {
        return -1;
    }
    ZbxItem item;
    item.kind = ZbxItemKind::Object;
    item.record.assign(record.begin(), record.end());
    return append_item(std::move(item), std::move(image), "append object");
}

int Document::append_panel()
{
    if (!open_ || item_count() >= kMaxItems || !fits(2 + 1)) {
        return -1;
    }
    ZbxItem item;
    item.kind = ZbxItemKind::Panel;
    return append_item(std::move(item), {}, "append panel");
}

bool Document::delete_item(int n)
{
    if (!valid_item(n)) {
        return false;
    }
    Change change(*this, "delete item");
    // The items whose references moved changed; the rest keep their frozen
    // copies.
    std::vector<FrozenItem> before = std::move(frozen_);
    before.resize(project_.items.size());
    references_remove_item(project_, n);
    frozen_.assign(project_.items.size(), {});
    for (size_t i = 0; i < frozen_.size(); i++) {
        const FrozenItem &was = before[i < static_cast<size_t>(n) ? i : i + 1];
        if (was && *was == project_.items[i]) {
            frozen_[i] = was;
        }
    }
    images_.erase(images_.begin() + n);
    preview_.erase(preview_.begin() + n);
    refresh_boxes();
    change.done();
    step_shifts_.push_back({n, -1});
    emit(DocChange::ItemDeleted, n);
    return true;
}

bool Document::replace_object(int n, std::span<const uint8_t> record)
{
    if (item_kind(n) != ZbxItemKind::Object) {
        return false;
    }
    GRef<GdkPixbuf> image = render_record(record);
    if (!image) {
        return false;
    }
    Change change(*this, "replace object");
    std::vector<uint8_t> &stored = project_.items[n].record;
    if (std::equal(stored.begin(), stored.end(), record.begin(), record.end())) {
        return true;
    }
    if (!fits(static_cast<long>(record.size()) - static_cast<long>(stored.size()))) {
        return false;
    }
    stored.assign(record.begin(), record.end());
    images_[n] = std::move(image);
    thaw(n);
    refresh_boxes();
    change.done();
    const std::vector<IndexShift> none;
    emit(DocChange::Reset, -1, -1, &none);
    return true;
}

bool Document::set_location(int number, ZbxLocationRecord record)
{
    if (!open_ || number < 0 || number >= kLocationCount) {
        return false;
    }
    if (record.panel != kNoPanel && !project_is_panel(project_, record.panel)) {
        return false;
    }
    Change change(*this, "set location");
    if (project_.locations[number] == record) {
        return true;
    }
    project_.locations[number] = record;
    change.done();
    emit(DocChange::LocationChanged, number);
    return true;
}

void Document::defs_changed(int panel, DocChange what, int row)
{
    refresh_boxes();
    emit(what, panel, row);
}

// A definition as the document keeps it: a placement of a panel carries no
// mirror and no overrides.
PanelDef Document::normalised(PanelDef def) const
{
    def.is_object = item_kind(def.item) == ZbxItemKind::Object;
    if (!def.is_object) {
        def.mirror = false;
        def.has_overrides = false;
        def.override_count = 0;
        def.overrides[0] = def.overrides[1] = def.overrides[2] = 0;
    }
    return def;
}

bool Document::set_defs(int panel, std::vector<PanelDef> defs)
{
    if (!project_is_panel(project_, panel)) {
        return false;
    }
    Change change(*this, "set definitions");
    for (PanelDef &def : defs) {
        def = normalised(def);
    }
    if (project_.items[panel].defs == defs) {
        return true;
    }
    if (!fits(static_cast<long>(project_def_list_size(defs)) -
              static_cast<long>(project_def_list_size(project_.items[panel].defs)))) {
        return false;
    }
    project_.items[panel].defs = std::move(defs);
    thaw(panel);
    change.done();
    defs_changed(panel, DocChange::DefsReplaced, -1);
    return true;
}

bool Document::insert_def(int panel, int row, const PanelDef &def)
{
    if (!project_is_panel(project_, panel)) {
        return false;
    }
    std::vector<PanelDef> &defs = project_.items[panel].defs;
    if (row < 0 || row > static_cast<int>(defs.size())) {
        return false;
    }
    Change change(*this, "insert definition");
    const PanelDef value = normalised(def);
    if (!fits(static_cast<long>(project_def_size(value)))) {
        return false;
    }
    defs.insert(defs.begin() + row, value);
    thaw(panel);
    change.done();
    defs_changed(panel, DocChange::DefInserted, row);
    return true;
}

bool Document::remove_def(int panel, int row)
{
    if (row < 0 || row >= static_cast<int>(panel_defs(panel).size())) {
        return false;
    }
    Change change(*this, "remove definition");
    std::vector<PanelDef> &list = project_.items[panel].defs;
    list.erase(list.begin() + row);
    thaw(panel);
    change.done();
    defs_changed(panel, DocChange::DefRemoved, row);
    return true;
}

bool Document::set_def(int panel, int row, const PanelDef &def)
{
    if (row < 0 || row >= static_cast<int>(panel_defs(panel).size())) {
        return false;
    }
    Change change(*this, "change definition");
    const PanelDef value = normalised(def);
    PanelDef &stored = project_.items[panel].defs[row];
    if (stored == value) {
        return true;
    }
    if (!fits(static_cast<long>(project_def_size(value)) -
              static_cast<long>(project_def_size(stored)))) {
        return false;
    }
    stored = value;
    thaw(panel);
    change.done();
    defs_changed(panel, DocChange::DefChanged, row);
    return true;
}

bool Document::move_def(int panel, int from, int to)
{
    const int size = static_cast<int>(panel_defs(panel).size());
    if (from < 0 || from >= size || to < 0 || to >= size) {
        return false;
    }
    if (from == to) {
        return true;
    }
    Change change(*this, "move definition");
    std::vector<PanelDef> &list = project_.items[panel].defs;
    const PanelDef def = list[from];
    list.erase(list.begin() + from);
    thaw(panel);
    change.done();
    emit(DocChange::DefRemoved, panel, from);
    list.insert(list.begin() + to, def);
    defs_changed(panel, DocChange::DefInserted, to);
    return true;
}

bool Document::set_preview_colour(int panel, int colour)
{
    if (!project_is_panel(project_, panel)) {
        return false;
    }
    const auto value = static_cast<uint8_t>(colour & 15);
    if (preview_[panel] != value) {
        preview_[panel] = value;
        emit(DocChange::PreviewChanged, panel);
    }
    return true;
}

bool Document::can_undo() const
{
    return !undo_.empty() && steps_.empty();
}

bool Document::can_redo() const
{
    return !redo_.empty() && steps_.empty();
}

const char *Document::undo_name() const
{
    return undo_.empty() ? "" : undo_.back().name.c_str();
}

const char *Document::redo_name() const
{
    return redo_.empty() ? "" : redo_.back().name.c_str();
}

// Takes the newest entry of `from` back to the state it holds, keeping the
// present state as the newest entry of `to`. Undoing, the step's inserts
// and deletes run backwards; redoing, forwards.
template <typename From, typename To> void Document::travel(From &from, To &to, bool backwards)
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
    to.push_back(HistoryEntry{entry.name, take_snapshot(), version_, entry.shifts});
    restore_snapshot(std::move(entry.state), shifts);
    version_ = entry.version;
    emit(DocChange::Reset, -1, -1, &shifts);
    emit(DocChange::HistoryChanged);
}

bool Document::undo()
{
    if (!can_undo()) {
        return false;
    }
    travel(undo_, redo_, true);
    return true;
}

bool Document::redo()
{
    if (!can_redo()) {
        return false;
    }
    travel(redo_, undo_, false);
    return true;
}

void Document::mark_saved()
{
    saved_version_ = version_;
    emit(DocChange::HistoryChanged);
}

void Document::mark_unsaved()
{
    // No version is ever negative.
    saved_version_ = -1;
    emit(DocChange::HistoryChanged);
}

bool Document::would_loop(int parent, int child) const
{
    return references_would_loop(project_, parent, child);
}

bool Document::has_loop() const
{
    return !references_find_loops(project_).empty();
}
