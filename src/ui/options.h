// The user's preferences between runs, kept in "user-qv.ini" in the folder
// "zbx-decoder" of the user's configuration folder: the last folder of each
// family of file choosers, incremental rendering, the clash view and the
// main window's position. One object for the run, owned by the application.
#pragma once

#include <array>
#include <string>

#include "base/gref.h"
#include "files/backups.h"

enum OptionsFolder
{
    OPTIONS_ZEMBRIX_DIR = 0,
    OPTIONS_OBJECT_DIR,
    OPTIONS_PICTURE_DIR,
    OPTIONS_FOLDER_COUNT
};

class Options
{
  public:
    // Works out where the file lives below config_dir (the user's
    // configuration folder when null), creating its folder with mode 0700,
    // and loads it. When the folder cannot be made the settings live for
    // this run only (said once on standard error).
    explicit Options(const char *config_dir = nullptr);
    Options(const Options &) = delete;
    Options &operator=(const Options &) = delete;

    // Reads the file; writes it with the current values when there is none.
    // False when no file could be read.
    bool load();
    // Writes the options with the window position read from the file (if
    // any), or with the main window's position where it stands now; false
    // when they cannot be written (said once a run on standard error). A
    // settings file that is a symbolic link out of its folder is not
    // written through.
    bool save() const;
    bool save(int window_x, int window_y) const;
    // The file's path ("" when there is nowhere to keep it).
    const std::string &path() const { return path_; }

    // The last folder of a family of choosers, or null.
    const char *folder(OptionsFolder which) const { return folder_[which].get(); }
    void set_folder(OptionsFolder which, const char *path);
    bool incremental_rendering() const { return incremental_rendering_; }
    void set_incremental_rendering(bool on) { incremental_rendering_ = on; }
    // Whether the previews frame the cells where colours clash.
    bool show_clashes() const { return show_clashes_; }
    void set_show_clashes(bool on) { show_clashes_ = on; }
    // Whether the editor and the grabber draw the grid of cells.
    bool show_grid() const { return show_grid_; }
    void set_show_grid(bool on) { show_grid_ = on; }
    // How many backups of a project are kept (0: none).
    int backups() const { return backups_; }
    void set_backups(int count) { backups_ = count; }
    // The main window's position as read from the file.
    bool window_position(int *x, int *y) const;

  private:
    bool write(const int *position) const;

    std::array<GCharPtr, OPTIONS_FOLDER_COUNT> folder_;
    bool incremental_rendering_ = false;
    bool show_clashes_ = false;
    bool show_grid_ = false;
    int backups_ = kBackupsKept;
    bool has_position_ = false;
    int position_[2] = {0, 0};
    std::string path_;
    // Whether a failed save has been said on standard error: once a run.
    mutable bool failure_said_ = false;
};
