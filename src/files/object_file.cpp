// Object files, read and written whole through the safe file functions.
#include "files/object_file.h"

#include <algorithm>

#include "base/error.h"
#include "base/gref.h"
#include "c64/pixbufs.h"
#include "files/fileio.h"
#include "files/picture_file.h"
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

bool objfile_encode_png(std::span<const uint8_t> record, int scale, std::vector<uint8_t> *png,
                        GError **error)
{
    int w = 0;
    int h = 0;
    if (!objects_record_ok(record, &w, &h) || (scale != 1 && scale != 2)) {
        zbx_set_error(error, ZbxError::InvalidItem, "Invalid object");
        return false;
    }
    const std::size_t cells = static_cast<std::size_t>(w) * h;
    const uint8_t *bitmap = record.data() + 1;
    GRef<GdkPixbuf> image(
        pixbufs_new_from_hires(bitmap, bitmap + 8 * cells, bitmap + 9 * cells, w, h));
    if (image && scale == 1) {
        // Every other column: one image pixel for each multicolour pixel.
        GRef<GdkPixbuf> narrow(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 4 * w, 8 * h));
        for (int y = 0; y < 8 * h && narrow; y++) {
            for (int x = 0; x < 4 * w; x++) {
                std::copy_n(gdk_pixbuf_get_pixels(image.get()) +
                                y * gdk_pixbuf_get_rowstride(image.get()) + 8 * x,
                            4,
                            gdk_pixbuf_get_pixels(narrow.get()) +
                                y * gdk_pixbuf_get_rowstride(narrow.get()) + 4 * x);
            }
        }
        image = std::move(narrow);
    }
    if (!image) {
        zbx_set_error(error, ZbxError::BadFormat, "Could not create pixbuf");
        return false;
    }
    return picture_encode_png_with_cells(
        image.get(), record.subspan(1, 8 * cells), record.subspan(1 + 8 * cells, cells),
        record.subspan(1 + 9 * cells, cells), w, h, -1, png, error);
}
