// The question that keeps unsaved changes from being lost, and what is no
// change. (Undo, redo and the title with real keys: tests/e2e/undo_redo.sh.)
#include "window_support.h"

#include "support/items_fixture.h"

namespace {

const std::string kSample = zbx_source_path("tests/data/files/sample.prg");

void click_button_labelled(GtkWidget *widget, const std::string &label)
{
    if (GTK_IS_BUTTON(widget)) {
        const char *text = gtk_button_get_label(GTK_BUTTON(widget));
        if (text != nullptr && label == text) {
            gtk_button_clicked(GTK_BUTTON(widget));
        }
    } else if (GTK_IS_CONTAINER(widget)) {
        GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList *c = children; c != nullptr; c = c->next) {
            click_button_labelled(GTK_WIDGET(c->data), label);
        }
        g_list_free(children);
    }
}

// Answers the next save question by the button of this label ("" closes
// it); keeps the question.
struct SaveAnswer : QuestionAnswer
{
    explicit SaveAnswer(const std::string &button)
        : QuestionAnswer("Unsaved changes", [button](GtkWidget *dialog) {
              if (button.empty()) {
                  send_delete_event(dialog);
              } else {
                  click_button_labelled(dialog, button);
              }
          })
    {
    }
};

const char *kWithout = "Close _without saving";
const char *kCancel = "gtk-cancel";
const char *kSave = "gtk-save";

class History : public WindowAtWork
{
  protected:
    std::string title() { return gtk_window_get_title(GTK_WINDOW(window_main)); }
    // Opens the sample and saves it as `name`, so that Save writes there.
    std::string open_and_name(const std::string &name)
    {
        EXPECT_TRUE(open_through_menu(kSample));
        const std::string path = folder / name;
        ChooserAnswer save_as{"Save to a zembrix file", path};
        answer_next_chooser(&save_as);
        activate("save_as");
        EXPECT_TRUE(save_as.answered);
        return path;
    }
    void new_panel()
    {
        click("button_panel_controls_new");
        pump_events();
    }
};

} // namespace

TEST_F(History, APanelsPreviewColourIsNoEdit)
{
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    show_page(1);
    select_row(window_main, "treeview_main_panels", 0);
    GdkEventButton press{};
    press.type = GDK_BUTTON_PRESS;
    press.button = 1;
    press.x = 5 * 16 + 3;
    app->main().previews().pick_colour(PALETTE_PANEL, &press);
    EXPECT_EQ(title(), "Zembrix - sample.prg");
    EXPECT_FALSE(app->document().can_undo());
}

TEST_F(History, TheStatusBarSaysOnceWhenOldStepsAreDropped)
{
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    Document &doc = app->document();
    doc.set_history_limit(1);
    const int panel = doc.item_count() - 1;
    ASSERT_EQ(doc.item_kind(panel), ZbxItemKind::Panel);
    auto empty_and_fill = [&] {
        std::vector<PanelDef> defs(doc.panel_defs(panel).begin(), doc.panel_defs(panel).end());
        {
            DocumentStep step(doc, "Empty");
            doc.set_defs(panel, {});
        }
        DocumentStep step(doc, "Fill");
        doc.set_defs(panel, defs);
    };
    empty_and_fill();
    EXPECT_NE(status_text(window_main).find("The oldest steps were dropped"), std::string::npos);
    app->main().set_status("other");
    empty_and_fill();
    EXPECT_EQ(status_text(window_main), "other");
    EXPECT_TRUE(doc.can_undo());
}

