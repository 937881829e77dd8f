// Backups of projects in the user's state folder.
#include "files/backups.h"

#include <algorithm>
#include <cerrno>
#include <glib/gstdio.h>

#include "base/error.h"
#include "base/gref.h"
#include "files/fileio.h"

namespace {

constexpr const char *kSuffix = ".prg";

// The path as one name for the same file however it was given: absolute,
// with its links resolved where it exists.
std::string canonical(const char *path)
{
    if (char *real = realpath(path, nullptr)) {
        std::string text = real;
        free(real);
        return text;
    }
    GCharPtr absolute(g_canonicalize_filename(path, nullptr));
    return absolute.get();
}

// A free name for a backup kept now: the local date and time, and a count
// when that second already has one.
std::string new_backup_path(const std::string &folder)
{
    GDateTime *now = g_date_time_new_now_local();
    GCharPtr stamp(g_date_time_format(now, "%Y-%m-%d_%H-%M-%S"));
    g_date_time_unref(now);
    for (int n = 1;; n++) {
        GCharPtr name(n == 1 ? g_strconcat(stamp.get(), kSuffix, nullptr)
                             : g_strdup_printf("%s_%d%s", stamp.get(), n, kSuffix));
        GCharPtr path(g_build_filename(folder.c_str(), name.get(), nullptr));
        if (!g_file_test(path.get(), G_FILE_TEST_EXISTS)) {
            return path.get();
        }
    }
}

} // namespace

std::string backups_project_key(const char *project_path)
{
    const std::string path = canonical(project_path);
    GCharPtr hash(g_compute_checksum_for_string(G_CHECKSUM_SHA256, path.c_str(), -1));
    GCharPtr base(g_path_get_basename(path.c_str()));
    GCharPtr name(g_strdup_printf("%s-%.16s", base.get(), hash.get()));
    return name.get();
}

std::string backups_folder(const char *state_dir, const char *project_path)
{
    GCharPtr folder(g_build_filename(state_dir, "zembrix", "backups",
                                     backups_project_key(project_path).c_str(), nullptr));
    return folder.get();
}

bool backups_keep(const char *state_dir, const char *project_path, int keep, GError **error)
{
    if (keep <= 0 || !g_file_test(project_path, G_FILE_TEST_EXISTS)) {
        return true;
    }
    std::vector<uint8_t> old;
    if (!fileio_read_file(project_path, &old, error)) {
        return false;
    }
    const std::string folder = backups_folder(state_dir, project_path);
    if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
        const int err = errno;
        GCharPtr shown(g_filename_display_name(folder.c_str()));
        g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(err),
                    "Could not make the backup folder %s: %s", shown.get(), g_strerror(err));
        return false;
    }
    const std::string path = new_backup_path(folder);
    if (!fileio_write_file(path.c_str(), old, error)) {
        return false;
    }
    std::vector<BackupEntry> all = backups_list(state_dir, project_path);
    for (size_t k = static_cast<size_t>(keep); k < all.size(); k++) {
        g_unlink(all[k].path.c_str());
    }
    return true;
}

std::vector<BackupEntry> backups_list(const char *state_dir, const char *project_path)
{
    std::vector<BackupEntry> list;
    const std::string folder = backups_folder(state_dir, project_path);
    GDir *dir = g_dir_open(folder.c_str(), 0, nullptr);
    if (dir == nullptr) {
        return list;
    }
    while (const char *name = g_dir_read_name(dir)) {
        if (!g_str_has_suffix(name, kSuffix)) {
            continue;
        }
        GCharPtr path(g_build_filename(folder.c_str(), name, nullptr));
        GStatBuf info;
        if (g_lstat(path.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        BackupEntry entry;
        entry.path = path.get();
        entry.time = info.st_mtime;
        entry.size = info.st_size;
        list.push_back(std::move(entry));
    }
    g_dir_close(dir);
    // Newest first: by the time kept, then by name (a count follows the
    // date and time).
    std::sort(list.begin(), list.end(), [](const BackupEntry &a, const BackupEntry &b) {
        if (a.time != b.time) {
            return a.time > b.time;
        }
        if (a.path.size() != b.path.size()) {
            return a.path.size() > b.path.size();
        }
        return a.path > b.path;
    });
    return list;
}
