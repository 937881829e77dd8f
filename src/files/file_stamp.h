// What tells one version of a file from another without reading it: its
// identity, size and time of change. A file rewritten by another program
// gets a new stamp (a rename over it a new inode, a write in place a new
// time or size).
#pragma once

#include <glib.h>
#include <sys/types.h>

struct FileStamp
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    gint64 size = 0;
    gint64 changed_ns = 0;

    bool operator==(const FileStamp &) const = default;
};

// The stamp of the file at path (through symbolic links); exists is false
// when there is none.
FileStamp file_stamp(const char *path);
