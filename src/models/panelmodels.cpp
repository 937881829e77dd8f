// The panel list (item index and preview colour per panel), each panel's
// definition list, the reference searches, the renumbering after a delete,
// the loop check and the writing of definition lists.
#include "models/panelmodels.h"

#include <algorithm>
#include <array>
#include <vector>

#include "gref.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/modelview.h"

namespace {
struct PanelModelsState
{
    GRef<GtkListStore> store;
    ModelView view_panels;
    ModelView view_defs;
};
PanelModelsState state;

GtkTreeModel *model()
{
    return GTK_TREE_MODEL(state.store.get());
}

// Overrides written for a definition: only object placements that have
// them, at most three.
int written_override_count(const PanelDef &def)
{
    if (!def.is_object || !def.has_overrides) {
        return 0;
    }
    return std::clamp(def.override_count, 0, 3);
}

// Counts the definitions of every listed panel that place item and
// appends one line per panel that has any.
void find_references(GString *text, int item)
{
    if (!state.store) {
        return;
    }
    GtkTreeIter iter;
    for (gboolean more = gtk_tree_model_get_iter_first(model(), &iter); more;
         more = gtk_tree_model_iter_next(model(), &iter)) {
        int panel = modelview_get_int(model(), &iter, PANEL_COL_INDEX);
        ZbxDefList *list = panels_get_from_array_at_index(panel);
        if (list == nullptr) {
            continue;
        }
        const std::vector<PanelDef> &rows = zbx_def_list_rows(list);
        long count = std::count_if(rows.begin(), rows.end(),
                                   [item](const PanelDef &def) { return def.item == item; });
        if (count > 0) {
            g_string_append_printf(text, "Panel %d ($%X): found %ld occurrence%s\n", panel, panel,
                                   count, count == 1 ? "" : "s");
        }
    }
}
} // namespace

void panelmodels_module_init(GtkWidget *window_main)
{
    state.store.reset(gtk_list_store_new(PANEL_N_COLUMNS, G_TYPE_INT, G_TYPE_INT));
    state.view_panels.reset(modelview_attach(window_main, "treeview_main_panels", "Panel ID",
                                             PANEL_COL_INDEX, model()));
    state.view_defs.reset(
        modelview_attach(window_main, "treeview_main_panel_defs", "Item", DEF_COL_ITEM, nullptr));
}

GtkListStore *panelmodels_get_panel_model()
{
    return state.store.get();
}

void panelmodels_cleanup()
{
    if (state.store) {
        gtk_list_store_clear(state.store.get());
    }
    if (state.view_defs.get() != nullptr) {
        gtk_tree_view_set_model(state.view_defs.get(), nullptr);
    }
}

ZbxDefList *panelmodels_add_item_to_panel_model(int index)
{
    if (!state.store || index < 0 || index >= panels_get_array_size() ||
        !panels_is_panel_empty_at_index(index)) {
        return nullptr;
    }
    GtkTreeIter iter;
    gtk_list_store_append(state.store.get(), &iter);
    gtk_list_store_set(state.store.get(), &iter, PANEL_COL_INDEX, index, PANEL_COL_COLOUR, 0, -1);
    return zbx_def_list_new();
}

void panelmodels_add_item_to_panel_def_model(int panel, int item, gboolean mirror,
                                             gboolean has_overrides, int x, int y,
                                             int override_count, int override1, int override2,
                                             int override3)
{
    ZbxDefList *list = panels_get_from_array_at_index(panel);
    if (list == nullptr) {
        return;
    }
    PanelDef def;
    def.item = item;
    def.x = x;
    def.y = y;
    def.enabled = true;
    if (!objects_is_array_empty_at_index(item)) {
        def.is_object = true;
        def.mirror = mirror != FALSE;
        def.has_overrides = has_overrides != FALSE;
        def.override_count = override_count;
        def.overrides[0] = override1;
        def.overrides[1] = override2;
        def.overrides[2] = override3;
    }
    zbx_def_list_append(list, def);
}

