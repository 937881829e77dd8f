// The previews and palette strips as the user sees them: canvases painted at
// both zoom levels, colours picked from the strips, frames and markers.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/callbacks.h"
#include "app/common.h"
#include "app/interface.h"
#include "app/mainview.h"
#include "app/options.h"
#include "c64/palette.h"
#include "window_support.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

// A backdrop where every pixel differs from its neighbours.
uint32_t pattern(int x, int y)
{
    return (uint32_t((x * 7) & 255) << 16) | (uint32_t((y * 5) & 255) << 8) |
           uint32_t((x + y) & 255);
}

GRef<GdkPixbuf> pattern_backdrop()
{
    GRef<GdkPixbuf> image(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200));
    guchar *pixels = gdk_pixbuf_get_pixels(image.get());
    const int stride = gdk_pixbuf_get_rowstride(image.get());
    for (int y = 0; y < 200; y++) {
        for (int x = 0; x < 320; x++) {
            guchar *p = pixels + y * stride + x * 4;
            uint32_t c = pattern(x, y);
            p[0] = c >> 16;
            p[1] = (c >> 8) & 255;
            p[2] = c & 255;
            p[3] = 255;
        }
    }
    return image;
}

GdkEvent *button_event(GtkWidget *area, GdkEventType type, guint button, double x)
{
    GdkEvent *event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(area->window));
    event->button.button = button;
    event->button.x = x;
    event->button.y = 8;
    return event;
}

gboolean press(GtkWidget *area, GdkEventType type, guint button, double x)
{
    GdkEvent *event = button_event(area, type, button, x);
    gboolean handled = FALSE;
    g_signal_emit_by_name(area, "button-press-event", event, &handled);
    gdk_event_free(event);
    return handled;
}

class MainViewTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        palette_module_init();
        mainview_module_init();
        common_set_background_pixbuf(pattern_backdrop().get());
        options_module_init_in(config.path().c_str());
        window_main = create_window_main();
        show_and_wait(window_main);
    }
    void TearDown() override
    {
        gtk_widget_destroy(window_main);
        window_main = nullptr;
        pump_events();
        options_cleanup();
        mainview_cleanup();
        common_canvas_cleanup();
    }
    GtkWidget *widget(const char *name) { return lookup_widget(window_main, name); }

    void show_page(int page)
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(widget("notebook_secondary_controls")), page);
        pump_events();
    }

    // Waits for the window to take the new size requests.
    void wait_for_width(GtkWidget *area, int width)
    {
        for (int i = 0; i < 400 && area->allocation.width != width; i++) {
            pump_events();
            g_usleep(5000);
        }
        pump_events();
    }

    TempFolder config;
};

// (Every preview at both zoom levels, pixel for pixel against the renderer:
// FileMenu.OpenFillsEveryListAndThePreviewsShowWhatTheRendererDraws.)

TEST_F(MainViewTest, PaletteStripsPickColourOnSinglePressOfButtonOneAndMarkIt)
{
    GtkWidget *strip = widget("drawingarea_object_controls_object_palette");
    EXPECT_EQ(mainview_get_object_preview_colour(), 3);
    EXPECT_TRUE(press(strip, GDK_BUTTON_PRESS, 1, 40.0));
    EXPECT_EQ(mainview_get_object_preview_colour(), 2);
    EXPECT_TRUE(press(strip, GDK_BUTTON_PRESS, 1, 5 * 16 + 3));
    EXPECT_EQ(mainview_get_object_preview_colour(), 5);
    // Double clicks and other buttons are not picks.
    EXPECT_FALSE(press(strip, GDK_2BUTTON_PRESS, 1, 40.0));
    EXPECT_FALSE(press(strip, GDK_BUTTON_PRESS, 3, 40.0));
    EXPECT_EQ(mainview_get_object_preview_colour(), 5);
    // The strip shows the palette, a white outline round colour 5.
    pump_events();
    GRef<GdkPixbuf> shown = grab_widget(strip);
    uint8_t rgb[3];
    palette_get_rgb_at_index(7, rgb);
    EXPECT_EQ(rgb_at(shown.get(), 7 * 16 + 8, 8),
              (uint32_t(rgb[0]) << 16) | (rgb[1] << 8) | rgb[2]);
    EXPECT_EQ(rgb_at(shown.get(), 80, 8), kWhite);
    EXPECT_NE(rgb_at(shown.get(), 2 * 16, 8), kWhite);

    GtkWidget *panel_strip = widget("drawingarea_panel_palette");
    show_page(1);
    EXPECT_EQ(mainview_get_panel_preview_colour(), 0);
    EXPECT_TRUE(press(panel_strip, GDK_BUTTON_PRESS, 1, 40.0));
    EXPECT_EQ(mainview_get_panel_preview_colour(), 2);
    EXPECT_EQ(mainview_get_object_preview_colour(), 5);
}

