// Start-up as the program runs it: a backdrop that cannot be used, and the
// stored options applied to the window.
#include "window_support.h"

namespace {

// The editor started by each test itself.
class StartupTest : public WindowAtWork
{
  protected:
    void SetUp() override { g_remove(options_file.c_str()); }
    bool incremental_checked()
    {
        return gtk_check_menu_item_get_active(
            GTK_CHECK_MENU_ITEM(widget("menuitem_incremental_rendering")));
    }
    std::vector<int> position()
    {
        int x = 0, y = 0;
        gtk_window_get_position(GTK_WINDOW(window_main), &x, &y);
        return {x, y};
    }
};

TEST_F(StartupTest, WithoutBackdropItStillStartsAfterOneErrorDialog)
{
    // An image too small to be the backdrop, and nothing where it is looked
    // for next: the dialog tells about the first.
    backdrop_candidates = {zbx_source_path("resources/zembrix.png"),
                           zbx_source_path("resources/no-such-backdrop.png")};
    start();
    pump_events();
    ASSERT_NE(window_main, nullptr);
    EXPECT_TRUE(GTK_WIDGET_VISIBLE(window_main));
    const std::vector<std::string> errors = error_texts();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("smaller than 320 x 200"), std::string::npos) << errors[0];
}

TEST_F(StartupTest, StoredOptionsAreAppliedOnceAndTheMenuItemSavesThem)
{
    g_mkdir_with_parents((config.path() + "/zbx-decoder").c_str(), 0700);
    ASSERT_TRUE(g_file_set_contents(options_file.c_str(),
                                    "[misc]\nincremental_rendering=true\n"
                                    "[application]\nposition=40;30;\n",
                                    -1, nullptr));
    start();
    pump_events();
    EXPECT_TRUE(error_texts().empty());
    // Applying again must not switch the option off.
    app->main().apply_options();
    pump_events();
    EXPECT_TRUE(incremental_checked());
    EXPECT_TRUE(app->options().incremental_rendering());
    EXPECT_EQ(position(), std::vector<int>({40, 30}));

    // The menu item switches the option and saves the file at once.
    activate("menuitem_incremental_rendering");
    EXPECT_FALSE(app->options().incremental_rendering());
    EXPECT_NE(read_file(options_file).find("incremental_rendering=false"), std::string::npos);

    // A position from a larger screen is brought back onto this one.
    ASSERT_TRUE(g_file_set_contents(options_file.c_str(), "[application]\nposition=99999;-40;\n",
                                    -1, nullptr));
    ASSERT_TRUE(app->options().load());
    app->main().apply_options();
    pump_events();
    EXPECT_EQ(position(),
              std::vector<int>({gdk_screen_get_width(gdk_screen_get_default()) - 64, 0}));
}

} // namespace
