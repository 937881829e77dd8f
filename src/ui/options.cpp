// The options file: a small key file, read once at start-up and rewritten at
// a few save points (a file opened or saved, quitting, a setting toggled,
// and the first run).
#include "ui/options.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>
#include <vector>

#include "base/gref.h"
#include "files/fileio.h"
#include "ui/i18n.h"

namespace {

constexpr const char *kHeader = "# Zembrix config file - do NOT edit";
constexpr const char *kFolderKeys[OPTIONS_FOLDER_COUNT] = {"zembrix_dir", "object_dir",
                                                           "picture_dir"};

struct KeyFileDeleter
{
    void operator()(GKeyFile *k) const { g_key_file_free(k); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileDeleter>;

// The folder as a file URI, or "(NULL)" when none is known.
std::string folder_uri(const char *folder)
{
    if (folder == nullptr) {
        return "(NULL)";
    }
    GCharPtr uri(g_filename_to_uri(folder, nullptr, nullptr));
    return uri ? uri.get() : "(NULL)";
}

// A local folder that exists, from a file URI; null for anything else.
char *folder_from_uri(const char *uri)
{
    GCharPtr path(g_filename_from_uri(uri, nullptr, nullptr));
    if (!path || !g_file_test(path.get(), G_FILE_TEST_IS_DIR)) {
        return nullptr;
    }
    return path.release();
}

} // namespace

Options::Options(const char *config_dir)
{
    GCharPtr folder(g_build_filename(config_dir != nullptr ? config_dir : g_get_user_config_dir(),
                                     _("zbx-decoder"), nullptr));
    if (!g_file_test(folder.get(), G_FILE_TEST_IS_DIR) &&
        g_mkdir_with_parents(folder.get(), 0700) != 0) {
        // Said once; the settings then live for this run only, and nothing
        // is written anywhere else in their place.
        const int err = errno;
        GCharPtr shown(g_filename_display_name(folder.get()));
        g_printerr("The settings cannot be saved: cannot make the folder \"%s\": %s\n", shown.get(),
                   g_strerror(err));
        return;
    }
    GCharPtr path(g_build_filename(folder.get(), _("user-qv.ini"), nullptr));
    path_ = path.get();
    load();
}

bool Options::load()
{
    if (path_.empty()) {
        return false;
    }
    if (!g_file_test(path_.c_str(), G_FILE_TEST_EXISTS)) {
        save();
        return false;
    }
    std::vector<uint8_t> contents;
    KeyFilePtr file(g_key_file_new());
    if (!fileio_read_file(path_.c_str(), &contents, nullptr) ||
        !g_key_file_load_from_data(file.get(), reinterpret_cast<const char *>(contents.data()),
                                   contents.size(), G_KEY_FILE_KEEP_COMMENTS, nullptr)) {
        return false;
    }

    if (g_key_file_has_key(file.get(), "application", "position", nullptr)) {
        has_position_ = false;
        gsize length = 0;
        gint *list =
            g_key_file_get_integer_list(file.get(), "application", "position", &length, nullptr);
        if (list != nullptr && length == 2) {
            position_[0] = list[0];
            position_[1] = list[1];
            has_position_ = true;
        }
        g_free(list);
    }

    for (int i = 0; i < OPTIONS_FOLDER_COUNT; i++) {
        GCharPtr uri(g_key_file_get_string(file.get(), "directories", kFolderKeys[i], nullptr));
        if (!uri) {
            continue;
        }
        if (char *folder = folder_from_uri(uri.get())) {
            folder_[i].reset(folder);
        }
    }

    // A missing key or a value that is no boolean both mean off.
    incremental_rendering_ =
        g_key_file_get_boolean(file.get(), "misc", "incremental_rendering", nullptr);
    show_clashes_ = g_key_file_get_boolean(file.get(), "misc", "show_clashes", nullptr);
    show_grid_ = g_key_file_get_boolean(file.get(), "misc", "show_grid", nullptr);
    GErrorPtr missing;
    const int backups = g_key_file_get_integer(file.get(), "misc", "backups", missing.out());
    // A missing or unreadable count keeps the default; a negative one means none.
    if (!missing) {
        backups_ = std::max(backups, 0);
    }
    return true;
}

bool Options::save() const
{
    return write(has_position_ ? position_ : nullptr);
}

bool Options::save(int window_x, int window_y) const
{
    const int position[2] = {window_x, window_y};
    return write(position);
}

bool Options::write(const int *window) const
{
    if (path_.empty()) {
        return false;
    }
    GString *text = g_string_new(nullptr);
    g_string_append_printf(text, "%s\n[directories]\n", kHeader);
    for (int i = 0; i < OPTIONS_FOLDER_COUNT; i++) {
        g_string_append_printf(text, "%s=%s\n", kFolderKeys[i],
                               folder_uri(folder_[i].get()).c_str());
    }
    g_string_append_printf(text, "[misc]\nincremental_rendering=%s\n",
                           incremental_rendering_ ? "true" : "false");
    g_string_append_printf(text, "show_clashes=%s\n", show_clashes_ ? "true" : "false");
    g_string_append_printf(text, "show_grid=%s\n", show_grid_ ? "true" : "false");
    g_string_append_printf(text, "backups=%d\n", backups_);

    KeyFilePtr file(g_key_file_new());
    gboolean parsed = g_key_file_load_from_data(file.get(), text->str, text->len,
                                                G_KEY_FILE_KEEP_COMMENTS, nullptr);
    g_string_free(text, TRUE);
    if (!parsed) {
        return false;
    }
    if (window != nullptr) {
        gint position[2] = {window[0], window[1]};
        g_key_file_set_integer_list(file.get(), "application", "position", position, 2);
    }
    gsize length = 0;
    GCharPtr data(g_key_file_to_data(file.get(), &length, nullptr));
    // A link may lead to another settings file beside it, never out of the
    // folder (to a project, say, that quitting would overwrite).
    FileioOutput output{path_.c_str(), {reinterpret_cast<const uint8_t *>(data.get()), length}};
    output.stay_in_folder = true;
    GErrorPtr error;
    if (!fileio_write_files({&output, 1}, error.out())) {
        if (!failure_said_) {
            g_printerr("The settings cannot be saved: %s\n", error.message());
            failure_said_ = true;
        }
        return false;
    }
    return true;
}

void Options::set_folder(OptionsFolder which, const char *path)
{
    folder_[which].reset(path != nullptr ? g_strdup(path) : nullptr);
}

bool Options::window_position(int *x, int *y) const
{
    if (!has_position_) {
        return false;
    }
    *x = position_[0];
    *y = position_[1];
    return true;
}
