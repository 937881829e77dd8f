// The file choosers and their previews.
#include "app/fileopen.h"
#include "app/context.h"
#include "files/resources.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "app/interface.h"
#include "app/options.h"
#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "files/fileio.h"
#include "items/objects.h"
#include "render/canvas.h"

namespace {

struct FilterDef
{
    const char *name;
    std::initializer_list<const char *> patterns;
};

// Patterns match as written: their letter case matters.
const FilterDef kProgramFiles = {"  Program files (*.prg) ", {"*.PRG", "*.Prg", "*.prg"}};
const FilterDef kObjectFiles = {"  Object files (*.zbxobject) ",
                                {"*.ZBXOBJECT", "*.Zbxobject", "*.zbxobject"}};
const FilterDef kSupportedImages = {"  Supported image files (.a64;.blp;.pi;.koa;.kla;.vid;.pet) ",
                                    {"*.a64", "*.blp", "*.pi", "*.koa", "*.kla", "*.vid"}};
const FilterDef kPrgImages = {"  Image files as non-executable PRG files (.prg) ",
                              {"*.PRG", "*.Prg", "*.prg"}};
const FilterDef kAllFiles = {"  All files (*) ", {"*"}};
const FilterDef kPngImages = {"  PNG images (*.png) ", {"*.PNG", "*.Png", "*.png"}};

// Remembered filter values, as the choosers store them.
constexpr int kZembrixProgramFiles = 1;
constexpr int kObjectObjectFiles = 2;
constexpr int kPictureSupported = 0;
constexpr int kPicturePrg = 1;
constexpr int kOtherFilter = 3;

struct FileopenState
{
    int zembrix_filter_lastopen = kZembrixProgramFiles;
    int object_filter_lastopen = kObjectObjectFiles;
    int picture_filter_lastopen = kPictureSupported;
    GCharPtr utf8_path_lastopenfile_zembrix;
};
struct FileopenSettings
{
    std::string examples;
};
FileopenSettings settings;
FileopenState state;

enum class Preview
{
    None,
    Object,
    Picture
};

GtkFileFilter *add_filter(GtkFileChooser *chooser, const FilterDef &def)
{
    GtkFileFilter *filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, def.name);
    for (const char *pattern : def.patterns) {
        gtk_file_filter_add_pattern(filter, pattern);
    }
    gtk_file_chooser_add_filter(chooser, filter);
    return filter;
}

// Starts in a remembered folder that still exists, else in fallback, else
// in the current folder: never among the recently used files, where a
// typed name cannot be opened.
void start_in(GtkFileChooser *chooser, OptionsFolder which, const std::string &fallback = {})
{
    const char *folder = options_get_folder(which);
    if (folder != nullptr && g_file_test(folder, G_FILE_TEST_IS_DIR)) {
        gtk_file_chooser_set_current_folder(chooser, folder);
    } else if (!fallback.empty()) {
        gtk_file_chooser_set_current_folder(chooser, fallback.c_str());
    } else {
        GCharPtr here(g_get_current_dir());
        gtk_file_chooser_set_current_folder(chooser, here.get());
    }
}

// Remembers the folder the user ended in (that of the file when the dialog
// names none, as in its list of recent files).
void remember_folder(GtkFileChooser *chooser, OptionsFolder which, const char *path)
{
    GCharPtr folder(gtk_file_chooser_get_current_folder(chooser));
    if (!folder) {
        folder.reset(g_path_get_dirname(path));
    }
    options_set_folder(which, folder.get());
}

void add_preview(GtkFileChooser *chooser, Preview kind)
{
    if (kind == Preview::None) {
        return;
    }
    GtkWidget *image = gtk_image_new();
    if (kind == Preview::Object) {
        gtk_widget_set_size_request(image, kMaxObjectPixels, kMaxObjectPixels);
    }
    gtk_file_chooser_set_preview_widget(chooser, image);
    g_signal_connect(chooser, "update-preview",
                     kind == Preview::Object ? G_CALLBACK(fileopen_update_object_preview_cb)
                                             : G_CALLBACK(fileopen_update_hires_preview_cb),
                     image);
}

