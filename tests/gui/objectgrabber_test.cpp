// The object grabber's real window, built from a context of its own and
// driven with pointer and key events. (The selection geometry alone is in
// the core tests; a drag and grab through the real file chooser, saved and
// compared with zembrix-cli grab and replace, is tests/e2e/grab_object.sh.)
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "c64/palette.h"
#include "c64/pixbufs.h"
#include "context_fixture.h"
#include "grabber/objectgrabber.h"
#include "gui_helpers.h"
#include "support/items_fixture.h"
#include "ui/builder.h"
#include <glib/gstdio.h>

namespace {

// A Koala picture of our own, all green (palette colour 5).
std::vector<uint8_t> green_koala()
{
    std::vector<uint8_t> file(10003, 0xFF);
    file[0] = 0x00;
    file[1] = 0x60;
    std::fill(file.begin() + 9002, file.end(), 0x05);
    return file;
}

constexpr uint32_t kGreen = 0x588D43;
constexpr uint32_t kWhite = 0xFFFFFF;

class GrabberAtWork : public testing::Test
{
  protected:
    GrabberAtWork() { t.shell.parent = GTK_WINDOW(main_window); }
    ~GrabberAtWork() override
    {
        take_errors();
        gtk_widget_destroy(main_window);
    }

    // A project of `objects` objects of 1 x 1 cell.
    void open_project(int objects)
    {
        std::vector<ZbxItem> items;
        for (int i = 0; i < objects; i++) {
            items.push_back(zbx_object_item(zbx_test_record(1, 1, static_cast<uint8_t>(i))));
        }
        t.document.load(zbx_test_project(std::move(items)));
    }
    void show()
    {
        gtk_window_move(GTK_WINDOW(grabber.window()), 0, 0);
        grabber.show();
        for (int tries = 0; tries < 500 && !GTK_WIDGET_MAPPED(grabber.window()); tries++) {
            pump_events();
            g_usleep(2000);
        }
        gdk_window_process_all_updates();
        pump_events();
    }
    GtkWidget *widget(const char *name) { return lookup_widget(grabber.window(), name); }
    GtkWidget *area() { return widget("drawingarea_object_grabber_object_preview"); }

