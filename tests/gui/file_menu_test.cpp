// The File menu at work: opening through the chooser, the lists and
// previews that follow, closing, and failed opens and saves. (Save asking
// where, then writing to the named file: tests/e2e/undo_redo.sh; asking
// again after another open: History.UnsavedChangesAreNeverDiscardedWithoutAsking.)
#include "window_support.h"

#include "render/locations.h"

#include <gdk/gdkkeysyms.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/locations_view.h"
#include "files/backups.h"
#include "files/project_lock.h"
#include "files/zembrix.h"
#include "items/objects.h"
#include "render/render.h"
#include "support/bytes.h"
#include "support/items_fixture.h"
#include "ui/objectmodel.h"
#include "ui/panelmodels.h"

namespace {

const std::string kSample = zbx_source_path("tests/data/files/sample.prg");

class FileMenu : public WindowAtWork
{
};

TEST_F(FileMenu, OpenFillsEveryListAndThePreviewsShowWhatTheRendererDraws)
{
    ASSERT_TRUE(open_through_menu(kSample));
    EXPECT_TRUE(error_texts().empty());

    EXPECT_EQ(column_of(window_main, "treeview_main_objects", OBJ_COL_INDEX),
              (std::vector<int>{0, 1, 4, 6, 8}));
    EXPECT_EQ(column_of(window_main, "treeview_main_panels", PANEL_COL_INDEX),
              (std::vector<int>{2, 5, 7, 9}));

    // Location 2: panel 2 over colour 14, below the backdrop. (The object
    // preview: tests/e2e/grab_object.sh.)
    GtkWidget *area = widget("drawingarea_main_location_preview");
    select_row(window_main, "treeview_main_locations", 2);
    pump_events();
    GRef<GdkPixbuf> expected(canvas_new());
    render_location(app->document(), app->images().backdrop.get(), 2, expected.get());
    EXPECT_EQ(shown_differs(area, expected.get(), 1), 0);

    // The panel preview: panel 5 over its preview colour (that of the
    // location electing it), and its definitions listed.
    show_page(1);
    select_row(window_main, "treeview_main_panels", 1);
    pump_events();
    EXPECT_EQ(row_count(window_main, "treeview_main_panel_defs"), 5);
    GRef<GdkPixbuf> panel_expected(canvas_new());
    canvas_copy_image(app->images().backdrop.get(), panel_expected.get());
    render_stored_panel(app->document(), 5, panel_expected.get(), 2);
    GtkWidget *panel_area = widget("drawingarea_panel_preview");
    EXPECT_EQ(shown_differs(panel_area, panel_expected.get(), 1), 0);

    // All three at zoom level 2, every pixel doubled.
    gtk_button_clicked(GTK_BUTTON(widget("radiobutton_main_zoom_level2")));
    wait_for_width(panel_area, 640);
    EXPECT_EQ(shown_differs(panel_area, panel_expected.get(), 2), 0);
    show_page(0);
    wait_for_width(area, 640);
    EXPECT_EQ(shown_differs(area, expected.get(), 2), 0);
}

TEST_F(FileMenu, OpenChooserStartsAmongTheExamplesOrInTheRememberedFolder)
{
    ChooserAnswer first{"Select a zembrix file"};
    answer_next_chooser(&first);
    activate("open");
    ASSERT_TRUE(first.answered);
    GCharPtr examples(realpath(zbx_source_path("resources/examples").c_str(), nullptr));
    GCharPtr shown(realpath(first.folder.c_str(), nullptr));
    ASSERT_TRUE(shown);
    EXPECT_STREQ(shown.get(), examples.get());
    // Cancelled: nothing loaded, no folder remembered.
    EXPECT_FALSE(app->file_loaded());
    EXPECT_EQ(app->options().folder(OPTIONS_ZEMBRIX_DIR), nullptr);

    // The next chooser starts where the user ended.
    ASSERT_TRUE(open_through_menu(kSample));
    ChooserAnswer again{"Select a zembrix file"};
    answer_next_chooser(&again);
    activate("open");
    ASSERT_TRUE(again.answered);
    EXPECT_EQ(again.folder, zbx_source_path("tests/data/files"));
    // A cancelled open leaves the loaded data alone.
    EXPECT_TRUE(app->file_loaded());
    EXPECT_EQ(row_count(window_main, "treeview_main_objects"), 5);
}

TEST_F(FileMenu, InvalidFileOverALoadedOneLeavesNoDataAfterOneErrorDialog)
{
    ASSERT_TRUE(open_through_menu(kSample));
    const std::string status = status_text(window_main);
    select_row(window_main, "treeview_main_locations", 2);
    pump_events();

    const std::string junk = folder / "junk.prg";
    zbx_write_file(junk, std::vector<uint8_t>(200, 0x42));
    ASSERT_TRUE(open_through_menu(junk));
    const std::vector<std::string> errors = error_texts();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(
        errors[0].rfind("File \"" + junk + "\" doesn't appear to be a supported zembrix file.", 0),
        0u)
        << errors[0];

    EXPECT_FALSE(app->file_loaded());
    for (const char *view : {"treeview_main_locations", "treeview_main_objects",
                             "treeview_main_panels", "treeview_main_panel_defs"}) {
        EXPECT_EQ(row_count(window_main, view), 0) << view;
    }
    EXPECT_EQ(status_text(window_main), status);
    // The previews are back to the backdrop (once the dialog no longer
    // covers them).
    close_dialogs_titled("Error");
    EXPECT_EQ(
        shown_differs(widget("drawingarea_main_location_preview"), app->images().backdrop.get(), 1),
        0);
    // Commands find no data.
    click("button_panel_controls_new");
    EXPECT_EQ(app->document().count_panels(), 0);
}

TEST_F(FileMenu, ASaveThatLeavesAnotherLinkWithTheOldFileSaysSo)
{
    ASSERT_TRUE(open_through_menu(kSample));
    const std::string saved = folder / "saved.prg";
    const std::string other = folder / "other.prg";
    zbx_write_file(saved, {1});
    ASSERT_EQ(link(saved.c_str(), other.c_str()), 0);
    EXPECT_TRUE(app->save_project(saved.c_str()));
    EXPECT_TRUE(error_texts().empty());
    EXPECT_EQ(status_text(window_main), " Data saved to " + saved + ". \"" + saved +
                                            "\" had 1 other hard link: it keeps the old content");
    EXPECT_EQ(zbx_read_file(other), (std::vector<uint8_t>{1}));
}

TEST_F(FileMenu, SaveAndCloseNeedData)
{
    // Nothing loaded: Save and Save As ask nothing, Close says nothing.
    activate("save");
    activate("save_as");
    activate("close");
    pump_events();
    EXPECT_TRUE(toplevels_titled("Save to a zembrix file").empty());
    EXPECT_EQ(status_text(window_main), "");

    ASSERT_TRUE(open_through_menu(kSample));
    select_row(window_main, "treeview_main_objects", 0);
    activate("close");
    EXPECT_EQ(row_count(window_main, "treeview_main_objects"), 0);
    EXPECT_EQ(shown_differs(widget("drawingarea_object_controls_object_preview"),
                            app->images().backdrop.get(), 1),
              0);
}

} // namespace

