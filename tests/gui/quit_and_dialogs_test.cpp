// The quit question on both paths, the confirmation and message dialogs.
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

    bool options_written() const { return g_file_test(options_get_path(), G_FILE_TEST_EXISTS); }

    // Chooses File -> Quit from inside a running main loop. Returns whether
    // the loop was ended by the handler (rather than by the test afterwards).
    bool quit_from_menu()
    {
        struct Run
        {
            bool ended_by_test = false;
        } run;
        g_idle_add(
            +[](gpointer data) -> gboolean {
                gtk_menu_item_activate(GTK_MENU_ITEM(lookup_widget(window_main, "quit")));
                // Still running a moment later means the handler did not quit.
                g_timeout_add(
                    300,
                    +[](gpointer d) -> gboolean {
                        static_cast<Run *>(d)->ended_by_test = true;
                        gtk_main_quit();
                        return FALSE;
                    },
                    data);
                return FALSE;
            },
            &run);
        gtk_main();
        // Drop the test's own timeout when the handler ended the loop first.
        while (g_source_remove_by_user_data(&run)) {
        }
        return !run.ended_by_test;
    }

    TempFolder config;
    bool destroyed = false;
};

TEST_F(QuitTest, BothPathsAskAndOnlyYesSavesTheOptionsAndQuits)
{
    // File -> Quit ends the main loop; the window's close button closes it.
    const struct
    {
        bool from_menu;
        ConfirmationAnswer::Kind kind;
        bool quits;
    } cases[] = {
        {true, ConfirmationAnswer::kNo, false},     {false, ConfirmationAnswer::kNo, false},
        {false, ConfirmationAnswer::kClose, false}, {true, ConfirmationAnswer::kYes, true},
        {false, ConfirmationAnswer::kYes, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.from_menu ? "menu, answer " : "close button, answer ") +
                     std::to_string(c.kind));
        ConfirmationAnswer answer;
        answer.kind = c.kind;
        answer_next_confirmation(&answer);
        bool quit = false;
        if (c.from_menu) {
            quit = quit_from_menu();
        } else {
            send_delete_event(window_main);
            quit = destroyed;
        }
        EXPECT_TRUE(answer.answered);
        EXPECT_EQ(answer.question, "Are you sure you want to quit?");
        EXPECT_EQ(quit, c.quits);
        EXPECT_EQ(options_written(), c.quits);
        if (c.quits && !c.from_menu) {
            // The position of the closing window went into the file.
            EXPECT_NE(read_file(options_get_path()).find("[application]\nposition="),
                      std::string::npos);
        }
        g_remove(options_get_path());
    }
    EXPECT_TRUE(destroyed);
}

TEST(Confirmation, QuestionIsMarkupAndClosingIsNo)
{
    ConfirmationAnswer answer;
    answer.kind = ConfirmationAnswer::kClose;
    answer_next_confirmation(&answer);
    EXPECT_FALSE(common_get_user_confirmation("Delete <b>everything</b>?"));
    EXPECT_EQ(answer.question, "Delete everything?");
    pump_events();
    EXPECT_EQ(find_toplevel("Confirmation request"), nullptr);
}

TEST(MessageDialog, TitleFollowsTypeAndTextIsVerbatim)
{
    struct
    {
        GtkMessageType type;
        const char *title;
    } const cases[] = {
        {GTK_MESSAGE_INFO, "Information"},
        {GTK_MESSAGE_WARNING, "Warning"},
        {GTK_MESSAGE_QUESTION, "Warning"},
        {GTK_MESSAGE_ERROR, "Error"},
    };
    const char *text = "File \"a%sb.zbx\" <b>50%</b> done";
    for (const auto &c : cases) {
        bool gone = false;
        GtkWidget *dialog = common_message_dialog(nullptr, text, c.type);
        g_signal_connect(dialog, "destroy", G_CALLBACK(+[](GtkWidget *, gpointer data) {
                             *static_cast<bool *>(data) = true;
                         }),
                         &gone);
        // It returns at once, shown and modal.
        EXPECT_TRUE(GTK_WIDGET_VISIBLE(dialog));
        EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), c.title);
        gchar *shown = nullptr;
        gboolean markup = TRUE;
        g_object_get(dialog, "text", &shown, "use-markup", &markup, nullptr);
        EXPECT_STREQ(shown, text);
        EXPECT_FALSE(markup);
        g_free(shown);
        // Any response closes it.
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
        EXPECT_TRUE(gone);
    }
}

} // namespace
