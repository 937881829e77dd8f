// The panel list and the main window's definition list, kept in step with
// the document.
#include "app/panelmodels_view.h"
#include "app/context.h"

#include "app/common.h"
#include "app/modelview.h"
#include "base/gref.h"
#include "render/render.h"

namespace {
struct PanelModelsState
{
    GRef<GtkListStore> store;
    GRef<ZbxDefList> defs;
    ModelView view_panels;
    ModelView view_defs;
    int listener = 0;
};
PanelModelsState state;

GtkTreeModel *model()
{
    return GTK_TREE_MODEL(state.store.get());
}

void fill_row(GtkListStore *store, GtkTreeIter *iter, int index)
{
    gtk_list_store_set(store, iter, PANEL_COL_COLOUR, app_document().preview_colour(index), -1);
}

ItemList item_list()
{
    return ItemList{state.store.get(), PANEL_COL_INDEX, ZbxItemKind::Panel, fill_row};
}

void follow(const DocEvent &event)
{
    modelview_items_follow(item_list(), state.view_panels.get(), event);
    if (event.what != DocChange::HistoryChanged && event.what != DocChange::PreviewChanged) {
        modelview_set_usage(state.store.get(), PANEL_COL_INDEX, PANEL_COL_USED, PANEL_COL_USE,
                            usage_of_items(app_document().project()));
    }
    GtkTreeIter iter;
    if (event.what == DocChange::PreviewChanged &&
        modelview_find_row(model(), PANEL_COL_INDEX, event.index, &iter)) {
        fill_row(state.store.get(), &iter, event.index);
    }
    if (event.what == DocChange::Reset || event.what == DocChange::ItemDeleted) {
        // The definitions shown follow the selected panel.
        int index = -1;
        if (!panelmodels_get_current_panel_index(&index)) {
            zbx_def_list_set_panel(state.defs.get(), -1);
        }
    }
}
} // namespace

void panelmodels_module_init(GtkWidget *window_main)
{
    panelmodels_cleanup();
    state.store.reset(
        gtk_list_store_new(PANEL_N_COLUMNS, G_TYPE_INT, G_TYPE_INT, G_TYPE_STRING, G_TYPE_INT));
    state.defs.reset(zbx_def_list_new(-1));
    state.view_panels.reset(modelview_attach(window_main, "treeview_main_panels", "Panel ID",
                                             PANEL_COL_INDEX, nullptr));
    // The browser shows the store itself, in item order.
    modelview_show_sorted(state.view_panels.get(), model(), PANEL_COL_INDEX, PANEL_COL_USED,
                          PANEL_COL_USE);
    state.view_defs.reset(modelview_attach(window_main, "treeview_main_panel_defs", "Item",
                                           DEF_COL_ITEM, GTK_TREE_MODEL(state.defs.get())));
    modelview_items_reset(item_list(), nullptr);
    modelview_set_usage(state.store.get(), PANEL_COL_INDEX, PANEL_COL_USED, PANEL_COL_USE,
                        usage_of_items(app_document().project()));
    state.listener = app_document().add_listener(follow);
}

void panelmodels_cleanup()
{
    if (state.listener != 0) {
        app_document().remove_listener(state.listener);
    }
    state.listener = 0;
    if (state.view_defs.get() != nullptr) {
        gtk_tree_view_set_model(state.view_defs.get(), nullptr);
    }
    state.view_defs.reset(nullptr);
    state.view_panels.reset(nullptr);
    state.defs.reset();
    state.store.reset();
}

GtkListStore *panelmodels_get_panel_model()
{
    return state.store.get();
}

ZbxDefList *panelmodels_get_panel_defs_model()
{
    return state.defs.get();
}

gboolean panelmodels_set_panel_preview_background_colour(int colour)
{
    int index = -1;
    if (!panelmodels_get_current_panel_index(&index)) {
        return FALSE;
    }
    return app_document().set_preview_colour(index, colour) ? TRUE : FALSE;
}

gboolean panelmodels_on_cursor_changed_set_panel_defs_model()
{
    int index = -1;
    if (!panelmodels_get_current_panel_index(&index) || !state.defs) {
        return FALSE;
    }
    zbx_def_list_set_panel(state.defs.get(), index);
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
    const PanelDef *row = zbx_def_list_row(list, zbx_def_list_iter_row(list, &iter));
    if (row == nullptr) {
        return FALSE;
    }
    *def = *row;
    return TRUE;
}

void panelmodels_draw_rectangle_around_item(GtkWidget *area, int frame_colour, int zoom)
{
    PanelDef def;
    if (!panelmodels_get_selected_panel_def(&def)) {
        return;
    }
    ZbxRect rect{def.x, def.y, 0, 0};
    common_draw_rectangle_around_item(area, frame_colour, zoom, def.item, def.is_object, &rect);
}

void panelmodels_render_panel(GdkPixbuf *canvas, int *colour, ComposeClashes *clashes)
{
    if (clashes != nullptr) {
        clashes->reset();
    }
    int index = -1;
    int preview = 0;
    if (!panelmodels_get_current_panel_info(&index, &preview)) {
        preview = 0;
        index = -1;
    }
    if (colour != nullptr) {
        *colour = preview;
    }
    if (index < 0) {
        canvas_copy_image(app_backdrop(), canvas);
        return;
    }
    // The panel covers the whole location area: the backdrop shows above it.
    canvas_copy_image_above_area(app_backdrop(), canvas);
    render_stored_panel(app_document(), index, canvas, preview, clashes);
}
