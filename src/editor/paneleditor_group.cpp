// The panel editor's selection of many placements and what acts on it as a
// whole: selecting by toggle, range, rubber band and all, the left button,
// pasting, duplicating, dropping, deleting, drawing order and flags.
#include <algorithm>
#include <numeric>

#include "base/error.h"
#include "editor/paneleditor.h"
#include "files/placements_clip.h"
#include "files/zembrix_format.h"

namespace {

int cell_of(int pixels)
{
    // Downwards, also left of and above the area.
    return pixels >> 3;
}

// The nearest position to pos (whole cells) that the project file holds.
int held_position(bool horizontal, int pos)
{
    const int low = -112;
    const int high = horizontal ? 392 : 136;
    return std::clamp(cell_of(pos) * kEditorCell, low, high);
}

} // namespace

std::string paneleditor_step_name(int n, const char *one, const char *many)
{
    if (n == 1) {
        return one;
    }
    GCharPtr text(g_strdup_printf(many, n));
    return text.get();
}

// --- Selection ---

bool PanelEditor::is_selected(int row) const
{
    return std::binary_search(rows_.begin(), rows_.end(), row);
}

std::vector<PanelDef> PanelEditor::selected_defs() const
{
    std::vector<PanelDef> list;
    for (int row : rows_) {
        list.push_back(defs()[row]);
    }
    return list;
}

void PanelEditor::select_row(int row)
{
    rows_.clear();
    anchor_ = row >= 0 && row < row_count() ? row : -1;
    if (anchor_ >= 0) {
        rows_.push_back(row);
    }
}

void PanelEditor::set_selection(std::vector<int> rows, int anchor)
{
    const int count = row_count();
    std::erase_if(rows, [count](int row) { return row < 0 || row >= count; });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows_ = std::move(rows);
    anchor_ = anchor >= 0 && anchor < count ? anchor : -1;
}

void PanelEditor::toggle_row(int row)
{
    if (row < 0 || row >= row_count()) {
        return;
    }
    click_depth_ = -1;
    anchor_ = row;
    if (is_selected(row)) {
        std::erase(rows_, row);
    } else {
        rows_.insert(std::upper_bound(rows_.begin(), rows_.end(), row), row);
    }
}

void PanelEditor::extend_to(int row, bool add)
{
    if (row < 0 || row >= row_count()) {
        return;
    }
    click_depth_ = -1;
    if (anchor_ < 0) {
        select_row(row);
        return;
    }
    std::vector<int> rows = add ? rows_ : std::vector<int>{};
    for (int r = std::min(anchor_, row); r <= std::max(anchor_, row); r++) {
        rows.push_back(r);
    }
    set_selection(std::move(rows), anchor_);
}

void PanelEditor::select_all()
{
    rows_.resize(row_count());
    std::iota(rows_.begin(), rows_.end(), 0);
    anchor_ = rows_.empty() ? -1 : 0;
    click_depth_ = -1;
}

void PanelEditor::select_touching(ZbxRect rect, const std::vector<int> &base)
{
    std::vector<int> rows = base;
    const std::span<const PanelDef> list = defs();
    for (int r = 0; r < static_cast<int>(list.size()); r++) {
        ZbxRect b{};
        if (def_box(list[r], &b) && b.x < rect.x + rect.width && rect.x < b.x + b.width &&
            b.y < rect.y + rect.height && rect.y < b.y + b.height) {
            rows.push_back(r);
        }
    }
    set_selection(std::move(rows), anchor_);
}

int PanelEditor::row_at(int x, int y) const
{
    const std::span<const PanelDef> list = defs();
    const int n = static_cast<int>(list.size());
    for (int k = 0; k < n; k++) {
        const int r = reverse_click_ ? n - 1 - k : k;
        if (hits(list[r], x, y)) {
            return r;
        }
    }
    return -1;
}

// --- The left button ---

void PanelEditor::press(int x, int y, bool toggle, bool extend)
{
    end_drag();
    gesture_ = Gesture::None;
    press_x_ = band_x_ = x;
    press_y_ = band_y_ = y;
    press_toggle_ = toggle;
    if (toggle && !extend) {
        toggle_row(row_at(x, y));
        return;
    }
    bool on_selection = false;
    for (int row : rows_) {
        on_selection = on_selection || hits(defs()[row], x, y);
    }
    band_base_ = extend ? rows_ : std::vector<int>{};
    if (on_selection) {
        gesture_ = extend ? Gesture::Extend : Gesture::Click;
        return;
    }
    if (extend) {
        gesture_ = Gesture::Extend;
        return;
    }
    click_at(x, y);
    gesture_ = Gesture::Clicked;
}

