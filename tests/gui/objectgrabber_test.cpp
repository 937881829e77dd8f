// The object grabber: the selection geometry on its own, then the real
// window driven with pointer events, grabbing from made-up and real
// pictures into an open project.
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

#include "app/objectmodel.h"
#include "grabber/objectgrabber.h"
#include "items/document.h"
#include "window_support.h"

namespace {

::testing::AssertionResult same_rect(ZbxRect want, ZbxRect got)
{
    if (want.x == got.x && want.y == got.y && want.width == got.width &&
        want.height == got.height) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << got.x << ", " << got.y << ", " << got.width << ", " << got.height
           << ") instead of (" << want.x << ", " << want.y << ", " << want.width << ", "
           << want.height << ")";
}

} // namespace

// The press, the label and the negative drag are driven through the window
// below; here what only the geometry shows.
TEST(GrabberSelection, PressDropsOldAnchorsAndAMoveOfLessThanACellDoesNothing)
{
    GrabberSelection s;
    s.xold = 99; // from an earlier drag
    objectgrabber_press(&s, 85.7, 37.2, 1);
    EXPECT_TRUE(same_rect({40, 16, 0, 0}, s.rect));
    EXPECT_EQ(s.xold, -1);
    EXPECT_FALSE(objectgrabber_motion_handler(42, 18, &s));
    EXPECT_FALSE(objectgrabber_motion_handler(47, 23, &s));
    EXPECT_TRUE(objectgrabber_motion_handler(24, 26, &s));
    ZbxRect frame{};
    ASSERT_TRUE(objectgrabber_frame_on_area(s.rect, 2, &frame));
    EXPECT_TRUE(same_rect({96, 64, 64, 32}, frame));
}

TEST(GrabberSelection, SizeStopsAtFifteenCellsAndThePointerCountsOnlyNearThePicture)
{
    GrabberSelection s;
    objectgrabber_press(&s, 0, 0, 0);
    objectgrabber_motion_handler(0, 0, &s);
    objectgrabber_motion_handler(200, 8, &s);
    EXPECT_EQ(s.rect.width, 120);
    EXPECT_FALSE(objectgrabber_motion_handler(260, 8, &s));
    EXPECT_EQ(s.rect.width, 120);
    // Coming back a cell from where the limit held shrinks it again.
    EXPECT_TRUE(objectgrabber_motion_handler(112, 8, &s));
    EXPECT_EQ(s.rect.width, 112);

    // Near the right and bottom edges: x = 327 and y = 207 count, one more
    // pixel does not.
    objectgrabber_press(&s, 200, 100, 0);
    objectgrabber_motion_handler(200, 100, &s);
    EXPECT_FALSE(objectgrabber_motion_handler(328, 100, &s));
    EXPECT_FALSE(objectgrabber_motion_handler(200, 208, &s));
    EXPECT_TRUE(same_rect({200, 96, 0, 0}, s.rect));
    EXPECT_TRUE(objectgrabber_motion_handler(327, 207, &s));
    EXPECT_TRUE(same_rect({200, 96, 120, 104}, s.rect));
}

TEST(GrabberSelection, SelectionNeverLeavesThePicture)
{
    // The bottom-right cell, with the first motion two cells up and left of
    // the press: the free edge must still stop at the border.
    GrabberSelection s;
    objectgrabber_press(&s, 319, 199, 0);
    objectgrabber_motion_handler(290, 170, &s);
    objectgrabber_motion_handler(327, 207, &s);
    EXPECT_TRUE(same_rect({312, 192, 8, 8}, s.rect));
    objectgrabber_press(&s, 2, 2, 0);
    objectgrabber_motion_handler(30, 30, &s);
    objectgrabber_motion_handler(0, 0, &s);
    EXPECT_TRUE(same_rect({0, 0, 0, 0}, s.rect));

    // Any walk of the pointer, pressed anywhere, zoomed or not.
    std::mt19937 rng(15);
    for (int walk = 0; walk < 400; walk++) {
        const int zoom = static_cast<int>(rng() % 3);
        objectgrabber_press(&s, rng() % (340 << zoom), rng() % (220 << zoom), zoom);
        for (int step = 0; step < 30; step++) {
            objectgrabber_motion_handler(static_cast<int>(rng() % 360) - 20,
                                         static_cast<int>(rng() % 240) - 20, &s);
            const ZbxRect r = objectgrabber_normalise(s.rect);
            ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.width <= 320 && r.y + r.height <= 200 &&
                        r.width <= 120 && r.height <= 120 && r.x % 8 == 0 && r.y % 8 == 0 &&
                        r.width % 8 == 0 && r.height % 8 == 0)
                << "walk " << walk << " step " << step << ": (" << s.rect.x << ", " << s.rect.y
                << ", " << s.rect.width << ", " << s.rect.height << ")";
        }
    }
}

