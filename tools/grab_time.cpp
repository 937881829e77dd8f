// Measures, in the real windows, how long it takes from a right-button
// press on the object grabber's picture to the new object's icon being
// painted, with a project of 254 objects open (so the grab makes the 255th).
//
//   zembrix_grab_time [PICTURE] [RUNS]      (under X, e.g. xvfb-run)
//
// The picture defaults to a Koala picture of the test data (run from the
// source folder); each grab is undone before the next.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtk/gtk.h>

#include "app/app.h"
#include "app/context.h"
#include "app/support.h"
#include "files/zembrix_format.h"
#include "grabber/objectgrabber.h"
#include "items/document.h"
#include "window_timing.h"

namespace {

// 254 objects of 3 x 3 cells with made-up bytes (as many as fit below
// the address limit).
ZbxProject objects_project()
{
    std::mt19937 rng(254);
    ZbxProject project;
    for (int i = 0; i < 254; i++) {
        ZbxItem item;
        item.kind = ZbxItemKind::Object;
        item.record.resize(91);
        for (uint8_t &b : item.record) {
            b = static_cast<uint8_t>(rng());
        }
        item.record[0] = 0x33;
        project.items.push_back(item);
    }
    return project;
}

void send(GtkWidget *area, GdkEventType type, double x, double y, guint button, guint state)
{
    GdkEvent *event = gdk_event_new(type);
    event->any.window = GDK_WINDOW(g_object_ref(area->window));
    event->any.send_event = TRUE;
    if (type == GDK_MOTION_NOTIFY) {
        event->motion.x = x;
        event->motion.y = y;
        event->motion.state = state;
    } else {
        event->button.x = x;
        event->button.y = y;
        event->button.button = button;
    }
    gtk_widget_event(area, event);
    gdk_event_free(event);
}

} // namespace

int main(int argc, char **argv)
{
    gtk_init(&argc, &argv);
    gchar *config = g_dir_make_tmp("zbx-grab-time-XXXXXX", nullptr);
    g_setenv("XDG_CONFIG_HOME", config, TRUE);
    const std::string picture =
        argc > 1 ? argv[1] : std::string("tests/data/pictures/koala/Cyber30a-x.koa");
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
    const std::string path = std::string(config) + "/objects.prg";
    if (!open_for_timing(path, encoded(objects_project()))) {
        return 1;
    }
    gtk_widget_show(window_object_grabber);
    settle();
    if (!objectgrabber_open_picture(picture.c_str())) {
        std::fprintf(stderr, "could not open %s\n", picture.c_str());
        return 1;
    }
    GtkWidget *area =
        lookup_widget(window_object_grabber, "drawingarea_object_grabber_object_preview");
    // A selection of 4 x 4 cells.
    send(area, GDK_BUTTON_PRESS, 80, 40, 1, 0);
    send(area, GDK_MOTION_NOTIFY, 80, 40, 0, GDK_BUTTON1_MASK);
    send(area, GDK_MOTION_NOTIFY, 112, 72, 0, GDK_BUTTON1_MASK);
    settle();

    std::vector<double> ms;
    for (int r = 0; r < runs; r++) {
        const gint64 start = g_get_monotonic_time();
        send(area, GDK_BUTTON_PRESS, 90, 50, 3, 0);
        // The store's new row relays the icon view out and queues its
        // redraw; the paint runs here, and the X server has it all once the
        // display is in sync.
        settle();
        ms.push_back(static_cast<double>(g_get_monotonic_time() - start) / 1000.0);
        if (app_document().count_objects() != 255) {
            std::fprintf(stderr, "the grab did not add an object\n");
            return 1;
        }
        app_document().undo();
        settle();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("right-button press to the new icon painted, 254 objects loaded, %d runs: "
                "median %.2f ms, min %.2f ms, max %.2f ms\n",
                runs, ms[ms.size() / 2], ms.front(), ms.back());
    app_shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    g_free(config);
    return 0;
}
