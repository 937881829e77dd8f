// The list models attached to tree views as in the main window: columns,
// selection queries, the object preview, storing and clearing locations.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <string>

#include "app/common.h"
#include "app/support.h"
#include "c64/palette.h"
#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"
#include "support/items_fixture.h"
#include "support/reset.h"

namespace {
const char *const kViews[] = {"treeview_main_objects", "treeview_main_panels",
                              "treeview_main_panel_defs", "treeview_main_locations"};

class ModelViews : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        zbx_reset_all_modules();
        window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        GtkWidget *box = gtk_vbox_new(FALSE, 0);
        gtk_container_add(GTK_CONTAINER(window_), box);
        for (const char *name : kViews) {
            GtkWidget *view = gtk_tree_view_new();
            gtk_box_pack_start(GTK_BOX(box), view, TRUE, TRUE, 0);
            zbx_register_widget(window_, view, name);
        }
        objectmodel_module_init(window_);
        panelmodels_module_init(window_);
        locations_module_init(window_);
    }
    void TearDown() override
    {
        zbx_reset_all_modules();
        gtk_widget_destroy(window_);
    }
    GtkTreeView *view(const char *name) const
    {
        return GTK_TREE_VIEW(lookup_widget(window_, name));
    }
    void select(const char *name, std::initializer_list<int> rows) const
    {
        GtkTreeSelection *selection = gtk_tree_view_get_selection(view(name));
        gtk_tree_selection_set_mode(selection, rows.size() > 1 ? GTK_SELECTION_MULTIPLE
                                                               : GTK_SELECTION_SINGLE);
        gtk_tree_selection_unselect_all(selection);
        for (int row : rows) {
            GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
            gtk_tree_selection_select_path(selection, path);
            gtk_tree_path_free(path);
        }
    }
    void locations(std::initializer_list<std::pair<int, int>> filled) const
    {
        for (int i = 0; i < kLocationCount; i++) {
            int panel = kNoPanel;
            for (auto [number, p] : filled) {
                if (number == i) {
                    panel = p;
                }
            }
            locations_add_item_to_location_model(i, panel, panel == kNoPanel ? 0 : 6);
        }
    }

    GtkWidget *window_ = nullptr;
};

std::vector<int> column(GtkListStore *store, int c = 0)
{
    return zbx_test_column(GTK_TREE_MODEL(store), c);
}

uint32_t rgba_at(GdkPixbuf *image, int x, int y)
{
    RgbaView v = pixbufs_view(image);
    const uint8_t *p = v.pixels + y * v.rowstride + x * 4;
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint32_t palette_rgba(int colour)
{
    return (uint32_t(palette_rgb[colour][0]) << 24) | (uint32_t(palette_rgb[colour][1]) << 16) |
           (uint32_t(palette_rgb[colour][2]) << 8) | 0xFF;
}

// Answers the clear-record dialog from inside its own loop.
struct DialogAnswer
{
    bool yes = false;
    bool seen = false;
    std::string title, question;
    gboolean resizable = TRUE;
    int polls = 0;
    GtkWidget *dialog = nullptr; // cleared when the dialog is destroyed
};

gboolean answer_dialog(gpointer data)
{
    auto *answer = static_cast<DialogAnswer *>(data);
    GtkWidget *dialog = nullptr;
    GList *all = gtk_window_list_toplevels();
    for (GList *l = all; l != nullptr; l = l->next) {
        GtkWidget *w = GTK_WIDGET(l->data);
        if (g_strcmp0(gtk_widget_get_name(w), "dialog_clear_record") == 0 &&
            gtk_widget_get_mapped(w)) {
            dialog = w;
        }
    }
    g_list_free(all);
    if (dialog == nullptr) {
        return ++answer->polls < 500;
    }
    answer->seen = true;
    answer->dialog = dialog;
    g_object_add_weak_pointer(G_OBJECT(dialog), reinterpret_cast<gpointer *>(&answer->dialog));
    answer->title = gtk_window_get_title(GTK_WINDOW(dialog));
    answer->resizable = gtk_window_get_resizable(GTK_WINDOW(dialog));
    answer->question =
        gtk_label_get_text(GTK_LABEL(lookup_widget(dialog, "label_clear_record_request")));
    const char *button = answer->yes ? "button_clear_record_ok" : "button_clear_record_cancel";
    gtk_button_clicked(GTK_BUTTON(lookup_widget(dialog, button)));
    return FALSE;
}
} // namespace

