// The item store under load: the loop check on a diamond ladder of panels,
// and deleting item 0 of a full table with every model filled (and, when a
// display is there, attached to tree views as in the main window).
#include <benchmark/benchmark.h>
#include <gtk/gtk.h>
#include <vector>

#include "app/support.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"

namespace {
void init_models(GtkWidget *window)
{
    itemwrapper_cleanup();
    locations_cleanup();
    objects_module_init();
    panels_module_init();
    objectmodel_module_init(window);
    panelmodels_module_init(window);
    locations_module_init(window);
}

std::vector<uint8_t> record()
{
    std::vector<uint8_t> bytes(objects_record_size(2, 2), 0x55);
    bytes[0] = 0x22;
    return bytes;
}

ZbxDefList *put_panel(int index)
{
    ZbxDefList *list = panelmodels_add_item_to_panel_model(index);
    panels_set_array_at_index(index, list);
    return list;
}

void place(int panel, int item, int x = 0, int y = 0)
{
    panelmodels_add_item_to_panel_def_model(panel, item, FALSE, FALSE, x, y, 0, 0, 0, 0);
}

// 255 panels, panel i placing panels i + 1 and i + 2.
void build_ladder()
{
    itemwrapper_allocate_array(kMaxItems);
    for (int i = 0; i < kMaxItems; i++) {
        put_panel(i);
    }
    for (int i = 0; i < kMaxItems; i++) {
        for (int next : {i + 1, i + 2}) {
            if (next < kMaxItems) {
                place(i, next);
            }
        }
    }
}

// 255 items: object 0 that nothing uses, then objects and panels in turn.
// Each panel places eight items above 0 (objects and earlier panels); the
// 32 locations show the last panels.
void build_full_table()
{
    itemwrapper_allocate_array(kMaxItems);
    const std::vector<uint8_t> bytes = record();
    for (int i = 0; i < kMaxItems; i++) {
        if (i == 0 || i % 2 == 1) {
            GdkPixbuf *image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 16, 16);
            objects_set_array_at_index(i, image, bytes);
            objectmodel_add_item_to_object_model(i, image);
        }
    }
    for (int i = 2; i < kMaxItems; i += 2) {
        put_panel(i);
        for (int k = 0; k < 8; k++) {
            int item = 1 + (i * 7 + k * 13) % (kMaxItems - 1);
            if (item != i) {
                place(i, item, 8 * k, 8 * k);
            }
        }
    }
    for (int n = 0; n < kLocationCount; n++) {
        locations_add_item_to_location_model(n, kMaxItems - 1 - 2 * n - 1, n % 16);
    }
}

// A window with the main window's four tree views, when there is a display.
GtkWidget *views_window()
{
    static bool display = gtk_init_check(nullptr, nullptr);
    if (!display) {
        return nullptr;
    }
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWidget *box = gtk_vbox_new(FALSE, 0);
    gtk_container_add(GTK_CONTAINER(window), box);
    for (const char *name : {"treeview_main_objects", "treeview_main_panels",
                             "treeview_main_panel_defs", "treeview_main_locations"}) {
        GtkWidget *view = gtk_tree_view_new();
        gtk_box_pack_start(GTK_BOX(box), view, TRUE, TRUE, 0);
        zbx_register_widget(window, view, name);
    }
    return window;
}

void BM_LoopCheckDiamondLadder(benchmark::State &state)
{
    init_models(nullptr);
    build_ladder();
    for (auto _ : state) {
        benchmark::DoNotOptimize(panelmodels_is_bad_child());
    }
    init_models(nullptr);
}
BENCHMARK(BM_LoopCheckDiamondLadder)->Repetitions(10)->ReportAggregatesOnly(true);

void delete_item_zero(benchmark::State &state, bool with_views)
{
    GtkWidget *window = with_views ? views_window() : nullptr;
    if (with_views && window == nullptr) {
        state.SkipWithError("no display");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        init_models(window);
        build_full_table();
        if (window != nullptr) {
            // A panel shown in the definition list, as after a click.
            GtkTreeView *panels = GTK_TREE_VIEW(lookup_widget(window, "treeview_main_panels"));
            GtkTreePath *path = gtk_tree_path_new_from_indices(10, -1);
            gtk_tree_selection_select_path(gtk_tree_view_get_selection(panels), path);
            gtk_tree_path_free(path);
            panelmodels_on_cursor_changed_set_panel_defs_model();
        }
        state.ResumeTiming();
        itemwrapper_delete_object_at_index(0, FALSE);
        locations_renumber_panels(0);
    }
    init_models(nullptr);
    if (window != nullptr) {
        gtk_widget_destroy(window);
    }
}

void BM_DeleteItemZeroOfFullTable(benchmark::State &state)
{
    delete_item_zero(state, false);
}
BENCHMARK(BM_DeleteItemZeroOfFullTable)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_DeleteItemZeroOfFullTableWithViews(benchmark::State &state)
{
    delete_item_zero(state, true);
}
BENCHMARK(BM_DeleteItemZeroOfFullTableWithViews)->Repetitions(10)->ReportAggregatesOnly(true);
} // namespace
