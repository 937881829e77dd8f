#include "files/project_lock.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <sys/file.h>
#include <unistd.h>

#include "base/gref.h"
#include "files/backups.h"

bool ProjectLock::take(const char *state_dir, const char *project_path)
{
    release();
    GCharPtr folder(g_build_filename(state_dir, "zembrix", "open", nullptr));
    if (g_mkdir_with_parents(folder.get(), 0700) != 0) {
        return false;
    }
    GCharPtr name(g_strconcat(backups_project_key(project_path).c_str(), ".lock", nullptr));
    GCharPtr path(g_build_filename(folder.get(), name.get(), nullptr));
    const int fd = open(path.get(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    // A lock on the open file description: a second one conflicts even
    // within this process, and the kernel drops it when the process ends.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void ProjectLock::release()
{
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

bool project_lock_held_elsewhere(const char *state_dir, const char *project_path)
{
    ProjectLock probe;
    GCharPtr folder(g_build_filename(state_dir, "zembrix", "open", nullptr));
    if (!g_file_test(folder.get(), G_FILE_TEST_IS_DIR)) {
        return false;
    }
    return !probe.take(state_dir, project_path);
}
