// The loaded project: opening, saving and closing project files, the load's
// progress in the main window, and keeping the data safe while a load runs
// the main loop.
#include <ctime>
#include <initializer_list>

#include "app/app.h"
#include "app/common.h"
#include "app/fileopen.h"
#include "app/mainview.h"
#include "app/options.h"
#include "app/support.h"
#include "files/zembrix.h"
#include "gref.h"
#include "items/document.h"

namespace {

// Events handled per progress report at most: a source that is always
// ready must not hold the load.
constexpr int kEventsPerReport = 1000;

struct FilesState
{
    gboolean zembrix_file_loaded = FALSE;
    // The file the data was read from or last saved to.
    GCharPtr project_path;
    // Whether File -> Save may write to the Save As file without asking:
    // only while the data is the one saved there.
    bool named_by_save_as = false;
    int busy = 0;
    bool quit_pending = false;
    guint quit_source = 0;
};
FilesState state;

GtkWidget *main_widget(const char *name)
{
    return window_main != nullptr ? lookup_widget(window_main, name) : nullptr;
}

// While a load runs the main loop, the main window takes no command: its
// contents are insensitive as a whole (the progress bar still shows), and
// every handler that changes data checks app_is_busy() as well.
void set_commands_sensitive(gboolean sensitive)
{
    if (window_main == nullptr) {
        return;
    }
    if (GtkWidget *contents = gtk_bin_get_child(GTK_BIN(window_main))) {
        gtk_widget_set_sensitive(contents, sensitive);
    }
}

void show_error(const char *text)
{
    common_message_dialog(window_main != nullptr ? GTK_WINDOW(window_main) : nullptr, text,
                          GTK_MESSAGE_ERROR);
}

gboolean ask_deferred_quit(gpointer)
{
    state.quit_source = 0;
    if (state.busy > 0) {
        // Another run began meanwhile: its end asks again.
        return FALSE;
    }
    state.quit_pending = false;
    if (window_main != nullptr && app_confirm_quit()) {
        // The window's destruction ends the main loop.
        gtk_widget_destroy(window_main);
    }
    return FALSE;
}

} // namespace

void app_files_module_init()
{
    if (state.quit_source != 0) {
        g_source_remove(state.quit_source);
    }
    state = FilesState{};
}

gboolean app_file_loaded()
{
    return state.zembrix_file_loaded;
}

void app_discard_data()
{
    state.zembrix_file_loaded = FALSE;
    mainview_stop_drawing();
    document_close();
    mainview_reset_previews();
}

gboolean app_open_project(const char *path)
{
    if (state.busy > 0) {
        return FALSE;
    }
    app_discard_data();
    state.project_path.reset();
    state.named_by_save_as = false;

    GErrorPtr error;
    int loaded = 0;
    const clock_t start = clock();
    {
        AppBusy busy;
        loaded = zembrix_load_file(path, advertise_progress, advertise_action, error.out());
    }
    if (!loaded) {
        show_error(error.message("Could not load the file"));
        app_discard_data();
        return FALSE;
    }
    const double seconds = static_cast<double>(clock() - start) / CLOCKS_PER_SEC;
    GCharPtr text(g_strdup_printf(" Data loaded successfully (in %.3lf s)", seconds));
    app_set_status(text.get());
    state.zembrix_file_loaded = TRUE;
    state.project_path.reset(g_strdup(path));
    app_request_attention();
    // The folder the chooser remembered.
    options_save_to_file();
    return TRUE;
}

gboolean app_save_project(const char *path)
{
    GErrorPtr error;
    if (!zembrix_save_file(path, error.out())) {
        show_error(error.message("Could not save the file"));
        return FALSE;
    }
    document_mark_saved();
    GCharPtr shown(g_filename_display_name(path));
    GCharPtr text(g_strdup_printf(" Data saved to %s", shown.get()));
    app_set_status(text.get());
    state.project_path.reset(g_strdup(path));
    return TRUE;
}

gboolean app_save_project_as()
{
    char *chosen = nullptr;
    if (!fileopen_save_zembrix_file(&chosen)) {
        return FALSE;
    }
    GCharPtr path(chosen);
    // The name is the current one from now on, even if this write failed:
    // it is the file the user asked for.
    state.named_by_save_as = true;
    return app_save_project(path.get());
}

void app_save_project_to_current()
{
    const char *name = nullptr;
    fileopen_get_zembrix_filename(&name);
    if (state.named_by_save_as && name != nullptr) {
        app_save_project(name);
    } else {
        app_save_project_as();
    }
}

void app_close_project()
{
    if (state.zembrix_file_loaded) {
        app_set_status(" All data files closed");
    }
    app_discard_data();
    state.project_path.reset();
    state.named_by_save_as = false;
}

const char *app_get_project_path()
{
    return state.project_path.get();
}

void app_set_status(const char *text)
{
    GtkWidget *bar = main_widget("statusbar_main");
    if (bar == nullptr) {
        return;
    }
    gtk_statusbar_pop(GTK_STATUSBAR(bar), 0);
    gtk_statusbar_push(GTK_STATUSBAR(bar), 0, text);
}

void advertise_progress(double fraction)
{
    if (GtkWidget *bar = main_widget("progressbar_main_zembrix_decode")) {
        gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), CLAMP(fraction, 0.0, 1.0));
    }
    for (int n = 0; n < kEventsPerReport && gtk_events_pending(); n++) {
        gtk_main_iteration();
    }
}

void advertise_action(const char *text)
{
    if (GtkWidget *bar = main_widget("progressbar_main_zembrix_decode")) {
        gtk_progress_bar_set_text(GTK_PROGRESS_BAR(bar), text);
    }
}

void app_busy_begin()
{
    if (state.busy++ == 0) {
        set_commands_sensitive(FALSE);
    }
}

void app_busy_end()
{
    if (state.busy == 0 || --state.busy > 0) {
        return;
    }
    set_commands_sensitive(TRUE);
    if (state.quit_pending && state.quit_source == 0) {
        state.quit_source = g_idle_add(ask_deferred_quit, nullptr);
    }
}

gboolean app_is_busy()
{
    return state.busy > 0;
}

gboolean app_request_quit()
{
    if (state.busy > 0) {
        state.quit_pending = true;
        return FALSE;
    }
    return app_confirm_quit();
}
