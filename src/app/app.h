// The application: its top-level windows, start-up and the quit question.
#pragma once

#include <gtk/gtk.h>
#include <string>

// The program's name as the desktop knows it (recent files are filed under it).
inline constexpr const char *kApplicationName = "Zembrix";

// The five top-level windows, built once at start-up and kept until exit.
// A window whose module is not part of this build stays null.
extern GtkWidget *window_main;
extern GtkWidget *window_object_grabber;
extern GtkWidget *window_panel_editor;
extern GtkWidget *window_browser;
extern GtkWidget *window_color_overrides;

// Sets the program icon on a window (nothing happens when it fails to decode).
void attach_icon_to_window(GtkWidget *window);

// Brings the system up after gtk_init, in order: tables, main window,
// backdrop, the other windows, icons, models, options. The caller then runs
// the main loop.
void app_startup();
// Releases what start-up created, after the main loop has ended.
void app_shutdown();

// With unsaved changes asks whether to save them first (see
// app_ask_save_changes), otherwise "Are you sure you want to quit?"; on a go
// ahead writes the options file and returns TRUE.
gboolean app_confirm_quit();
// Asks the user's attention after a load, where the desktop offers it.
void app_request_attention();

// --- The loaded project (app_files.cpp) ---
// Back to start-up: no data, not busy, nothing pending.
void app_files_module_init();
// TRUE while a project file is loaded; every command that needs data
// checks it.
gboolean app_file_loaded();
// Empties the document and the previews.
void app_discard_data();
// Before the project is discarded: with unsaved changes asks "Save changes
// to “NAME” before closing?" ("Close _without saving", "_Cancel", "_Save";
// Save saves as File -> Save does). TRUE to go ahead: no changes, closing
// without saving, or a save that succeeded.
gboolean app_ask_save_changes();
// File -> New: an empty project (no items, 32 empty locations).
void app_new_project();
// The name the project goes by: its file's base name, or "Untitled".
std::string app_project_name();
// The window title and the Edit menu, after a change of the project, its
// history or its file.
void app_update_title();
// Reads a project file over whatever is loaded (the old data goes first).
// On success the status bar shows the time taken and the options file is
// written; on failure an error dialog shows the reader's message and no
// data stays. FALSE also while a load or a rendering runs.
gboolean app_open_project(const char *path);
// Writes the data to path: the status bar tells where, an error dialog
// why not.
gboolean app_save_project(const char *path);
// Runs the save chooser and writes to the file chosen there.
gboolean app_save_project_as();
// File -> Save: to the file last named by Save As, or through Save As when
// no file was named since the data was opened.
gboolean app_save_project_to_current();
// Discards the data; the status bar says so when some was loaded.
void app_close_project();
// The project file the loaded data was read from or last saved to, or null.
const char *app_get_project_path();
// Replaces the status bar's message.
void app_set_status(const char *text);

// The reader's callbacks: the progress bar's fraction and text. Both let
// the window handle pending events, so the window stays drawn.
void advertise_progress(double fraction);
void advertise_action(const char *text);

// A load or an incremental rendering runs the main loop while it reads the
// data or draws a canvas: between begin and end every command that changes
// either is insensitive and does nothing, and a request to quit waits for
// the end. Runs nest.
void app_busy_begin();
void app_busy_end();
gboolean app_is_busy();
// File -> Quit and the window's close button: asks now, or once a running
// load or rendering has ended. TRUE when the user agreed now.
gboolean app_request_quit();

class AppBusy
{
  public:
    AppBusy() { app_busy_begin(); }
    ~AppBusy() { app_busy_end(); }
    AppBusy(const AppBusy &) = delete;
    AppBusy &operator=(const AppBusy &) = delete;
};
