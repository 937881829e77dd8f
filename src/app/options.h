// The user's preferences between runs, kept in "user-qv.ini" in the folder
// "zbx-decoder" of the user's configuration folder: the last folder of each
// family of file choosers, incremental rendering, and the main window's
// position.
#pragma once

#include <glib.h>

enum OptionsFolder
{
    OPTIONS_ZEMBRIX_DIR = 0,
    OPTIONS_OBJECT_DIR,
    OPTIONS_PICTURE_DIR,
    OPTIONS_FOLDER_COUNT
};

// Works out where the file lives (creating its folder, mode 0700) and loads
// it; returns the file's path, owned by the module.
const char *options_module_init();
// The same below config_dir instead of the user's configuration folder.
const char *options_module_init_in(const char *config_dir);
void options_cleanup();

// Reads the file; writes it with the current values when there is none.
// FALSE when no file could be read.
gboolean options_load_from_file();
// Writes the options and the main window's current position.
gboolean options_save_to_file();
const char *options_get_path();

// The last folder of a family of choosers, or null.
const char *options_get_folder(OptionsFolder which);
void options_set_folder(OptionsFolder which, const char *path);
int options_get_incremental_rendering();
void options_set_incremental_rendering(int on);
// Whether the previews frame the cells where colours clash.
bool options_get_show_clashes();
void options_set_show_clashes(bool on);
// The window position read from the file, if it held one.
gboolean options_get_window_position(int *x, int *y);
