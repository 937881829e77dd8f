// Object files, read and written whole through the safe file functions.
#include "files/object_file.h"

#include "base/gref.h"
#include "files/fileio.h"
#include "items/objects.h"

bool objfile_read(const char *filename, std::vector<uint8_t> *record, GError **error)
{
    std::vector<uint8_t> contents;
    int w = 0;
    int h = 0;
    if (!fileio_read_file(filename, &contents, error) ||
        !objects_check_object_record(contents, &w, &h, error)) {
        return false;
    }
    *record = std::move(contents);
    return true;
}

GdkPixbuf *objfile_read_image(const char *filename, GError **error)
{
    std::vector<uint8_t> contents;
    if (!fileio_read_file(filename, &contents, error)) {
        return nullptr;
    }
    return objects_render_object_record(contents, error);
}

bool objfile_write(const char *filename, std::span<const uint8_t> record,
                   std::vector<FileioNote> *notes, GError **error)
{
    return fileio_write_file(filename, record, notes, error);
}

bool objfile_write(const char *filename, std::span<const uint8_t> record, GError **error)
{
    return objfile_write(filename, record, nullptr, error);
}
