// The application: one object owned by main, holding everything that lives
// for the run (the options, the choosers, the document, the images, the
// shared lists and the windows), built in order and torn down by ownership
// in reverse. It is the shell the editor and the grabber reach the main
// window through, and it keeps the project's file: opening, saving,
// closing, and the quit question.
#pragma once

#include <gtk/gtk.h>
#include <string>
#include <vector>

#include "app/mainwindow.h"
#include "app/recovery_keeper.h"
#include "base/gref.h"
#include "editor/paneleditor_window.h"
#include "files/file_stamp.h"
#include "files/project_lock.h"
#include "grabber/objectgrabber.h"
#include "ui/context.h"

// The program's name as the desktop knows it (recent files are filed under it).
inline constexpr const char *kApplicationName = "Zembrix";
// The kind of file a project is, as the recent files list it.
inline constexpr const char *kProjectMimeType = "application/x-zembrix-project";

// Where the application looks for what it reads at start-up; empty fields
// mean the usual places (tests give their own).
struct ApplicationSetup
{
    // The folder "zbx-decoder/user-qv.ini" lies in (the user's
    // configuration folder when empty).
    std::string config_dir;
    // Where the backdrop is looked for.
    std::vector<std::string> backdrop_candidates;
    // The example projects the open chooser starts in when no folder is
    // remembered.
    std::string examples_folder;
    // The folder "zembrix/backups" lies in (the user's state folder when
    // empty).
    std::string state_dir;
    // When recovery copies of unsaved changes are written.
    RecoveryTimes recovery_times;
};

class Application final : public Shell
{
  public:
    // Builds everything, in order: options, choosers, document, images,
    // lists, the main window (then the backdrop, whose failure it reports),
    // the editor and the grabber; then shows the main window with the
    // options applied. The caller runs the main loop.
    explicit Application(const ApplicationSetup &setup = {});
    ~Application();
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    // --- The shell ---
    GtkWindow *main_window() const override;
    void panel_edited(int panel) override;
    void set_status(const char *text) override;
    void set_show_clashes(bool on) override;
    void set_show_grid(bool on) override;
    void save_project() override;
    int selected_object() const override;

    Document &document() { return document_; }
    Options &options() { return options_; }
    Choosers &choosers() { return choosers_; }
    SharedImages &images() { return images_; }
    UiContext &context() { return context_; }
    MainWindow &main() { return main_; }
    PanelEditorWindow &editor() { return editor_; }
    GrabberWindow &grabber() { return grabber_; }

    // Writes the options file, with the main window where it stands now.
    bool save_options();

    // --- The project's file ---
    // True while a project is open; every command that needs data checks it.
    bool file_loaded() const { return file_loaded_; }
    // The project file the data was read from or last saved to, or null.
    const char *project_path() const { return project_path_.get(); }
    // The name the project goes by: its file's base name, or "Untitled".
    std::string project_name() const;
    // Reads a project file over whatever is open (the old data goes first).
    // On success the status bar shows the time taken, the window asks for
    // the user's attention when it has not the focus, and the options file
    // is written; on failure an error dialog shows the reader's message and
    // no data stays. False also while a load or a drawing runs.
    bool open_project(const char *path);
    // Writes the project to path: the status bar tells where, an error
    // dialog why not.
    bool save_project(const char *path);
    // Runs the save chooser and writes to the file chosen there.
    bool save_project_as();
    // File -> Save: to the file last named by Save As, or through Save As
    // when no file was named since the data was opened.
    bool save_project_to_current();
    // File -> New: an empty project (no items, 32 empty locations).
    void new_project();
    // Discards the data; the status bar says so when some was loaded.
    void close_project();
    // File -> Restore Backup...: lists the backups of the open project
    // (date, time, size, newest first) and restores the one chosen.
    void choose_backup();
    // Opens a backup of the open project in its place, as unsaved changes
    // of that project (after asking about the current ones): saving it is
    // the user's decision. False when nothing changed.
    bool restore_backup(const char *backup_path);
    // Watching the project's file: its stamp when it was last read or
    // written here; another program's change shows the main window's bar.
    void watch_project();
    void stop_watching();
    // The file's stamp differs from the one read or saved: the bar offers
    // to reload (discarding unsaved changes) or to keep what is open.
    void check_project_file();
    // Reads the project's file again in place of what is open (kept when
    // the file cannot be read).
    bool reload_project();
    // The folder backups are kept below.
    const std::string &state_dir() const { return state_dir_; }