bool PanelEditor::pointer_to(int x, int y)
{
    const bool waiting =
        gesture_ == Gesture::Click || gesture_ == Gesture::Extend || gesture_ == Gesture::Clicked;
    if (waiting && cell_of(x) == cell_of(press_x_) && cell_of(y) == cell_of(press_y_)) {
        return false;
    }
    if (waiting) {
        bool on_selection = false;
        for (int row : rows_) {
            on_selection = on_selection || hits(defs()[row], press_x_, press_y_);
        }
        if (gesture_ != Gesture::Clicked && on_selection) {
            gesture_ = Gesture::Drag;
            drag_to(press_x_, press_y_);
        } else {
            gesture_ = Gesture::Band;
        }
        click_depth_ = -1;
    }
    if (gesture_ == Gesture::Drag) {
        return drag_to(x, y);
    }
    if (gesture_ != Gesture::Band) {
        return false;
    }
    band_x_ = x;
    band_y_ = y;
    select_touching(*band(), band_base_);
    return true;
}

void PanelEditor::release()
{
    switch (gesture_) {
    case Gesture::Click:
        click_at(press_x_, press_y_);
        break;
    case Gesture::Extend:
        extend_to(row_at(press_x_, press_y_), press_toggle_);
        break;
    case Gesture::Drag:
        end_drag();
        break;
    default:
        break;
    }
    gesture_ = Gesture::None;
}

std::optional<ZbxRect> PanelEditor::band() const
{
    if (gesture_ != Gesture::Band) {
        return std::nullopt;
    }
    // Both corners inside: the pixels the pointer was on count.
    return ZbxRect{std::min(press_x_, band_x_), std::min(press_y_, band_y_),
                   std::abs(band_x_ - press_x_) + 1, std::abs(band_y_ - press_y_) + 1};
}

// --- Changes of many ---

bool PanelEditor::commit(const std::string &name, std::vector<PanelDef> list,
                         std::vector<int> selection, GError **error)
{
    const std::span<const PanelDef> old = defs();
    int changed_row = -1;
    int changes = 0;
    if (list.size() == old.size()) {
        for (size_t r = 0; r < list.size(); r++) {
            if (!(list[r] == old[r])) {
                changed_row = static_cast<int>(r);
                changes++;
            }
        }
    }
    click_depth_ = -1;
    bool done = false;
    {
        DocumentStep step(document_, name);
        pending_ = selection;
        // One placement changed in place is reported as that alone.
        done = changes == 1 ? document_.set_def(panel_, changed_row, list[changed_row])
                            : document_.set_defs(panel_, std::move(list));
        pending_.reset();
        if (!done) {
            step.fail(error);
        }
    }
    if (done) {
        const int anchor = selection.empty() ? -1 : selection.front();
        set_selection(std::move(selection), anchor);
    }
    return done;
}

bool PanelEditor::group_box(std::span<const PanelDef> placements, ZbxRect *box) const
{
    bool any = false;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (const PanelDef &def : placements) {
        ZbxRect b{};
        if (!def_box(def, &b)) {
            continue;
        }
        x0 = any ? std::min(x0, b.x) : b.x;
        y0 = any ? std::min(y0, b.y) : b.y;
        x1 = any ? std::max(x1, b.x + b.width) : b.x + b.width;
        y1 = any ? std::max(y1, b.y + b.height) : b.y + b.height;
        any = true;
    }
    *box = {x0, y0, x1 - x0, y1 - y0};
    return any;
}

void PanelEditor::shift_group(std::vector<PanelDef> &placements, int dx, int dy) const
{
    for (const PanelDef &def : placements) {
        ZbxRect box{};
        if (!def_box(def, &box)) {
            // Covers nothing: only the file's range limits it.
            box = {def.x, def.y, 1, 1};
        }
        if (dx != 0 && !paneleditor_axis_move_allowed(true, def.x, box.x, box.width, dx)) {
            dx = 0;
        }
        if (dy != 0 && !paneleditor_axis_move_allowed(false, def.y, box.y, box.height, dy)) {
            dy = 0;
        }
    }
    for (PanelDef &def : placements) {
        def.x += dx;
        def.y += dy;
    }
}