    void press(double x, double y, guint button, GdkEventType type = GDK_BUTTON_PRESS)
    {
        send_button(area(), x, y, button, type);
    }
    void move(double x, double y, bool held = true)
    {
        send_motion(area(), x, y, held ? GDK_BUTTON1_MASK : 0);
    }
    // Drags from (x, y) by whole cells (area pixels at the current zoom).
    void drag(int x, int y, int dx_cells, int dy_cells)
    {
        const int cell = 8 << grabber.zoom();
        move(x, y, false);
        press(x, y, 1);
        move(x, y);
        move(x + dx_cells * cell, y + dy_cells * cell);
    }
    GtkIconView *icons() { return GTK_ICON_VIEW(widget("iconview_object_grabber_objects")); }
    int icon_count()
    {
        return gtk_tree_model_iter_n_children(gtk_icon_view_get_model(icons()), nullptr);
    }
    // The single selected icon's row, or -1.
    int selected_icon()
    {
        GList *selected = gtk_icon_view_get_selected_items(icons());
        const int row =
            g_list_length(selected) == 1
                ? gtk_tree_path_get_indices(static_cast<GtkTreePath *>(selected->data))[0]
                : -1;
        g_list_free_full(selected, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
        return row;
    }

    GtkToggleButton *toggle(const char *name) { return GTK_TOGGLE_BUTTON(widget(name)); }
    std::string status() { return status_text(grabber.window(), "statusbar_object_grabber"); }
    void wait_for_zoom()
    {
        const int width = kScreenWidth << grabber.zoom();
        pump_until([&] { return area()->allocation.width == width; }, 1000);
    }
    // Pixels of column x of the area (rows 0 to 199) not in colour.
    int differing_in_column(int x, uint32_t colour)
    {
        pump_events();
        const GRef<GdkPixbuf> image = grab_widget(area());
        int differ = 0;
        for (int y = 0; y < kScreenHeight; y++) {
            differ += rgb_at(image.get(), x, y) != colour;
        }
        return differ;
    }

    TestContext t;
    GtkWidget *main_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GrabberWindow grabber{t.context};
};

} // namespace

TEST_F(GrabberAtWork, OnlyARightPressOnASelectionGrabsAndEachGrabIsAStep)
{
    open_project(3);
    show();
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(grabber.window())), t.shell.parent);
    // Nothing happens before a picture is open.
    press(20, 20, 1);
    EXPECT_TRUE(objectgrabber_selection_empty(grabber.selection().rect));
    ASSERT_TRUE(
        grabber.open_picture(zbx_source_path("tests/data/pictures/koala/NINJA3.KOA").c_str()));
    // An empty selection grabs nothing.
    press(85, 37, 1);
    press(85, 37, 3);
    EXPECT_EQ(t.document.item_count(), 3);
    drag(85, 37, 3, 1);
    // Double and triple presses grab nothing.
    press(85, 37, 3, GDK_2BUTTON_PRESS);
    press(85, 37, 3, GDK_3BUTTON_PRESS);
    EXPECT_FALSE(t.document.can_undo());

    press(10, 10, 3);
    EXPECT_EQ(selected_icon(), 3);
    press(10, 10, 3);
    EXPECT_EQ(icon_count(), 5);
    EXPECT_EQ(selected_icon(), 4);
    EXPECT_STREQ(t.document.undo_name(), "Grab object");
    ASSERT_TRUE(t.document.undo());
    ASSERT_TRUE(t.document.undo());
    EXPECT_FALSE(t.document.can_undo());
    EXPECT_EQ(icon_count(), 3);
    EXPECT_TRUE(take_errors().empty());

    // Escape and the window manager's close only hide the window; with the
    // project closed and another opened in between, the selection grabs
    // into the new project.
    send_key(grabber.window(), GDK_Escape);
    pump_events();
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(grabber.window()));
    show();
    send_delete_event(grabber.window());
    pump_events();
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(grabber.window()));
    t.document.close();
    open_project(2);
    show();
    press(1, 1, 3);
    EXPECT_EQ(icon_count(), 3);
    EXPECT_EQ(t.document.item_count(), 3);
}

TEST_F(GrabberAtWork, ShowsThePictureZoomedWithTheSelectionFramed)
{
    show();
    ASSERT_TRUE(
        grabber.open_picture(zbx_source_path("tests/data/pictures/koala/Cyber30a-x.koa").c_str()));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget("radiobutton_object_grabber_zoom_2")),
                                 TRUE);
    // The window has grown to show all of it, with no scroll bars.
    pump_until([this] { return visible_part(area()).width == 640; }, 1000);
    gdk_window_process_all_updates();
    pump_events();
    ASSERT_EQ(grabber.zoom(), 1);
    // Pressed at the corner of cell (10, 5), dragged three cells left and
    // two down: the selection covers cells 7 to 9 and rows 5 to 6.
    drag(2 * 80, 2 * 40, -3, 2);
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget("label_object_grabber_selection_details"))),
                 " Selection X: 10, Y: 5, Width: -3, Height: 2");
    const GRef<GdkPixbuf> image = grab_widget(area());
    ASSERT_GE(gdk_pixbuf_get_width(image.get()), 640);
    ASSERT_GE(gdk_pixbuf_get_height(image.get()), 400);
    int differ = 0;
    for (int y = 0; y < 400; y++) {
        for (int x = 0; x < 640; x++) {
            const bool inside = x >= 112 && x < 160 && y >= 80 && y < 112;
            const bool border = inside && (x == 112 || x == 159 || y == 80 || y == 111);
            const uint32_t want = border ? kWhite : rgb_at(grabber.canvas(), x / 2, y / 2);
            differ += rgb_at(image.get(), x, y) != want;
        }
    }
    EXPECT_EQ(differ, 0);
}

