// The file choosers: open and save of project files and of single objects,
// open of C64 pictures and save of PNG exports. Each has its title and
// filters, starts in the folder remembered for its kind of file and
// remembers the folder the user ended in; the open choosers also remember,
// for the run, the filter last chosen. The object and picture choosers
// preview the file under the cursor. One object for the run.
#pragma once

#include <gtk/gtk.h>
#include <string>

#include "ui/options.h"

class Choosers
{
  public:
    explicit Choosers(Options &options);
    Choosers(const Choosers &) = delete;
    Choosers &operator=(const Choosers &) = delete;

    // Each runs its dialog to the end and returns true only for OK, with the
    // path chosen (file-system encoding).
    bool open_zembrix_file(std::string *path);
    // Asks before overwriting; the chosen path becomes the last project path.
    bool save_zembrix_file(std::string *path);
    bool open_object_file(std::string *path);
    // suggested, when given, is put in the name field.
    bool save_object_file(const char *suggested, std::string *path);
    // A PNG image to export a preview to; starts in the pictures' folder.
    bool save_png_file(const char *suggested, std::string *path);
    bool open_hires_file(std::string *path);

    // The last project path chosen in the save chooser, or null.
    const char *zembrix_filename() const;
    // Forgets it (a new project, another file opened).
    void forget_zembrix_filename();

    // The folder of example projects that comes with the program, or ""
    // when none is found: the installed data folder, then beside the
    // program.
    std::string examples_folder() const;
    // Uses this folder instead (tests); "" goes back to looking for it.
    void set_examples_folder(std::string folder) { examples_ = std::move(folder); }

  private:
    Options &options_;
    int zembrix_filter_ = 0;
    int object_filter_ = 0;
    int picture_filter_ = 0;
    GCharPtr last_zembrix_path_;
    std::string examples_;
};

// What the previews show for a file: a new image owned by the caller, or
// null for anything that is no object (picture). Only regular files small
// enough to be one are read.
GdkPixbuf *fileopen_preview_object(const char *path);
GdkPixbuf *fileopen_preview_picture(const char *path);