TEST_F(FileMenu, AProjectOpenedWhileTheWindowIsElsewhereAsksForAttentionUntilFocused)
{
    auto focus = [this](bool in) {
        GdkEvent *event = gdk_event_new(GDK_FOCUS_CHANGE);
        event->focus_change.in = in;
        send_event(event, window_main);
        pump_events();
    };
    // With the focus: no request.
    focus(true);
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    EXPECT_FALSE(gtk_window_get_urgency_hint(GTK_WINDOW(window_main)));
    // The user is in another window while a project opens.
    focus(false);
    ASSERT_FALSE(gtk_window_is_active(GTK_WINDOW(window_main)));
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    EXPECT_TRUE(gtk_window_get_urgency_hint(GTK_WINDOW(window_main)));
    focus(true);
    EXPECT_FALSE(gtk_window_get_urgency_hint(GTK_WINDOW(window_main)));
    focus(false);
    // A project that fails to open asks for nothing.
    ASSERT_FALSE(app->open_project((folder / "missing.prg").c_str()));
    EXPECT_FALSE(gtk_window_get_urgency_hint(GTK_WINDOW(window_main)));
}

TEST_F(FileMenu, EachPhaseOfAnOpenIsAnnouncedBeforeItsWork)
{
    // What the progress bar says, and whether the document held the project
    // by then.
    struct Seen
    {
        Application *app;
        std::vector<std::pair<std::string, bool>> phases;
    } seen{app.get(), {}};
    g_signal_connect(widget("progressbar_main_zembrix_decode"), "notify::text",
                     G_CALLBACK(+[](GObject *bar, GParamSpec *, gpointer data) {
                         auto *s = static_cast<Seen *>(data);
                         s->phases.emplace_back(gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar)),
                                                s->app->document().is_open());
                     }),
                     &seen);
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    const std::vector<std::pair<std::string, bool>> expected = {
        {"Decoding objects...", false},
        {"Decoding panels and panel definitions...", false},
        {"Processing sub panels...", false},
        {"Done!", true}};
    EXPECT_EQ(seen.phases, expected);
}