namespace {

// A Koala picture of our own: the top-left cell shows, in every row, the
// background (pair 00, colour 0), red (01), yellow (10) and green (11);
// every other cell is all green.
std::vector<uint8_t> made_up_koala()
{
    std::vector<uint8_t> file(10003, 0);
    file[0] = 0x00;
    file[1] = 0x60;
    for (size_t i = 0; i < 8000; i++) {
        file[2 + i] = i < 8 ? 0x1B : 0xFF;
    }
    for (size_t i = 0; i < 1000; i++) {
        file[8002 + i] = 0x27;
        file[9002 + i] = 0x05;
    }
    file[10002] = 0;
    return file;
}

// Palette colour 5, the made-up picture's green.
constexpr uint32_t kGreen = 0x588D43;

// What the top-left corner of a drawing area shows (the rest of a zoomed
// area may lie beyond the screen).
GRef<GdkPixbuf> shown_corner(GtkWidget *area, int size = 200)
{
    gdk_window_process_all_updates();
    gdk_display_sync(gdk_display_get_default());
    return GRef<GdkPixbuf>(
        gdk_pixbuf_get_from_drawable(nullptr, area->window, nullptr, 0, 0, 0, 0, size, size));
}

GdkEvent *area_event(GtkWidget *area, GdkEventType type)
{
    GdkEvent *event = gdk_event_new(type);
    event->any.window = GDK_WINDOW(g_object_ref(area->window));
    event->any.send_event = TRUE;
    return event;
}

} // namespace

class GrabberAtWork : public WindowAtWork
{
  protected:
    void SetUp() override
    {
        WindowAtWork::SetUp();
        grabber = window_object_grabber;
        ASSERT_NE(grabber, nullptr);
    }

    // A project of `objects` objects of 1 x 1 cell, opened.
    void open_project(int objects)
    {
        ZbxProject project;
        for (int i = 0; i < objects; i++) {
            std::vector<uint8_t> record(11, static_cast<uint8_t>(i));
            record[0] = 0x11;
            project.items.push_back(zbx_object_item(record));
        }
        ASSERT_TRUE(app_open_project(write_project(folder, "project.prg", project).c_str()));
    }

    void launch()
    {
        click("_object_controls_launch_object_grabber");
        gtk_window_move(GTK_WINDOW(grabber), 0, 0);
        show_and_wait(grabber);
    }

    GtkWidget *gw(const char *name) { return lookup_widget(grabber, name); }
    GtkWidget *area() { return gw("drawingarea_object_grabber_object_preview"); }

    void press(double x, double y, guint button, GdkEventType type = GDK_BUTTON_PRESS,
               GtkWidget *target = nullptr)
    {
        GtkWidget *w = target != nullptr ? target : area();
        GdkEvent *event = area_event(w, type);
        event->button.x = x;
        event->button.y = y;
        event->button.button = button;
        gtk_widget_event(w, event);
        gdk_event_free(event);
        pump_events();
    }

    void move(double x, double y, bool held = true)
    {
        GdkEvent *event = area_event(area(), GDK_MOTION_NOTIFY);
        event->motion.x = x;
        event->motion.y = y;
        event->motion.state = held ? GDK_BUTTON1_MASK : 0;
        gtk_widget_event(area(), event);
        gdk_event_free(event);
        pump_events();
    }

    // Drags from (x, y) by whole cells (area pixels at the current zoom).
    void drag(int x, int y, int dx_cells, int dy_cells)
    {
        const int cell = 8 << objectgrabber_get_zoom();
        move(x, y, false);
        press(x, y, 1);
        move(x, y);
        move(x + dx_cells * cell, y + dy_cells * cell);
    }

