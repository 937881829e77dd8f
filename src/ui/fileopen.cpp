// The file choosers and their previews.
#include "ui/fileopen.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "files/fileio.h"
#include "files/picture_file.h"
#include "files/resources.h"
#include "items/objects.h"
#include "ui/builder.h"

namespace {

struct FilterDef
{
    const char *name;
    // Patterns, or with `extensions` file extensions in lower case.
    std::initializer_list<const char *> patterns;
    bool extensions = false;
    // With `extensions`: also every extension of the images gdk-pixbuf
    // reads, and the name lists them all after it.
    bool images = false;
};

// Patterns match as written: their letter case matters.
const FilterDef kProgramFiles = {"  Program files (*.prg) ", {"*.PRG", "*.Prg", "*.prg"}};
const FilterDef kObjectFiles = {"  Object files (*.zbxobject) ",
                                {"*.ZBXOBJECT", "*.Zbxobject", "*.zbxobject"}};
// The names the five paint programs (and the tools that write their
// layouts) give their pictures; matched whatever their letter case.
const FilterDef kSupportedImages = {
    "  Supported pictures",
    {"koa", "kla", "gig", "rpm", "ocp", "mpic", "art", "a64", "pi", "bpi", "blp", "vid", "vco"},
    true,
    true};
const FilterDef kPrgImages = {"  Image files as non-executable PRG files (.prg) ",
                              {"*.PRG", "*.Prg", "*.prg"}};
const FilterDef kAllFiles = {"  All files (*) ", {"*"}};
const FilterDef kPngImages = {"  PNG images (*.png) ", {"*.PNG", "*.Png", "*.png"}};

enum class Preview
{
    None,
    Object,
    Picture
};

// Whether a file name ends in one of the extensions (whatever their case).
gboolean has_extension(const GtkFileFilterInfo *info, gpointer extensions)
{
    if (info->display_name == nullptr) {
        return FALSE;
    }
    const char *dot = std::strrchr(info->display_name, '.');
    if (dot == nullptr) {
        return FALSE;
    }
    GCharPtr lower(g_utf8_strdown(dot + 1, -1));
    const auto &list = *static_cast<const std::vector<std::string> *>(extensions);
    return std::find(list.begin(), list.end(), lower.get()) != list.end() ? TRUE : FALSE;
}

// The extensions of every image format gdk-pixbuf reads here.
void add_image_extensions(std::vector<std::string> *extensions)
{
    GSList *formats = gdk_pixbuf_get_formats();
    for (GSList *f = formats; f != nullptr; f = f->next) {
        auto *format = static_cast<GdkPixbufFormat *>(f->data);
        if (gdk_pixbuf_format_is_disabled(format)) {
            continue;
        }
        gchar **list = gdk_pixbuf_format_get_extensions(format);
        for (gchar **e = list; e != nullptr && *e != nullptr; e++) {
            GCharPtr lower(g_utf8_strdown(*e, -1));
            if (std::find(extensions->begin(), extensions->end(), lower.get()) ==
                extensions->end()) {
                extensions->emplace_back(lower.get());
            }
        }
        g_strfreev(list);
    }
    g_slist_free(formats);
}

GtkFileFilter *add_filter(GtkFileChooser *chooser, const FilterDef &def)
{
    GtkFileFilter *filter = gtk_file_filter_new();
    if (def.extensions) {
        auto owned =
            std::make_unique<std::vector<std::string>>(def.patterns.begin(), def.patterns.end());
        std::vector<std::string> *extensions = owned.get();
        if (def.images) {
            add_image_extensions(extensions);
        }
        std::string name = def.name;
        if (def.images) {
            name += " (";
            for (const std::string &e : *extensions) {
                name += (&e == &extensions->front() ? "." : ";.") + e;
            }
            name += ") ";
        }
        gtk_file_filter_set_name(filter, name.c_str());
        // The filter owns its list.
        gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_DISPLAY_NAME, has_extension,
                                   owned.release(), [](gpointer list) {
                                       std::unique_ptr<std::vector<std::string>> gone(
                                           static_cast<std::vector<std::string> *>(list));
                                   });
    } else {
        gtk_file_filter_set_name(filter, def.name);
        for (const char *pattern : def.patterns) {
            gtk_file_filter_add_pattern(filter, pattern);
        }
    }
    gtk_file_chooser_add_filter(chooser, filter);
    return filter;
}

