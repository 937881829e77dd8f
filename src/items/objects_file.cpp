// Object files: one object record, nothing before or after it.
#include "files/fileio.h"
#include "gref.h"
#include "items/objects.h"

int objects_check_object_record(std::span<const uint8_t> record, int *w_cells, int *h_cells,
                                GError **error)
{
    int w = record.empty() ? 0 : record[0] >> 4;
    int h = record.empty() ? 0 : record[0] & 15;
    if (record.empty() || record.size() != objects_record_size(w, h)) {
        zbx_set_error(error, "Unrecognized format");
        return 0;
    }
    if (w == 0 || h == 0) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_FAILED,
                    "Unrecognized format: the header gives %d x %d cells, and an object has 1 "
                    "to 15 each way",
                    w, h);
        return 0;
    }
    *w_cells = w;
    *h_cells = h;
    return 1;
}

GdkPixbuf *objects_render_object_record(std::span<const uint8_t> record, GError **error)
{
    int w = 0;
    int h = 0;
    if (!objects_check_object_record(record, &w, &h, error)) {
        return nullptr;
    }
    const size_t n = static_cast<size_t>(w) * h;
    const uint8_t *bitmap = record.data() + 1;
    GdkPixbuf *image = pixbufs_new_from_hires(bitmap, bitmap + 8 * n, bitmap + 9 * n, w, h);
    if (image == nullptr) {
        zbx_set_error(error, "Could not create pixbuf");
    }
    return image;
}

int objects_import_object_data_from_file(const char *filename, GdkPixbuf **image, int *index,
                                         GError **error)
{
    *image = nullptr;
    if (objects_get_array_size() >= kMaxItems) {
        *index = -1;
        zbx_set_error(error, "No room for additional objects");
        return 0;
    }
    *index = objects_get_array_size();
    std::vector<uint8_t> contents;
    if (!fileio_read_file(filename, &contents, error)) {
        return 0;
    }
    const std::span<const uint8_t> record(contents);
    GdkPixbuf *rendered = objects_render_object_record(record, error);
    if (rendered == nullptr) {
        return 0;
    }
    int slot = -1;
    if (!objects_append_object(rendered, record, &slot)) {
        g_object_unref(rendered);
        zbx_set_error(error, "Could not create pixbuf");
        return 0;
    }
    *image = rendered;
    *index = slot;
    return 1;
}

int objects_export_object_data_to_file(const char *filename, int index, GError **error)
{
    if (objects_is_array_empty_at_index(index)) {
        zbx_set_error(error, "Invalid object");
        return 0;
    }
    GByteArray *bytes = g_byte_array_new();
    objects_save_object_data(bytes, index);
    const bool ok = fileio_write_file(filename, {bytes->data, bytes->len}, error);
    g_byte_array_unref(bytes);
    return ok ? 1 : 0;
}
