#include "editor/paneleditor.h"

#include <algorithm>
#include <glib.h>

#include "base/gref.h"
#include "c64/palette.h"
#include "editor/placement.h"
#include "files/zembrix_format.h"
#include "render/canvas.h"
#include "render/render.h"

namespace {

int snap(int pixels)
{
    // Towards zero, as the file's positions.
    return pixels / kEditorCell * kEditorCell;
}

bool file_holds(bool horizontal, int pos)
{
    int sx = 0;
    int sy = 0;
    zembrix_stored_position(horizontal ? pos : 0, horizontal ? 0 : pos, &sx, &sy);
    return (horizontal ? sx : sy) == pos;
}

// Count and bytes into an object placement; a count above 0 also switches
// its overrides on, a count of 0 leaves that flag alone.
void store_overrides(PanelDef &def, int count, const int overrides[3])
{
    def.override_count = std::clamp(count, 0, 3);
    std::copy(overrides, overrides + 3, def.overrides);
    if (def.override_count > 0) {
        def.has_overrides = true;
    }
}

} // namespace

PanelEditor::PanelEditor(Document &document) : document_(document)
{
    listener_ = document_.add_listener([this](const DocEvent &event) { follow(event); });
}

PanelEditor::~PanelEditor()
{
    end_drag();
    document_.remove_listener(listener_);
}

const PanelDef *PanelEditor::selected() const
{
    return rows_.size() == 1 && rows_[0] < row_count() ? &defs()[rows_[0]] : nullptr;
}

// Keeps the panel and the selection on the same placements as the document
// changes underneath (undo, redo, other windows); an operation's own change
// brings the selection it chose.
void PanelEditor::follow(const DocEvent &event)
{
    if (panel_ < 0) {
        return;
    }
    const bool ours = event.index == panel_;
    switch (event.what) {
    case DocChange::DefInserted:
        if (ours) {
            for (int &row : rows_) {
                row += row >= event.row ? 1 : 0;
            }
            anchor_ += anchor_ >= event.row ? 1 : 0;
        }
        break;
    case DocChange::DefRemoved:
        if (ours) {
            std::erase(rows_, event.row);
            for (int &row : rows_) {
                row -= row > event.row ? 1 : 0;
            }
            anchor_ = anchor_ == event.row ? -1 : anchor_ - (anchor_ > event.row ? 1 : 0);
        }
        break;
    case DocChange::ItemInserted:
    case DocChange::ItemDeleted:
    case DocChange::Reset:
        panel_ = document_follow_index(event, panel_);
        if (document_.item_kind(panel_) != ZbxItemKind::Panel) {
            panel_ = -1;
        }
        break;
    default:
        break;
    }
    const bool defs_changed =
        event.what == DocChange::DefInserted || event.what == DocChange::DefRemoved ||
        event.what == DocChange::DefChanged || event.what == DocChange::DefsReplaced;
    if (pending_ && ours && defs_changed) {
        rows_ = *pending_;
        anchor_ = rows_.empty() ? -1 : rows_.front();
    }
    const int count = row_count();
    std::erase_if(rows_, [count](int row) { return row >= count; });
    if (anchor_ >= count) {
        anchor_ = -1;
    }
    if (event.what != DocChange::HistoryChanged && event.what != DocChange::PreviewChanged) {
        click_depth_ = -1;
    }
}

void PanelEditor::open(int panel, int colour)
{
    reset();
    panel_ = document_.item_kind(panel) == ZbxItemKind::Panel ? panel : -1;
    background_ = colour;
}

void PanelEditor::reset()
{
    end_override_preview();
    end_drag();
    gesture_ = Gesture::None;
    click_depth_ = -1;
    rows_.clear();
    anchor_ = -1;
}

int PanelEditor::selected_row() const
{
    return selected() != nullptr ? rows_[0] : -1;
}

int PanelEditor::selected_item() const
{
    const PanelDef *def = selected();
    return def != nullptr ? def->item : -1;
}

bool PanelEditor::selected_object_def(PanelDef *def) const
{
    const PanelDef *sel = selected();
    if (sel == nullptr || !sel->is_object) {
        return false;
    }
    *def = *sel;
    return true;
}