TEST_F(GrabberAtWork, FullProjectAndBadPicturesAreRefusedWithNothingChanged)
{
    open_project(255);
    show();
    const std::string junk = t.config.path("junk.koa");
    zbx_write_file(junk, std::vector<uint8_t>(100, 1));
    EXPECT_FALSE(grabber.open_picture(junk.c_str()));
    EXPECT_EQ(take_errors(), std::vector<std::string>{"Undetected picture format"});
    press(0, 0, 1);
    EXPECT_TRUE(objectgrabber_selection_empty(grabber.selection().rect));

    // A failed open keeps the picture shown and its data together.
    const std::string green = t.config.path("green.koa");
    zbx_write_file(green, green_koala());
    ASSERT_TRUE(grabber.open_picture(green.c_str()));
    EXPECT_FALSE(grabber.open_picture(junk.c_str()));
    take_errors();
    EXPECT_EQ(grabber.hires_data()[8], 0xFF);
    EXPECT_EQ(rgb_at(grab_widget(area()).get(), 6, 0), kGreen);

    drag(0, 0, 1, 1);
    press(0, 0, 3);
    EXPECT_EQ(take_errors(), std::vector<std::string>{"Failed to import object"});
    EXPECT_EQ(t.document.item_count(), 255);
    EXPECT_FALSE(t.document.can_undo());
}

TEST_F(GrabberAtWork, GrabsFromRealPicturesEqualTheCommandLine)
{
    open_project(1);
    show();
    const struct
    {
        const char *picture;
        int x, y, dx_cells, dy_cells; // press (picture pixels) and drag
        int transparent;              // -1: colour 0 of the picture
    } cases[] = {
        {"koala/NINJA3.KOA", 100, 60, 6, 4, -1},
        {"advanced_art_studio/frighthof83-yazoo.ocp", 300, 190, -15, -15, -1},
        {"artist64/PPA3BYI.A64", 0, 0, 15, 15, 6},
        {"blazing_paddles/worldmap.pi", 160, 100, -3, 5, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.picture);
        const std::string picture =
            zbx_source_path(std::string("tests/data/pictures/") + c.picture);
        ASSERT_TRUE(grabber.open_picture(picture.c_str()));
        if (c.transparent >= 0) {
            // A click on the palette picks the colour and "Use: ".
            send_button(widget("drawingarea_object_grabber_palette"), 16 * c.transparent + 3, 8, 1);
            EXPECT_EQ(grabber.transparent_colour(), c.transparent);
        } else {
            gtk_toggle_button_set_active(
                GTK_TOGGLE_BUTTON(widget("radiobutton_object_grabber_transparent_color0")), TRUE);
        }
        drag(c.x, c.y, c.dx_cells, c.dy_cells);
        press(0, 0, 3);
        ASSERT_TRUE(take_errors().empty());

        const ZbxRect r = objectgrabber_normalise(grabber.selection().rect);
        const std::string out = t.config.path("grabbed.zbxobject");
        std::vector<std::string> args = {"grab",
                                         picture,
                                         "--x=" + std::to_string(r.x),
                                         "--y=" + std::to_string(r.y),
                                         "--width=" + std::to_string(r.width),
                                         "--height=" + std::to_string(r.height),
                                         "-o",
                                         out};
        if (c.transparent >= 0) {
            args.push_back("--transparent=" + std::to_string(c.transparent));
        }
        ASSERT_EQ(run_cli(args), 0);
        const std::span<const uint8_t> last = t.document.object_record(t.document.item_count() - 1);
        EXPECT_TRUE(zbx_bytes_equal(zbx_read_file(out), {last.begin(), last.end()}));
    }
    EXPECT_EQ(t.document.item_count(), 5);
}

TEST_F(GrabberAtWork, GridFollowsTheOtherWindowsQuietlyAndTellsThemWhenClicked)
{
    show();
    const std::string green = t.config.path("green.koa");
    zbx_write_file(green, green_koala());
    ASSERT_TRUE(grabber.open_picture(green.c_str()));
    GtkToggleButton *check = toggle("checkbutton_object_grabber_show_grid");
    EXPECT_EQ(differing_in_column(8, kGreen), 0);

    // Switched elsewhere: the button follows, the shell hears nothing, and
    // every cell's left edge (and the top edges across) is drawn.
    grabber.set_show_grid(true);
    EXPECT_TRUE(gtk_toggle_button_get_active(check));
    EXPECT_EQ(differing_in_column(8, kGreen), kScreenHeight);
    EXPECT_EQ(differing_in_column(12, kGreen), kScreenHeight / 8 - 1);
    // Clicked: the shell is told, and the grid goes.
    gtk_button_clicked(GTK_BUTTON(check));
    EXPECT_EQ(t.shell.grids, std::vector<bool>{false});
    EXPECT_EQ(differing_in_column(8, kGreen), 0);

    // A grabber built later starts from the options.
    t.options.set_show_grid(true);
    GrabberWindow later(t.context);
    EXPECT_TRUE(later.show_grid());
    EXPECT_TRUE(gtk_toggle_button_get_active(
        GTK_TOGGLE_BUTTON(lookup_widget(later.window(), "checkbutton_object_grabber_show_grid"))));
}