bool PanelEditor::insert_group(std::vector<PanelDef> placements, const std::string &name,
                               GError **error)
{
    if (panel_ < 0 || placements.empty()) {
        return false;
    }
    if (!placements_clip_check(document_.project(), placements, error)) {
        return false;
    }
    for (const PanelDef &def : placements) {
        if (!def.is_object && document_.would_loop(panel_, def.item)) {
            zbx_set_error(error, ZbxError::Loop, kLoopMessage);
            return false;
        }
    }
    const int at = insert_row();
    std::vector<PanelDef> list(defs().begin(), defs().end());
    list.insert(list.begin() + at, placements.begin(), placements.end());
    std::vector<int> selection(placements.size());
    std::iota(selection.begin(), selection.end(), at);
    return commit(name, std::move(list), std::move(selection), error);
}

bool PanelEditor::paste(std::span<const PanelDef> placements, std::optional<EditorPoint> at,
                        GError **error)
{
    std::vector<PanelDef> pasted(placements.begin(), placements.end());
    GErrorPtr refused;
    if (panel_ < 0 || !placements_clip_check(document_.project(), pasted, refused.out())) {
        g_propagate_error(error, refused.release());
        return false;
    }
    ZbxRect box{};
    if (at && group_box(pasted, &box)) {
        shift_group(pasted, cell_of(at->x) * kEditorCell - box.x,
                    cell_of(at->y) * kEditorCell - box.y);
    }
    const int n = static_cast<int>(pasted.size());
    return insert_group(std::move(pasted),
                        paneleditor_step_name(n, "Paste placement", "Paste %d placements"), error);
}

bool PanelEditor::duplicate(GError **error)
{
    std::vector<PanelDef> copies = selected_defs();
    shift_group(copies, kEditorCell, kEditorCell);
    const int n = static_cast<int>(copies.size());
    return insert_group(std::move(copies),
                        paneleditor_step_name(n, "Duplicate placement", "Duplicate %d placements"),
                        error);
}

bool PanelEditor::clone_group(GError **error)
{
    std::vector<PanelDef> clones = selected_defs();
    ZbxRect box{};
    if (clones.empty() || !group_box(clones, &box)) {
        return false;
    }
    int x = 0;
    int y = 0;
    paneleditor_insert_position(box.width, box.height, &box, &x, &y);
    shift_group(clones, x - box.x, y - box.y);
    for (PanelDef &def : clones) {
        def.enabled = true;
    }
    const int n = static_cast<int>(clones.size());
    return insert_group(std::move(clones),
                        paneleditor_step_name(n, "Clone placement", "Clone %d placements"), error);
}

bool PanelEditor::drop(bool is_object, int item, int x, int y, GError **error)
{
    PanelDef def;
    def.item = item;
    def.is_object = is_object;
    // The top-left of what it draws: a panel's box starts off its origin.
    ZbxRect content{};
    if (!is_object && document_.panel_box(item, &content) && content.width > 0) {
        x -= content.x;
        y -= content.y;
    }
    def.x = held_position(true, x);
    def.y = held_position(false, y);
    return insert_group({def}, "Drop placement", error);
}

bool PanelEditor::delete_rows(const std::string &name)
{
    if (rows_.empty()) {
        return false;
    }
    std::vector<PanelDef> list;
    for (int r = 0; r < row_count(); r++) {
        if (!is_selected(r)) {
            list.push_back(defs()[r]);
        }
    }
    // The placement that followed the last one deleted.
    const int follower = rows_.back() + 1 - static_cast<int>(rows_.size());
    std::vector<int> selection;
    if (follower < static_cast<int>(list.size())) {
        selection.push_back(follower);
    }
    return commit(name, std::move(list), std::move(selection));
}

bool PanelEditor::delete_selected()
{
    return delete_rows(paneleditor_step_name(static_cast<int>(rows_.size()), "Delete placement",
                                             "Delete %d placements"));
}

bool PanelEditor::cut()
{
    return delete_rows(paneleditor_step_name(static_cast<int>(rows_.size()), "Cut placement",
                                             "Cut %d placements"));
}