    std::string details()
    {
        return gtk_label_get_text(GTK_LABEL(gw("label_object_grabber_selection_details")));
    }

    bool use_colour0()
    {
        return gtk_toggle_button_get_active(
            GTK_TOGGLE_BUTTON(gw("radiobutton_object_grabber_transparent_color0")));
    }

    std::string write_picture(const std::vector<uint8_t> &bytes)
    {
        const std::string path = folder / "picture.koa";
        zbx_write_file(path, bytes);
        return path;
    }

    int icon_cursor()
    {
        GtkTreePath *path = nullptr;
        if (!gtk_icon_view_get_cursor(GTK_ICON_VIEW(gw("iconview_object_grabber_objects")), &path,
                                      nullptr)) {
            return -1;
        }
        const int row = gtk_tree_path_get_indices(path)[0];
        gtk_tree_path_free(path);
        return row;
    }

    std::vector<uint8_t> last_record()
    {
        const std::span<const uint8_t> r = document_object_record(document_item_count() - 1);
        return {r.begin(), r.end()};
    }

    GtkWidget *grabber = nullptr;
};

TEST_F(GrabberAtWork, DragAndRightPressGrabOneUndoableObjectShownInBothLists)
{
    open_project(3);
    launch();
    // Nothing happens before a picture is open.
    press(20, 20, 1);
    EXPECT_TRUE(same_rect({0, 0, 0, 0}, objectgrabber_get_selection().rect));

    const std::string picture = zbx_source_path("tests/data/pictures/koala/NINJA3.KOA");
    ASSERT_TRUE(objectgrabber_open_picture(picture.c_str()));
    gtk_button_clicked(GTK_BUTTON(gw("radiobutton_object_grabber_zoom_2")));
    pump_events();
    press(85, 37, 1);
    EXPECT_TRUE(same_rect({40, 16, 0, 0}, objectgrabber_get_selection().rect));
    move(85, 37);
    move(85 + 48, 37 + 16);
    EXPECT_EQ(details(), " Selection X: 5, Y: 2, Width: 3, Height: 1");
    // Back past the start corner: the two cells left of it.
    move(48, 37 + 16);
    EXPECT_EQ(details(), " Selection X: 5, Y: 2, Width: -2, Height: 1");

    // A double press of either button grabs nothing, and neither is a step.
    press(85, 37, 3, GDK_2BUTTON_PRESS);
    press(85, 37, 3, GDK_3BUTTON_PRESS);
    EXPECT_EQ(document_item_count(), 3);
    EXPECT_FALSE(document_can_undo());

    press(10, 10, 3);
    ASSERT_EQ(document_item_count(), 4);
    EXPECT_EQ(icon_cursor(), 3);
    EXPECT_EQ(row_count(window_main, "treeview_main_objects"), 4);
    EXPECT_STREQ(document_undo_name(), "Grab object");
    EXPECT_TRUE(error_texts().empty());

    // The selection stays: the same rectangle again, then both undone.
    press(10, 10, 3);
    EXPECT_EQ(row_count(window_main, "treeview_main_objects"), 5);
    ASSERT_TRUE(document_undo());
    ASSERT_TRUE(document_undo());
    EXPECT_FALSE(document_can_undo());
    EXPECT_EQ(row_count(window_main, "treeview_main_objects"), 3);
    GtkTreeModel *icons =
        gtk_icon_view_get_model(GTK_ICON_VIEW(gw("iconview_object_grabber_objects")));
    EXPECT_EQ(gtk_tree_model_iter_n_children(icons, nullptr), 3);

    // An empty selection grabs nothing.
    press(85, 37, 1);
    press(85, 37, 3);
    EXPECT_EQ(document_item_count(), 3);
    EXPECT_TRUE(error_texts().empty());
}