TEST_F(History, UnsavedChangesAreNeverDiscardedWithoutAsking)
{
    const std::string path = open_and_name("game.prg");

    // Unchanged: Close and Open go ahead without a question.
    activate("close");
    EXPECT_EQ(title(), "Zembrix");
    ASSERT_TRUE(app->open_project(path.c_str()));

    struct Case
    {
        const char *action;
        const char *button;
        bool discarded;
    };
    const Case cases[] = {
        {"close", kCancel, false}, {"close", "", false},     {"close", kWithout, true},
        {"open", kCancel, false},  {"quit", kCancel, false}, {"window", kCancel, false},
        {"new", kWithout, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.action) + " " + c.button);
        if (!app->document().is_open() || !app->document().is_modified()) {
            ASSERT_TRUE(app->open_project(path.c_str()));
            new_panel();
        }
        SaveAnswer answer(c.button);
        gboolean kept = FALSE;
        if (std::string(c.action) == "window") {
            g_signal_emit_by_name(window_main, "delete-event", nullptr, &kept);
            EXPECT_TRUE(kept);
        } else {
            activate(c.action);
        }
        pump_events();
        EXPECT_TRUE(answer.answered);
        EXPECT_EQ(answer.question, "Save changes to “game.prg” before closing?");
        EXPECT_EQ(!app->document().is_modified(), c.discarded);
        EXPECT_TRUE(toplevels_titled("Select a zembrix file").empty());
        EXPECT_FALSE(app->quitting());
    }

    // Save answers the question by saving; then the window closes.
    ASSERT_TRUE(app->open_project(path.c_str()));
    new_panel();
    const std::vector<uint8_t> edited = [this] {
        std::vector<uint8_t> bytes;
        zembrix_encode(app->document().project(), &bytes, nullptr);
        return bytes;
    }();
    SaveAnswer save(kSave);
    g_remove(path.c_str());
    // The project was reopened: Save asks where first; name it again.
    ChooserAnswer where{"Save to a zembrix file", path};
    answer_next_chooser(&where);
    gboolean kept = FALSE;
    g_signal_emit_by_name(window_main, "delete-event", nullptr, &kept);
    EXPECT_TRUE(save.answered);
    EXPECT_TRUE(app->quitting());
    EXPECT_TRUE(zbx_bytes_equal(edited, zbx_read_file(path)));
}

TEST_F(History, ASaveThatFailsInsideTheQuestionKeepsTheDataAndTheWindow)
{
    const std::string path = open_and_name("game.prg");
    new_panel();
    // Where the file was, a folder: nothing can replace it.
    g_remove(path.c_str());
    ASSERT_EQ(g_mkdir(path.c_str(), 0700), 0);
    const std::string status = status_text(window_main);
    SaveAnswer save(kSave);
    gboolean kept = FALSE;
    g_signal_emit_by_name(window_main, "delete-event", nullptr, &kept);
    EXPECT_TRUE(save.answered);
    EXPECT_TRUE(kept);
    const std::vector<std::string> errors = error_texts();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(path), std::string::npos) << errors[0];
    EXPECT_TRUE(g_file_test(path.c_str(), G_FILE_TEST_IS_DIR));
    EXPECT_EQ(status_text(window_main), status);
    EXPECT_TRUE(app->document().is_modified());
    EXPECT_EQ(row_count(window_main, "treeview_main_panels"), 5);
}

TEST_F(History, ANewProjectIsEmptyAndSaveAsksWhere)
{
    activate("new");
    EXPECT_EQ(row_count(window_main, "treeview_main_locations"), kLocationCount);
    new_panel();
    EXPECT_EQ(title(), "*Zembrix - Untitled");

    // The file cannot keep a placement disabled: the save asks first, and
    // what the window shows afterwards is what the file holds.
    {
        DocumentStep step(app->document(), "Place");
        app->document().append_object(zbx_test_record(1, 1));
        PanelDef def = zbx_object_def(1, 8, 8);
        def.enabled = false;
        app->document().insert_def(0, 0, def);
    }
    // The first save asks where (the name stays), the second does not.
    ChooserAnswer where{"Save to a zembrix file", folder / "new.prg"};
    answer_next_chooser(&where);
    for (int response : {GTK_RESPONSE_CANCEL, GTK_RESPONSE_YES}) {
        QuestionAnswer ask{"Disabled placements", response};
        activate("save");
        EXPECT_TRUE(where.answered);
        EXPECT_TRUE(ask.answered);
        EXPECT_EQ(ask.question, "1 disabled placement will be written as enabled");
        EXPECT_EQ(g_file_test(where.path.c_str(), G_FILE_TEST_EXISTS),
                  response == GTK_RESPONSE_YES);
        EXPECT_EQ(app->document().panel_defs(0)[0].enabled, response == GTK_RESPONSE_YES);
    }
    EXPECT_EQ(status_text(window_main), " Data saved to " + (folder / "new.prg"));
    EXPECT_EQ(title(), "Zembrix - new.prg");
    EXPECT_STREQ(app->document().undo_name(), "Enable placements");
}
