// The clash view of the main window: the View menu item frames the
// clashing cells of the location preview at both zooms, says how many in
// the status bar, and is remembered in the options file.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/interface.h"
#include "app/mainview.h"
#include "app/options.h"
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