TEST_F(GrabberAtWork, IconsShowTheChosenTransparency)
{
    open_project(1);
    launch();
    ASSERT_TRUE(objectgrabber_open_picture(write_picture(made_up_koala()).c_str()));
    drag(0, 0, 2, 1);
    // Each row of the first cell: background, red, yellow, green, two image
    // pixels each; the cell right of it all green.
    auto alpha_row = [&]() {
        GtkTreeModel *model =
            gtk_icon_view_get_model(GTK_ICON_VIEW(gw("iconview_object_grabber_objects")));
        GtkTreeIter iter;
        gtk_tree_model_iter_nth_child(model, &iter, nullptr,
                                      gtk_tree_model_iter_n_children(model, nullptr) - 1);
        GdkPixbuf *image = nullptr;
        gtk_tree_model_get(model, &iter, OBJ_COL_IMAGE, &image, -1);
        GRef<GdkPixbuf> held(image);
        std::string row;
        const guchar *p = gdk_pixbuf_get_pixels(image) + 3 * gdk_pixbuf_get_rowstride(image);
        for (int x = 0; x < gdk_pixbuf_get_width(image); x++) {
            row += p[4 * x + 3] == 0 ? '.' : '#';
        }
        return row;
    };
    ASSERT_TRUE(use_colour0());
    press(1, 1, 3);
    EXPECT_EQ(alpha_row(), "..######"
                           "########");

    // The palette at x = 100 chooses colour 6 and "Use: ".
    press(100, 8, 1, GDK_BUTTON_PRESS, gw("drawingarea_object_grabber_palette"));
    EXPECT_EQ(objectgrabber_get_transparent_colour(), 6);
    EXPECT_FALSE(use_colour0());
    // Yellow (7): its pixels go, the rest stay as the object draws them.
    press(16 * 7 + 3, 8, 1, GDK_BUTTON_PRESS, gw("drawingarea_object_grabber_palette"));
    press(1, 1, 3);
    EXPECT_EQ(alpha_row(), "..##..##"
                           "########");
    // Green is the whole right cell's colour.
    press(16 * 5 + 3, 8, 1, GDK_BUTTON_PRESS, gw("drawingarea_object_grabber_palette"));
    press(1, 1, 3);
    EXPECT_EQ(alpha_row(), "..####.."
                           "........");
    EXPECT_EQ(document_item_count(), 4);
}

TEST_F(GrabberAtWork, FullProjectAndBadPicturesAreRefusedWithNothingChanged)
{
    open_project(255);
    launch();
    // A file that is no picture: the decoder's message, nothing loaded.
    const std::string junk = folder / "junk.koa";
    zbx_write_file(junk, std::vector<uint8_t>(100, 1));
    EXPECT_FALSE(objectgrabber_open_picture(junk.c_str()));
    EXPECT_EQ(error_texts(), std::vector<std::string>{"Undetected picture format"});
    close_dialogs_titled("Error");
    press(0, 0, 1);
    EXPECT_TRUE(same_rect({0, 0, 0, 0}, objectgrabber_get_selection().rect));

    // Through the menu and the real chooser.
    ChooserAnswer answer;
    answer.title = "Select a picture file";
    answer.path = write_picture(made_up_koala());
    answer_next_chooser(&answer);
    gtk_menu_item_activate(GTK_MENU_ITEM(gw("menuitem_object_grabber_open_hires")));
    pump_events();
    ASSERT_TRUE(answer.answered);
    ASSERT_TRUE(objectgrabber_picture_loaded());
    GRef<GdkPixbuf> shown = shown_corner(area());
    EXPECT_EQ(rgb_at(shown.get(), 6, 0), kGreen);

    // A failed open keeps the picture and its data together.
    EXPECT_FALSE(objectgrabber_open_picture(junk.c_str()));
    close_dialogs_titled("Error");
    EXPECT_EQ(objectgrabber_get_hires_data()[8], 0xFF);
    pump_events();
    shown = shown_corner(area());
    EXPECT_EQ(rgb_at(shown.get(), 6, 0), kGreen);

    drag(0, 0, 1, 1);
    press(0, 0, 3);
    EXPECT_EQ(error_texts(), std::vector<std::string>{"Failed to import object"});
    EXPECT_EQ(document_item_count(), 255);
    EXPECT_FALSE(document_can_undo());
}

