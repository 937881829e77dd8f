// The loaded project: opening, saving and closing project files, the load's
// progress in the main window, and keeping the data safe while a load runs
// the main loop.
#include <ctime>
#include <initializer_list>

#include "app/app.h"
#include "app/common.h"
#include "app/context.h"
#include "app/fileopen.h"
#include "app/i18n.h"
#include "app/mainview.h"
#include "app/options.h"
#include "app/support.h"
#include "base/gref.h"
#include "files/zembrix.h"
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
    int listener = 0;
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

// Files opened or saved are offered again under File -> Open Recent.
void remember_recent(const char *path)
{
    GCharPtr absolute(g_canonicalize_filename(path, nullptr));
    GCharPtr uri(g_filename_to_uri(absolute.get(), nullptr, nullptr));
    if (!uri) {
        return;
    }
    GtkRecentData data{};
    GCharPtr name(g_path_get_basename(absolute.get()));
    data.display_name = name.get();
    data.mime_type = const_cast<char *>("application/x-zembrix-project");
    data.app_name = const_cast<char *>(kApplicationName);
    data.app_exec = const_cast<char *>("zembrix %f");
    gtk_recent_manager_add_full(gtk_recent_manager_get_default(), uri.get(), &data);
}

// How many placements are disabled: the file cannot say so, and the game
// draws them.
int count_disabled()
{
    int count = 0;
    for (const ZbxItem &item : app_document().project().items) {
        for (const PanelDef &def : item.defs) {
            count += def.enabled ? 0 : 1;
        }
    }
    return count;
}

void set_item_label(const char *name, const char *verb, const char *step, bool sensitive)
{
    GtkWidget *item = main_widget(name);
    if (item == nullptr) {
        return;
    }
    GCharPtr label(sensitive ? g_strdup_printf("%s %s", verb, step) : g_strdup(verb));
    gtk_image_menu_item_set_use_stock(GTK_IMAGE_MENU_ITEM(item), FALSE);
    gtk_menu_item_set_use_underline(GTK_MENU_ITEM(item), TRUE);
    gtk_menu_item_set_label(GTK_MENU_ITEM(item), label.get());
    gtk_widget_set_sensitive(item, sensitive);
}

} // namespace

void app_files_module_init()
{
    if (state.quit_source != 0) {
        g_source_remove(state.quit_source);
    }
    if (state.listener != 0) {
        app_document().remove_listener(state.listener);
    }
    state = FilesState{};
    state.listener = app_document().add_listener(
        [](const DocEvent &event) {
            if (event.what == DocChange::HistoryChanged || event.what == DocChange::Reset) {
                app_update_title();
            }
        },
        1);
}

std::string app_project_name()
{
    if (!state.project_path) {
        return "Untitled";
    }
    GCharPtr base(g_path_get_basename(state.project_path.get()));
    GCharPtr shown(g_filename_display_name(base.get()));
    return shown.get();
}

void app_update_title()
{
    if (window_main == nullptr) {
        return;
    }
    std::string title = _("Zembrix");
    if (app_document().is_open()) {
        title = (app_document().is_modified() ? "*" : "") + title + " - " + app_project_name();
    }
    gtk_window_set_title(GTK_WINDOW(window_main), title.c_str());
    set_item_label("undo", _("_Undo"), app_document().undo_name(), app_document().can_undo());
    set_item_label("redo", _("_Redo"), app_document().redo_name(), app_document().can_redo());
}

gboolean app_ask_save_changes()
{
    if (!app_document().is_modified()) {
        return TRUE;
    }
    const std::string name = app_project_name();
    GtkWidget *dialog =
        gtk_message_dialog_new(window_main != nullptr ? GTK_WINDOW(window_main) : nullptr,
                               GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE,
                               _("Save changes to “%s” before closing?"), name.c_str());
    gtk_widget_set_name(dialog, "dialog_save_changes");
    gtk_window_set_title(GTK_WINDOW(dialog), _("Unsaved changes"));
    gtk_dialog_add_buttons(GTK_DIALOG(dialog), _("Close _without saving"), GTK_RESPONSE_NO,
                           GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, GTK_STOCK_SAVE, GTK_RESPONSE_YES,
                           nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
    const gint answer = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    switch (answer) {
    case GTK_RESPONSE_NO:
        return TRUE;
    case GTK_RESPONSE_YES:
        return app_save_project_to_current() ? TRUE : FALSE;
    default:
        return FALSE;
    }
}

void app_new_project()
{
    if (state.busy > 0) {
        return;
    }
    app_discard_data();
    state.project_path.reset();
    state.named_by_save_as = false;
    app_document().new_project();
    state.zembrix_file_loaded = TRUE;
    app_set_status(" New project");
    app_update_title();
}

gboolean app_file_loaded()
{
    return state.zembrix_file_loaded;
}

void app_discard_data()
{
    state.zembrix_file_loaded = FALSE;
    mainview_stop_drawing();
    app_document().close();
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
    bool loaded = false;
    const clock_t start = clock();
    {
        AppBusy busy;
        ZbxProject project;
        loaded =
            zembrix_read_file(path, &project, advertise_progress, advertise_action, error.out());
        if (loaded) {
            // The document takes the project over: boxes, previews, lists.
            advertise_action(kZbxActionBoxes);
            app_document().load(std::move(project));
            advertise_progress(1.0);
            advertise_action(kZbxActionDone);
        }
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
    remember_recent(path);
    app_update_title();
    app_request_attention();
    // The folder the chooser remembered.
    options_save_to_file();
    return TRUE;
}

gboolean app_save_project(const char *path)
{
    GErrorPtr error;
    if (!zembrix_write_file(path, app_document().project(), error.out())) {
        show_error(error.message("Could not save the file"));
        return FALSE;
    }
    state.project_path.reset(g_strdup(path));
    app_document().mark_saved();
    remember_recent(path);
    GCharPtr shown(g_filename_display_name(path));
    std::string text = std::string(" Data saved to ") + shown.get();
    if (const int disabled = count_disabled(); disabled > 0) {
        GCharPtr warning(g_strdup_printf(disabled == 1
                                             ? "; %d disabled placement was written as enabled"
                                             : "; %d disabled placements were written as enabled",
                                         disabled));
        text += warning.get();
    }
    app_set_status(text.c_str());
    app_update_title();
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

gboolean app_save_project_to_current()
{
    const char *name = nullptr;
    fileopen_get_zembrix_filename(&name);
    if (state.named_by_save_as && name != nullptr) {
        return app_save_project(name);
    }
    return app_save_project_as();
}

void app_close_project()
{
    if (state.zembrix_file_loaded) {
        app_set_status(" All data files closed");
    }
    app_discard_data();
    state.project_path.reset();
    state.named_by_save_as = false;
    app_update_title();
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