// Runs the dialog; on OK hands out the chosen path.
gboolean run(GtkWidget *dialog, char **path)
{
    *path = nullptr;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) != GTK_RESPONSE_OK) {
        return FALSE;
    }
    *path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
    return *path != nullptr;
}

// An open chooser: filters in order, one preselected; on OK the folder is
// remembered and the index of the filter in use reported.
gboolean open_chooser(const char *title, std::initializer_list<const FilterDef *> filters,
                      size_t preselect, OptionsFolder folder, Preview preview,
                      const std::string &fallback, size_t *used, char **path)
{
    GtkWidget *dialog = create_filechooserdialog_open_file();
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    std::vector<GtkFileFilter *> made;
    for (const FilterDef *def : filters) {
        made.push_back(add_filter(chooser, *def));
    }
    gtk_file_chooser_set_filter(chooser, made[std::min(preselect, made.size() - 1)]);
    start_in(chooser, folder, fallback);
    add_preview(chooser, preview);

    const gboolean ok = run(dialog, path);
    if (ok) {
        remember_folder(chooser, folder, *path);
        GtkFileFilter *in_use = gtk_file_chooser_get_filter(chooser);
        *used = static_cast<size_t>(std::find(made.begin(), made.end(), in_use) - made.begin());
    }
    gtk_widget_destroy(dialog);
    return ok;
}

gboolean save_chooser(const char *title, const FilterDef &filter, OptionsFolder folder,
                      const char *suggested, char **path)
{
    GtkWidget *dialog = create_filechooserdialog_save_file();
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    add_filter(chooser, filter);
    start_in(chooser, folder);
    if (suggested != nullptr) {
        gtk_file_chooser_set_current_name(chooser, suggested);
    }
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);

    const gboolean ok = run(dialog, path);
    if (ok) {
        remember_folder(chooser, folder, *path);
    }
    gtk_widget_destroy(dialog);
    return ok;
}

gsize largest_picture_file()
{
    size_t largest = 0;
    for (const HiresFormat &format : hiresdecoder_formats) {
        largest = std::max(largest, format.length);
    }
    return largest;
}

// Only regular files no larger than the largest file of the kind are read
// for a preview: anything else would stall the chooser or never end.
bool read_previewable(const char *path, gsize max_size, std::vector<uint8_t> *contents)
{
    return fileio_read_file(path, contents, nullptr, max_size);
}

using PreviewDecoder = GdkPixbuf *(*) (const char *path);

void update_preview(GtkFileChooser *chooser, gpointer image_widget, PreviewDecoder decode)
{
    GCharPtr name(gtk_file_chooser_get_preview_filename(chooser));
    if (!name) {
        gtk_file_chooser_set_preview_widget_active(chooser, FALSE);
        return;
    }
    GdkPixbuf *image = decode(name.get());
    name.reset();
    gtk_image_set_from_pixbuf(GTK_IMAGE(image_widget), image);
    gtk_file_chooser_set_preview_widget_active(chooser, image != nullptr);
    if (image != nullptr) {
        g_object_unref(image);
    }
}

} // namespace

void fileopen_module_init()
{
    state = FileopenState{};
}

void fileopen_cleanup()
{
    state = FileopenState{};
}

gboolean fileopen_open_zembrix_file(char **path)
{
    size_t used = 0;
    const size_t preselect = state.zembrix_filter_lastopen == kZembrixProgramFiles ? 0 : 1;
    if (!open_chooser("Select a zembrix file", {&kProgramFiles, &kAllFiles}, preselect,
                      OPTIONS_ZEMBRIX_DIR, Preview::None, fileopen_examples_folder(), &used,
                      path)) {
        return FALSE;
    }
    state.zembrix_filter_lastopen = used == 0 ? kZembrixProgramFiles : kOtherFilter;
    return TRUE;
}

