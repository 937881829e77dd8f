// Zembrix: the editor for the background graphics of Quorvane.
//   zembrix [FILE]   opens FILE at start-up
#include <clocale>
#include <csignal>
#include <cstdio>
#include <gtk/gtk.h>
#include <memory>

#include "app/application.h"
#include "base/gref.h"

int main(int argc, char *argv[])
{
    setlocale(LC_ALL, "");
    // Past a file-size limit, a save fails and says so instead of the
    // signal ending the editor with the work unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    g_set_application_name(kApplicationName);
    gboolean version = FALSE;
    gchar **files = nullptr;
    const GOptionEntry entries[] = {
        {"version", 0, 0, G_OPTION_ARG_NONE, &version, "Show the version and quit", nullptr},
        {G_OPTION_REMAINING, 0, 0, G_OPTION_ARG_FILENAME_ARRAY, &files, nullptr, nullptr},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GOptionContext *context = g_option_context_new("[FILE]");
    g_option_context_set_summary(context, "Edit the background graphics of Quorvane: the "
                                          "locations, panels and objects of a project file.");
    g_option_context_add_main_entries(context, entries, nullptr);
    // The toolkit's own options; the display is opened only to run.
    g_option_context_add_group(context, gtk_get_option_group(FALSE));
    GErrorPtr error;
    const gboolean parsed = g_option_context_parse(context, &argc, &argv, error.out());
    g_option_context_free(context);
    std::unique_ptr<gchar *, decltype(&g_strfreev)> owned_files(files, g_strfreev);
    if (!parsed) {
        std::fprintf(stderr, "zembrix: %s\n", error.message());
        return 1;
    }
    if (version) {
        std::printf("zembrix %s\n", ZBX_VERSION);
        return 0;
    }
    if (files != nullptr && files[0] != nullptr && files[1] != nullptr) {
        std::fprintf(stderr, "zembrix: give at most one project file\n");
        return 1;
    }
    // A display that is busy, or still starting, gets a moment to answer.
    bool opened = false;
    for (int tries = 0; tries < 40 && !(opened = gtk_init_check(&argc, &argv)); tries++) {
        g_usleep(50 * 1000);
    }
    if (!opened) {
        std::fprintf(stderr, "zembrix: cannot open the display %s\n", g_getenv("DISPLAY"));
        return 1;
    }
    Application app;
    if (files != nullptr && files[0] != nullptr) {
        // A file that cannot be read says why and leaves the editor empty.
        app.open_project(files[0]);
    } else {
        // Work that a run ended before saving.
        app.offer_recovery(nullptr);
    }
    gtk_main();
    return 0;
}
