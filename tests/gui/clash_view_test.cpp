// The clash view: View > Show colour clashes frames the clashing cells of
// the location preview at both zooms, says how many in the status bar and
// is remembered in the options file; the panel editor's check button
// follows the same setting and frames them on its canvas at every zoom.
#include <algorithm>
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "render/render.h"
#include "window_support.h"

namespace {

// Pixels of the part of the area that shows, as far as the screen reaches,
// that differ from image.
int differing_on_screen(GtkWidget *area, GdkPixbuf *image)
{
    GRef<GdkPixbuf> shown = grab_widget(area);
    int left = 0;
    int top = 0;
    gdk_window_get_origin(area->window, &left, &top);
    const GdkRectangle part = visible_part(area);
    const int width =
        std::min({gdk_pixbuf_get_width(image), gdk_screen_width() - left, part.x + part.width});
    const int height =
        std::min({gdk_pixbuf_get_height(image), gdk_screen_height() - top, part.y + part.height});
    int differ = 0;
    for (int y = part.y; y < height; y++) {
        for (int x = part.x; x < width; x++) {
            differ += rgb_at(shown.get(), x, y) != rgb_at(image, x, y);
        }
    }
    return differ;
}

class ClashView : public WindowAtWork
{
  protected:
    void SetUp() override
    {
        WindowAtWork::SetUp();
        ASSERT_TRUE(open_through_menu(zbx_source_path("resources/examples/quorvane-sampler.prg")));
    }
    GtkCheckMenuItem *menu_item() { return GTK_CHECK_MENU_ITEM(widget("menuitem_show_clashes")); }
};

} // namespace

TEST_F(ClashView, ExampleRoomShowsItsClashesFramedAtBothZooms)
{
    select_row(window_main, "treeview_main_locations", 0);
    pump_events();
    GtkWidget *area = app->main().previews().area(PREVIEW_LOCATION);
    GdkPixbuf *canvas = app->main().previews().canvas(PREVIEW_LOCATION);
    EXPECT_EQ(shown_differs(area, canvas, 1), 0) << "off: the picture alone";

    gtk_check_menu_item_set_active(menu_item(), TRUE);
    pump_events();
    EXPECT_NE(read_file(options_file).find("show_clashes=true"), std::string::npos);
    const ComposeClashes &clashes = app->main().previews().clashes(PREVIEW_LOCATION);
    ASSERT_TRUE(clashes.any());
    EXPECT_EQ(status_text(window_main),
              " Location 0: " + std::to_string(clashes.count()) + " cells clash");
    const ZbxLocationRecord record = app->document().location(0);
    EXPECT_EQ(clashes, render_stored_panel_clashes(app->document(), record.panel, record.colour));
    // What is shown is the picture with the frames; the picture is unchanged.
    for (int zoom : {0, 1}) {
        if (zoom == 1) {
            gtk_button_clicked(GTK_BUTTON(widget("radiobutton_main_zoom_level2")));
            wait_for_width(area, 640);
        }
        GRef<GdkPixbuf> framed(render_shown_image(canvas, zoom, &clashes));
        EXPECT_EQ(differing_on_screen(area, framed.get()), 0) << "zoom " << zoom;
    }
}

TEST_F(ClashView, PanelEditorFollowsTheSettingFramesItsCanvasAndExportsIt)
{
    // Switched on in the main window before the editor opens.
    gtk_check_menu_item_set_active(menu_item(), TRUE);
    const ZbxLocationRecord record = app->document().location(0);
    app->editor().open(record.panel, record.colour);
    GtkWidget *editor = app->editor().window();
    show_and_wait(editor);
    app->editor().model().select_row(-1);
    GtkToggleButton *check =
        GTK_TOGGLE_BUTTON(lookup_widget(editor, "checkbutton_panel_editor_show_clashes"));
    EXPECT_TRUE(gtk_toggle_button_get_active(check));
    const ComposeClashes expected =
        render_stored_panel_clashes(app->document(), record.panel, record.colour);
    ASSERT_TRUE(expected.any());
    EXPECT_EQ(app->editor().clashes(), expected);
    // Either side switches both, and the remembered option.
    gtk_toggle_button_set_active(check, FALSE);
    EXPECT_FALSE(gtk_check_menu_item_get_active(menu_item()));
    EXPECT_FALSE(app->main().previews().show_clashes());
    EXPECT_NE(read_file(options_file).find("show_clashes=false"), std::string::npos);
    EXPECT_FALSE(app->editor().clashes().any());
    gtk_check_menu_item_set_active(menu_item(), TRUE);
    EXPECT_TRUE(gtk_toggle_button_get_active(check));
    pump_events();

    GtkWidget *area = lookup_widget(editor, "drawingarea_panel_editor_location");
    GdkPixbuf *canvas = app->editor().canvas();
    const char *radios[] = {"radiobutton_panel_editor_zoom_1", "radiobutton_panel_editor_zoom_2",
                            "radiobutton_panel_editor_zoom_4"};
    for (int zoom : {2, 0, 1}) {
        gtk_button_clicked(GTK_BUTTON(lookup_widget(editor, radios[zoom])));
        wait_for_width(area, 320 << zoom);
        GRef<GdkPixbuf> framed(render_shown_image(canvas, zoom, &expected));
        EXPECT_EQ(differing_on_screen(area, framed.get()), 0) << "zoom " << (1 << zoom);
    }

    // Control+E: the canvas as shown at 2X.
    ChooserAnswer answer{"Export preview as PNG", folder / "editor.png"};
    answer_next_chooser(&answer);
    send_key(editor, GDK_e, GDK_CONTROL_MASK);
    pump_events();
    ASSERT_TRUE(answer.answered);
    GRef<GdkPixbuf> exported(gdk_pixbuf_new_from_file(answer.path.c_str(), nullptr));
    ASSERT_TRUE(exported);
    GRef<GdkPixbuf> framed(render_shown_image(canvas, 1, &expected));
    EXPECT_EQ(differing_pixels(exported.get(), framed.get(), 1), 0);
    send_delete_event(editor);
    pump_events();
}
