// The quit question on the window's close button (File > Quit with real
// keys: tests/e2e/startup_quit.sh), and message dialogs.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/common.h"
#include "app/interface.h"
#include "app/mainview.h"
#include "app/options.h"
#include "c64/palette.h"
#include "window_support.h"

namespace {

class QuitTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        palette_module_init();
        mainview_module_init();
        options_module_init_in(config.path().c_str());
        window_main = create_window_main();
        g_signal_connect(window_main, "destroy", G_CALLBACK(+[](GtkWidget *, gpointer data) {
                             *static_cast<bool *>(data) = true;
                         }),
                         &destroyed);
        show_and_wait(window_main);
        // Each save point under test must write the file afresh.
        g_remove(options_get_path());
    }
    void TearDown() override
    {
        if (!destroyed) {
            gtk_widget_destroy(window_main);
        }
        window_main = nullptr;
        pump_events();
        options_cleanup();
        mainview_cleanup();
    }

    TempFolder config;
    bool destroyed = false;
};

TEST_F(QuitTest, CloseButtonAsksAndOnlyYesSavesTheOptionsAndCloses)
{
    for (auto kind : {ConfirmationAnswer::kNo, ConfirmationAnswer::kClose}) {
        ConfirmationAnswer answer;
        answer.kind = kind;
        answer_next_confirmation(&answer);
        send_delete_event(window_main);
        EXPECT_EQ(answer.question, "Are you sure you want to quit?");
        EXPECT_FALSE(destroyed);
        EXPECT_FALSE(g_file_test(options_get_path(), G_FILE_TEST_EXISTS));
    }
    ConfirmationAnswer yes;
    answer_next_confirmation(&yes);
    send_delete_event(window_main);
    EXPECT_TRUE(destroyed);
    // The position of the closing window went into the file.
    EXPECT_NE(read_file(options_get_path()).find("[application]\nposition="), std::string::npos);
}

TEST(MessageDialog, TextIsShownVerbatimAndAnyResponseClosesIt)
{
    const char *text = "File \"a%sb.zbx\" <b>50%</b> done";
    bool gone = false;
    GtkWidget *dialog = common_message_dialog(nullptr, text, GTK_MESSAGE_ERROR);
    g_signal_connect(
        dialog, "destroy",
        G_CALLBACK(+[](GtkWidget *, gpointer data) { *static_cast<bool *>(data) = true; }), &gone);
    // It returns at once, shown and modal.
    EXPECT_TRUE(GTK_WIDGET_VISIBLE(dialog));
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
    gchar *shown = nullptr;
    gboolean markup = TRUE;
    g_object_get(dialog, "text", &shown, "use-markup", &markup, nullptr);
    EXPECT_STREQ(shown, text);
    EXPECT_FALSE(markup);
    g_free(shown);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
    EXPECT_TRUE(gone);
}

} // namespace
