// Measures, in the real window, how long it takes from a right-button press
// on the object grabber's picture to the new object's icon being painted,
// with a project of 254 objects open (so the grab makes the 255th). The
// grabber is built as the application builds it, from a document, options
// in a fresh folder, choosers, the images and the shared lists.
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

#include "grabber/objectgrabber.h"
#include "items/document.h"
#include "ui/builder.h"
#include "ui/context.h"

namespace {

// What the grabber asks of the main window: here, nothing to stand over.
class QuietShell final : public Shell
{
  public:
    GtkWindow *main_window() const override { return nullptr; }
    void panel_edited(int) override {}
    void set_status(const char *) override {}
    void set_show_clashes(bool) override {}
    void set_show_grid(bool) override {}
    void save_project() override {}
};

// Runs the toolkit until nothing is left to draw.
void settle()
{
    while (gtk_events_pending()) {
        gtk_main_iteration();
    }
    gdk_window_process_all_updates();
    gdk_display_sync(gdk_display_get_default());
}

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

// Grabs a selection of 4 x 4 cells `runs` times, undoing each grab, and
// prints the times; the exit status.
int time_grabs(GrabberWindow &grabber, Document &document, int runs)
{
    GtkWidget *area = lookup_widget(grabber.window(), "drawingarea_object_grabber_object_preview");
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
        if (document.count_objects() != 255) {
            std::fprintf(stderr, "the grab did not add an object\n");
            return 1;
        }
        document.undo();
        settle();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("right-button press to the new icon painted, 254 objects loaded, %d runs: "
                "median %.2f ms, min %.2f ms, max %.2f ms\n",
                runs, ms[ms.size() / 2], ms.front(), ms.back());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    gtk_init(&argc, &argv);
    gchar *config = g_dir_make_tmp("zbx-grab-time-XXXXXX", nullptr);
    const std::string picture =
        argc > 1 ? argv[1] : std::string("tests/data/pictures/koala/Cyber30a-x.koa");
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
    int status = 1;
    {
        Document document;
        Options options(config);
        Choosers choosers(options);
        SharedImages images;
        ObjectList objects(document);
        PanelList panels(document);
        QuietShell shell;
        UiContext context{document, options, choosers, images, objects, panels, shell};
        document.load(objects_project());
        GrabberWindow grabber(context);
        grabber.show();
        settle();
        if (grabber.open_picture(picture.c_str())) {
            status = time_grabs(grabber, document, runs);
        } else {
            std::fprintf(stderr, "could not open %s\n", picture.c_str());
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    g_free(config);
    return status;
}