bool PanelEditor::delete_with_confirmation(const std::function<DeleteAnswer()> &ask)
{
    if (rows_.empty()) {
        return false;
    }
    if (!stop_asking_) {
        switch (ask()) {
        case DeleteAnswer::YesForAll:
            stop_asking_ = true;
            break;
        case DeleteAnswer::Yes:
            break;
        case DeleteAnswer::No:
            return false;
        }
    }
    return delete_selected();
}

// --- Drawing order ---

// The placements in `order` (old rows), the selection following them.
bool PanelEditor::reorder(std::vector<int> order, const std::string &name)
{
    click_depth_ = -1;
    std::vector<PanelDef> list;
    std::vector<int> selection;
    bool moved = false;
    for (int r = 0; r < static_cast<int>(order.size()); r++) {
        list.push_back(defs()[order[r]]);
        moved = moved || order[r] != r;
        if (is_selected(order[r])) {
            selection.push_back(r);
        }
    }
    return moved && commit(name, std::move(list), std::move(selection));
}

bool PanelEditor::bring_to_front()
{
    std::vector<int> order;
    for (int pass = 0; pass < 2; pass++) {
        for (int r = 0; r < row_count(); r++) {
            if (is_selected(r) == (pass == 1)) {
                order.push_back(r);
            }
        }
    }
    return reorder(order,
                   paneleditor_step_name(static_cast<int>(rows_.size()), "Bring placement to front",
                                         "Bring %d placements to front"));
}

bool PanelEditor::move_to_back()
{
    std::vector<int> order;
    for (int pass = 0; pass < 2; pass++) {
        for (int r = 0; r < row_count(); r++) {
            if (is_selected(r) == (pass == 0)) {
                order.push_back(r);
            }
        }
    }
    return reorder(order,
                   paneleditor_step_name(static_cast<int>(rows_.size()), "Move placement to back",
                                         "Move %d placements to back"));
}

bool PanelEditor::move_closer()
{
    // From the front: each selected placement passes the one in front of it
    // unless that one is selected too (and stays).
    std::vector<int> order(row_count());
    std::iota(order.begin(), order.end(), 0);
    for (int r = row_count() - 2; r >= 0; r--) {
        if (is_selected(order[r]) && !is_selected(order[r + 1])) {
            std::swap(order[r], order[r + 1]);
        }
    }
    return reorder(order,
                   paneleditor_step_name(static_cast<int>(rows_.size()), "Move placement closer",
                                         "Move %d placements closer"));
}

bool PanelEditor::move_farther()
{
    std::vector<int> order(row_count());
    std::iota(order.begin(), order.end(), 0);
    for (int r = 1; r < row_count(); r++) {
        if (is_selected(order[r]) && !is_selected(order[r - 1])) {
            std::swap(order[r], order[r - 1]);
        }
    }
    return reorder(order,
                   paneleditor_step_name(static_cast<int>(rows_.size()), "Move placement farther",
                                         "Move %d placements farther"));
}

// --- Flags ---

bool PanelEditor::toggle_selection(int row, EditorFlag flag, GError **error)
{
    const PanelDef &clicked = defs()[row];
    if (flag != EditorFlag::Enabled && !clicked.is_object) {
        return false;
    }
    std::vector<PanelDef> list(defs().begin(), defs().end());
    int n = 0;
    bool on = false;
    for (int r : rows_) {
        PanelDef &def = list[r];
        switch (flag) {
        case EditorFlag::Enabled:
            on = !clicked.enabled;
            def.enabled = on;
            break;
        case EditorFlag::Mirror:
            on = !clicked.mirror;
            def.mirror = def.is_object ? on : def.mirror;
            break;
        case EditorFlag::Overrides:
            on = !clicked.has_overrides;
            def.has_overrides = def.is_object ? on : def.has_overrides;
            break;
        }
        n += flag == EditorFlag::Enabled || def.is_object ? 1 : 0;
    }
    // Off and on, for one placement and for several.
    const char *names[][4] = {
        {"Disable placement", "Enable placement", "Disable %d placements", "Enable %d placements"},
        {"Unmirror placement", "Mirror placement", "Unmirror %d placements",
         "Mirror %d placements"},
        {"Drop colour overrides", "Use colour overrides", "Drop colour overrides of %d placements",
         "Use colour overrides in %d placements"}};
    const char *const *name = names[static_cast<int>(flag)];
    return commit(paneleditor_step_name(n, name[on ? 1 : 0], name[on ? 3 : 2]), std::move(list),
                  rows_, error);
}
