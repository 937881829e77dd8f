// Measures, in the real windows, how long the object and panel browser takes
// from being shown to its icon view laid out and painted, with a project of
// 255 objects (the most the index space holds) of 1 to 5 cells a side.
//
//   zembrix_browser_time [RUNS]      (under X, e.g. xvfb-run)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtk/gtk.h>

#include "app/application.h"
#include "files/zembrix_format.h"
#include "ui/builder.h"
#include "window_timing.h"

namespace {

ZbxProject many_objects()
{
    std::mt19937 random(255);
    ZbxProject project;
    for (int i = 0; i < kMaxItems; i++) {
        const int w = 1 + static_cast<int>(random() % 5);
        const int h = 1 + static_cast<int>(random() % 5);
        const int cells = w * h;
        ZbxItem item;
        item.kind = ZbxItemKind::Object;
        item.record.push_back(static_cast<uint8_t>(w * 16 + h));
        for (int b = 0; b < 9 * cells; b++) {
            item.record.push_back(static_cast<uint8_t>(random()));
        }
        for (int c = 0; c < cells; c++) {
            item.record.push_back(static_cast<uint8_t>(0xF0 | (random() & 15)));
        }
        project.items.push_back(std::move(item));
    }
    return project;
}

double show_ms(Application &app)
{
    const gint64 start = g_get_monotonic_time();
    app.editor().browser().show();
    settle();
    return static_cast<double>(g_get_monotonic_time() - start) / 1000.0;
}

} // namespace

int main(int argc, char **argv)
{
    gtk_init(&argc, &argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    gchar *config = g_dir_make_tmp("zbx-browser-time-XXXXXX", nullptr);
    const std::string path = std::string(config) + "/objects.prg";
    ApplicationSetup setup;
    setup.config_dir = config;
    Application app(setup);
    if (!open_for_timing(app, path, encoded(many_objects()))) {
        return 1;
    }

    GtkWidget *browser = app.editor().browser().window();
    const double first = show_ms(app);
    std::vector<double> ms;
    for (int r = 0; r < runs; r++) {
        gtk_widget_hide(browser);
        settle();
        ms.push_back(show_ms(app));
    }
    std::sort(ms.begin(), ms.end());
    GtkWidget *icons = lookup_widget(browser, "iconview_browser_objects");
    GtkTreeModel *model = gtk_icon_view_get_model(GTK_ICON_VIEW(icons));
    std::printf("objects in the icon view: %d\n", gtk_tree_model_iter_n_children(model, nullptr));
    std::printf("first show, laid out and painted: %.2f ms\n", first);
    std::printf("later shows, %d runs: median %.2f ms, min %.2f ms, max %.2f ms\n", runs,
                ms[ms.size() / 2], ms.front(), ms.back());
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    g_free(config);
    return 0;
}