gboolean fileopen_save_zembrix_file(char **path)
{
    if (!save_chooser("Save to a zembrix file", kProgramFiles, OPTIONS_ZEMBRIX_DIR, nullptr,
                      path)) {
        return FALSE;
    }
    state.utf8_path_lastopenfile_zembrix.reset(g_strdup(*path));
    return TRUE;
}

gboolean fileopen_open_object_file(char **path)
{
    size_t used = 0;
    const size_t preselect = state.object_filter_lastopen == kObjectObjectFiles ? 0 : 1;
    if (!open_chooser("Select an object file", {&kObjectFiles, &kAllFiles}, preselect,
                      OPTIONS_OBJECT_DIR, Preview::Object, {}, &used, path)) {
        return FALSE;
    }
    state.object_filter_lastopen = used == 0 ? kObjectObjectFiles : kOtherFilter;
    return TRUE;
}

gboolean fileopen_save_object_file(const char *suggested, char **path)
{
    return save_chooser("Save to an object file", kObjectFiles, OPTIONS_OBJECT_DIR, suggested,
                        path);
}

gboolean fileopen_save_png_file(const char *suggested, char **path)
{
    return save_chooser("Export preview as PNG", kPngImages, OPTIONS_PICTURE_DIR, suggested, path);
}

gboolean fileopen_open_hires_file(char **path)
{
    size_t preselect = 1;
    if (state.picture_filter_lastopen == kPictureSupported) {
        preselect = 0;
    } else if (state.picture_filter_lastopen == kOtherFilter) {
        preselect = 2;
    }
    size_t used = 0;
    if (!open_chooser("Select a picture file", {&kSupportedImages, &kPrgImages, &kAllFiles},
                      preselect, OPTIONS_PICTURE_DIR, Preview::Picture, {}, &used, path)) {
        return FALSE;
    }
    state.picture_filter_lastopen = used == 0   ? kPictureSupported
                                    : used == 1 ? kPicturePrg
                                                : kOtherFilter;
    return TRUE;
}

void fileopen_get_zembrix_filename(const char **path)
{
    *path = state.utf8_path_lastopenfile_zembrix.get();
}

GdkPixbuf *fileopen_preview_object(const char *path)
{
    std::vector<uint8_t> contents;
    if (!read_previewable(path, objects_record_size(15, 15), &contents)) {
        return nullptr;
    }
    return objects_render_object_record(contents, nullptr);
}

GdkPixbuf *fileopen_preview_picture(const char *path)
{
    std::vector<uint8_t> contents;
    if (!read_previewable(path, largest_picture_file(), &contents)) {
        return nullptr;
    }
    GdkPixbuf *image = nullptr;
    // No destination: the grabber's loaded picture stays as it is.
    hiresdecoder_decode_hires_screen_data(contents, kHiresDetect, &image, nullptr, nullptr);
    return image;
}

void fileopen_update_object_preview_cb(GtkFileChooser *chooser, gpointer image)
{
    update_preview(chooser, image, fileopen_preview_object);
}

void fileopen_update_hires_preview_cb(GtkFileChooser *chooser, gpointer image)
{
    update_preview(chooser, image, fileopen_preview_picture);
}

void fileopen_set_examples_folder(const char *folder)
{
    settings.examples = folder != nullptr ? folder : "";
}

std::string fileopen_examples_folder()
{
    if (!settings.examples.empty()) {
        return settings.examples;
    }
    std::vector<std::string> candidates = {std::string(ZBX_DATADIR) + "/examples"};
    const std::string beside = resources_executable_folder();
    if (!beside.empty()) {
        candidates.push_back(beside + "/../share/zembrix/examples");
        candidates.push_back(beside + "/examples");
    }
    for (const std::string &folder : candidates) {
        if (g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR)) {
            return folder;
        }
    }
    return {};
}