TEST_F(GrabberAtWork, KeysAndTheWheelZoomSaveAndClose)
{
    show();
    std::vector<int> zooms;
    // Without Control, plus and the wheel do nothing here.
    for (auto [key, mods] : {std::pair<guint, guint>{GDK_plus, GDK_SHIFT_MASK},
                             {GDK_plus, GDK_CONTROL_MASK | GDK_SHIFT_MASK},
                             {GDK_equal, GDK_CONTROL_MASK},
                             {GDK_KP_Add, GDK_CONTROL_MASK},
                             {GDK_minus, GDK_CONTROL_MASK}}) {
        send_key(grabber.window(), key, mods);
        zooms.push_back(grabber.zoom());
    }
    for (auto [direction, mods] : {std::pair<GdkScrollDirection, guint>{GDK_SCROLL_UP, 0},
                                   {GDK_SCROLL_UP, GDK_CONTROL_MASK},
                                   {GDK_SCROLL_DOWN, GDK_CONTROL_MASK}}) {
        send_scroll(area(), direction, mods);
        zooms.push_back(grabber.zoom());
    }
    EXPECT_EQ(zooms, (std::vector<int>{0, 1, 2, 2, 1, 1, 2, 1}));
    EXPECT_TRUE(gtk_toggle_button_get_active(toggle("radiobutton_object_grabber_zoom_2")));

    send_key(grabber.window(), GDK_s, GDK_CONTROL_MASK);
    EXPECT_EQ(t.shell.saves, 1);
    EXPECT_TRUE(GTK_WIDGET_VISIBLE(grabber.window()));
    send_key(grabber.window(), GDK_W, GDK_CONTROL_MASK | GDK_LOCK_MASK);
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(grabber.window()));
}

TEST_F(GrabberAtWork, At4XTheWindowFitsTheScreenAndThePointerIsNamed)
{
    show();
    GtkRequisition at_1x{};
    gtk_widget_size_request(grabber.window(), &at_1x);
    gtk_toggle_button_set_active(toggle("radiobutton_object_grabber_zoom_4"), TRUE);
    wait_for_zoom();
    GtkRequisition size{};
    gtk_widget_size_request(grabber.window(), &size);
    EXPECT_LE(size.width, 1260);
    EXPECT_LE(size.height, 760);
    EXPECT_LT(visible_part(area()).width, kScreenWidth * 4);

    move(4 * 96 + 3, 4 * 56 + 3, false);
    EXPECT_EQ(status(), "Cell 12, 7 \u00b7 pixel 96, 56");
    send_event(gdk_event_new(GDK_LEAVE_NOTIFY), area());
    EXPECT_EQ(status(), "");

    // Back at 1X the picture shows whole with no scroll bar, and the window
    // asks for what it did.
    gtk_toggle_button_set_active(toggle("radiobutton_object_grabber_zoom_1"), TRUE);
    wait_for_zoom();
    pump_until([this] { return visible_part(area()).width == kScreenWidth; }, 1000);
    EXPECT_EQ(visible_part(area()).height, kScreenHeight);
    gtk_widget_size_request(grabber.window(), &size);
    EXPECT_EQ(size.width, at_1x.width);
    EXPECT_EQ(size.height, at_1x.height);
}

