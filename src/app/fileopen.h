// The file choosers: open and save of project files and of single
// objects, open of C64 pictures and save of PNG exports. Each has its
// title and filters, starts in the folder remembered for its kind of file
// and remembers the folder the user ended in; the open choosers also remember, for the run, the
// filter last chosen. The object and picture choosers preview the file
// under the cursor. (Built into the window library: they need a display.)
#pragma once

#include <gtk/gtk.h>
#include <string>

// Back to the start of a run: default filters, no last project path.
void fileopen_module_init();
void fileopen_cleanup();

// Each runs its dialog to the end and returns TRUE only for OK, with a new
// path (file-system encoding) in *path that the caller frees.
gboolean fileopen_open_zembrix_file(char **path);
// Asks before overwriting; the chosen path becomes the last project path.
gboolean fileopen_save_zembrix_file(char **path);
gboolean fileopen_open_object_file(char **path);
// suggested, when given, is put in the name field.
gboolean fileopen_save_object_file(const char *suggested, char **path);
// A PNG image to export a preview to; starts in the pictures' folder.
gboolean fileopen_save_png_file(const char *suggested, char **path);
gboolean fileopen_open_hires_file(char **path);

// The last project path chosen in the save chooser, or null; owned by the
// module.
void fileopen_get_zembrix_filename(const char **path);

// What the previews show for a file: a new image owned by the caller, or
// null for anything that is no object (picture). Only regular files small
// enough to be one are read.
GdkPixbuf *fileopen_preview_object(const char *path);
GdkPixbuf *fileopen_preview_picture(const char *path);

// Previews for the "update-preview" signal; image is the preview GtkImage.
void fileopen_update_object_preview_cb(GtkFileChooser *chooser, gpointer image);
void fileopen_update_hires_preview_cb(GtkFileChooser *chooser, gpointer image);

// The folder of example projects that comes with the program, or "" when
// none is found: the installed data folder, then beside the program.
std::string fileopen_examples_folder();
// Uses this folder instead (tests); null goes back to looking for it.
void fileopen_set_examples_folder(const char *folder);
