// The list models attached to tree views as in the main window: selection
// queries, the previews they drive, and rendering object by object with the main loop running in
// between.
#include <cstring>
#include <string>

#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"
#include "support/items_fixture.h"
#include "window_support.h"

namespace {

uint32_t rgba_at(GdkPixbuf *image, int x, int y)
{
    const uint8_t *p = pixbufs_view(image).pixels + y * pixbufs_view(image).rowstride + x * 4;
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint32_t colour(int c)
{
    return (uint32_t(palette_rgb[c][0]) << 24) | (uint32_t(palette_rgb[c][1]) << 16) |
           (uint32_t(palette_rgb[c][2]) << 8) | 0xFF;
}

constexpr uint32_t kBackdrop = 0x102030ff;

// Counts its calls; as a source, stays.
gboolean count(gpointer n)
{
    ++*static_cast<int *>(n);
    return TRUE;
}

// The four list views of the main window and a drawing area that counts its
// redraws, over a plain backdrop.
class ModelViews : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        zbx_reset_all_modules();
        GRef<GdkPixbuf> backdrop(common_create_new_canvas());
        gdk_pixbuf_fill(backdrop.get(), kBackdrop);
        common_set_background_pixbuf(backdrop.get());
        canvas_.reset(common_create_new_canvas());
        window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        GtkWidget *box = gtk_vbox_new(FALSE, 0);
        gtk_container_add(GTK_CONTAINER(window_), box);
        for (const char *name : {"treeview_main_objects", "treeview_main_panels",
                                 "treeview_main_panel_defs", "treeview_main_locations"}) {
            GtkWidget *view = gtk_tree_view_new();
            gtk_box_pack_start(GTK_BOX(box), view, FALSE, FALSE, 0);
            zbx_register_widget(window_, view, name);
        }
        area_ = gtk_drawing_area_new();
        gtk_widget_set_size_request(area_, 320, 200);
        gtk_box_pack_start(GTK_BOX(box), area_, FALSE, FALSE, 0);
        g_signal_connect_swapped(area_, "expose-event", G_CALLBACK(count), &exposed_);
        objectmodel_module_init(window_);
        panelmodels_module_init(window_);
        locations_module_init(window_);
        gtk_widget_show_all(window_);
        pump_events();
    }
    void TearDown() override
    {
        zbx_reset_all_modules();
        gtk_widget_destroy(window_);
        common_set_background_pixbuf(nullptr);
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
    // Renders a list into the canvas at once, or object by object into the
    // area, over the backdrop.
    GRef<GdkPixbuf> render(ZbxDefList *list, bool incremental)
    {
        GRef<GdkPixbuf> canvas(common_create_new_canvas());
        common_copy_background_image_to_pixbuf(canvas.get());
        panelmodels_render_panel_defs(list, canvas.get(), incremental ? area_ : nullptr, 6, 0, 0);
        return canvas;
    }

    GtkWidget *window_ = nullptr;
    GtkWidget *area_ = nullptr;
    int exposed_ = 0;
    GRef<GdkPixbuf> canvas_;
};

bool same_pixels(GdkPixbuf *a, GdkPixbuf *b)
{
    return std::memcmp(gdk_pixbuf_get_pixels(a), gdk_pixbuf_get_pixels(b),
                       gdk_pixbuf_get_rowstride(a) * 200) == 0;
}

} // namespace

// (The window's own tests drive the same models through menus and buttons
// on a loaded project; here are the cases a project seldom shows.)
TEST_F(ModelViews, ObjectPreviewCentresObjectsOfAnySizeOnTheCellGrid)
{
    // Objects of 3 x 2, 15 x 15 and 1 x 1 cells, red but for their
    // transparent top-left pixel pair.
    const struct
    {
        int w, h, x, y;
    } cases[] = {{3, 2, 144, 120}, {15, 15, 96, 64}, {1, 1, 152, 120}};
    zbx_test_allocate(3);
    for (int i = 0; i < 3; i++) {
        GdkPixbuf *image = zbx_test_image(cases[i].w, cases[i].h);
        gdk_pixbuf_fill(image, 0xff0000ff);
        RgbaView v = pixbufs_view(image);
        v.pixels[3] = v.pixels[7] = 0;
        ASSERT_EQ(objects_set_array_at_index(i, image, zbx_test_record(cases[i].w, cases[i].h)), 1);
        objectmodel_add_item_to_object_model(i, image);
    }
    // Each fills exactly its cells (the top-left pixel pair in the preview
    // colour), the rest of the area is in that colour, above it the backdrop.
    for (int i = 0; i < 3; i++) {
        const auto &c = cases[i];
        select("treeview_main_objects", {i});
        objectmodel_render_object(canvas_.get(), 5);
        const int right = c.x + 8 * c.w - 1, bottom = c.y + 8 * c.h - 1;
        EXPECT_EQ(rgba_at(canvas_.get(), c.x, c.y), colour(5)) << i;
        EXPECT_EQ(rgba_at(canvas_.get(), c.x + 2, c.y), 0xff0000ffu) << i;
        EXPECT_EQ(rgba_at(canvas_.get(), right, bottom), 0xff0000ffu) << i;
        EXPECT_EQ(rgba_at(canvas_.get(), c.x - 1, c.y + 1), colour(5)) << i;
        EXPECT_EQ(rgba_at(canvas_.get(), right + 1, bottom), colour(5)) << i;
        EXPECT_EQ(rgba_at(canvas_.get(), 0, 55), kBackdrop) << i;
    }
    // Two rows selected: no current object.
    int id = -1;
    select("treeview_main_objects", {0, 2});
    EXPECT_FALSE(objectmodel_get_current_object_id(&id));
}

