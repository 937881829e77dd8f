// The object grabber: the selection geometry on its own, then the real
// window driven with pointer events. (A drag and grab on a real picture,
// saved and compared with zembrix-cli grab, is tests/e2e/grab_object.sh.)
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

#include "app/context.h"
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
           << "(" << got.x << ", " << got.y << ", " << got.width << ", " << got.height << ")";
}

} // namespace

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

class GrabberAtWork : public WindowAtWork
{
  protected:
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
        gtk_window_move(GTK_WINDOW(window_object_grabber), 0, 0);
        show_and_wait(window_object_grabber);
    }
    GtkWidget *gw(const char *name) { return lookup_widget(window_object_grabber, name); }
    GtkWidget *area() { return gw("drawingarea_object_grabber_object_preview"); }

    void press(double x, double y, guint button, GdkEventType type = GDK_BUTTON_PRESS)
    {
        send_button(area(), x, y, button, type);
    }
    void pick_colour(int colour)
    {
        send_button(gw("drawingarea_object_grabber_palette"), 16 * colour + 3, 8);
    }
    void move(double x, double y, bool held = true)
    {
        GdkEvent *event = gdk_event_new(GDK_MOTION_NOTIFY);
        event->any.window = GDK_WINDOW(g_object_ref(area()->window));
        event->any.send_event = TRUE;
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
    std::string write_picture(const std::vector<uint8_t> &bytes)
    {
        const std::string path = folder / "picture.koa";
        zbx_write_file(path, bytes);
        return path;
    }
    int icons()
    {
        return gtk_tree_model_iter_n_children(
            gtk_icon_view_get_model(GTK_ICON_VIEW(gw("iconview_object_grabber_objects"))), nullptr);
    }
};

} // namespace

TEST_F(GrabberAtWork, OnlyARightPressOnASelectionGrabsAndEachGrabIsAStep)
{
    open_project(3);
    launch();
    // Nothing happens before a picture is open.
    press(20, 20, 1);
    EXPECT_TRUE(same_rect({0, 0, 0, 0}, objectgrabber_get_selection().rect));
    ASSERT_TRUE(objectgrabber_open_picture(
        zbx_source_path("tests/data/pictures/koala/NINJA3.KOA").c_str()));
    // An empty selection grabs nothing.
    press(85, 37, 1);
    press(85, 37, 3);
    EXPECT_EQ(app_document().item_count(), 3);
    drag(85, 37, 3, 1);
    // Double and triple presses grab nothing.
    press(85, 37, 3, GDK_2BUTTON_PRESS);
    press(85, 37, 3, GDK_3BUTTON_PRESS);
    EXPECT_FALSE(app_document().can_undo());

    press(10, 10, 3);
    press(10, 10, 3);
    EXPECT_EQ(row_count(window_main, "treeview_main_objects"), 5);
    EXPECT_EQ(icons(), 5);
    EXPECT_STREQ(app_document().undo_name(), "Grab object");
    ASSERT_TRUE(app_document().undo());
    ASSERT_TRUE(app_document().undo());
    EXPECT_FALSE(app_document().can_undo());
    EXPECT_EQ(row_count(window_main, "treeview_main_objects"), 3);
    EXPECT_EQ(icons(), 3);
    EXPECT_TRUE(error_texts().empty());

    // Closed, with the project closed and another opened in between: the
    // selection grabs into the new project.
    send_delete_event(window_object_grabber);
    activate("close");
    pump_events();
    open_project(2);
    launch();
    press(1, 1, 3);
    EXPECT_EQ(row_count(window_main, "treeview_main_objects"), 3);
    EXPECT_EQ(icons(), 3);
}

TEST_F(GrabberAtWork, FullProjectAndBadPicturesAreRefusedWithNothingChanged)
{
    open_project(255);
    launch();
    const std::string junk = folder / "junk.koa";
    zbx_write_file(junk, std::vector<uint8_t>(100, 1));
    EXPECT_FALSE(objectgrabber_open_picture(junk.c_str()));
    EXPECT_EQ(error_texts(), std::vector<std::string>{"Undetected picture format"});
    close_dialogs_titled("Error");
    press(0, 0, 1);
    EXPECT_TRUE(same_rect({0, 0, 0, 0}, objectgrabber_get_selection().rect));

    // A failed open keeps the picture shown and its data together.
    ASSERT_TRUE(objectgrabber_open_picture(write_picture(green_koala()).c_str()));
    EXPECT_FALSE(objectgrabber_open_picture(junk.c_str()));
    close_dialogs_titled("Error");
    EXPECT_EQ(objectgrabber_get_hires_data()[8], 0xFF);
    EXPECT_EQ(rgb_at(grab_widget(area()).get(), 6, 0), kGreen);

    drag(0, 0, 1, 1);
    press(0, 0, 3);
    EXPECT_EQ(error_texts(), std::vector<std::string>{"Failed to import object"});
    EXPECT_EQ(app_document().item_count(), 255);
    EXPECT_FALSE(app_document().can_undo());
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
            pick_colour(c.transparent);
        } else {
            gtk_toggle_button_set_active(
                GTK_TOGGLE_BUTTON(gw("radiobutton_object_grabber_transparent_color0")), TRUE);
        }
        drag(c.x, c.y, c.dx_cells, c.dy_cells);
        press(0, 0, 3);
        ASSERT_TRUE(error_texts().empty());

        const ZbxRect r = objectgrabber_normalise(objectgrabber_get_selection().rect);
        const std::string out = folder / "grabbed.zbxobject";
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
        const std::span<const uint8_t> last =
            app_document().object_record(app_document().item_count() - 1);
        EXPECT_TRUE(zbx_bytes_equal(zbx_read_file(out), {last.begin(), last.end()}));
    }
    EXPECT_EQ(app_document().item_count(), 6);
}