// Starts in a remembered folder that still exists, else in fallback, else
// in the current folder: never among the recently used files, where a
// typed name cannot be opened.
void start_in(GtkFileChooser *chooser, const Options &options, OptionsFolder which,
              const std::string &fallback = {})
{
    const char *folder = options.folder(which);
    if (folder != nullptr && g_file_test(folder, G_FILE_TEST_IS_DIR)) {
        gtk_file_chooser_set_current_folder(chooser, folder);
    } else if (!fallback.empty()) {
        gtk_file_chooser_set_current_folder(chooser, fallback.c_str());
    } else {
        GCharPtr here(g_get_current_dir());
        gtk_file_chooser_set_current_folder(chooser, here.get());
    }
}

// Remembers the folder of the file chosen, however it was chosen (in the
// list, typed with its folder, from the recent files).
void remember_folder(Options &options, OptionsFolder which, const char *path)
{
    GCharPtr folder(g_path_get_dirname(path));
    options.set_folder(which, folder.get());
}

void update_preview(GtkFileChooser *chooser, gpointer image_widget,
                    GdkPixbuf *(*decode)(const char *path))
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

void update_object_preview(GtkFileChooser *chooser, gpointer image)
{
    update_preview(chooser, image, fileopen_preview_object);
}

void update_picture_preview(GtkFileChooser *chooser, gpointer image)
{
    update_preview(chooser, image, fileopen_preview_picture);
}

// A new dialog, without title, filters or folder; its buttons are named
// after its kind.
GtkWidget *file_dialog(GtkFileChooserAction action, const char *stem, const char *accept_name,
                       const char *accept_stock)
{
    GtkWidget *dialog = gtk_file_chooser_dialog_new("", nullptr, action, nullptr, nullptr);
    gtk_widget_set_name(dialog, action == GTK_FILE_CHOOSER_ACTION_OPEN
                                    ? "filechooserdialog_open_file"
                                    : "filechooserdialog_save_file");
    gtk_container_set_border_width(GTK_CONTAINER(dialog), 5);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);

    Builder b(dialog);
    GCharPtr name(g_strdup_printf("vbox_%s_top_most", stem));
    b.reg(GTK_DIALOG(dialog)->vbox, name.get());
    name.reset(g_strdup_printf("dialog_%s_action_area", stem));
    b.reg(GTK_DIALOG(dialog)->action_area, name.get());
    gtk_button_box_set_layout(GTK_BUTTON_BOX(GTK_DIALOG(dialog)->action_area), GTK_BUTTONBOX_END);

    name.reset(g_strdup_printf("button_%s_cancel", stem));
    GtkWidget *cancel = b.reg(gtk_button_new_from_stock("gtk-cancel"), name.get());
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), cancel, GTK_RESPONSE_CANCEL);
    GTK_WIDGET_SET_FLAGS(cancel, GTK_CAN_DEFAULT);

    GtkWidget *accept = b.reg(gtk_button_new_from_stock(accept_stock), accept_name);
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), accept, GTK_RESPONSE_OK);
    GTK_WIDGET_SET_FLAGS(accept, GTK_CAN_DEFAULT);
    gtk_widget_grab_default(accept);
    return dialog;
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
                     kind == Preview::Object ? G_CALLBACK(update_object_preview)
                                             : G_CALLBACK(update_picture_preview),
                     image);
}

// Runs the dialog; on OK hands out the chosen path.
bool run(GtkWidget *dialog, std::string *path)
{
    if (gtk_dialog_run(GTK_DIALOG(dialog)) != GTK_RESPONSE_OK) {
        return false;
    }
    GCharPtr chosen(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog)));
    if (!chosen) {
        return false;
    }
    *path = chosen.get();
    return true;
}

