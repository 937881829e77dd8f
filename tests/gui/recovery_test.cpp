// Unsaved work kept while it is unsaved, and offered back after a run that
// ended without saving it. (Killed for real: tests/e2e/recover_after_kill.sh.)
#include "window_support.h"

#include <glib/gstdio.h>

#include "files/recovery.h"
#include "files/zembrix.h"
#include "support/items_fixture.h"
#include "support/project.h"

namespace {

const std::string kSample = zbx_source_path("tests/data/files/sample.prg");

class Recovery : public WindowAtWork
{
  protected:
    Recovery() { recovery_times = {20, 0}; }

    std::string state() { return app->state_dir(); }
    std::string own_copy() { return app->recovery().path(); }
    // Waits for the copy to be written (or removed) and for the write to end.
    bool copy_exists(bool wanted, int ms = 5000)
    {
        const bool reached = pump_until(
            [&] {
                return g_file_test(own_copy().c_str(), G_FILE_TEST_EXISTS) == wanted &&
                       !app->recovery().writing();
            },
            ms);
        app->recovery().finish_write();
        return reached;
    }
    RecoveryCopy read_copy(const std::string &path)
    {
        RecoveryCopy copy;
        GErrorPtr error;
        const std::vector<uint8_t> bytes = zbx_read_file(path);
        EXPECT_TRUE(recovery_parse(bytes, &copy, error.out())) << error.message();
        return copy;
    }
    std::string project_copy(const std::string &name)
    {
        const std::string path = folder / name;
        const std::vector<uint8_t> bytes = zbx_read_file(kSample);
        zbx_write_file(path, bytes);
        return path;
    }
    // A copy left by a run that ended: the project with the first
    // placement of panel `panel` disabled, written `age` seconds from now.
    std::string leave_copy(const std::string &session, const std::string &of, int panel,
                           gint64 age = 0)
    {
        EXPECT_EQ(zembrix_read_file(of.c_str(), &copy_.project, nullptr, nullptr, nullptr), true);
        copy_.project.items[panel].defs[0].enabled = false;
        copy_.project.locations[3] = {static_cast<uint8_t>(panel), 7};
        copy_.preview.assign(copy_.project.items.size(), 0);
        copy_.preview[panel] = 11;
        copy_.session = session;
        copy_.project_path = of;
        copy_.name = "game.prg";
        copy_.written = g_get_real_time() + age * G_USEC_PER_SEC;
        const std::vector<uint8_t> bytes = recovery_encode(copy_);
        EXPECT_TRUE(recovery_write(state().c_str(), session, bytes, nullptr));
        return recovery_path(state().c_str(), session);
    }
    int first_panel()
    {
        for (int i = 0; i < app->document().item_count(); i++) {
            if (!app->document().panel_defs(i).empty()) {
                return i;
            }
        }
        return -1;
    }

    RecoveryCopy copy_;
};

// Answers the recovery question with the button of this response.
struct RecoverAnswer : QuestionAnswer
{
    explicit RecoverAnswer(int response) : QuestionAnswer("Recover unsaved changes", response) {}
    ~RecoverAnswer()
    {
        polls = 1000;
        pump_until([] { return false; }, 60);
    }
};

} // namespace

