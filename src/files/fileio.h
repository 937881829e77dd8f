// Reading and writing whole files safely, for every file the program reads
// or writes: inputs are bounded and never block, outputs replace their file
// in one step or not at all.
#pragma once

#include <cstdint>
#include <glib.h>
#include <span>
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
};

// Writes each output in full, all or nothing. Every output is checked first:
// one that exists and is not a regular file (a device, FIFO or folder) is
// refused, so nothing is written. Each file is then written beside its target
// and renamed over it, so that a full disk or any other failure leaves the
// old content in place. A symbolic link is written through (the file it
// points to is replaced, the link stays), the old file's permissions and
// owner are kept, and a file with further hard links is rewritten in place
// so that every link sees the new content. When a later output fails, the
// outputs this call created are removed again. Errors name the file the
// caller gave, never a temporary one.
bool fileio_write_files(std::span<const FileioOutput> outputs, GError **error);
bool fileio_write_file(const char *filename, std::span<const uint8_t> data, GError **error);
