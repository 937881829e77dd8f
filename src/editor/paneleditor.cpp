#include "editor/paneleditor.h"
#include "app/context.h"

#include <algorithm>
#include <glib.h>

#include "c64/palette.h"
#include "files/zembrix_format.h"
#include "render/canvas.h"
#include "render/render.h"

namespace {

struct EditorState
{
    int panel = -1;
    int background = 0;
    int row = -1; // the selected placement
    int click_depth = -1;
    bool reverse_click = false;
    int xold = -1;
    int yold = -1;
    bool drag_step = false; // a drag's undo step is open
    int listener = 0;
};
EditorState state;
// Lasts for the whole run: never reset.
bool stop_asking = false;

std::span<const PanelDef> defs()
{
    return app_document().panel_defs(state.panel);
}

int row_count()
{
    return static_cast<int>(defs().size());
}

const PanelDef *selected()
{
    return state.row >= 0 && state.row < row_count() ? &defs()[state.row] : nullptr;
}

// Keeps the panel and the selection on the same placement as the document
// changes underneath (undo, redo, other windows).
void follow(const DocEvent &event)
{
    if (state.panel < 0) {
        return;
    }
    switch (event.what) {
    case DocChange::DefInserted:
        if (event.index == state.panel && state.row >= event.row) {
            state.row++;
        }
        break;
    case DocChange::DefRemoved:
        if (event.index == state.panel && state.row >= 0) {
            if (state.row == event.row) {
                state.row = -1;
            } else if (state.row > event.row) {
                state.row--;
            }
        }
        break;
    case DocChange::ItemInserted:
    case DocChange::ItemDeleted:
    case DocChange::Reset:
        state.panel = document_follow_index(event, state.panel);
        if (app_document().item_kind(state.panel) != ZbxItemKind::Panel) {
            state.panel = -1;
        }
        break;
    default:
        break;
    }
    if (state.row >= row_count()) {
        state.row = -1;
    }
    if (event.what != DocChange::HistoryChanged && event.what != DocChange::PreviewChanged) {
        state.click_depth = -1;
    }
}

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

bool insert_def(int row, const PanelDef &def, const char *name)
{
    DocumentStep step(app_document(), name);
    if (!app_document().insert_def(state.panel, row, def)) {
        return false;
    }
    state.row = row;
    state.click_depth = -1;
    return true;
}

int insert_row()
{
    return state.row >= 0 ? state.row + 1 : row_count();
}

bool move_to(int to, const char *name)
{
    if (selected() == nullptr) {
        return false;
    }
    state.click_depth = -1;
    if (to == state.row) {
        return false;
    }
    DocumentStep step(app_document(), name);
    const int from = state.row;
    if (!app_document().move_def(state.panel, from, to)) {
        return false;
    }
    state.row = to;
    return true;
}

} // namespace

void paneleditor_module_init()
{
    paneleditor_cleanup();
    state.listener = app_document().add_listener(follow);
}

void paneleditor_cleanup()
{
    if (state.drag_step) {
        app_document().end_step();
    }
    if (state.listener != 0) {
        app_document().remove_listener(state.listener);
    }
    state = EditorState{};
}

void paneleditor_on_panel_edit_clicked(int panel, int colour)
{
    paneleditor_reset_environment();
    state.panel = app_document().item_kind(panel) == ZbxItemKind::Panel ? panel : -1;
    state.background = colour;
}

int paneleditor_panel()
{
    return state.panel;
}

int paneleditor_background_colour()
{
    return state.background;
}

std::string paneleditor_status_text(int panel, int colour)
{
    gchar *text = g_strdup_printf(" Editing panel %d ($%X) - background color %d ($%X, %s)", panel,
                                  static_cast<unsigned>(panel), colour,
                                  static_cast<unsigned>(colour), palette_get_name_at_index(colour));
    std::string result(text);
    g_free(text);
    return result;
}

void paneleditor_reset_environment()
{
    paneleditor_motion_handler_reset();
    state.click_depth = -1;
    state.row = -1;
}

int paneleditor_selected_row()
{
    return selected() != nullptr ? state.row : -1;
}

int paneleditor_selected_item()
{
    const PanelDef *def = selected();
    return def != nullptr ? def->item : -1;
}

bool paneleditor_is_item_selected()
{
    return selected() != nullptr;
}