TEST_F(ModelViews, EachViewGetsItsRightAlignedColumnAndStore)
{
    struct Expected
    {
        const char *view, *title;
        GtkTreeModel *model;
    } expected[] = {
        {"treeview_main_objects", "Object ID", GTK_TREE_MODEL(objectmodel_get_model())},
        {"treeview_main_panels", "Panel ID", GTK_TREE_MODEL(panelmodels_get_panel_model())},
        {"treeview_main_panel_defs", "Item", nullptr},
        {"treeview_main_locations", "Location ID", GTK_TREE_MODEL(locations_get_model())},
    };
    for (const Expected &e : expected) {
        GtkTreeView *v = view(e.view);
        EXPECT_EQ(gtk_tree_view_get_model(v), e.model) << e.view;
        GList *columns = gtk_tree_view_get_columns(v);
        ASSERT_EQ(g_list_length(columns), 1u) << e.view;
        auto *c = GTK_TREE_VIEW_COLUMN(columns->data);
        EXPECT_STREQ(gtk_tree_view_column_get_title(c), e.title);
        GList *cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(c));
        gfloat xalign = 0;
        g_object_get(cells->data, "xalign", &xalign, nullptr);
        EXPECT_EQ(xalign, 1.0f) << e.view;
        g_list_free(cells);
        g_list_free(columns);
    }
}

TEST_F(ModelViews, ObjectSelectionQueriesAndRemoval)
{
    zbx_test_allocate(6);
    for (int index : {1, 3, 5}) {
        zbx_test_put_object(index);
    }
    int id = -1;
    EXPECT_FALSE(objectmodel_get_current_object_id(&id));
    select("treeview_main_objects", {0, 2});
    EXPECT_FALSE(objectmodel_get_current_object_id(&id));
    objectmodel_remove_selected_object_from_object_model();
    EXPECT_EQ(column(objectmodel_get_model()), std::vector<int>({1, 3, 5}));

    select("treeview_main_objects", {1});
    ASSERT_TRUE(objectmodel_get_current_object_id(&id));
    EXPECT_EQ(id, 3);
    // Deleting the selected object takes its row and renumbers the rest.
    ASSERT_EQ(itemwrapper_delete_object_at_index(3, TRUE), 1);
    EXPECT_EQ(column(objectmodel_get_model()), std::vector<int>({1, 4}));
    EXPECT_EQ(zbx_test_object_labels(), std::vector<std::string>({"OBJECT 1", "OBJECT 4"}));
}

TEST_F(ModelViews, ObjectPreviewCentresTheObjectOnTheCellGrid)
{
    GRef<GdkPixbuf> backdrop(common_create_new_canvas());
    gdk_pixbuf_fill(backdrop.get(), 0x102030ff);
    common_set_background_pixbuf(backdrop.get());
    struct Case
    {
        int w, h, x, y;
    } cases[] = {{3, 2, 144, 120}, {15, 15, 96, 64}, {1, 1, 152, 120}};
    zbx_test_allocate(3);
    for (int i = 0; i < 3; i++) {
        GdkPixbuf *image = zbx_test_image(cases[i].w, cases[i].h);
        gdk_pixbuf_fill(image, 0xff0000ff);
        // Its top-left pixel pair stays transparent and shows the fill.
        RgbaView v = pixbufs_view(image);
        v.pixels[3] = v.pixels[7] = 0;
        ASSERT_EQ(objects_set_array_at_index(i, image, zbx_test_record(cases[i].w, cases[i].h)), 1);
        objectmodel_add_item_to_object_model(i, image);
    }
    GRef<GdkPixbuf> canvas(common_create_new_canvas());
    for (int i = 0; i < 3; i++) {
        const Case &c = cases[i];
        select("treeview_main_objects", {i});
        objectmodel_render_object(canvas.get(), 5);
        const int right = c.x + 8 * c.w - 1;
        const int bottom = c.y + 8 * c.h - 1;
        EXPECT_EQ(rgba_at(canvas.get(), c.x, c.y), palette_rgba(5)) << i;
        EXPECT_EQ(rgba_at(canvas.get(), c.x + 2, c.y), 0xff0000ffu) << i;
        EXPECT_EQ(rgba_at(canvas.get(), right, bottom), 0xff0000ffu) << i;
        EXPECT_EQ(rgba_at(canvas.get(), c.x - 1, c.y + 1), palette_rgba(5)) << i;
        EXPECT_EQ(rgba_at(canvas.get(), right + 1, bottom), palette_rgba(5)) << i;
        EXPECT_EQ(rgba_at(canvas.get(), right, bottom + 1 < 200 ? bottom + 1 : 56), palette_rgba(5))
            << i;
        EXPECT_EQ(rgba_at(canvas.get(), 0, 56), palette_rgba(5));
        EXPECT_EQ(rgba_at(canvas.get(), 0, 55), 0x102030ffu);
    }
    // Without a selection: the backdrop alone.
    select("treeview_main_objects", {});
    objectmodel_render_object(canvas.get(), 5);
    EXPECT_EQ(rgba_at(canvas.get(), 160, 128), 0x102030ffu);
    common_set_background_pixbuf(nullptr);
}

