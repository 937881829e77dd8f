// The options file: a small key file, read once at start-up and rewritten at
// a few save points (a file opened or saved, quitting, incremental rendering
// toggled, and the first run).
#include "app/options.h"

#include <array>
#include <cerrno>
#include <gtk/gtk.h>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/i18n.h"
#include "base/gref.h"
#include "files/fileio.h"

namespace {

constexpr const char *kHeader = "# Zembrix config file - do NOT edit";
constexpr const char *kFolderKeys[OPTIONS_FOLDER_COUNT] = {"zembrix_dir", "object_dir",
                                                           "picture_dir"};

struct OptionsState
{
    std::array<GCharPtr, OPTIONS_FOLDER_COUNT> folder;
    int incremental_rendering = 0;
    bool show_clashes = false;
    bool has_position = false;
    int position[2] = {0, 0};
    std::string path;
};
OptionsState state;

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

const char *options_module_init_in(const char *config_dir)
{
    state = OptionsState{};
    GCharPtr folder(g_build_filename(config_dir, _("zbx-decoder"), nullptr));
    if (!g_file_test(folder.get(), G_FILE_TEST_IS_DIR) &&
        g_mkdir_with_parents(folder.get(), 0700) != 0) {
        // Said once; the settings then live for this run only, and nothing
        // is written anywhere else in their place.
        const int err = errno;
        GCharPtr shown(g_filename_display_name(folder.get()));
        g_printerr("The settings cannot be saved: cannot make the folder \"%s\": %s\n", shown.get(),
                   g_strerror(err));
        return state.path.c_str();
    }
    GCharPtr path(g_build_filename(folder.get(), _("user-qv.ini"), nullptr));
    state.path = path.get();
    options_load_from_file();
    return state.path.c_str();
}

const char *options_module_init()
{
    return options_module_init_in(g_get_user_config_dir());
}

void options_cleanup()
{
    state = OptionsState{};
}

gboolean options_load_from_file()
{
    if (state.path.empty()) {
        return FALSE;
    }
    if (!g_file_test(state.path.c_str(), G_FILE_TEST_EXISTS)) {
        options_save_to_file();
        return FALSE;
    }
    std::vector<uint8_t> contents;
    KeyFilePtr file(g_key_file_new());
    if (!fileio_read_file(state.path.c_str(), &contents, nullptr) ||
        !g_key_file_load_from_data(file.get(), reinterpret_cast<const char *>(contents.data()),
                                   contents.size(), G_KEY_FILE_KEEP_COMMENTS, nullptr)) {
        return FALSE;
    }

    if (g_key_file_has_key(file.get(), "application", "position", nullptr)) {
        state.has_position = false;
        gsize length = 0;
        gint *list =
            g_key_file_get_integer_list(file.get(), "application", "position", &length, nullptr);
        if (list != nullptr && length == 2) {
            state.position[0] = list[0];
            state.position[1] = list[1];
            state.has_position = true;
        }
        g_free(list);
    }

    for (int i = 0; i < OPTIONS_FOLDER_COUNT; i++) {
        GCharPtr uri(g_key_file_get_string(file.get(), "directories", kFolderKeys[i], nullptr));
        if (!uri) {
            continue;
        }
        if (char *folder = folder_from_uri(uri.get())) {
            state.folder[i].reset(folder);
        }
    }

    // A missing key or a value that is no boolean both mean off.
    state.incremental_rendering =
        g_key_file_get_boolean(file.get(), "misc", "incremental_rendering", nullptr) ? 1 : 0;
    state.show_clashes = g_key_file_get_boolean(file.get(), "misc", "show_clashes", nullptr);
    return TRUE;
}

gboolean options_save_to_file()
{
    if (state.path.empty()) {
        return FALSE;
    }
    GString *text = g_string_new(nullptr);
    g_string_append_printf(text, "%s\n[directories]\n", kHeader);
    for (int i = 0; i < OPTIONS_FOLDER_COUNT; i++) {
        g_string_append_printf(text, "%s=%s\n", kFolderKeys[i],
                               folder_uri(state.folder[i].get()).c_str());
    }
    g_string_append_printf(text, "[misc]\nincremental_rendering=%s\n",
                           state.incremental_rendering == 1 ? "true" : "false");
    g_string_append_printf(text, "show_clashes=%s\n", state.show_clashes ? "true" : "false");

    KeyFilePtr file(g_key_file_new());
    gboolean parsed = g_key_file_load_from_data(file.get(), text->str, text->len,
                                                G_KEY_FILE_KEEP_COMMENTS, nullptr);
    g_string_free(text, TRUE);
    if (!parsed) {
        return FALSE;
    }
    if (window_main != nullptr) {
        gint position[2] = {0, 0};
        gtk_window_get_position(GTK_WINDOW(window_main), &position[0], &position[1]);
        g_key_file_set_integer_list(file.get(), "application", "position", position, 2);
    }
    gsize length = 0;
    GCharPtr data(g_key_file_to_data(file.get(), &length, nullptr));
    return fileio_write_file(state.path.c_str(),
                             {reinterpret_cast<const uint8_t *>(data.get()), length}, nullptr);
}

const char *options_get_path()
{
    return state.path.c_str();
}

const char *options_get_folder(OptionsFolder which)
{
    return state.folder[which].get();
}

void options_set_folder(OptionsFolder which, const char *path)
{
    state.folder[which].reset(path != nullptr ? g_strdup(path) : nullptr);
}

bool options_get_show_clashes()
{
    return state.show_clashes;
}

void options_set_show_clashes(bool on)
{
    state.show_clashes = on;
}

int options_get_incremental_rendering()
{
    return state.incremental_rendering;
}

void options_set_incremental_rendering(int on)
{
    state.incremental_rendering = on ? 1 : 0;
}

gboolean options_get_window_position(int *x, int *y)
{
    if (!state.has_position) {
        return FALSE;
    }
    *x = state.position[0];
    *y = state.position[1];
    return TRUE;
}