TEST_F(GrabberAtWork, FrameIsDrawnAtEveryZoomAndStateOutlivesTheWindowAndTheProject)
{
    open_project(1);
    launch();
    ASSERT_TRUE(objectgrabber_open_picture(write_picture(made_up_koala()).c_str()));
    const struct
    {
        const char *button;
        int scale;
    } zooms[] = {{"radiobutton_object_grabber_zoom_1", 1},
                 {"radiobutton_object_grabber_zoom_2", 2},
                 {"radiobutton_object_grabber_zoom_4", 4}};
    for (const auto &zoom : zooms) {
        SCOPED_TRACE(zoom.button);
        gtk_button_clicked(GTK_BUTTON(gw(zoom.button)));
        wait_for_width(area(), 320 * zoom.scale);
        const int s = zoom.scale;
        // Three cells right and two down from cell (1, 1), then back one.
        drag(8 * s + 1, 8 * s + 1, 3, 2);
        move(24 * s, 24 * s);
        EXPECT_TRUE(same_rect({8, 8, 16, 16}, objectgrabber_get_selection().rect));
        GRef<GdkPixbuf> shown = shown_corner(area());
        // The frame covers the selection's border pixels, and nothing else
        // of the picture changes.
        const int left = 8 * s, top = 8 * s, right = 24 * s - 1, bottom = 24 * s - 1;
        for (auto [x, y] : {std::pair{left, top},
                            {right, top},
                            {left, bottom},
                            {right, bottom},
                            {left + 5, top},
                            {left, top + 5}}) {
            EXPECT_EQ(rgb_at(shown.get(), x, y), 0xFFFFFFu) << x << "," << y;
        }
        EXPECT_EQ(rgb_at(shown.get(), left + 1, top + 1), kGreen);
        EXPECT_EQ(rgb_at(shown.get(), right + 1, bottom + 1), kGreen);
    }
    gtk_button_clicked(GTK_BUTTON(gw("radiobutton_object_grabber_zoom_2")));
    press(16 * 9 + 2, 8, 1, GDK_BUTTON_PRESS, gw("drawingarea_object_grabber_palette"));

    // Closed and opened again, with the project closed in between.
    send_delete_event(grabber);
    pump_events();
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(grabber));
    activate("close");
    pump_events();
    open_project(2);
    launch();
    EXPECT_TRUE(same_rect({8, 8, 16, 16}, objectgrabber_get_selection().rect));
    EXPECT_EQ(objectgrabber_get_zoom(), 1);
    EXPECT_EQ(objectgrabber_get_transparent_colour(), 9);
    EXPECT_EQ(details(), " Selection X: 1, Y: 1, Width: 2, Height: 2");
    press(1, 1, 3);
    EXPECT_EQ(row_count(window_main, "treeview_main_objects"), 3);
    EXPECT_EQ(icon_cursor(), 2);
}

TEST_F(GrabberAtWork, GrabsFromRealPicturesEqualTheCommandLine)
{
    open_project(1);
    launch();
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
        {"vidcom64/apo343.vid", 300, 40, 3, 2, 11},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.picture);
        const std::string picture =
            zbx_source_path(std::string("tests/data/pictures/") + c.picture);
        ASSERT_TRUE(objectgrabber_open_picture(picture.c_str()));
        if (c.transparent >= 0) {
            press(16 * c.transparent + 8, 8, 1, GDK_BUTTON_PRESS,
                  gw("drawingarea_object_grabber_palette"));
        } else {
            gtk_toggle_button_set_active(
                GTK_TOGGLE_BUTTON(gw("radiobutton_object_grabber_transparent_color0")), TRUE);
        }
        drag(c.x, c.y, c.dx_cells, c.dy_cells);
        press(0, 0, 3);
        ASSERT_TRUE(error_texts().empty());

        const ZbxRect r = objectgrabber_normalise(objectgrabber_get_selection().rect);
        const std::string out = folder / "grabbed.zbxobject";
        std::vector<std::string> args = {std::string(ZBX_BINARY_DIR) + "/zembrix-cli",
                                         "grab",
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
        std::vector<char *> argv;
        for (std::string &a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        gint status = -1;
        ASSERT_TRUE(g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr,
                                 nullptr, nullptr, nullptr, &status, nullptr));
        ASSERT_EQ(status, 0) << r.x << "," << r.y << " " << r.width << "x" << r.height;
        EXPECT_TRUE(zbx_bytes_equal(zbx_read_file(out), last_record()));
    }
    EXPECT_EQ(document_item_count(), 6);
}

