// Measures, in the real main window, how long it takes from choosing a
// location in the list to its preview being painted (incremental rendering
// off), for the heaviest location of a large project; and the editor's
// peak memory with that project open.
//
//   zembrix_preview_time [PROJECT.prg] [RUNS]      (under X, e.g. xvfb-run)
//
// Without a project it writes and opens a large one: 255 items near the
// address limit, 128 objects of 4 x 4 cells and 127 panels of 21
// definitions, some of them sub-panels.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <gtk/gtk.h>

#include "../bench/large_project.h"
#include "app/application.h"
#include "base/gref.h"
#include "files/zembrix_format.h"
#include "render/canvas.h"
#include "render/locations.h"
#include "window_timing.h"

namespace {

void select_location(Application &app, int row)
{
    GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(app.main().widget("treeview_main_locations")), path,
                             nullptr, FALSE);
    gtk_tree_path_free(path);
}

} // namespace

int main(int argc, char **argv)
{
    gtk_init(&argc, &argv);
    gchar *config = g_dir_make_tmp("zbx-preview-time-XXXXXX", nullptr);
    std::string path = argc > 1 ? argv[1] : std::string(config) + "/large.prg";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
    ApplicationSetup setup;
    setup.config_dir = config;
    Application app(setup);
    if (!open_for_timing(app, path,
                         argc > 1 ? std::vector<uint8_t>() : zbx_near_limit_project(true))) {
        return 1;
    }

    // The heaviest location: the one that takes longest to draw.
    GRef<GdkPixbuf> canvas(canvas_new());
    int heaviest = 0;
    gint64 longest = -1;
    for (int s = 0; s < kLocationCount; s++) {
        const gint64 start = g_get_monotonic_time();
        render_location(app.document(), app.images().backdrop.get(), s, canvas.get());
        const gint64 took = g_get_monotonic_time() - start;
        if (took > longest) {
            longest = took;
            heaviest = s;
        }
    }

    const int other = heaviest == 0 ? 1 : 0;
    std::vector<double> ms;
    for (int r = 0; r < runs; r++) {
        select_location(app, other);
        settle();
        const gint64 start = g_get_monotonic_time();
        // The selection renders the preview and queues its redraw; the
        // expose that paints it runs here, and the X server has it all once
        // the display is in sync.
        select_location(app, heaviest);
        gdk_window_process_all_updates();
        gdk_display_sync(gdk_display_get_default());
        ms.push_back(static_cast<double>(g_get_monotonic_time() - start) / 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("project: %s\n", path.c_str());
    std::printf("heaviest location: %d (drawn off screen in %.2f ms)\n", heaviest,
                static_cast<double>(longest) / 1000.0);
    std::printf("choosing it to its preview painted, %d runs: median %.2f ms, min %.2f ms, "
                "max %.2f ms\n",
                runs, ms[ms.size() / 2], ms.front(), ms.back());
    std::printf("peak memory (max RSS): %ld KiB\n", usage.ru_maxrss);
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    g_free(config);
    return 0;
}