TEST_F(MainViewTest, ItemFrameIsStrokedAlongTheZoomedClippedRectangle)
{
    GtkWidget *area = widget("drawingarea_main_location_preview");
    // A white frame for an item at (8, 8), 16 x 16, in the location area.
    common_stroke_item_frame(area, 0, 0, ZbxRect{8, 8, 16, 16});
    GRef<GdkPixbuf> shown = grab_widget(area);
    int white = 0;
    int left = 320, top = 200, right = -1, bottom = -1;
    for (int y = 0; y < 200; y++) {
        for (int x = 0; x < 320; x++) {
            if (rgb_at(shown.get(), x, y) == kWhite && pattern(x, y) != kWhite) {
                white++;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    // The frame covers the item's outermost pixels on all four sides.
    EXPECT_EQ(std::vector<int>({left, top, right, bottom, white}),
              std::vector<int>({8, 56 + 8, 8 + 15, 56 + 8 + 15, 4 * 15}));
    // Flag 1 draws black; a frame wholly outside the location area nothing.
    common_stroke_item_frame(area, 1, 0, ZbxRect{100, 100, 8, 8});
    common_stroke_item_frame(area, 1, 0, ZbxRect{100, 150, 8, 8});
    shown = grab_widget(area);
    EXPECT_EQ(rgb_at(shown.get(), 100, 156), kBlack);
    EXPECT_EQ(rgb_at(shown.get(), 100, 199), pattern(100, 199));
}

TEST_F(MainViewTest, OptionsAreAppliedToTheWindowAndTheMenuItemSavesThem)
{
    ASSERT_TRUE(g_file_set_contents(options_get_path(),
                                    "[misc]\nincremental_rendering=true\n"
                                    "[application]\nposition=50;60;\n",
                                    -1, nullptr));
    ASSERT_TRUE(options_load_from_file());
    common_adjust_from_options();
    // Applying twice must not switch the option off again.
    common_adjust_from_options();
    pump_events();
    GtkWidget *item = widget("menuitem_incremental_rendering");
    EXPECT_TRUE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item)));
    EXPECT_EQ(options_get_incremental_rendering(), 1);
    int x = 0, y = 0;
    gtk_window_get_position(GTK_WINDOW(window_main), &x, &y);
    EXPECT_EQ(std::vector<int>({x, y}), std::vector<int>({50, 60}));

    // The menu item switches the option and saves the file at once.
    gtk_menu_item_activate(GTK_MENU_ITEM(item));
    EXPECT_EQ(options_get_incremental_rendering(), 0);
    EXPECT_NE(read_file(options_get_path()).find("incremental_rendering=false"), std::string::npos);
    gtk_menu_item_activate(GTK_MENU_ITEM(item));
    EXPECT_NE(read_file(options_get_path()).find("incremental_rendering=true"), std::string::npos);

    // A position from a larger screen is brought back onto this one.
    ASSERT_TRUE(g_file_set_contents(options_get_path(), "[application]\nposition=99999;-40;\n", -1,
                                    nullptr));
    ASSERT_TRUE(options_load_from_file());
    common_adjust_from_options();
    pump_events();
    gtk_window_get_position(GTK_WINDOW(window_main), &x, &y);
    EXPECT_EQ(x, gdk_screen_get_width(gdk_screen_get_default()) - 64);
    EXPECT_EQ(y, 0);
}

} // namespace
