// Rendering into drawing areas: object by object with the main loop running
// in between, and the main window's selected panel and location.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstring>
#include <vector>

#include "app/common.h"
#include "app/support.h"
#include "c64/palette.h"
#include "c64/pixbufs.h"
#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"
#include "support/reset.h"

namespace {

std::vector<uint8_t> record(int w, int h, uint8_t screen)
{
    std::vector<uint8_t> data = {static_cast<uint8_t>((w << 4) | h)};
    data.insert(data.end(), 8 * w * h, 0x1B); // pixels 0 1 2 3
    data.insert(data.end(), w * h, screen);
    data.insert(data.end(), w * h, 0xF3);
    return data;
}

void put_object(int index, int w, int h, uint8_t screen)
{
    const std::vector<uint8_t> data = record(w, h, screen);
    GdkPixbuf *image = pixbufs_new_from_hires(data.data() + 1, data.data() + 1 + 8 * w * h,
                                              data.data() + 1 + 9 * w * h, w, h);
    ASSERT_EQ(objects_set_array_at_index(index, image, data), 1);
}

void place(int panel, int item, int x, int y)
{
    panelmodels_add_item_to_panel_def_model(panel, item, FALSE, FALSE, x, y, 0, 0, 0, 0);
}

bool same_pixels(GdkPixbuf *a, GdkPixbuf *b)
{
    RgbaView va = pixbufs_view(a);
    RgbaView vb = pixbufs_view(b);
    for (int y = 0; y < back_height; y++) {
        if (std::memcmp(va.pixels + y * va.rowstride, vb.pixels + y * vb.rowstride,
                        4 * back_width) != 0) {
            return false;
        }
    }
    return true;
}

std::vector<int> pixel(GdkPixbuf *canvas, int x, int y)
{
    RgbaView v = pixbufs_view(canvas);
    const uint8_t *p = v.pixels + y * v.rowstride + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

std::vector<int> colour(int c)
{
    return {palette_rgb[c][0], palette_rgb[c][1], palette_rgb[c][2], 255};
}

const char *const kViews[] = {"treeview_main_objects", "treeview_main_panels",
                              "treeview_main_panel_defs", "treeview_main_locations"};

class Rendering : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        zbx_reset_all_modules();
        GRef<GdkPixbuf> backdrop(common_create_new_canvas());
        gdk_pixbuf_fill(backdrop.get(), 0xffffffff);
        common_set_background_pixbuf(backdrop.get());

        window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        GtkWidget *box = gtk_vbox_new(FALSE, 0);
        gtk_container_add(GTK_CONTAINER(window_), box);
        for (const char *name : kViews) {
            GtkWidget *view = gtk_tree_view_new();
            gtk_box_pack_start(GTK_BOX(box), view, FALSE, FALSE, 0);
            zbx_register_widget(window_, view, name);
        }
        area_ = gtk_drawing_area_new();
        gtk_widget_set_size_request(area_, back_width, back_height);
        gtk_box_pack_start(GTK_BOX(box), area_, FALSE, FALSE, 0);
        g_signal_connect(area_, "expose-event",
                         G_CALLBACK(+[](GtkWidget *, GdkEvent *, gpointer n) {
                             ++*static_cast<int *>(n);
                             return FALSE;
                         }),
                         &exposed_);
        objectmodel_module_init(window_);
        panelmodels_module_init(window_);
        locations_module_init(window_);
        gtk_widget_show_all(window_);
        while (gtk_events_pending()) {
            gtk_main_iteration();
        }

        ASSERT_EQ(itemwrapper_allocate_array(8), 1);
        put_object(0, 2, 3, 0x12);
        put_object(1, 3, 1, 0x45);
        canvas_.reset(common_create_new_canvas());
        expected_.reset(common_create_new_canvas());
    }
    void TearDown() override
    {
        zbx_reset_all_modules();
        gtk_widget_destroy(window_);
        common_set_background_pixbuf(nullptr);
    }
    ZbxDefList *new_panel(int index)
    {
        ZbxDefList *list = panelmodels_add_item_to_panel_model(index);
        EXPECT_NE(list, nullptr);
        EXPECT_EQ(panels_set_array_at_index(index, list), 1);
        return list;
    }
    void select(const char *name, int row)
    {
        GtkTreeView *view = GTK_TREE_VIEW(lookup_widget(window_, name));
        GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
        gtk_tree_selection_select_path(gtk_tree_view_get_selection(view), path);
        gtk_tree_path_free(path);
    }
    // The same list drawn in one go.
    void render_at_once(ZbxDefList *list, int background)
    {
        common_copy_background_image_to_pixbuf(expected_.get());
        panelmodels_render_panel_defs(list, expected_.get(), nullptr, background, 0, 0);
    }

    GtkWidget *window_ = nullptr;
    GtkWidget *area_ = nullptr;
    int exposed_ = 0;
    GRef<GdkPixbuf> canvas_;
    GRef<GdkPixbuf> expected_;
};

} // namespace