void panelmodels_fill_in_panel_def_background_color(int panel, int colour)
{
    GtkTreeIter iter;
    if (panels_is_panel_empty_at_index(panel) ||
        !modelview_find_row(model(), PANEL_COL_INDEX, panel, &iter)) {
        return;
    }
    gtk_list_store_set(state.store.get(), &iter, PANEL_COL_COLOUR, colour, -1);
}

gboolean panelmodels_set_panel_preview_background_colour(int colour)
{
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(state.view_panels.get(), &selected_model, &iter) ||
        selected_model != model()) {
        return FALSE;
    }
    gtk_list_store_set(state.store.get(), &iter, PANEL_COL_COLOUR, colour, -1);
    return TRUE;
}

gboolean panelmodels_on_cursor_changed_set_panel_defs_model()
{
    int index = -1;
    if (!panelmodels_get_current_panel_index(&index) || state.view_defs.get() == nullptr) {
        return FALSE;
    }
    ZbxDefList *list = panels_get_from_array_at_index(index);
    gtk_tree_view_set_model(state.view_defs.get(), list ? GTK_TREE_MODEL(list) : nullptr);
    return TRUE;
}

gboolean panelmodels_get_panel_offset_from_path(GtkTreePath *path, int *index)
{
    GtkTreeIter iter;
    if (path == nullptr || !state.store || !gtk_tree_model_get_iter(model(), &iter, path)) {
        return FALSE;
    }
    *index = modelview_get_int(model(), &iter, PANEL_COL_INDEX);
    return TRUE;
}

gboolean panelmodels_get_current_panel_info(int *index, int *colour)
{
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(state.view_panels.get(), &selected_model, &iter)) {
        return FALSE;
    }
    gtk_tree_model_get(selected_model, &iter, PANEL_COL_INDEX, index, PANEL_COL_COLOUR, colour, -1);
    return TRUE;
}

gboolean panelmodels_get_current_panel_index(int *index)
{
    int colour = 0;
    return panelmodels_get_current_panel_info(index, &colour);
}

gboolean panelmodels_get_selected_panel_def(PanelDef *def)
{
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(state.view_defs.get(), &selected_model, &iter) ||
        !ZBX_IS_DEF_LIST(selected_model)) {
        return FALSE;
    }
    ZbxDefList *list = ZBX_DEF_LIST(selected_model);
    int row = zbx_def_list_iter_row(list, &iter);
    if (row < 0) {
        return FALSE;
    }
    *def = zbx_def_list_rows(list)[row];
    return TRUE;
}

void panelmodels_remove_selected_panel_from_panel_model()
{
    GtkTreeModel *selected_model = nullptr;
    GtkTreeIter iter;
    if (modelview_get_selected_row(state.view_panels.get(), &selected_model, &iter) &&
        selected_model == model()) {
        gtk_list_store_remove(state.store.get(), &iter);
    }
}

void panelmodels_remove_panel_from_panel_model(int index)
{
    GtkTreeIter iter;
    if (modelview_find_row(model(), PANEL_COL_INDEX, index, &iter)) {
        gtk_list_store_remove(state.store.get(), &iter);
    }
}

void panelmodels_find_all_object_references(GString *text, int item)
{
    find_references(text, item);
}

void panelmodels_find_all_panel_references(GString *text, int item)
{
    find_references(text, item);
}

