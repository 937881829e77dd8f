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

int objects_import_object_data_from_file(const char *filename, int *index, GError **error)
{
    *index = -1;
    if (document_item_count() >= kMaxItems) {
        zbx_set_error(error, "No room for additional objects");
        return 0;
    }
    std::vector<uint8_t> contents;
    if (!fileio_read_file(filename, &contents, error)) {
        return 0;
    }
    const std::span<const uint8_t> record(contents);
    GRef<GdkPixbuf> rendered(objects_render_object_record(record, error));
    if (!rendered) {
        return 0;
    }
    *index = document_append_object(record);
    if (*index < 0) {
        zbx_set_error(error, "No room for additional objects");
        return 0;
    }
    return 1;
}

int objects_export_object_data_to_file(const char *filename, int index, GError **error)
{
    std::span<const uint8_t> record = document_object_record(index);
    if (record.empty()) {
        zbx_set_error(error, "Invalid object");
        return 0;
    }
    return fileio_write_file(filename, record, error) ? 1 : 0;
}
