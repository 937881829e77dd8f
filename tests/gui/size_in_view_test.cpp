// The size of the project's file in view: the main window's status row
// tells it after every change and warns near the limit, and every command
// that would take the file past the limit is refused with a message, the
// project as it was and nothing to undo (the document's own refusals:
// project_size_test).
#include "window_support.h"

#include "base/error.h"
#include "editor/paneleditor.h"
#include "items/itemwrapper.h"
#include "support/items_fixture.h"
#include "support/project.h"

namespace {

class SizeInView : public WindowAtWork
{
  protected:
    void open(const ZbxProject &project)
    {
        ASSERT_TRUE(app->open_project(write_project(folder, "project.prg", project).c_str()));
        pump_events();
    }
    std::string size_text() { return app->main().size_text(); }
    bool warning_shown() { return gtk_widget_get_visible(widget("image_main_size_warning")); }
};

} // namespace

TEST_F(SizeInView, StatusRowTellsTheSizeAfterEveryChangeAndWarnsNearTheLimit)
{
    EXPECT_EQ(size_text(), "");
    open(zbx_nearly_full_project(3000));
    EXPECT_EQ(size_text(), "90 % used, 3,000 bytes free");
    EXPECT_FALSE(warning_shown());
    click("button_panel_controls_new");
    pump_events();
    EXPECT_EQ(size_text(), "90 % used, 2,997 bytes free");
    // Other messages take the status bar, not the size beside it.
    app->main().set_status(" Something else");
    activate("undo");
    pump_events();
    EXPECT_EQ(size_text(), "90 % used, 3,000 bytes free");

    open(zbx_nearly_full_project(1000));
    EXPECT_EQ(size_text(), "Warning: 96 % used, only 1,000 bytes free");
    EXPECT_TRUE(warning_shown());
    EXPECT_STREQ(gtk_label_get_label(GTK_LABEL(widget("label_main_size"))),
                 "<b>Warning: 96 % used, only 1,000 bytes free</b>");

    // A project over the limit (two panels read from one list, say) opens
    // and says so.
    ZbxProject over = zbx_nearly_full_project(0);
    over.items[13].defs.push_back(zbx_object_def(0, 0, 0));
    app->document().load(over);
    pump_events();
    EXPECT_EQ(size_text(), "Warning: 100 % used, 3 bytes over the limit");
    EXPECT_TRUE(warning_shown());

    activate("close");
    pump_events();
    EXPECT_EQ(size_text(), "");
    EXPECT_FALSE(warning_shown());
}

TEST_F(SizeInView, NewPanelPastTheLimitIsRefusedWithAMessage)
{
    open(zbx_nearly_full_project(2));
    click("button_panel_controls_new");
    pump_events();
    EXPECT_EQ(error_texts(), std::vector<std::string>{"New panel refused: the file would take "
                                                      "30,723 bytes, above the limit of 30,722 "
                                                      "bytes"});
    EXPECT_EQ(app->document().item_count(), 14);
    EXPECT_FALSE(app->document().can_undo());
    EXPECT_EQ(size_text(), "Warning: 99 % used, only 2 bytes free");
}

TEST(SizeInEditor, EveryInsertionPastTheLimitIsRefused)
{
    Document doc;
    PanelEditor editor{doc};
    const int none[3] = {0, 0, 0};
    const std::vector<PanelDef> one{zbx_object_def(1, 8, 8)};
    struct Case
    {
        const char *name;
        std::function<bool(GError **)> run;
    };
    const Case cases[] = {
        {"Add placement",
         [&](GError **e) { return editor.add_object(1, false, false, 0, none, e); }},
        {"Clone placement", [&](GError **e) { return editor.clone(e); }},
        {"Paste placement", [&](GError **e) { return editor.paste(one, std::nullopt, e); }},
        {"Duplicate placement", [&](GError **e) { return editor.duplicate(e); }},
        {"Drop placement", [&](GError **e) { return editor.drop(true, 1, 16, 16, e); }},
        {"Colour overrides",
         [&](GError **e) {
             const int three[3] = {0x12, 0x34, 0x56};
             editor.select_row(static_cast<int>(doc.panel_defs(13).size()) - 1);
             return editor.set_overrides(3, three, e);
         }},
    };
    for (const Case &c : cases) {
        doc.load(zbx_nearly_full_project(2));
        editor.open(13, 0);
        editor.select_row(0);
        const ZbxProject before = doc.project();
        GErrorPtr error;
        EXPECT_FALSE(c.run(error.out())) << c.name;
        EXPECT_TRUE(zbx_error_is(error.get(), ZbxError::TooLarge)) << c.name;
        EXPECT_EQ(
            std::string(error.message()),
            std::string(c.name) +
                " refused: the file would take 30,723 bytes, above the limit of 30,722 bytes");
        EXPECT_EQ(doc.project(), before) << c.name;
        EXPECT_FALSE(doc.can_undo()) << c.name;
    }
}

TEST_F(SizeInView, APictureCutShortIsToldAsIncomplete)
{
    ASSERT_TRUE(app->open_project(zbx_source_path("tests/data/files/deep.prg").c_str()));
    pump_events();
    show_page(0);
    select_row(window_main, "treeview_main_locations", 0);
    pump_events();
    const std::string cut = " Location 0: the picture is incomplete, cut short after 1,000,000 "
                            "placement visits";
    EXPECT_EQ(status_text(window_main), cut);
    EXPECT_TRUE(app->main().previews().stats(PREVIEW_LOCATION).truncated);
    EXPECT_EQ(gtk_label_get_text(GTK_LABEL(widget("label_main_location_info"))),
              std::string("Panel: 1 ($01)\nBackground: blue\nIncomplete picture"));

    select_row(window_main, "treeview_main_locations", 1);
    pump_events();
    EXPECT_FALSE(app->main().previews().stats(PREVIEW_LOCATION).truncated);
    EXPECT_EQ(gtk_label_get_text(GTK_LABEL(widget("label_main_location_info"))),
              std::string("Panel: 2 ($02)\nBackground: black"));

    // The panel preview too.
    show_page(1);
    select_row(window_main, "treeview_main_panels", 0);
    pump_events();
    EXPECT_EQ(status_text(window_main), " Panel 1: the picture is incomplete, cut short after "
                                        "1,000,000 placement visits");
}