TEST_F(ModelViews, PanelSelectionDrivesTheDefinitionList)
{
    zbx_test_allocate(4);
    zbx_test_put_object(0);
    zbx_test_put_panel(1);
    zbx_test_put_panel(3);
    zbx_test_place(3, 0, 16, 8);
    zbx_test_place(3, 1, 0, 0);
    int index = -1, colour = -1;
    EXPECT_FALSE(panelmodels_get_current_panel_info(&index, &colour));
    EXPECT_FALSE(panelmodels_set_panel_preview_background_colour(7));
    EXPECT_FALSE(panelmodels_on_cursor_changed_set_panel_defs_model());
    EXPECT_EQ(column(panelmodels_get_panel_model(), PANEL_COL_COLOUR), std::vector<int>({0, 0}));

    select("treeview_main_panels", {1});
    EXPECT_TRUE(panelmodels_set_panel_preview_background_colour(7));
    ASSERT_TRUE(panelmodels_get_current_panel_info(&index, &colour));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(colour, 7);
    ASSERT_TRUE(panelmodels_on_cursor_changed_set_panel_defs_model());
    GtkTreeView *defs = view("treeview_main_panel_defs");
    EXPECT_EQ(gtk_tree_view_get_model(defs), GTK_TREE_MODEL(panels_get_from_array_at_index(3)));

    PanelDef def;
    EXPECT_FALSE(panelmodels_get_selected_panel_def(&def));
    select("treeview_main_panel_defs", {0});
    ASSERT_TRUE(panelmodels_get_selected_panel_def(&def));
    EXPECT_EQ(def.item, 0);
    EXPECT_EQ(def.x, 16);
    EXPECT_TRUE(def.is_object);

    // A second selection leaves the definition list as it was.
    select("treeview_main_panels", {0, 1});
    EXPECT_FALSE(panelmodels_on_cursor_changed_set_panel_defs_model());
    EXPECT_EQ(gtk_tree_view_get_model(defs), GTK_TREE_MODEL(panels_get_from_array_at_index(3)));

    // Deleting the selected panel 1 (nothing refers to it... but panel 3
    // does: drop that definition first, as the main window would insist).
    zbx_def_list_remove(panels_get_from_array_at_index(3), 1);
    select("treeview_main_panels", {0});
    ASSERT_EQ(itemwrapper_delete_panel_at_index(1, TRUE), 1);
    EXPECT_EQ(column(panelmodels_get_panel_model()), std::vector<int>({2}));
    EXPECT_EQ(gtk_tree_view_get_model(defs), GTK_TREE_MODEL(panels_get_from_array_at_index(2)));

    // Closing the data detaches the definition list.
    itemwrapper_cleanup();
    EXPECT_EQ(gtk_tree_view_get_model(defs), nullptr);
}

TEST_F(ModelViews, StoringALocationNeedsAPanelAndALocation)
{
    zbx_test_allocate(3);
    zbx_test_put_panel(0);
    zbx_test_put_panel(2);
    locations({{4, 0}});
    GError *error = nullptr;
    select("treeview_main_locations", {7});
    EXPECT_FALSE(locations_store_location(&error));
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->message, "Please first select a panel");
    g_clear_error(&error);

    select("treeview_main_panels", {1});
    ASSERT_TRUE(panelmodels_set_panel_preview_background_colour(11));
    select("treeview_main_locations", {});
    EXPECT_FALSE(locations_store_location(&error));
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->message, "Please first select a location");
    EXPECT_TRUE(g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_FAILED));
    g_clear_error(&error);
    EXPECT_FALSE(locations_is_filled_at_index(7));

    select("treeview_main_locations", {7});
    ASSERT_TRUE(locations_store_location(&error));
    int panel = -1, colour = -1, number = -1;
    ASSERT_TRUE(locations_get_current_location_info(&panel, &colour));
    EXPECT_EQ(panel, 2);
    EXPECT_EQ(colour, 11);
    ASSERT_TRUE(locations_get_current_location_index(&number));
    EXPECT_EQ(number, 7);
    EXPECT_EQ(locations_get_index_past_last_filled_slot(), 8);
}

TEST_F(ModelViews, ClearingARecordAsksFirst)
{
    zbx_test_allocate(1);
    zbx_test_put_panel(0);
    locations({{31, 0}});
    select("treeview_main_locations", {31});

    DialogAnswer no;
    guint source = g_timeout_add(10, answer_dialog, &no);
    locations_clear_location_record();
    ASSERT_TRUE(no.seen);
    EXPECT_EQ(no.dialog, nullptr); // destroyed after the answer
    EXPECT_EQ(no.title, "Confirm");
    EXPECT_EQ(no.question, "Are you sure you want to\nclear the selected record?");
    EXPECT_FALSE(no.resizable);
    EXPECT_TRUE(locations_is_filled_at_index(31));

    DialogAnswer yes;
    yes.yes = true;
    g_timeout_add(10, answer_dialog, &yes);
    locations_clear_location_record();
    ASSERT_TRUE(yes.seen);
    EXPECT_EQ(yes.dialog, nullptr);
    int panel = -1, colour = -1;
    EXPECT_FALSE(locations_get_info_at_index(31, &panel, &colour));
    EXPECT_EQ(panel, kNoPanel);
    EXPECT_EQ(colour, 0);
    GCharPtr text(locations_record_text(panel, colour));
    EXPECT_STREQ(text.get(), "Empty record");

    // With no location selected nothing is asked.
    select("treeview_main_locations", {});
    DialogAnswer none;
    source = g_timeout_add(10, answer_dialog, &none);
    locations_clear_location_record();
    EXPECT_FALSE(none.seen);
    g_source_remove(source);
}