TEST_F(Rendering, IncrementalRunShowsEachObjectAndEndsLikeOneGo)
{
    ZbxDefList *list = new_panel(2);
    place(2, 0, 0, 0);
    place(2, 1, 8, 8);
    place(2, 0, 400, 0); // wholly outside: no update, no pause
    place(2, 1, 16, 16);
    int idle_runs = 0;
    g_timeout_add(
        1,
        +[](gpointer n) -> gboolean {
            ++*static_cast<int *>(n);
            return TRUE;
        },
        &idle_runs);
    exposed_ = 0;

    common_copy_background_image_to_pixbuf(canvas_.get());
    const gint64 start = g_get_monotonic_time();
    panelmodels_render_panel_defs(list, canvas_.get(), area_, 6, 1, 128);
    const gint64 elapsed = g_get_monotonic_time() - start;
    g_source_remove_by_user_data(&idle_runs);

    // Three objects drawn: 6 + 3 + 3 cells, 192 microseconds each.
    EXPECT_GE(elapsed, 12 * 192);
    // The main loop ran in between and the area was redrawn.
    EXPECT_GE(idle_runs, 2);
    EXPECT_GE(exposed_, 1);
    render_at_once(list, 6);
    EXPECT_TRUE(same_pixels(canvas_.get(), expected_.get()));
}

TEST_F(Rendering, AnAlwaysReadySourceDoesNotHoldTheRun)
{
    ZbxDefList *list = new_panel(2);
    place(2, 0, 0, 0);
    place(2, 1, 8, 8);
    int idle_runs = 0;
    const guint idle = g_idle_add(
        +[](gpointer n) -> gboolean {
            ++*static_cast<int *>(n);
            return TRUE;
        },
        &idle_runs);
    common_copy_background_image_to_pixbuf(canvas_.get());
    panelmodels_render_panel_defs(list, canvas_.get(), area_, 6, 0, 0);
    g_source_remove(idle);
    EXPECT_GT(idle_runs, 0);
    render_at_once(list, 6);
    EXPECT_TRUE(same_pixels(canvas_.get(), expected_.get()));
}

TEST_F(Rendering, IncrementalRunOfAHugePanelEndsSoon)
{
    // Panels 2 to 6 each place the next one eight times, panel 7 places
    // object 1 eight times: 8^6 objects as written.
    for (int p = 2; p <= 7; p++) {
        new_panel(p);
    }
    for (int p = 2; p <= 7; p++) {
        for (int i = 0; i < 8; i++) {
            if (p == 7) {
                place(p, 1, 8 * i, 8 * (i % 3));
            } else {
                place(p, p + 1, 0, 0);
            }
        }
    }
    ZbxDefList *top = panels_get_from_array_at_index(2);
    common_copy_background_image_to_pixbuf(canvas_.get());
    const gint64 start = g_get_monotonic_time();
    panelmodels_render_panel_defs(top, canvas_.get(), area_, 6, 0, 0);
    const gint64 elapsed = g_get_monotonic_time() - start;
    EXPECT_LT(elapsed, 20 * G_USEC_PER_SEC);
    render_at_once(top, 6);
    EXPECT_TRUE(same_pixels(canvas_.get(), expected_.get()));
}

TEST_F(Rendering, TheSelectedPanelWithItsPreviewColour)
{
    new_panel(2);
    new_panel(3);
    place(2, 0, 0, 0);
    panelmodels_fill_in_panel_def_background_color(2, 9);
    int colour_out = -1;

    // Nothing selected: the backdrop and colour 0.
    panelmodels_render_panel(canvas_.get(), nullptr, 0, 0, &colour_out);
    EXPECT_EQ(colour_out, 0);
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), (std::vector<int>{255, 255, 255, 255}));

    select("treeview_main_panels", 0);
    panelmodels_render_panel(canvas_.get(), nullptr, 0, 0, &colour_out);
    EXPECT_EQ(colour_out, 9);
    EXPECT_EQ(pixel(canvas_.get(), 2, 56), colour(1));
    EXPECT_EQ(pixel(canvas_.get(), 30, 56), colour(9));
}

TEST_F(Rendering, TheSelectedLocation)
{
    new_panel(2);
    place(2, 1, 8, 0);
    for (int i = 0; i < kLocationCount; i++) {
        locations_add_item_to_location_model(i, i == 1 ? 2 : kNoPanel, i == 1 ? 11 : 7);
    }
    select("treeview_main_locations", 1);
    locations_render_location(canvas_.get(), area_, 0, 0);
    EXPECT_EQ(pixel(canvas_.get(), 0, 56), colour(11));
    EXPECT_EQ(pixel(canvas_.get(), 10, 56), colour(4));
    EXPECT_EQ(pixel(canvas_.get(), 0, 40), (std::vector<int>{255, 255, 255, 255}));

    // An empty record: its colour over the whole area.
    select("treeview_main_locations", 5);
    locations_render_location(canvas_.get(), nullptr, 0, 0);
    EXPECT_EQ(pixel(canvas_.get(), 10, 56), colour(7));
    EXPECT_EQ(pixel(canvas_.get(), 319, 199), colour(7));
}
