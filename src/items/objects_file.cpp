// Object files: one object record, nothing before or after it.
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
        zbx_set_error(error, "Could not create pixbuf");
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
    gchar *contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(filename, &contents, &length, error)) {
        return 0;
    }
    GCharPtr owned(contents);
    std::span<const uint8_t> record(reinterpret_cast<const uint8_t *>(contents), length);
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
    return g_file_set_contents(filename, reinterpret_cast<const gchar *>(record.data()),
                               static_cast<gssize>(record.size()), error)
               ? 1
               : 0;
}
