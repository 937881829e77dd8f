// Reading and writing whole files safely, for every file the program reads
// or writes: inputs are bounded and never block, outputs replace their file
// in one step or not at all.
#pragma once

#include <cstdint>
#include <functional>
#include <glib.h>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

// No file the program reads is larger: projects, object files and pictures
// are all C64 programs (load address plus 64 KiB) or smaller.
inline constexpr gsize kFileioMaxInput = 65538;

// Reads a whole file of at most max_size bytes into contents. Only a regular
// file is opened (a folder, device, FIFO or socket is refused by name, and
// opening never waits for a writer); one larger than max_size is refused
// before any of it is read. Returns false with a file-domain error that names
// the file (GLib's error codes for system failures, such as
// G_FILE_ERROR_NOENT).
bool fileio_read_file(const char *filename, std::vector<uint8_t> *contents, GError **error,
                      gsize max_size = kFileioMaxInput);

// One file to write and its whole new content.
struct FileioOutput
{
    const char *filename;
    std::span<const uint8_t> data;
    // Symbolic links are followed only to a file in the folder of filename
    // (for the settings file, which must not overwrite a file elsewhere).
    bool stay_in_folder = false;
};

// What a write that succeeded could not keep as the file had it.
enum class FileioNoteKind
{
    OtherLinksKeepOld, // the file had further hard links: they hold the old content
    OwnerChanged,      // the file belonged to another user or group, which was not kept
};
struct FileioNote
{
    FileioNoteKind kind;
    std::string filename; // as the caller gave it
    std::string message;  // one sentence for the user
};

// Writes each output in full, all or nothing.
//
// Every output is checked first, and nothing is written when one is refused:
// a file that exists and is not a regular file (a device, FIFO or folder) or
// may not be written, two outputs that are one file (the same file through links, or the same
// name), and a symbolic link that lies in a folder anyone may write to with
// the sticky bit set (such as /tmp) and belongs neither to the one saving nor
// to the folder's owner.
//
// Each new content is written to a temporary file beside its target
// (".zbx-XXXXXX.tmp") and renamed over it, so that at any moment, even when
// the program is killed, each target holds its old content or its new one,
// whole. A symbolic link is written through (the file it points to is
// replaced, the link stays). The old file's permissions, owner and group are
// kept where the system allows; a file whose owner could not be kept, and a
// file with further hard links (which keep the old content, as the new file
// is a new one), are listed in *notes (when given) after a write that
// succeeded.
//
// When a later output fails, the earlier ones are put back: the files this
// call created are removed and the files it replaced get their old content
// back (kept as a hard link beside them until the last output is in place,
// or as a copy where the file system makes no such link).
// Temporary files of ours that a killed save left behind (older than
// kFileioStaleSeconds and held by no one) are removed from a folder before it
// is written to. Errors name the file the caller gave (its control
// characters escaped), never a temporary one, and name the folder when it is
// the folder that cannot be written.
bool fileio_write_files(std::span<const FileioOutput> outputs, std::vector<FileioNote> *notes,
                        GError **error);
bool fileio_write_files(std::span<const FileioOutput> outputs, GError **error);
bool fileio_write_file(const char *filename, std::span<const uint8_t> data,
                       std::vector<FileioNote> *notes, GError **error);
bool fileio_write_file(const char *filename, std::span<const uint8_t> data, GError **error);

// The same, calling before_commit(i) just before output i replaces its
// target: what tests use to make a late step fail.
bool fileio_write_files_observed(std::span<const FileioOutput> outputs,
                                 std::vector<FileioNote> *notes,
                                 const std::function<void(size_t)> &before_commit, GError **error);

// Temporary files of ours younger than this are left alone: a save may
// still be writing them.
inline constexpr int kFileioStaleSeconds = 10 * 60;

// Removes from folder the temporary files that killed saves left: ours by
// name (".zbx-XXXXXX.tmp") and owner, unchanged for older_than seconds, and
// locked by no one (a save holds a lock on its temporary file while it
// lives). The writer calls it with kFileioStaleSeconds on every folder it
// writes to.
void fileio_clear_stale_temps(const char *folder, int older_than);

// Whether a symbolic link owned by link_owner, lying in a folder of mode
// folder_mode owned by folder_owner, may be followed by saver: in a folder
// anyone may write to that has the sticky bit, only links of the saver or
// of the folder's owner are (the rule of the kernel's protected_symlinks).
bool fileio_may_follow_link(mode_t folder_mode, uid_t folder_owner, uid_t link_owner, uid_t saver);

// A file name as messages show it: in UTF-8, with control characters
// escaped ("\n", "\x1b", "\u009b") so that a name cannot break a message
// or a terminal.
std::string fileio_display_name(const char *filename);