void paneleditor_select_row(int row)
{
    state.row = row >= 0 && row < row_count() ? row : -1;
}

bool paneleditor_def_box(const PanelDef &def, ZbxRect *box)
{
    if (def.is_object) {
        int w = 0;
        int h = 0;
        if (!app_document().object_size(def.item, &w, &h)) {
            return false;
        }
        *box = {def.x, def.y, w, h};
        return true;
    }
    ZbxRect content{};
    if (!app_document().panel_box(def.item, &content) || content.width <= 0 ||
        content.height <= 0) {
        return false;
    }
    *box = {def.x + content.x, def.y + content.y, content.width, content.height};
    return true;
}

bool paneleditor_hits(const PanelDef &def, int x, int y)
{
    ZbxRect b{};
    return paneleditor_def_box(def, &b) && b.x <= x && x < b.x + b.width && b.y <= y &&
           y < b.y + b.height;
}

int paneleditor_button_press(int x, int y)
{
    if (x >= kEditorAreaWidth || y >= kEditorAreaHeight) {
        return 0;
    }
    std::span<const PanelDef> list = defs();
    const int n = static_cast<int>(list.size());
    int found = -1;
    int counter = 0;
    if (!state.reverse_click) {
        for (int r = 0; r < n && found < 0; r++) {
            if (!paneleditor_hits(list[r], x, y)) {
                continue;
            }
            if (counter <= state.click_depth) {
                counter++;
            } else {
                found = r;
                state.click_depth = counter;
            }
        }
    } else {
        if (state.click_depth == -1) {
            for (int r = 0; r < n; r++) {
                state.click_depth += paneleditor_hits(list[r], x, y) ? 1 : 0;
            }
        }
        for (int r = 0; r < n && found < 0; r++) {
            if (!paneleditor_hits(list[r], x, y)) {
                continue;
            }
            if (counter == state.click_depth) {
                found = r;
                state.click_depth = counter > 0 ? counter - 1 : 0;
            } else if (counter < state.click_depth) {
                counter++;
            } else {
                break;
            }
        }
    }
    if (found >= 0) {
        state.row = found;
        return 0;
    }
    if (state.click_depth == -1) {
        state.row = -1;
        return 1;
    }
    return 0;
}

void paneleditor_reset_click_depth()
{
    state.click_depth = -1;
}

int paneleditor_click_depth()
{
    return state.click_depth;
}

void paneleditor_set_click_reverse(bool reverse)
{
    state.reverse_click = reverse;
    state.click_depth = -1;
}

int paneleditor_motion_handler(int x, int y)
{
    int result = 0;
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
        if (selected() != nullptr && !state.drag_step) {
            // The whole drag is one step, ended when the button comes up.
            app_document().begin_step("Move placement");
            state.drag_step = true;
        }
        if (horizontal ? paneleditor_item_move(step, 0) : paneleditor_item_move(0, step)) {
            result = 1;
        }
        // The anchor advances even when the limits refused the move.
        *old += step;
    };
    axis(x, kEditorAreaWidth, &state.xold, true);
    axis(y, kEditorAreaHeight, &state.yold, false);
    state.click_depth = -1;
    return result;
}

void paneleditor_motion_handler_reset()
{
    state.xold = -1;
    state.yold = -1;
    if (state.drag_step) {
        state.drag_step = false;
        app_document().end_step();
    }
}

bool paneleditor_is_dragging()
{
    return state.drag_step;
}

bool paneleditor_axis_move_allowed(bool horizontal, int pos, int box_pos, int box_size, int delta)
{
    const int extent = horizontal ? kEditorAreaWidth : kEditorAreaHeight;
    return box_pos + delta + box_size > 0 && box_pos + delta < extent &&
           file_holds(horizontal, pos + delta);
}

