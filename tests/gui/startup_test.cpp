// Start-up as the program runs it: windows, backdrop, canvases, options.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/common.h"
#include "app/mainview.h"
#include "app/options.h"
#include "support/reset.h"
#include "window_support.h"

namespace {

class StartupTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        options_file = std::string(g_get_user_config_dir()) + "/zbx-decoder/user-qv.ini";
        g_remove(options_file.c_str());
    }
    void TearDown() override
    {
        if (GtkWidget *error = find_toplevel("Error")) {
            gtk_widget_destroy(error);
        }
        if (window_main != nullptr) {
            // The test runs no main loop for the window's destruction to end.
            g_signal_handlers_disconnect_by_func(
                window_main, reinterpret_cast<gpointer>(gtk_main_quit), nullptr);
            gtk_widget_destroy(window_main);
            window_main = nullptr;
        }
        pump_events();
        app_shutdown();
        options_cleanup();
        mainview_cleanup();
        common_canvas_cleanup();
        g_remove(options_file.c_str());
    }

    std::string options_file;
};

TEST_F(StartupTest, WithoutBackdropItStillStartsAfterOneErrorDialog)
{
    common_set_background_candidates({zbx_source_path("resources/no-such-backdrop.png")});
    app_startup();
    pump_events();
    ASSERT_NE(window_main, nullptr);
    EXPECT_TRUE(GTK_WIDGET_VISIBLE(window_main));
    GtkWidget *error = find_toplevel("Error");
    ASSERT_NE(error, nullptr);
    gchar *text = nullptr;
    g_object_get(error, "text", &text, nullptr);
    EXPECT_NE(std::string(text).find("no-such-backdrop.png"), std::string::npos);
    g_free(text);
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(error)), GTK_WINDOW(window_main));
    // First run: the options file was written.
    EXPECT_EQ(read_file(options_file).rfind("# Zembrix config file - do NOT edit\n", 0), 0u);
}

TEST_F(StartupTest, IconPageAndStoredOptionsAreInPlace)
{
    g_mkdir_with_parents((std::string(g_get_user_config_dir()) + "/zbx-decoder").c_str(), 0700);
    ASSERT_TRUE(g_file_set_contents(options_file.c_str(),
                                    "[misc]\nincremental_rendering=true\n"
                                    "[application]\nposition=40;30;\n",
                                    -1, nullptr));
    common_set_background_candidates({zbx_source_path("resources/background.png")});
    app_startup();
    pump_events();
    EXPECT_EQ(find_toplevel("Error"), nullptr);
    // The first notebook page is showing.
    EXPECT_EQ(gtk_notebook_get_current_page(
                  GTK_NOTEBOOK(lookup_widget(window_main, "notebook_secondary_controls"))),
              0);
    GdkPixbuf *icon = gtk_window_get_icon(GTK_WINDOW(window_main));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(icon), 32);
    // What was stored is applied, and the file written anew with it.
    EXPECT_TRUE(gtk_check_menu_item_get_active(
        GTK_CHECK_MENU_ITEM(lookup_widget(window_main, "menuitem_incremental_rendering"))));
    EXPECT_NE(read_file(options_file).find("incremental_rendering=true"), std::string::npos);
    int x = 0, y = 0;
    gtk_window_get_position(GTK_WINDOW(window_main), &x, &y);
    EXPECT_EQ(std::vector<int>({x, y}), std::vector<int>({40, 30}));
}

} // namespace