TEST_F(Recovery, ACopyFollowsUnsavedChangesAndGoesWhenNothingIsUnsaved)
{
    const std::string project = project_copy("game.prg");
    ASSERT_TRUE(app->open_project(project.c_str()));
    const int panel = first_panel();
    ASSERT_GE(panel, 0);
    EXPECT_FALSE(copy_exists(true, 200)) << "nothing unsaved, nothing kept";

    // A disabled placement and a preview colour are kept with the data.
    PanelDef def = app->document().panel_defs(panel)[0];
    def.enabled = false;
    {
        DocumentStep step(app->document(), "Disable placement");
        app->document().set_def(panel, 0, def);
    }
    app->document().set_preview_colour(panel, 13);
    ASSERT_TRUE(copy_exists(true));
    pump_until([] { return false; }, 100);
    app->recovery().finish_write();
    RecoveryCopy copy = read_copy(own_copy());
    EXPECT_EQ(copy.session, app->recovery().session());
    EXPECT_EQ(copy.project_path, project);
    EXPECT_EQ(copy.name, "game.prg");
    EXPECT_FALSE(copy.project.items[panel].defs[0].enabled);
    EXPECT_EQ(copy.preview[panel], 13);
    EXPECT_TRUE(copy.project == app->document().project());
    // The session still runs: no other run offers its copy.
    EXPECT_TRUE(recovery_find_left(state().c_str(), nullptr).empty());

    // Undone back to the file: nothing unsaved, no copy.
    ASSERT_TRUE(app->document().undo());
    EXPECT_TRUE(copy_exists(false));
    ASSERT_TRUE(app->document().redo());
    EXPECT_TRUE(copy_exists(true));

    // Saved: gone.
    DialogAnswer enable("Disabled placements", [](GtkWidget *dialog) {
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
    });
    answer_next_dialog(&enable);
    ASSERT_TRUE(app->save_project(project.c_str()));
    EXPECT_TRUE(copy_exists(false));

    // Changed again, then a new project: gone as well; and a run that ends
    // normally leaves none.
    {
        DocumentStep step(app->document(), "Empty panel");
        app->document().set_defs(panel, {});
    }
    EXPECT_TRUE(copy_exists(true));
    app->document().new_project();
    EXPECT_TRUE(copy_exists(false));
    {
        DocumentStep step(app->document(), "New panel");
        app->document().append_panel();
    }
    EXPECT_TRUE(copy_exists(true));
    const std::string path = own_copy();
    stop();
    EXPECT_FALSE(g_file_test(path.c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(Recovery, ACopyLeftByAnEndedRunIsOfferedAndRecoveredAsUnsavedWork)
{
    const std::string project = project_copy("game.prg");
    ASSERT_TRUE(app->open_project(project.c_str()));
    const int panel = first_panel();
    app->document().close();

    // Newer than the project's file, from a session no longer running.
    const std::string left = leave_copy("ended-1", project, panel, 60);
    {
        RecoverAnswer answer(GTK_RESPONSE_ACCEPT);
        ASSERT_TRUE(app->offer_recovery(nullptr));
        EXPECT_NE(answer.question.find("Zembrix closed unexpectedly while “game.prg” had unsaved "
                                       "changes from "),
                  std::string::npos)
            << answer.question;
        EXPECT_NE(answer.question.find(". Recover them?"), std::string::npos);
    }
    const Document &doc = app->document();
    EXPECT_TRUE(doc.is_modified());
    EXPECT_FALSE(doc.panel_defs(panel)[0].enabled);
    EXPECT_EQ(doc.preview_colour(panel), 11);
    EXPECT_EQ(doc.location(3).colour, 7);
    EXPECT_STREQ(app->project_path(), project.c_str());
    EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(window_main)), std::string("*Zembrix - game.prg"));
    // This run took the copy over: no other run offers it.
    EXPECT_FALSE(g_file_test(left.c_str(), G_FILE_TEST_EXISTS));
    EXPECT_TRUE(g_file_test(own_copy().c_str(), G_FILE_TEST_EXISTS));
    EXPECT_TRUE(recovery_find_left(state().c_str(), nullptr).empty());
}

TEST_F(Recovery, OnlyCopiesOfEndedRunsNewerThanTheirFileAreOfferedAndDiscardRemovesThem)
{
    const std::string project = project_copy("game.prg");
    const std::string other = project_copy("other.prg");
    ASSERT_TRUE(app->open_project(project.c_str()));
    const int panel = first_panel();
    app->document().close();

    // Older than the file (saved since), or of a run still going: not
    // offered, not touched.
    const std::string older = leave_copy("ended-old", project, panel, -60);
    RecoverySession running;
    ASSERT_TRUE(running.start(state().c_str()));
    const std::string live = leave_copy(running.id(), project, panel, 60);
    EXPECT_FALSE(app->offer_recovery(nullptr));
    EXPECT_TRUE(g_file_test(older.c_str(), G_FILE_TEST_EXISTS));
    EXPECT_TRUE(g_file_test(live.c_str(), G_FILE_TEST_EXISTS));

    // Opening a project offers its own copies only; Not now keeps one for
    // later, Discard removes it.
    const std::string other_copy = leave_copy("ended-2", other, panel, 60);
    {
        RecoverAnswer answer(GTK_RESPONSE_CANCEL);
        ASSERT_TRUE(app->open_project(project.c_str()));
        EXPECT_FALSE(answer.answered);
    }
    {
        RecoverAnswer answer(GTK_RESPONSE_CANCEL);
        ASSERT_TRUE(app->open_project(other.c_str()));
        EXPECT_TRUE(answer.answered);
    }
    EXPECT_FALSE(app->document().is_modified());
    EXPECT_TRUE(g_file_test(other_copy.c_str(), G_FILE_TEST_EXISTS));
    {
        RecoverAnswer answer(GTK_RESPONSE_REJECT);
        EXPECT_FALSE(app->offer_recovery(other.c_str()));
        EXPECT_TRUE(answer.answered);
    }
    EXPECT_FALSE(g_file_test(other_copy.c_str(), G_FILE_TEST_EXISTS));
    EXPECT_FALSE(app->document().is_modified());
}