bool PanelEditor::def_box(const PanelDef &def, ZbxRect *box) const
{
    return placement_box(document_, def, box);
}

bool PanelEditor::hits(const PanelDef &def, int x, int y) const
{
    ZbxRect b{};
    return def_box(def, &b) && b.x <= x && x < b.x + b.width && b.y <= y && y < b.y + b.height;
}

bool PanelEditor::click_at(int x, int y)
{
    if (x >= kEditorAreaWidth || y >= kEditorAreaHeight) {
        return false;
    }
    if (x != click_x_ || y != click_y_) {
        click_depth_ = -1;
        click_x_ = x;
        click_y_ = y;
    }
    const std::span<const PanelDef> list = defs();
    const int n = static_cast<int>(list.size());
    int found = -1;
    int counter = 0;
    if (!reverse_click_) {
        for (int r = 0; r < n && found < 0; r++) {
            if (!hits(list[r], x, y)) {
                continue;
            }
            if (counter <= click_depth_) {
                counter++;
            } else {
                found = r;
                click_depth_ = counter;
            }
        }
    } else {
        if (click_depth_ == -1) {
            for (int r = 0; r < n; r++) {
                click_depth_ += hits(list[r], x, y) ? 1 : 0;
            }
        }
        for (int r = 0; r < n && found < 0; r++) {
            if (!hits(list[r], x, y)) {
                continue;
            }
            if (counter == click_depth_) {
                found = r;
                click_depth_ = counter > 0 ? counter - 1 : 0;
            } else if (counter < click_depth_) {
                counter++;
            } else {
                break;
            }
        }
    }
    if (found >= 0) {
        select_row(found);
        return false;
    }
    if (click_depth_ == -1) {
        select_row(-1);
        return true;
    }
    return false;
}

void PanelEditor::set_click_reverse(bool reverse)
{
    reverse_click_ = reverse;
    click_depth_ = -1;
}

bool PanelEditor::drag_to(int x, int y)
{
    bool moved = false;
    auto axis = [&](int pos, int extent, int *old, bool horizontal) {
        if (pos < 0 || pos >= extent) {
            return;
        }
        if (*old == -1) {
            *old = pos;
            return;
        }
        const int d = pos - *old;
        if (d > -kEditorCell && d < kEditorCell) {
            return;
        }
        const int step = snap(d);
        if (has_selection() && !drag_step_) {
            // The whole drag is one step, ended when the button comes up.
            document_.begin_step(paneleditor_step_name(static_cast<int>(rows_.size()),
                                                       "Move placement", "Move %d placements")
                                     .c_str());
            drag_step_ = true;
        }
        if (horizontal ? move(step, 0) : move(0, step)) {
            moved = true;
        }
        // The anchor advances even when the limits refused the move.
        *old += step;
    };
    axis(x, kEditorAreaWidth, &xold_, true);
    axis(y, kEditorAreaHeight, &yold_, false);
    click_depth_ = -1;
    return moved;
}

void PanelEditor::end_drag()
{
    xold_ = -1;
    yold_ = -1;
    if (drag_step_) {
        drag_step_ = false;
        document_.end_step();
    }
}

bool paneleditor_axis_move_allowed(bool horizontal, int pos, int box_pos, int box_size, int delta)
{
    const int extent = horizontal ? kEditorAreaWidth : kEditorAreaHeight;
    return box_pos + delta + box_size > 0 && box_pos + delta < extent &&
           file_holds(horizontal, pos + delta);
}

bool PanelEditor::move(int dx, int dy)
{
    if (rows_.empty()) {
        return false;
    }
    std::vector<PanelDef> moved = selected_defs();
    shift_group(moved, dx, dy);
    std::vector<PanelDef> list(defs().begin(), defs().end());
    bool changed = false;
    for (size_t k = 0; k < rows_.size(); k++) {
        changed = changed || !(list[rows_[k]] == moved[k]);
        list[rows_[k]] = moved[k];
    }
    return changed && commit(paneleditor_step_name(static_cast<int>(rows_.size()), "Move placement",
                                                   "Move %d placements"),
                             std::move(list), rows_);
}

