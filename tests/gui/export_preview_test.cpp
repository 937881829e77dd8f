// File > Export preview as PNG: the preview last clicked, as it is shown,
// written where the chooser says; the same pixels as zembrix-cli render.
#include <gtest/gtest.h>

#include "window_support.h"

namespace {
class ExportPreviewTest : public WindowAtWork
{
  protected:
    // What `zembrix-cli render` writes for the arguments, run among the
    // resources so that it finds the same backdrop as the window.
    GRef<GdkPixbuf> cli_render(std::vector<std::string> args)
    {
        const std::string out = folder / "cli.png";
        args.insert(args.begin(), std::string(ZBX_BINARY_DIR) + "/zembrix-cli");
        args.insert(args.end(), {"-o", out});
        std::vector<char *> argv;
        for (std::string &a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        gint status = -1;
        const std::string resources = zbx_source_path("resources");
        EXPECT_TRUE(g_spawn_sync(resources.c_str(), argv.data(), nullptr,
                                 G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr, nullptr, nullptr,
                                 &status, nullptr));
        EXPECT_EQ(status, 0);
        return GRef<GdkPixbuf>(gdk_pixbuf_new_from_file(out.c_str(), nullptr));
    }

    // Exports through the menu and the real chooser; the file written.
    GRef<GdkPixbuf> export_through_menu(const std::string &name, const std::string &item)
    {
        std::string suggested = item + ".png";
        suggested[item.find(' ')] = '_';
        ChooserAnswer answer;
        answer.title = "Export preview as PNG";
        answer.path = folder / name;
        answer_next_chooser(&answer);
        activate("menuitem_export_preview");
        EXPECT_TRUE(answer.answered);
        EXPECT_EQ(answer.name_field, suggested);
        EXPECT_EQ(status_text(window_main), " Exported " + item + " to " + answer.path);
        return GRef<GdkPixbuf>(gdk_pixbuf_new_from_file(answer.path.c_str(), nullptr));
    }

    void press_on(const char *area)
    {
        GdkEvent *event = gdk_event_new(GDK_BUTTON_PRESS);
        event->button.window = GDK_WINDOW(g_object_ref(widget(area)->window));
        event->button.button = 1;
        event->button.x = 10;
        event->button.y = 10;
        gtk_widget_event(widget(area), event);
        gdk_event_free(event);
    }
};

// Differing pixels of `image` and `expected` scaled by `scale`, or -1 when
// their sizes do not match.
int differing_pixels(GdkPixbuf *image, GdkPixbuf *expected, int scale)
{
    const int width = gdk_pixbuf_get_width(expected);
    const int height = gdk_pixbuf_get_height(expected);
    if (image == nullptr || gdk_pixbuf_get_width(image) != width * scale ||
        gdk_pixbuf_get_height(image) != height * scale) {
        return -1;
    }
    int differ = 0;
    for (int y = 0; y < height * scale; y++) {
        for (int x = 0; x < width * scale; x++) {
            differ += rgb_at(image, x, y) != rgb_at(expected, x / scale, y / scale);
        }
    }
    return differ;
}
} // namespace

TEST_F(ExportPreviewTest, ExportsTheClickedPreviewAsTheCommandLineRendersIt)
{
    const std::string example = zbx_source_path("resources/examples/quorvane-sampler.prg");
    ASSERT_TRUE(open_through_menu(example));
    select_row(window_main, "treeview_main_locations", 0);
    show_page(1);
    select_row(window_main, "treeview_main_panels", 1);
    press_on("drawingarea_panel_preview");
    int panel = -1;
    ASSERT_TRUE(mainview_shown_item(PREVIEW_PANEL, &panel));

    // The location preview: the whole screen, with the clash frames when on.
    press_on("drawingarea_main_location_preview");
    GRef<GdkPixbuf> cli = cli_render({"render", example, "--location=0", "--screen"});
    GRef<GdkPixbuf> exported = export_through_menu("a.png", "location 0");
    EXPECT_EQ(differing_pixels(exported.get(), cli.get(), 1), 0);
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget("menuitem_show_clashes")), TRUE);
    pump_events();
    cli = cli_render({"render", example, "--location=0", "--screen", "--clashes"});
    exported = export_through_menu("b.png", "location 0");
    EXPECT_EQ(differing_pixels(exported.get(), cli.get(), 1), 0);
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget("menuitem_show_clashes")), FALSE);

    // At 2X every pixel doubled.
    gtk_button_clicked(GTK_BUTTON(widget("radiobutton_main_zoom_level2")));
    pump_events();
    cli = cli_render({"render", example, "--location=0", "--screen"});
    exported = export_through_menu("c.png", "location 0");
    EXPECT_EQ(differing_pixels(exported.get(), cli.get(), 2), 0);

    // A click on the panel preview makes it the one exported.
    press_on("drawingarea_panel_preview");
    cli = cli_render({"render", example, "--panel=" + std::to_string(panel), "--screen"});
    exported = export_through_menu("d.png", "panel " + std::to_string(panel));
    EXPECT_EQ(differing_pixels(exported.get(), cli.get(), 2), 0);
}
