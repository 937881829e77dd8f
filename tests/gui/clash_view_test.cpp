// The clash view of the main window: the View menu item frames the
// clashing cells of the location preview at both zooms, says how many in
// the status bar, and is remembered in the options file; the panel
// editor's check button frames them on its canvas at every zoom.
#include <algorithm>
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/interface.h"
#include "app/mainview.h"
#include "app/options.h"
#include "editor/paneleditor_window.h"
#include "models/panelmodels_render.h"
#include "window_support.h"

namespace {
class ClashViewTest : public WindowAtWork
{
};
} // namespace

TEST_F(ClashViewTest, ExampleRoomShowsItsClashesFramedAtBothZooms)
{
    ASSERT_TRUE(open_through_menu(zbx_source_path("resources/examples/quorvane-sampler.prg")));
    select_row(window_main, "treeview_main_locations", 0);
    pump_events();
    GtkWidget *area = mainview_get_area(PREVIEW_LOCATION);
    GdkPixbuf *canvas = mainview_get_canvas(PREVIEW_LOCATION);
    EXPECT_EQ(compare_shown(area, canvas, 1), "") << "off: the picture alone";

    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget("menuitem_show_clashes")), TRUE);
    pump_events();
    EXPECT_TRUE(options_get_show_clashes());
    EXPECT_NE(read_file(options_file).find("show_clashes=true"), std::string::npos);
    const ComposeClashes &clashes = mainview_get_clashes(PREVIEW_LOCATION);
    EXPECT_EQ(status_text(window_main),
              " Location 0: " + std::to_string(clashes.count()) + " cells clash");
    ASSERT_TRUE(clashes.any());
    const ZbxLocationRecord record = document_location(0);
    EXPECT_EQ(clashes, panelmodels_stored_panel_clashes(record.panel, record.colour));
    // What is shown is the picture with the frames, and the picture is unchanged.
    EXPECT_NE(compare_shown(area, canvas, 1), "");
    GRef<GdkPixbuf> expected(panelmodels_shown_image(canvas, 0, &clashes));
    EXPECT_EQ(compare_shown(area, expected.get(), 1), "");

    gtk_button_clicked(GTK_BUTTON(widget("radiobutton_main_zoom_level2")));
    wait_for_width(area, 640);
    GRef<GdkPixbuf> shown = grab_widget(area);
    GRef<GdkPixbuf> zoomed(panelmodels_shown_image(canvas, 1, &clashes));
    int differ = 0;
    for (int y = 0; y < 400; y++) {
        for (int x = 0; x < 640; x++) {
            differ += rgb_at(shown.get(), x, y) != rgb_at(zoomed.get(), x, y);
        }
    }
    EXPECT_EQ(differ, 0) << "frames one pixel wide on the zoomed cells";
}

namespace {
// Pixels of the area, as far as the screen reaches, that differ from image.
int differing_on_screen(GtkWidget *area, GdkPixbuf *image)
{
    GRef<GdkPixbuf> shown = grab_widget(area);
    int left = 0;
    int top = 0;
    gdk_window_get_origin(area->window, &left, &top);
    const int width = std::min(gdk_pixbuf_get_width(image), gdk_screen_width() - left);
    const int height = std::min(gdk_pixbuf_get_height(image), gdk_screen_height() - top);
    int differ = 0;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            differ += rgb_at(shown.get(), x, y) != rgb_at(image, x, y);
        }
    }
    return differ;
}
} // namespace

TEST_F(ClashViewTest, PanelEditorFramesClashesAtEveryZoomAndExportsItsCanvas)
{
    ASSERT_TRUE(open_through_menu(zbx_source_path("resources/examples/quorvane-sampler.prg")));
    const ZbxLocationRecord record = document_location(0);
    paneleditor_window_open(record.panel, record.colour);
    GtkWidget *editor = window_panel_editor;
    show_and_wait(editor);
    paneleditor_select_row(-1);
    GtkWidget *area = lookup_widget(editor, "drawingarea_panel_editor_location");
    gtk_toggle_button_set_active(
        GTK_TOGGLE_BUTTON(lookup_widget(editor, "checkbutton_panel_editor_show_clashes")), TRUE);
    pump_events();
    const ComposeClashes expected = panelmodels_stored_panel_clashes(record.panel, record.colour);
    ASSERT_TRUE(expected.any());
    EXPECT_EQ(paneleditor_get_clashes(), expected);

    GdkPixbuf *canvas = paneleditor_get_canvas();
    for (int zoom : {2, 0, 1}) {
        const char *radios[] = {"radiobutton_panel_editor_zoom_1",
                                "radiobutton_panel_editor_zoom_2",
                                "radiobutton_panel_editor_zoom_4"};
        gtk_button_clicked(GTK_BUTTON(lookup_widget(editor, radios[zoom])));
        wait_for_width(area, 320 << zoom);
        GRef<GdkPixbuf> framed(panelmodels_shown_image(canvas, zoom, &expected));
        EXPECT_EQ(differing_on_screen(area, framed.get()), 0) << "zoom " << (1 << zoom);
    }

    // Control+E: the canvas as shown at 2X.
    ChooserAnswer answer;
    answer.title = "Export preview as PNG";
    answer.path = folder / "editor.png";
    answer_next_chooser(&answer);
    GdkEvent *key = gdk_event_new(GDK_KEY_PRESS);
    key->key.window = GDK_WINDOW(g_object_ref(editor->window));
    key->key.send_event = TRUE;
    key->key.keyval = GDK_e;
    key->key.state = GDK_CONTROL_MASK;
    gtk_main_do_event(key);
    gdk_event_free(key);
    pump_events();
    ASSERT_TRUE(answer.answered);
    const std::string suggested = "panel_" + std::to_string(record.panel);
    EXPECT_EQ(answer.name_field, suggested + ".png");
    GRef<GdkPixbuf> exported(gdk_pixbuf_new_from_file(answer.path.c_str(), nullptr));
    GRef<GdkPixbuf> framed(panelmodels_shown_image(canvas, 1, &expected));
    ASSERT_TRUE(exported);
    EXPECT_EQ(gdk_pixbuf_get_width(exported.get()), 640);
    int differ = 0;
    for (int y = 0; y < 400; y++) {
        for (int x = 0; x < 640; x++) {
            differ += rgb_at(exported.get(), x, y) != rgb_at(framed.get(), x, y);
        }
    }
    EXPECT_EQ(differ, 0);
    GtkStatusbar *bar = GTK_STATUSBAR(lookup_widget(editor, "statusbar_panel_editor"));
    EXPECT_EQ(std::string(gtk_label_get_text(GTK_LABEL(bar->label))),
              " Exported panel " + std::to_string(record.panel) + " to " + answer.path);
    send_delete_event(editor);
    pump_events();
}