TEST_F(ModelViews, DefinitionListFollowsOneSelectedPanelAndLetsGoOfDeletedOnes)
{
    zbx_test_allocate(4);
    zbx_test_put_panel(1);
    zbx_test_put_panel(3);
    zbx_test_place(3, 0, 16, 8);
    select("treeview_main_panels", {1});
    ASSERT_TRUE(panelmodels_on_cursor_changed_set_panel_defs_model());
    GtkTreeView *defs = view("treeview_main_panel_defs");
    EXPECT_EQ(gtk_tree_view_get_model(defs), GTK_TREE_MODEL(panels_get_from_array_at_index(3)));
    PanelDef def;
    EXPECT_FALSE(panelmodels_get_selected_panel_def(&def));
    select("treeview_main_panel_defs", {0});
    ASSERT_TRUE(panelmodels_get_selected_panel_def(&def));
    EXPECT_EQ(def, zbx_panel_def(0, 16, 8));
    // A second selection leaves the definition list as it was.
    select("treeview_main_panels", {0, 1});
    EXPECT_FALSE(panelmodels_on_cursor_changed_set_panel_defs_model());
    EXPECT_EQ(gtk_tree_view_get_model(defs), GTK_TREE_MODEL(panels_get_from_array_at_index(3)));
    // Deleting the selected panel 1: the list shown is that of panel 3,
    // now 2; closing the data detaches it.
    select("treeview_main_panels", {0});
    ASSERT_EQ(itemwrapper_delete_panel_at_index(1, TRUE), 1);
    EXPECT_EQ(zbx_test_column(panelmodels_get_panel_model()), std::vector<int>({2}));
    EXPECT_EQ(gtk_tree_view_get_model(defs), GTK_TREE_MODEL(panels_get_from_array_at_index(2)));
    itemwrapper_cleanup();
    EXPECT_EQ(gtk_tree_view_get_model(defs), nullptr);
}

TEST_F(ModelViews, IncrementalRenderingShowsEachObjectAndEndsLikeOneGo)
{
    zbx_test_allocate(8);
    zbx_test_put_opaque_object(0, 2, 3);
    zbx_test_put_opaque_object(1, 3, 1, 0x45);
    ZbxDefList *list = zbx_test_put_panel(2);
    zbx_test_place(2, 0, 0, 0);
    zbx_test_place(2, 1, 8, 8);
    zbx_test_place(2, 0, 400, 0); // wholly outside: no update, no pause
    zbx_test_place(2, 1, 16, 16);
    // A timeout shows that the main loop runs in between; a source that is
    // always ready must not hold the run.
    int timeouts = 0, idles = 0;
    const guint timeout = g_timeout_add(1, count, &timeouts);
    const guint idle = g_idle_add(count, &idles);
    exposed_ = 0;
    const gint64 start = g_get_monotonic_time();
    GRef<GdkPixbuf> shown = render(list, true);
    const gint64 elapsed = g_get_monotonic_time() - start;
    g_source_remove(timeout);
    g_source_remove(idle);
    // Three objects drawn: 6 + 3 + 3 cells, 192 microseconds each.
    EXPECT_GE(elapsed, 12 * 192);
    EXPECT_GE(timeouts, 2);
    EXPECT_GT(idles, 0);
    EXPECT_GE(exposed_, 1);
    EXPECT_TRUE(same_pixels(shown.get(), render(list, false).get()));
}
