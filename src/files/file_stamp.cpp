#include "files/file_stamp.h"

#include <sys/stat.h>

FileStamp file_stamp(const char *path)
{
    FileStamp stamp;
    struct stat info;
    if (path == nullptr || stat(path, &info) != 0) {
        return stamp;
    }
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    // The change time moves with every write and rename, whatever the
    // writer sets the modification time to.
    stamp.changed_ns = static_cast<gint64>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return stamp;
}