namespace {

// A 320 x 200 PNG, black, with a 16 x 8 block of `colour` at the top left
// and, in cell (2, 0), four colours besides black (a clash).
std::vector<uint8_t> png_picture(int colour)
{
    GRef<GdkPixbuf> image(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200));
    gdk_pixbuf_fill(image.get(), 0x000000ff);
    auto paint = [&](int x0, int width, int c) {
        uint8_t rgb[3];
        palette_get_rgb_at_index(c, rgb);
        for (int y = 0; y < 8; y++) {
            for (int x = x0; x < x0 + width; x++) {
                uint8_t *p = gdk_pixbuf_get_pixels(image.get()) +
                             y * gdk_pixbuf_get_rowstride(image.get()) + 4 * x;
                std::copy_n(rgb, 3, p);
            }
        }
    };
    paint(0, 16, colour);
    paint(16, 2, 2);
    paint(18, 2, 5);
    paint(20, 2, 6);
    paint(22, 2, 7);
    std::vector<uint8_t> png;
    EXPECT_TRUE(pixbufs_encode_png(image.get(), &png, nullptr));
    return png;
}

} // namespace

TEST_F(GrabberAtWork, AnImageIsMatchedItsClashesFramedAndReplacesAnObjectInPlace)
{
    open_project(3);
    {
        DocumentStep step(t.document, "Place");
        ASSERT_GE(t.document.append_panel(), 0);
        t.document.set_defs(3, {zbx_object_def(1, 8, 8), zbx_object_def(1, 64, 16)});
    }
    show();
    TempFolder folder;
    const std::string path = folder / "art.png";
    zbx_write_file(path, png_picture(14));
    ASSERT_TRUE(grabber.open_picture(path.c_str()));
    EXPECT_EQ(grabber.background(), 0);
    EXPECT_EQ(grabber.clashes(), (std::vector<int>{2}));
    EXPECT_NE(status().find("1 cell (framed) had to change colour"), std::string::npos) << status();
    // The clashing cell is framed in red on the area.
    pump_events();
    const GRef<GdkPixbuf> shown = grab_widget(area());
    EXPECT_EQ(rgb_at(shown.get(), 16, 3), 0xFF0000u);
    EXPECT_EQ(rgb_at(shown.get(), 3, 3), rgb_at(grabber.canvas(), 3, 3));

    // Nothing selected in the main window: said, nothing changed.
    drag(0, 0, 2, 1);
    EXPECT_FALSE(grabber.replace_selected());
    EXPECT_NE(grabber.said().find("Select the object to replace"), std::string::npos);
    EXPECT_FALSE(t.document.can_undo() && std::string(t.document.undo_name()) != "Place");

    // Object 1, replaced by the 2 x 1 cells: light blue, 16 x 8.
    t.shell.object = 1;
    gtk_button_clicked(GTK_BUTTON(widget("button_object_grabber_replace")));
    EXPECT_STREQ(t.document.undo_name(), "Replace object 1");
    int w = 0;
    int h = 0;
    ASSERT_TRUE(t.document.object_size(1, &w, &h));
    EXPECT_EQ(std::pair(w, h), std::pair(16, 8));
    EXPECT_EQ(t.document.panel_defs(3).size(), 2u);
    EXPECT_EQ(t.document.item_count(), 4);

    // The paint program saves the picture again: read again, the selection
    // kept; with "Replace again on change" the object follows.
    gtk_toggle_button_set_active(toggle("checkbutton_object_grabber_replace_again"), TRUE);
    zbx_write_file(path + ".new", png_picture(7));
    ASSERT_EQ(g_rename((path + ".new").c_str(), path.c_str()), 0);
    EXPECT_TRUE(pump_until(
        [&] { return grabber.said().find("replaced again") != std::string::npos; }, 5000))
        << grabber.said();
    EXPECT_EQ(objectgrabber_normalise(grabber.selection().rect).width, 16);
    EXPECT_EQ(t.document.object_record(1)[1 + 16] >> 4, 7); // screen of cell 0: yellow
    ASSERT_TRUE(t.document.undo());
    EXPECT_EQ(t.document.object_record(1)[1 + 16] >> 4, 14);

    // The background chosen for images: the picture is matched again.
    gtk_combo_box_set_active(GTK_COMBO_BOX(widget("combobox_object_grabber_background")), 8);
    EXPECT_EQ(grabber.background(), 7);
    // A C64 picture keeps its own.
    ASSERT_TRUE(
        grabber.open_picture(zbx_source_path("tests/data/pictures/koala/NINJA3.KOA").c_str()));
    EXPECT_TRUE(grabber.clashes().empty());
}
