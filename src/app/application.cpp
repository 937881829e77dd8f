// The application: start-up in its fixed order, the shell the other windows
// reach the main window through, and the project's file.
#include "app/application.h"

#include <cstring>
#include <ctime>
#include <span>

#include <glib/gstdio.h>

#include "files/backups.h"
#include "files/resources.h"
#include "files/zembrix.h"
#include "ui/backup_chooser.h"
#include "ui/common.h"
#include "ui/i18n.h"

namespace {

constexpr const char *kQuitQuestion = "Are you sure you want to quit?";

// How many placements are disabled: the file cannot say so, and the game
// draws them.
int count_disabled(const ZbxProject &project)
{
    int count = 0;
    for (const ZbxItem &item : project.items) {
        for (const PanelDef &def : item.defs) {
            count += def.enabled ? 0 : 1;
        }
    }
    return count;
}

gboolean on_focus_in(GtkWidget *window, GdkEventFocus *, gpointer)
{
    // The user is here: the request for attention is answered.
    gtk_window_set_urgency_hint(GTK_WINDOW(window), FALSE);
    return FALSE;
}

} // namespace

Application::Application(const ApplicationSetup &setup)
    : options_(setup.config_dir.empty() ? nullptr : setup.config_dir.c_str()), choosers_(options_),
      objects_(document_), panels_(document_), context_{document_, options_, choosers_, images_,
                                                        objects_,  panels_,  *this},
      main_(*this, context_), editor_(context_), grabber_(context_),
      state_dir_(setup.state_dir.empty() ? g_get_user_state_dir() : setup.state_dir),
      recovery_(
          document_, state_dir_, setup.recovery_times,
          [this](std::string *path, std::string *name) {
              *path = project_path_ != nullptr ? project_path_.get() : "";
              *name = project_name();
          },
          [this](const std::string &message) { set_status(message.c_str()); })
{
    choosers_.set_examples_folder(setup.examples_folder);
    const std::vector<std::string> candidates = setup.backdrop_candidates.empty()
                                                    ? resources_candidates("background.png", true)
                                                    : setup.backdrop_candidates;
    GErrorPtr error;
    images_.backdrop.reset(resources_load_backdrop(candidates, error.out()));
    main_.reset_previews();
    g_signal_connect(main_.window(), "focus-in-event", G_CALLBACK(on_focus_in), nullptr);
    gtk_widget_show(main_.window());
    if (!images_.backdrop) {
        common_message_dialog(main_window(), error.message(), GTK_MESSAGE_ERROR);
    }
    listener_ = document_.add_listener(
        [this](const DocEvent &event) {
            if (event.what == DocChange::HistoryChanged || event.what == DocChange::Reset) {
                update_title();
            }
        },
        1);
    update_title();
    main_.apply_options();
}

Application::~Application()
{
    if (quit_source_ != 0) {
        g_source_remove(quit_source_);
    }
    document_.remove_listener(listener_);
    stop_watching();
    main_.previews().stop_drawing();
    // The windows go (members, in reverse), each taking its widgets with it.
}

// --- The shell ---

GtkWindow *Application::main_window() const
{
    return GTK_WINDOW(main_.window());
}

void Application::panel_edited(int)
{
    // The document kept every box right; the previews show the result.
    main_.previews().after_panel_edit();
}

void Application::set_status(const char *text)
{
    main_.set_status(text);
}

void Application::set_show_clashes(bool on)
{
    if (on != options_.show_clashes()) {
        options_.set_show_clashes(on);
        save_options();
    }
    main_.set_show_clashes(on);
    editor_.set_show_clashes(on);
}

void Application::set_show_grid(bool on)
{
    if (on != options_.show_grid()) {
        options_.set_show_grid(on);
        save_options();
    }
    editor_.set_show_grid(on);
    grabber_.set_show_grid(on);
}

void Application::save_project()
{
    if (file_loaded_ && !is_busy()) {
        save_project_to_current();
        save_options();
    }
}

int Application::selected_object() const
{
    int index = -1;
    return main_.selected_object(&index) ? index : -1;
}

bool Application::save_options()
{
    gint x = 0;
    gint y = 0;
    gtk_window_get_position(main_window(), &x, &y);
    return options_.save(x, y);
}

// --- The project's file ---

std::string Application::project_name() const
{
    if (!project_path_) {
        return "Untitled";
    }
    GCharPtr base(g_path_get_basename(project_path_.get()));
    GCharPtr shown(g_filename_display_name(base.get()));
    return shown.get();
}