TEST_F(FileMenu, OpenRecentOffersProjectsOnlyAndChoosersFollowTheProjectsFolder)
{
    // A project opened as from the command line: the project choosers start
    // in its folder.
    const std::string project = write_project(folder, "mine.prg", zbx_test_project({}));
    ASSERT_TRUE(app->open_project(project.c_str()));
    ChooserAnswer where{"Save to a zembrix file"};
    answer_next_chooser(&where);
    activate("save_as");
    EXPECT_TRUE(where.answered);
    EXPECT_EQ(where.folder, folder.path());

    // A picture the choosers wrote is filed under the program too, but it is
    // no project.
    GCharPtr png(g_filename_to_uri((folder / "export.png").c_str(), nullptr, nullptr));
    zbx_write_file(folder / "export.png", {1});
    GtkRecentData data{};
    data.mime_type = const_cast<char *>("image/png");
    data.app_name = const_cast<char *>("Zembrix");
    data.app_exec = const_cast<char *>("zembrix %f");
    gtk_recent_manager_add_full(gtk_recent_manager_get_default(), png.get(), &data);
    pump_until([] { return false; }, 300);
    GList *items =
        gtk_recent_chooser_get_items(GTK_RECENT_CHOOSER(widget("recentchoosermenu_main")));
    std::vector<std::string> names;
    for (GList *l = items; l != nullptr; l = l->next) {
        names.emplace_back(gtk_recent_info_get_display_name(static_cast<GtkRecentInfo *>(l->data)));
    }
    g_list_free_full(items, reinterpret_cast<GDestroyNotify>(gtk_recent_info_unref));
    EXPECT_NE(std::find(names.begin(), names.end(), "mine.prg"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "export.png"), names.end());
}

TEST_F(FileMenu, ControlPlusMinusAndWheelZoomAndTheWindowStaysOnTheScreen)
{
    ASSERT_TRUE(app->open_project(kSample.c_str()));
    auto zoomed = [this] {
        return gtk_toggle_button_get_active(
                   GTK_TOGGLE_BUTTON(widget("radiobutton_main_zoom_level2"))) != FALSE;
    };
    send_key(window_main, GDK_plus, GDK_CONTROL_MASK);
    pump_events();
    EXPECT_TRUE(zoomed());
    EXPECT_EQ(app->main().previews().expansion(), 1);
    send_key(window_main, GDK_minus, GDK_CONTROL_MASK);
    pump_events();
    EXPECT_FALSE(zoomed());
    GtkWidget *area = widget("drawingarea_main_location_preview");
    send_scroll(area, GDK_SCROLL_UP, GDK_CONTROL_MASK);
    EXPECT_TRUE(zoomed());

    // At 2X the two previews scroll where the screen is too small for them:
    // the whole window fits on it.
    wait_for_width(area, 640);
    GtkRequisition size{};
    gtk_widget_size_request(window_main, &size);
    EXPECT_LE(size.height, gdk_screen_height());
    EXPECT_LE(size.width, gdk_screen_width());
}

TEST_F(FileMenu, ASaveKeepsTheReplacedFileAndABackupOpensUnsavedInItsPlace)
{
    const std::string project = folder / "game.prg";
    ASSERT_EQ(g_file_set_contents(project.c_str(), read_file(kSample).data(),
                                  static_cast<gssize>(read_file(kSample).size()), nullptr),
              TRUE);
    ASSERT_TRUE(app->open_project(project.c_str()));
    const int items = app->document().item_count();
    // A new panel, saved: the backup holds the file as it was.
    app->document().begin_step("New panel");
    app->document().append_panel();
    app->document().end_step();
    ASSERT_TRUE(app->save_project(project.c_str()));
    const std::vector<BackupEntry> backups =
        backups_list(app->state_dir().c_str(), project.c_str());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(read_file(backups[0].path), read_file(kSample));

    // Restored from the list, the backup is the project, unsaved, under its
    // own name; the file is untouched until the user saves.
    DialogAnswer pick("Restore Backup", [](GtkWidget *dialog) {
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    });
    answer_next_dialog(&pick);
    gtk_menu_item_activate(GTK_MENU_ITEM(widget("menuitem_restore_backup")));
    pump_events();
    EXPECT_TRUE(pick.answered);
    EXPECT_EQ(app->document().item_count(), items);
    EXPECT_TRUE(app->document().is_modified());
    EXPECT_STREQ(app->project_path(), project.c_str());
    EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(window_main)), std::string("*Zembrix - game.prg"));
    EXPECT_EQ(app->document().item_count() + 1, [&] {
        ZbxProject saved;
        zembrix_read_file(project.c_str(), &saved, nullptr, nullptr, nullptr);
        return static_cast<int>(saved.items.size());
    }());
}