    // --- Work left unsaved by a run that ended unexpectedly ---
    // Offers each recovery copy left by a Zembrix that no longer runs and
    // that is newer than its project's file ("Zembrix closed unexpectedly
    // while “NAME” had unsaved changes from HH:MM. Recover them?": _Recover,
    // _Discard, Not now), newest first, until one is recovered; only the
    // copies of project_path when it is given. True when one was.
    bool offer_recovery(const char *project_path);
    // Opens a left copy in place of what is open, as unsaved changes of its
    // project (disabled placements and preview colours as they were); this
    // run takes the copy over.
    bool recover(const RecoveryFound &found);
    RecoveryKeeper &recovery() { return recovery_; }

    // Before the project is discarded: with unsaved changes asks "Save
    // changes to “NAME” before closing?" ("Close _without saving",
    // "_Cancel", "_Save"). True to go ahead: no changes, closing without
    // saving, or a save that succeeded.
    bool ask_save_changes();

    // --- Busy and quitting ---
    // A load or a drawing object by object runs the main loop: between
    // begin and end every command that changes data is insensitive and does
    // nothing, and a request to quit waits for the end. Runs nest.
    void busy_begin();
    void busy_end();
    bool is_busy() const { return busy_ > 0; }
    // With unsaved changes asks whether to save them first, otherwise "Are
    // you sure you want to quit?"; on a go ahead writes the options file.
    bool confirm_quit();
    // File -> Quit and the window's close button: asks now, or once a
    // running load or drawing has ended; on a go ahead ends the main loop.
    // True when the user agreed now.
    bool request_quit();
    // Whether the run was asked to end (the main loop ends with it).
    bool quitting() const { return quitting_; }

  private:
    void discard_data();
    void remember_recent(const char *path);
    void remember_folder(const char *path);
    bool enable_placements_for_saving();
    void update_title();
    void request_attention();
    static gboolean ask_deferred_quit(gpointer self);
    void quit();

    Options options_;
    Choosers choosers_;
    Document document_;
    SharedImages images_;
    ObjectList objects_;
    PanelList panels_;
    UiContext context_;
    MainWindow main_;
    PanelEditorWindow editor_;
    GrabberWindow grabber_;

    std::string state_dir_;
    RecoveryKeeper recovery_;
    GRef<GFileMonitor> monitor_;
    // Our claim on the open project's file, seen by other Zembrix.
    ProjectLock lock_;
    // The project file as it was last read or written here, and as the bar
    // last reported it.
    FileStamp stamp_;
    FileStamp reported_;
    bool file_loaded_ = false;
    GCharPtr project_path_;
    // Whether File -> Save may write to the Save As file without asking:
    // only while the data is the one saved there.
    bool named_by_save_as_ = false;
    int busy_ = 0;
    bool quit_pending_ = false;
    bool quitting_ = false;
    guint quit_source_ = 0;
    int listener_ = 0;
};

// Keeps the application busy for as long as it lives.
class AppBusy
{
  public:
    explicit AppBusy(Application &app) : app_(app) { app_.busy_begin(); }
    ~AppBusy() { app_.busy_end(); }
    AppBusy(const AppBusy &) = delete;
    AppBusy &operator=(const AppBusy &) = delete;

  private:
    Application &app_;
};