namespace {

// Every accessible below `object`, as role and name.
void collect_accessibles(AtkObject *object, std::vector<std::pair<AtkRole, std::string>> *out)
{
    const char *name = atk_object_get_name(object);
    out->push_back({atk_object_get_role(object), name != nullptr ? name : ""});
    for (int i = 0; i < atk_object_get_n_accessible_children(object); i++) {
        AtkObject *child = atk_object_ref_accessible_child(object, i);
        if (child != nullptr) {
            collect_accessibles(child, out);
            g_object_unref(child);
        }
    }
}

} // namespace

// With the toolkit's accessibility module, as a screen reader sees it. The
// module must be there before the first icon view asks for its accessible,
// so the test runs in a process of its own.
class GrabberAccessible : public GrabberAtWork
{
  protected:
    static constexpr const char *kChild = "ZBX_GRABBER_ACCESSIBILITY_CHILD";
    void SetUp() override
    {
        if (g_getenv(kChild) != nullptr) {
            g_object_set(gtk_settings_get_default(), "gtk-modules", "gail", nullptr);
        }
        GrabberAtWork::SetUp();
    }
    // In the first process: runs this test again in a new one.
    bool run_alone()
    {
        if (g_getenv(kChild) != nullptr) {
            return false;
        }
        const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
        GCharPtr link(g_file_read_link("/proc/self/exe", nullptr));
        std::string self = link ? link.get() : "";
        std::string filter =
            std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
        char *argv[] = {self.data(), filter.data(), nullptr};
        gchar **env = g_environ_setenv(g_get_environ(), kChild, "1", TRUE);
        gchar *out = nullptr;
        gint status = -1;
        EXPECT_TRUE(g_spawn_sync(nullptr, argv, env, G_SPAWN_DEFAULT, nullptr, nullptr, &out,
                                 nullptr, &status, nullptr));
        EXPECT_EQ(status, 0) << (out != nullptr ? out : "");
        g_free(out);
        g_strfreev(env);
        return true;
    }
};

TEST_F(GrabberAccessible, EveryControlAndObjectIsNamedInTheTree)
{
    if (run_alone()) {
        return;
    }
    open_project(2);
    launch();
    std::vector<std::pair<AtkRole, std::string>> seen;
    collect_accessibles(gtk_widget_get_accessible(grabber), &seen);
    auto has = [&](AtkRole role, const std::string &name) {
        for (const auto &[r, n] : seen) {
            if (r == role && n == name) {
                return true;
            }
        }
        return false;
    };
    if (!has(ATK_ROLE_FRAME, "Zembrix - Object grabber")) {
        GTEST_SKIP() << "no accessibility module";
    }
    for (const char *name : {"Use color 0 of the picture", "Use: ", "1X", "2X", "4X"}) {
        EXPECT_TRUE(has(ATK_ROLE_RADIO_BUTTON, name)) << name;
    }
    EXPECT_TRUE(has(ATK_ROLE_MENU, "File"));
    EXPECT_TRUE(has(ATK_ROLE_MENU_ITEM, "Open picture"));
    EXPECT_TRUE(has(ATK_ROLE_DRAWING_AREA, "Picture"));
    EXPECT_TRUE(has(ATK_ROLE_DRAWING_AREA, "Transparent color palette"));
    EXPECT_TRUE(has(ATK_ROLE_LAYERED_PANE, "Available objects"));
    // One icon for each object of the project.
    EXPECT_EQ(std::count_if(seen.begin(), seen.end(),
                            [](const auto &entry) { return entry.first == ATK_ROLE_ICON; }),
              2);
    for (const auto &[role, name] : seen) {
        if (role == ATK_ROLE_PUSH_BUTTON || role == ATK_ROLE_RADIO_BUTTON ||
            role == ATK_ROLE_MENU_ITEM || role == ATK_ROLE_DRAWING_AREA) {
            EXPECT_FALSE(name.empty()) << atk_role_get_name(role);
        }
    }
}