TEST_F(FileMenu, AFileChangedByAnotherProgramIsNoticedAndSavingOverItAsks)
{
    ZbxProject one;
    one.items = {zbx_object_item(zbx_test_record(1, 1, 1))};
    ZbxProject two = one;
    two.items.push_back(zbx_panel_item({}));
    const std::string project = write_project(folder, "game.prg", one);
    ASSERT_TRUE(app->open_project(project.c_str()));
    MainWindow &main = app->main();
    auto bar_text = [&] {
        GList *children = gtk_container_get_children(
            GTK_CONTAINER(gtk_info_bar_get_content_area(GTK_INFO_BAR(main.file_changed_bar()))));
        std::string text = gtk_label_get_text(GTK_LABEL(children->data));
        g_list_free(children);
        return text;
    };

    // Without unsaved changes: reload.
    write_project(folder, "game.prg", two);
    ASSERT_TRUE(pump_until([&] { return main.file_changed_bar() != nullptr; }));
    EXPECT_EQ(bar_text(), "“game.prg” was changed by another program.");
    gtk_info_bar_response(GTK_INFO_BAR(main.file_changed_bar()), GTK_RESPONSE_ACCEPT);
    pump_events();
    EXPECT_EQ(app->document().item_count(), 2);
    EXPECT_FALSE(app->document().is_modified());
    EXPECT_EQ(main.file_changed_bar(), nullptr);

    // With unsaved changes: keep mine.
    app->document().begin_step("New panel");
    app->document().append_panel();
    app->document().end_step();
    write_project(folder, "game.prg", one);
    ASSERT_TRUE(pump_until([&] { return main.file_changed_bar() != nullptr; }));
    EXPECT_NE(bar_text().find("You have unsaved changes"), std::string::npos) << bar_text();
    gtk_info_bar_response(GTK_INFO_BAR(main.file_changed_bar()), GTK_RESPONSE_REJECT);
    pump_events();
    EXPECT_EQ(app->document().item_count(), 3);
    EXPECT_TRUE(app->document().is_modified());

    // Saving over the changed file asks first; yes overwrites it. Our own
    // save raises no bar.
    ConfirmationAnswer overwrite;
    answer_next_confirmation(&overwrite);
    EXPECT_TRUE(app->save_project(project.c_str()));
    EXPECT_TRUE(overwrite.answered);
    EXPECT_EQ(overwrite.question,
              "“game.prg” was changed by another program since you opened it. Overwrite it?");
    pump_until([] { return false; }, 1500);
    EXPECT_EQ(main.file_changed_bar(), nullptr);
    ConfirmationAnswer none;
    answer_next_confirmation(&none);
    EXPECT_TRUE(app->save_project(project.c_str()));
    pump_events();
    EXPECT_FALSE(none.answered);
    // The watch for a question ends before the test does.
    none.polls = 1000;
    pump_until([] { return false; }, 100);
}

TEST_F(FileMenu, AProjectOpenInAnotherZembrixIsSaidAndOpensOnlyWhenWanted)
{
    ZbxProject one;
    one.items = {zbx_object_item(zbx_test_record(1, 1, 1))};
    const std::string project = write_project(folder, "game.prg", one);
    // Another Zembrix holds it (here another claim: the same lock).
    ProjectLock other;
    ASSERT_TRUE(other.take(app->state_dir().c_str(), project.c_str()));
    ConfirmationAnswer no;
    no.title = "Confirmation request";
    no.answer = [&no](GtkWidget *dialog) {
        no.question =
            gtk_label_get_text(GTK_LABEL(lookup_widget(dialog, "label_yes_no_confirmation")));
        gtk_button_clicked(GTK_BUTTON(lookup_widget(dialog, "button_yes_no_confirmation_no")));
    };
    answer_next_dialog(&no);
    EXPECT_FALSE(app->open_project(project.c_str()));
    EXPECT_NE(no.question.find("“game.prg” is already open in another Zembrix"), std::string::npos)
        << no.question;
    EXPECT_FALSE(app->document().is_open());
    ConfirmationAnswer yes;
    answer_next_confirmation(&yes);
    EXPECT_TRUE(app->open_project(project.c_str()));
    EXPECT_TRUE(yes.answered);

    // Once the other lets go, this one claims it: a third would be told.
    other.release();
    app->close_project();
    ASSERT_TRUE(app->open_project(project.c_str()));
    EXPECT_TRUE(project_lock_held_elsewhere(app->state_dir().c_str(), project.c_str()));
    app->close_project();
    EXPECT_FALSE(project_lock_held_elsewhere(app->state_dir().c_str(), project.c_str()));
}