// An open chooser: filters in order, one preselected; on OK the folder is
// remembered and the index of the filter in use reported.
bool open_chooser(Options &options, const char *title,
                  std::initializer_list<const FilterDef *> filters, size_t preselect,
                  OptionsFolder folder, Preview preview, const std::string &fallback, size_t *used,
                  std::string *path)
{
    GtkWidget *dialog =
        file_dialog(GTK_FILE_CHOOSER_ACTION_OPEN, "open_file", "button_open_file_open", "gtk-open");
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    std::vector<GtkFileFilter *> made;
    for (const FilterDef *def : filters) {
        made.push_back(add_filter(chooser, *def));
    }
    gtk_file_chooser_set_filter(chooser, made[std::min(preselect, made.size() - 1)]);
    start_in(chooser, options, folder, fallback);
    add_preview(chooser, preview);

    const bool ok = run(dialog, path);
    if (ok) {
        remember_folder(options, folder, path->c_str());
        GtkFileFilter *in_use = gtk_file_chooser_get_filter(chooser);
        *used = static_cast<size_t>(std::find(made.begin(), made.end(), in_use) - made.begin());
    }
    gtk_widget_destroy(dialog);
    return ok;
}

bool save_chooser(Options &options, const char *title, const FilterDef &filter,
                  OptionsFolder folder, const char *suggested, std::string *path)
{
    GtkWidget *dialog =
        file_dialog(GTK_FILE_CHOOSER_ACTION_SAVE, "save_file", "button_save_file_save", "gtk-save");
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    add_filter(chooser, filter);
    start_in(chooser, options, folder);
    if (suggested != nullptr) {
        gtk_file_chooser_set_current_name(chooser, suggested);
    }
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);

    const bool ok = run(dialog, path);
    if (ok) {
        remember_folder(options, folder, path->c_str());
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

} // namespace

Choosers::Choosers(Options &options) : options_(options) {}

bool Choosers::open_zembrix_file(std::string *path)
{
    size_t used = 0;
    if (!open_chooser(options_, "Select a zembrix file", {&kProgramFiles, &kAllFiles},
                      zembrix_filter_, OPTIONS_ZEMBRIX_DIR, Preview::None, examples_folder(), &used,
                      path)) {
        return false;
    }
    zembrix_filter_ = static_cast<int>(used);
    return true;
}

bool Choosers::save_zembrix_file(std::string *path)
{
    if (!save_chooser(options_, "Save to a zembrix file", kProgramFiles, OPTIONS_ZEMBRIX_DIR,
                      nullptr, path)) {
        return false;
    }
    last_zembrix_path_.reset(g_strdup(path->c_str()));
    return true;
}

bool Choosers::open_object_file(std::string *path)
{
    size_t used = 0;
    if (!open_chooser(options_, "Select an object file", {&kObjectFiles, &kAllFiles},
                      object_filter_, OPTIONS_OBJECT_DIR, Preview::Object, {}, &used, path)) {
        return false;
    }
    object_filter_ = static_cast<int>(used);
    return true;
}

bool Choosers::save_object_file(const char *suggested, std::string *path)
{
    return save_chooser(options_, "Save to an object file", kObjectFiles, OPTIONS_OBJECT_DIR,
                        suggested, path);
}

bool Choosers::save_png_file(const char *suggested, std::string *path)
{
    return save_chooser(options_, "Export preview as PNG", kPngImages, OPTIONS_PICTURE_DIR,
                        suggested, path);
}

bool Choosers::open_hires_file(std::string *path)
{
    size_t used = 0;
    if (!open_chooser(options_, "Select a picture file",
                      {&kSupportedImages, &kPrgImages, &kAllFiles}, picture_filter_,
                      OPTIONS_PICTURE_DIR, Preview::Picture, {}, &used, path)) {
        return false;
    }
    picture_filter_ = static_cast<int>(used);
    return true;
}

const char *Choosers::zembrix_filename() const
{
    return last_zembrix_path_.get();
}

void Choosers::forget_zembrix_filename()
{
    last_zembrix_path_.reset();
}

std::string Choosers::examples_folder() const
{
    return examples_.empty() ? resources_find_folder("examples") : examples_;
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
    if (!read_previewable(path, std::max(largest_picture_file(), kPictureMaxImageInput),
                          &contents)) {
        return nullptr;
    }
    // Drawn as the grabber would show it; the grabber's loaded picture
    // stays as it is.
    PictureRead picture;
    if (!picture_decode_any(contents, -1, &picture, nullptr)) {
        return nullptr;
    }
    return picture_render(picture);
}
