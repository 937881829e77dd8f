// File > Export preview as PNG: the preview last clicked, as it is shown,
// written where the chooser says; the same pixels as zembrix-cli render.
#include <gtest/gtest.h>

#include "window_support.h"

namespace {
class ExportPreviewTest : public WindowAtWork
{
  protected:
    // Differing pixels of the exported image and what `zembrix-cli render`
    // writes for the arguments (run among the resources, so that it finds
    // the same backdrop), scaled.
    int differ_from_cli(const std::string &name, const std::string &item,
                        std::vector<std::string> args, int scale)
    {
        const std::string cli = folder / "cli.png";
        args.insert(args.end(), {"--screen", "-o", cli});
        EXPECT_EQ(run_cli(args, zbx_source_path("resources")), 0);
        ChooserAnswer answer{"Export preview as PNG", folder / name};
        answer_next_chooser(&answer);
        activate("menuitem_export_preview");
        EXPECT_EQ(status_text(window_main), " Exported " + item + " to " + answer.path);
        GRef<GdkPixbuf> exported(gdk_pixbuf_new_from_file(answer.path.c_str(), nullptr));
        GRef<GdkPixbuf> expected(gdk_pixbuf_new_from_file(cli.c_str(), nullptr));
        return differing_pixels(exported.get(), expected.get(), scale);
    }
};
} // namespace

TEST_F(ExportPreviewTest, ExportsTheClickedPreviewAsTheCommandLineRendersIt)
{
    const std::string example = zbx_source_path("resources/examples/quorvane-sampler.prg");
    ASSERT_TRUE(open_through_menu(example));
    select_row(window_main, "treeview_main_locations", 0);
    show_page(1);
    select_row(window_main, "treeview_main_panels", 1);
    send_button(widget("drawingarea_panel_preview"), 10, 10);
    int panel = -1;
    ASSERT_TRUE(app->main().previews().shown_item(PREVIEW_PANEL, &panel));

    // The location preview: the whole screen, with the clash frames when on.
    send_button(widget("drawingarea_main_location_preview"), 10, 10);
    EXPECT_EQ(differ_from_cli("a.png", "location 0", {"render", example, "--location=0"}, 1), 0);
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget("menuitem_show_clashes")), TRUE);
    pump_events();
    EXPECT_EQ(
        differ_from_cli("b.png", "location 0", {"render", example, "--location=0", "--clashes"}, 1),
        0);
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget("menuitem_show_clashes")), FALSE);

    // At 2X every pixel doubled; a click on the panel preview makes it the
    // one exported.
    gtk_button_clicked(GTK_BUTTON(widget("radiobutton_main_zoom_level2")));
    pump_events();
    send_button(widget("drawingarea_panel_preview"), 10, 10);
    const std::string name = "panel " + std::to_string(panel);
    EXPECT_EQ(
        differ_from_cli("c.png", name, {"render", example, "--panel=" + std::to_string(panel)}, 2),
        0);
}