bool paneleditor_item_move(int dx, int dy)
{
    const PanelDef *def = selected();
    if (def == nullptr) {
        return false;
    }
    ZbxRect box{};
    if (!paneleditor_def_box(*def, &box)) {
        // Covers nothing: only the file's range limits it.
        box = {def->x, def->y, 1, 1};
    }
    PanelDef moved = *def;
    if (dx != 0 && paneleditor_axis_move_allowed(true, def->x, box.x, box.width, dx)) {
        moved.x += dx;
    }
    if (dy != 0 && paneleditor_axis_move_allowed(false, def->y, box.y, box.height, dy)) {
        moved.y += dy;
    }
    if (moved == *def) {
        return false;
    }
    DocumentStep step(app_document(), "Move placement");
    return app_document().set_def(state.panel, state.row, moved);
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

bool paneleditor_add_object_at_current_iter(int object, bool mirror, bool has_overrides,
                                            int override_count, const int overrides[3])
{
    int w = 0;
    int h = 0;
    if (state.panel < 0 || !app_document().object_size(object, &w, &h)) {
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
    ZbxRect box{};
    const PanelDef *sel = selected();
    const bool has_box = sel != nullptr && paneleditor_def_box(*sel, &box);
    paneleditor_insert_position(w, h, has_box ? &box : nullptr, &def.x, &def.y);
    return insert_def(insert_row(), def, "Add placement");
}

bool paneleditor_add_panel_at_current_iter(int panel)
{
    if (state.panel < 0 || app_document().item_kind(panel) != ZbxItemKind::Panel ||
        app_document().would_loop(state.panel, panel)) {
        return false;
    }
    PanelDef def;
    def.item = panel;
    def.is_object = false;
    return insert_def(insert_row(), def, "Add placement");
}

bool paneleditor_clone_def()
{
    const PanelDef *sel = selected();
    if (sel == nullptr) {
        return false;
    }
    state.click_depth = -1;
    const PanelDef source = *sel;
    if (!source.is_object) {
        return paneleditor_add_panel_at_current_iter(source.item);
    }
    DocumentStep step(app_document(), "Clone placement");
    return paneleditor_add_object_at_current_iter(source.item, source.mirror, source.has_overrides,
                                                  source.override_count, source.overrides);
}

bool paneleditor_delete_def()
{
    if (selected() == nullptr) {
        return false;
    }
    const int row = state.row;
    DocumentStep step(app_document(), "Delete placement");
    if (!app_document().remove_def(state.panel, row)) {
        return false;
    }
    state.row = row < row_count() ? row : -1;
    state.click_depth = -1;
    return true;
}

bool paneleditor_delete_with_confirmation(const std::function<DeleteAnswer()> &ask)
{
    if (selected() == nullptr) {
        return false;
    }
    if (!stop_asking) {
        switch (ask()) {
        case DeleteAnswer::YesForAll:
            stop_asking = true;
            break;
        case DeleteAnswer::Yes:
            break;
        case DeleteAnswer::No:
            return false;
        }
    }
    return paneleditor_delete_def();
}

bool paneleditor_get_stop_asking()
{
    return stop_asking;
}

void paneleditor_set_stop_asking(bool stop)
{
    stop_asking = stop;
}

bool paneleditor_bring_def_to_front()
{
    return move_to(row_count() - 1, "Bring placement to front");
}

bool paneleditor_move_def_to_back()
{
    return move_to(0, "Move placement to back");
}

bool paneleditor_move_def_closer()
{
    return state.row + 1 < row_count() && move_to(state.row + 1, "Move placement closer");
}

bool paneleditor_move_def_farther()
{
    return state.row > 0 && move_to(state.row - 1, "Move placement farther");
}

bool paneleditor_toggle(int row, EditorFlag flag)
{
    if (state.panel < 0 || row < 0 || row >= row_count()) {
        return false;
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
    DocumentStep step(app_document(), name);
    return app_document().set_def(state.panel, row, def);
}

void paneleditor_render_location(GdkPixbuf *canvas, bool transparency, int alpha,
                                 ComposeClashes *clashes)
{
    if (canvas == nullptr) {
        return;
    }
    canvas_copy_image(app_backdrop(), canvas);
    render_panel_defs(app_document(), defs(), state.panel, canvas, state.background, clashes);
    if (transparency) {
        paneleditor_blend_disabled(pixbufs_view(canvas), defs(), state.panel, state.background,
                                   alpha);
    }
}

void paneleditor_blend_disabled(RgbaView canvas, std::span<const PanelDef> list, int top_panel,
                                int background, int alpha)
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
        compose_render_into_view(
            DocumentSource(app_document(), std::span<const PanelDef>(&alone, 1)), top_panel,
            background, buffers, layer);
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