void Application::update_title()
{
    main_.update_title(project_name().c_str());
}

// Files opened or saved are offered again under File -> Open Recent.
void Application::remember_recent(const char *path)
{
    GCharPtr absolute(g_canonicalize_filename(path, nullptr));
    GCharPtr uri(g_filename_to_uri(absolute.get(), nullptr, nullptr));
    if (!uri) {
        return;
    }
    GtkRecentData data{};
    GCharPtr name(g_path_get_basename(absolute.get()));
    data.display_name = name.get();
    data.mime_type = const_cast<char *>(kProjectMimeType);
    data.app_name = const_cast<char *>(kApplicationName);
    data.app_exec = const_cast<char *>("zembrix %f");
    gtk_recent_manager_add_full(gtk_recent_manager_get_default(), uri.get(), &data);
}

// The project's folder is where the choosers of project files start next,
// however the file was named (a chooser, the command line, Open Recent).
void Application::remember_folder(const char *path)
{
    GCharPtr absolute(g_canonicalize_filename(path, nullptr));
    GCharPtr folder(g_path_get_dirname(absolute.get()));
    options_.set_folder(OPTIONS_ZEMBRIX_DIR, folder.get());
}

// Where the desktop marks windows that want attention: the window asks
// for it when it has not the focus, and the request ends when it gets it.
void Application::request_attention()
{
    if (!gtk_window_is_active(main_window())) {
        gtk_window_set_urgency_hint(main_window(), TRUE);
    }
}

bool Application::ask_save_changes()
{
    if (!document_.is_modified()) {
        return true;
    }
    const std::string name = project_name();
    GtkWidget *dialog = gtk_message_dialog_new(
        main_window(), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE,
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
        return true;
    case GTK_RESPONSE_YES:
        return save_project_to_current();
    default:
        return false;
    }
}

void Application::discard_data()
{
    stop_watching();
    lock_.release();
    stamp_ = reported_ = FileStamp{};
    main_.hide_file_changed();
    file_loaded_ = false;
    main_.previews().stop_drawing();
    document_.close();
    main_.reset_previews();
}

void Application::new_project()
{
    if (is_busy()) {
        return;
    }
    discard_data();
    project_path_.reset();
    named_by_save_as_ = false;
    document_.new_project();
    file_loaded_ = true;
    set_status(" New project");
    update_title();
}

bool Application::open_project(const char *path)
{
    if (is_busy()) {
        return false;
    }
    const bool reopening =
        project_path_ != nullptr && strcmp(project_path_.get(), path) == 0 && lock_.held();
    if (!reopening && project_lock_held_elsewhere(state_dir_.c_str(), path)) {
        GCharPtr base(g_path_get_basename(path));
        GCharPtr question(g_markup_printf_escaped(
            _("“%s” is already open in another Zembrix. Changes saved in one overwrite the "
              "other's. Open it here as well?"),
            base.get()));
        if (!common_get_user_confirmation(main_window(), question.get())) {
            return false;
        }
    }
    discard_data();
    project_path_.reset();
    named_by_save_as_ = false;

    GErrorPtr error;
    bool loaded = false;
    const clock_t start = clock();
    {
        AppBusy busy(*this);
        ZbxProject project;
        loaded = zembrix_read_file(
            path, &project, [this](double fraction) { main_.show_progress(fraction); },
            [this](const char *text) { main_.show_action(text); }, error.out());
        if (loaded) {
            // The document takes the project over: boxes, previews, lists.
            main_.show_action(kZbxActionBoxes);
            main_.show_progress(0.0);
            document_.load(std::move(project));
            main_.show_progress(1.0);
            main_.show_action(kZbxActionDone);
        }
    }
    if (!loaded) {
        common_message_dialog(main_window(), error.message("Could not load the file"),
                              GTK_MESSAGE_ERROR);
        discard_data();
        return false;
    }
    const double seconds = static_cast<double>(clock() - start) / CLOCKS_PER_SEC;
    GCharPtr text(g_strdup_printf(" Data loaded successfully (in %.3lf s)", seconds));
    set_status(text.get());
    file_loaded_ = true;
    project_path_.reset(g_strdup(path));
    watch_project();
    remember_folder(path);
    remember_recent(path);
    update_title();
    request_attention();
    // The folder the chooser remembered.
    save_options();
    // Work on this project that a run ended before saving.
    offer_recovery(path);
    return true;
}