void paneleditor_insert_position(int w, int h, const ZbxRect *sel, int *x, int *y)
{
    *x = snap(kEditorAreaWidth / 2 - w / 2);
    *y = snap(kEditorAreaHeight / 2 - h / 2);
    if (sel == nullptr) {
        return;
    }
    const int cx = sel->x + sel->width / 2;
    if (cx < kEditorAreaWidth && file_holds(true, snap(cx))) {
        *x = snap(cx);
    }
    const int cy = sel->y + sel->height / 2;
    if (cy < kEditorAreaHeight && file_holds(false, snap(cy))) {
        *y = snap(cy);
    }
}

bool PanelEditor::insert_def(int row, const PanelDef &def, GError **error)
{
    DocumentStep step(document_, "Add placement");
    // The views are told with the new placement selected.
    pending_ = std::vector<int>{row};
    const bool inserted = document_.insert_def(panel_, row, def);
    pending_.reset();
    if (!inserted) {
        return step.fail(error);
    }
    select_row(row);
    click_depth_ = -1;
    return true;
}

bool PanelEditor::add_object(int object, bool mirror, bool has_overrides, int override_count,
                             const int overrides[3], GError **error)
{
    int w = 0;
    int h = 0;
    if (panel_ < 0 || !document_.object_size(object, &w, &h)) {
        return false;
    }
    PanelDef def;
    def.item = object;
    def.is_object = true;
    def.mirror = mirror;
    def.has_overrides = has_overrides;
    def.override_count = std::clamp(override_count, 0, 3);
    for (int k = 0; k < 3; k++) {
        def.overrides[k] = overrides != nullptr ? overrides[k] : 0;
    }
    // Onto the placement it follows.
    ZbxRect box{};
    const bool has_box = !rows_.empty() && def_box(defs()[rows_.back()], &box);
    paneleditor_insert_position(w, h, has_box ? &box : nullptr, &def.x, &def.y);
    return insert_def(insert_row(), def, error);
}

bool PanelEditor::add_panel(int panel, GError **error)
{
    if (panel_ < 0 || document_.item_kind(panel) != ZbxItemKind::Panel ||
        document_.would_loop(panel_, panel)) {
        return false;
    }
    PanelDef def;
    def.item = panel;
    def.is_object = false;
    return insert_def(insert_row(), def, error);
}

bool PanelEditor::clone(GError **error)
{
    const PanelDef *sel = selected();
    if (sel == nullptr) {
        return clone_group(error);
    }
    click_depth_ = -1;
    const PanelDef source = *sel;
    // The insertion's own step nests in this one, which names the entry.
    DocumentStep step(document_, "Clone placement");
    if (!source.is_object) {
        return add_panel(source.item, error);
    }
    return add_object(source.item, source.mirror, source.has_overrides, source.override_count,
                      source.overrides, error);
}

bool PanelEditor::toggle(int row, EditorFlag flag, GError **error)
{
    if (panel_ < 0 || row < 0 || row >= row_count()) {
        return false;
    }
    if (rows_.size() > 1 && is_selected(row)) {
        return toggle_selection(row, flag, error);
    }
    PanelDef def = defs()[row];
    const char *name = "Toggle enabled";
    switch (flag) {
    case EditorFlag::Enabled:
        def.enabled = !def.enabled;
        name = def.enabled ? "Enable placement" : "Disable placement";
        break;
    case EditorFlag::Mirror:
        if (!def.is_object) {
            return false;
        }
        def.mirror = !def.mirror;
        name = "Mirror placement";
        break;
    case EditorFlag::Overrides:
        if (!def.is_object) {
            return false;
        }
        def.has_overrides = !def.has_overrides;
        name = def.has_overrides ? "Use colour overrides" : "Drop colour overrides";
        break;
    }
    DocumentStep step(document_, name);
    return document_.set_def(panel_, row, def) || step.fail(error);
}