void panelmodels_renumber_items_in_panel_and_defs_models(int index)
{
    if (state.store) {
        GtkTreeIter iter;
        for (gboolean more = gtk_tree_model_get_iter_first(model(), &iter); more;
             more = gtk_tree_model_iter_next(model(), &iter)) {
            int panel = modelview_get_int(model(), &iter, PANEL_COL_INDEX);
            if (panel > index) {
                gtk_list_store_set(state.store.get(), &iter, PANEL_COL_INDEX, panel - 1, -1);
            }
        }
    }
    // The definition lists are still at their old indexes: the panel store
    // closes the gap only after this.
    for (int panel = 0; panel < panels_get_array_size(); panel++) {
        ZbxDefList *list = panels_get_from_array_at_index(panel);
        if (list == nullptr) {
            continue;
        }
        const std::vector<PanelDef> &rows = zbx_def_list_rows(list);
        for (int row = 0; row < static_cast<int>(rows.size()); row++) {
            if (rows[row].item > index) {
                PanelDef def = rows[row];
                def.item--;
                zbx_def_list_set(list, row, def);
            }
        }
    }
}

// Depth-first search over the panel graph with the usual three marks: a
// panel is "open" while it is on the current path and "done" once every
// panel below it has been searched. Reaching an open panel again closes a
// cycle. Every panel and every definition is looked at once, however many
// panels share their sub-panels.
gboolean panelmodels_is_bad_child()
{
    if (!state.store) {
        return FALSE;
    }
    enum Mark : uint8_t
    {
        kNew,
        kOpen,
        kDone
    };
    std::array<Mark, kMaxItems> mark{};
    struct Frame
    {
        int panel;
        size_t next;
    };
    std::vector<Frame> path;
    path.reserve(kMaxItems);

    GtkTreeIter iter;
    for (gboolean more = gtk_tree_model_get_iter_first(model(), &iter); more;
         more = gtk_tree_model_iter_next(model(), &iter)) {
        int root = modelview_get_int(model(), &iter, PANEL_COL_INDEX);
        if (panels_get_from_array_at_index(root) == nullptr || mark[root] != kNew) {
            continue;
        }
        mark[root] = kOpen;
        path.push_back({root, 0});
        while (!path.empty()) {
            Frame &top = path.back();
            const std::vector<PanelDef> &rows =
                zbx_def_list_rows(panels_get_from_array_at_index(top.panel));
            int child = -1;
            while (top.next < rows.size() && child < 0) {
                const PanelDef &def = rows[top.next++];
                if (!def.is_object && panels_get_from_array_at_index(def.item) != nullptr) {
                    child = def.item;
                }
            }
            if (child < 0) {
                mark[top.panel] = kDone;
                path.pop_back();
            } else if (mark[child] == kOpen) {
                return TRUE;
            } else if (mark[child] == kNew) {
                mark[child] = kOpen;
                path.push_back({child, 0});
            }
        }
    }
    return FALSE;
}

int panelmodels_compute_panel_memory_size(int index)
{
    ZbxDefList *list = panels_get_from_array_at_index(index);
    if (list == nullptr) {
        return 0;
    }
    int size = 1;
    for (const PanelDef &def : zbx_def_list_rows(list)) {
        size += 3 + written_override_count(def);
    }
    return size;
}

void panelmodels_save_panel_def_list(GByteArray *out, int index)
{
    ZbxDefList *list = panels_get_from_array_at_index(index);
    if (list == nullptr) {
        return;
    }
    std::vector<uint8_t> bytes;
    for (const PanelDef &def : zbx_def_list_rows(list)) {
        int count = written_override_count(def);
        uint8_t x = static_cast<uint8_t>((def.x / 8 + 14) & 63);
        uint8_t y = static_cast<uint8_t>((def.y / 8 + 14) & 31);
        if (def.is_object && def.mirror) {
            x |= 0x80;
        }
        y = static_cast<uint8_t>(y | (count << 5));
        bytes.push_back(static_cast<uint8_t>(def.item));
        bytes.push_back(x);
        bytes.push_back(y);
        for (int i = 0; i < count; i++) {
            bytes.push_back(static_cast<uint8_t>(def.overrides[i]));
        }
    }
    bytes.push_back(0xFF);
    g_byte_array_append(out, bytes.data(), static_cast<guint>(bytes.size()));
}