// The file cannot say that a placement is disabled: the game draws every
// placement. Before such a save the user chooses: Cancel, or enable them
// and save, so that the window shows what the file holds (inside the
// caller's step).
bool Application::enable_placements_for_saving()
{
    const int disabled = count_disabled(document_.project());
    if (disabled == 0) {
        return true;
    }
    GtkWidget *dialog = gtk_message_dialog_new(
        main_window(), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE,
        disabled == 1 ? _("1 disabled placement will be written as enabled")
                      : _("%d disabled placements will be written as enabled"),
        disabled);
    gtk_widget_set_name(dialog, "dialog_disabled_placements");
    gtk_window_set_title(GTK_WINDOW(dialog), _("Disabled placements"));
    gtk_message_dialog_format_secondary_text(
        GTK_MESSAGE_DIALOG(dialog), "%s",
        _("The project file cannot keep a placement disabled: the game draws them all. "
          "Saving enables them here too (Undo takes that back)."));
    gtk_dialog_add_buttons(GTK_DIALOG(dialog), GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
                           _("_Enable and save"), GTK_RESPONSE_YES, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
    const gint answer = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    if (answer != GTK_RESPONSE_YES) {
        return false;
    }
    for (int panel = 0; panel < document_.item_count(); panel++) {
        const std::span<const PanelDef> defs = document_.panel_defs(panel);
        for (int row = 0; row < static_cast<int>(defs.size()); row++) {
            if (!defs[row].enabled) {
                PanelDef def = defs[row];
                def.enabled = true;
                document_.set_def(panel, row, def);
            }
        }
    }
    return true;
}

bool Application::save_project(const char *path)
{
    const FileStamp now = file_stamp(path);
    // A file removed meanwhile has nothing to overwrite (and what is no
    // file the writer refuses).
    if (project_path_ != nullptr && strcmp(path, project_path_.get()) == 0 && stamp_.exists &&
        now.exists && !(now == stamp_) && g_file_test(path, G_FILE_TEST_IS_REGULAR)) {
        const std::string name = project_name();
        GCharPtr question(g_markup_printf_escaped(
            _("“%s” was changed by another program since you opened it. Overwrite it?"),
            name.c_str()));
        if (!common_get_user_confirmation(main_window(), question.get())) {
            return false;
        }
    }
    GErrorPtr backup_error;
    std::vector<FileioNote> notes;
    {
        // Placements enabled for the save stay disabled when it fails.
        DocumentStep step(document_, "Enable placements");
        if (!enable_placements_for_saving()) {
            return false;
        }
        // The file as it was before this save, kept first; a backup that
        // fails never stops the save.
        if (!backups_keep(state_dir_.c_str(), path, options_.backups(), backup_error.out())) {
            g_printerr("zembrix: %s\n", backup_error.message("Could not keep a backup"));
        }
        GErrorPtr error;
        if (!zembrix_write_file(path, document_.project(), &notes, error.out())) {
            step.fail();
            common_message_dialog(main_window(), error.message("Could not save the file"),
                                  GTK_MESSAGE_ERROR);
            return false;
        }
    }
    project_path_.reset(g_strdup(path));
    watch_project();
    remember_folder(path);
    document_.mark_saved();
    remember_recent(path);
    // What the save could not keep of the old file follows, one sentence
    // each.
    std::string status = " Data saved to " + fileio_display_name(path);
    for (const FileioNote &note : notes) {
        status += ". " + note.message;
    }
    if (backup_error) {
        status += std::string(" (no backup kept: ") + backup_error.message() + ")";
    }
    set_status(status.c_str());
    update_title();
    return true;
}

void Application::stop_watching()
{
    if (monitor_) {
        // The monitor may outlive our reference while the library reports
        // a change: it must not reach this object any more.
        g_signal_handlers_disconnect_by_data(monitor_.get(), this);
        g_file_monitor_cancel(monitor_.get());
        monitor_.reset();
    }
}

void Application::watch_project()
{
    // Claimed while open here (nothing is held when another Zembrix has it).
    if (project_path_ != nullptr) {
        lock_.take(state_dir_.c_str(), project_path_.get());
    } else {
        lock_.release();
    }
    main_.hide_file_changed();
    stamp_ = reported_ = file_stamp(project_path_.get());
    stop_watching();
    if (project_path_ == nullptr) {
        return;
    }
    GRef<GFile> file(g_file_new_for_path(project_path_.get()));
    monitor_.reset(g_file_monitor_file(file.get(), G_FILE_MONITOR_NONE, nullptr, nullptr));
    if (!monitor_) {
        return;
    }
    g_signal_connect_swapped(monitor_.get(), "changed",
                             G_CALLBACK(+[](Application *app) { app->check_project_file(); }),
                             this);
}

void Application::check_project_file()
{
    const FileStamp now = file_stamp(project_path_.get());
    if (!file_loaded_ || project_path_ == nullptr || now == stamp_ || now == reported_) {
        return;
    }
    reported_ = now;
    const std::string name = project_name();
    if (!now.exists) {
        GCharPtr text(g_strdup_printf(
            _("“%s” was removed or renamed by another program. Save to write it again."),
            name.c_str()));
        main_.show_file_changed(text.get(), _("_Save again"), _("_Ignore"), [this](bool save) {
            if (save && project_path_ != nullptr && !is_busy()) {
                GCharPtr path(g_strdup(project_path_.get()));
                save_project(path.get());
            }
        });
        return;
    }
    const bool modified = document_.is_modified();
    GCharPtr text(modified
                      ? g_strdup_printf(_("“%s” was changed by another program. You have "
                                          "unsaved changes: reload the file (losing them) "
                                          "or keep yours?"),
                                        name.c_str())
                      : g_strdup_printf(_("“%s” was changed by another program."), name.c_str()));
    main_.show_file_changed(text.get(), _("_Reload"), modified ? _("_Keep mine") : _("_Ignore"),
                            [this](bool reload) {
                                if (reload) {
                                    reload_project();
                                }
                            });
}

bool Application::reload_project()
{
    if (project_path_ == nullptr || is_busy()) {
        return false;
    }
    GCharPtr path(g_strdup(project_path_.get()));
    // What is open stays until the file has been read whole.
    ZbxProject project;
    GErrorPtr error;
    if (!zembrix_read_file(path.get(), &project, nullptr, nullptr, error.out())) {
        common_message_dialog(main_window(), error.message("Could not reload the file"),
                              GTK_MESSAGE_ERROR);
        return false;
    }
    const bool saved_as = named_by_save_as_;
    if (!open_project(path.get())) {
        return false;
    }
    named_by_save_as_ = saved_as;
    return true;
}

bool Application::offer_recovery(const char *project_path)
{
    if (is_busy()) {
        return false;
    }
    for (const RecoveryFound &found : recovery_find_left(state_dir_.c_str(), project_path)) {
        GDateTime *when = g_date_time_new_from_unix_local(found.copy.written / G_USEC_PER_SEC);
        GCharPtr time(when != nullptr ? g_date_time_format(when, "%H:%M") : g_strdup("?"));
        if (when != nullptr) {
            g_date_time_unref(when);
        }
        const std::string name =
            found.copy.name.empty() ? std::string("Untitled") : found.copy.name;
        GtkWidget *dialog = gtk_message_dialog_new(
            main_window(), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
            _("Zembrix closed unexpectedly while “%s” had unsaved changes from %s. Recover "
              "them?"),
            name.c_str(), time.get());
        gtk_widget_set_name(dialog, "dialog_recover");
        gtk_window_set_title(GTK_WINDOW(dialog), _("Recover unsaved changes"));
        const struct
        {
            const char *label;
            gint response;
            const char *tip;
        } buttons[] = {
            {_("Not now"), GTK_RESPONSE_CANCEL,
             _("Keep the changes for later: ask again next time")},
            {_("_Discard"), GTK_RESPONSE_REJECT, _("Delete the changes for good")},
            {_("_Recover"), GTK_RESPONSE_ACCEPT,
             _("Open the changes as they were, unsaved, in place of what is open")},
        };
        for (const auto &b : buttons) {
            GtkWidget *button = gtk_dialog_add_button(GTK_DIALOG(dialog), b.label, b.response);
            gtk_widget_set_tooltip_text(button, b.tip);
        }
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
        const gint answer = gtk_dialog_run(GTK_DIALOG(dialog));
        gtk_widget_destroy(dialog);
        if (answer == GTK_RESPONSE_ACCEPT) {
            return recover(found);
        }
        if (answer == GTK_RESPONSE_REJECT) {
            g_unlink(found.path.c_str());
            recovery_forget_session(state_dir_.c_str(), found.copy.session);
        }
    }
    return false;
}

bool Application::recover(const RecoveryFound &found)
{
    if (is_busy() || !ask_save_changes()) {
        return false;
    }
    discard_data();
    const std::string &of = found.copy.project_path;
    project_path_.reset(of.empty() ? nullptr : g_strdup(of.c_str()));
    named_by_save_as_ = false;
    document_.load(found.copy.project);
    for (int item = 0; item < document_.item_count(); item++) {
        if (item < static_cast<int>(found.copy.preview.size())) {
            document_.set_preview_colour(item, found.copy.preview[item]);
        }
    }
    file_loaded_ = true;
    document_.mark_unsaved();
    recovery_.adopt(found.path);
    recovery_forget_session(state_dir_.c_str(), found.copy.session);
    watch_project();
    update_title();
    const std::string text = std::string(" Recovered the unsaved changes of “") +
                             (found.copy.name.empty() ? "Untitled" : found.copy.name) + "”";
    set_status(text.c_str());
    return true;
}

void Application::choose_backup()
{
    if (is_busy() || !file_loaded_ || project_path_ == nullptr) {
        set_status(" No backups: the project has no file yet");
        return;
    }
    const std::vector<BackupEntry> backups = backups_list(state_dir_.c_str(), project_path_.get());
    if (backups.empty()) {
        const std::string text = std::string("No backups of “") + project_name() +
                                 "” yet: one is kept each time a save replaces the file.";
        common_message_dialog(main_window(), text.c_str(), GTK_MESSAGE_INFO);
        return;
    }
    std::string chosen;
    if (ui_choose_backup(main_window(), project_name().c_str(), backups, &chosen)) {
        restore_backup(chosen.c_str());
    }
}

bool Application::restore_backup(const char *backup_path)
{
    if (is_busy() || !file_loaded_ || project_path_ == nullptr || !ask_save_changes()) {
        return false;
    }
    ZbxProject project;
    GErrorPtr error;
    if (!zembrix_read_file(backup_path, &project, nullptr, nullptr, error.out())) {
        common_message_dialog(main_window(), error.message("Could not read the backup"),
                              GTK_MESSAGE_ERROR);
        return false;
    }
    // The project keeps its name and file; the backup is what it holds now,
    // unsaved.
    GCharPtr project_path(g_strdup(project_path_.get()));
    discard_data();
    document_.load(std::move(project));
    document_.mark_unsaved();
    file_loaded_ = true;
    project_path_ = std::move(project_path);
    watch_project();
    GCharPtr shown(g_filename_display_name(backup_path));
    set_status((std::string(" Backup restored from ") + shown.get() + ": save to keep it").c_str());
    update_title();
    return true;
}

bool Application::save_project_as()
{
    std::string path;
    if (!choosers_.save_zembrix_file(&path)) {
        return false;
    }
    // The name is the current one from now on, even if this write failed:
    // it is the file the user asked for.
    named_by_save_as_ = true;
    return save_project(path.c_str());
}

bool Application::save_project_to_current()
{
    const char *name = choosers_.zembrix_filename();
    if (named_by_save_as_ && name != nullptr) {
        return save_project(name);
    }
    return save_project_as();
}

void Application::close_project()
{
    if (file_loaded_) {
        set_status(" All data files closed");
    }
    discard_data();
    project_path_.reset();
    named_by_save_as_ = false;
    update_title();
}

// --- Busy and quitting ---

gboolean Application::ask_deferred_quit(gpointer self)
{
    auto *app = static_cast<Application *>(self);
    app->quit_source_ = 0;
    if (app->busy_ > 0) {
        // Another run began meanwhile: its end asks again.
        return FALSE;
    }
    app->quit_pending_ = false;
    if (app->confirm_quit()) {
        app->quit();
    }
    return FALSE;
}

void Application::quit()
{
    quitting_ = true;
    if (gtk_main_level() > 0) {
        gtk_main_quit();
    }
}

void Application::busy_begin()
{
    if (busy_++ == 0) {
        main_.set_commands_sensitive(false);
    }
}

void Application::busy_end()
{
    if (busy_ == 0 || --busy_ > 0) {
        return;
    }
    main_.set_commands_sensitive(true);
    if (quit_pending_ && quit_source_ == 0) {
        quit_source_ = g_idle_add(ask_deferred_quit, this);
    }
}

bool Application::confirm_quit()
{
    if (document_.is_modified() ? !ask_save_changes()
                                : !common_get_user_confirmation(main_window(), kQuitQuestion)) {
        return false;
    }
    save_options();
    return true;
}

bool Application::request_quit()
{
    if (busy_ > 0) {
        quit_pending_ = true;
        return false;
    }
    if (!confirm_quit()) {
        return false;
    }
    quit();
    return true;
}