bool PanelEditor::set_overrides(int count, const int overrides[3], GError **error)
{
    PanelDef def;
    if (!selected_object_def(&def)) {
        return false;
    }
    store_overrides(def, count, overrides);
    DocumentStep step(document_, "Colour overrides");
    return document_.set_def(panel_, rows_[0], def) || step.fail(error);
}

std::string paneleditor_status_text(int panel, int colour)
{
    GCharPtr text(g_strdup_printf(" Editing panel %d ($%X) - background color %d ($%X, %s)", panel,
                                  static_cast<unsigned>(panel), colour,
                                  static_cast<unsigned>(colour),
                                  palette_get_name_at_index(colour)));
    return text.get();
}

void PanelEditor::preview_overrides(int count, const int overrides[3])
{
    PanelDef def;
    if (!selected_object_def(&def)) {
        return;
    }
    store_overrides(def, count, overrides);
    preview_row_ = rows_[0];
    preview_ = def;
}

std::vector<PanelDef> PanelEditor::drawn_defs() const
{
    std::vector<PanelDef> list(defs().begin(), defs().end());
    // The placement must still be the one whose overrides are shown.
    if (preview_ && preview_row_ >= 0 && preview_row_ < static_cast<int>(list.size()) &&
        list[preview_row_].is_object && list[preview_row_].item == preview_->item) {
        list[preview_row_] = *preview_;
    }
    return list;
}

void PanelEditor::render_location(GdkPixbuf *canvas, GdkPixbuf *backdrop, bool transparency,
                                  int alpha, ComposeClashes *clashes) const
{
    if (canvas == nullptr) {
        return;
    }
    canvas_copy_image(backdrop, canvas);
    std::vector<PanelDef> previewed;
    std::span<const PanelDef> drawn = defs();
    if (preview_) {
        previewed = drawn_defs();
        drawn = previewed;
    }
    render_panel_defs(document_, drawn, panel_, canvas, background_, clashes);
    if (transparency) {
        paneleditor_blend_disabled(document_, pixbufs_view(canvas), drawn, panel_, background_,
                                   alpha);
    }
}

void paneleditor_blend_disabled(const Document &document, RgbaView canvas,
                                std::span<const PanelDef> list, int top_panel, int background,
                                int alpha)
{
    if (canvas.pixels == nullptr || canvas.width < kEditorAreaWidth ||
        canvas.height < kComposeAreaTop + kEditorAreaHeight) {
        return;
    }
    alpha = std::clamp(alpha, 0, 255);
    if (alpha == 0) {
        return;
    }
    std::vector<uint8_t> own(static_cast<size_t>(kEditorAreaWidth) * 4 *
                             (kComposeAreaTop + kEditorAreaHeight));
    const RgbaView layer{own.data(), kEditorAreaWidth, kComposeAreaTop + kEditorAreaHeight,
                         kEditorAreaWidth * 4};
    ComposeBuffers buffers;
    for (const PanelDef &def : list) {
        if (def.enabled) {
            continue;
        }
        PanelDef alone = def;
        alone.enabled = true;
        compose_render_into_view(DocumentSource(document, std::span<const PanelDef>(&alone, 1)),
                                 top_panel, background, buffers, layer);
        for (int y = 0; y < kEditorAreaHeight; y++) {
            const int line = (y / 8) * 320 + y % 8;
            uint8_t *dst = canvas.pixels + (kComposeAreaTop + y) * canvas.rowstride;
            const uint8_t *src = own.data() + (kComposeAreaTop + y) * layer.rowstride;
            for (int x = 0; x < kEditorAreaWidth; x++) {
                const uint8_t bits = buffers.bitmap[line + (x / 8) * 8];
                // Pair 00 is no pixel of the placement.
                if (((bits >> (6 - 2 * ((x % 8) / 2))) & 3) == 0) {
                    continue;
                }
                for (int c = 0; c < 3; c++) {
                    dst[x * 4 + c] = static_cast<uint8_t>(
                        (src[x * 4 + c] * alpha + dst[x * 4 + c] * (255 - alpha) + 127) / 255);
                }
            }
        }
    }
}
