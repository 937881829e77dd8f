// Object records: checking one as a file holds it, and drawing it.
#include "items/objects.h"
#include "base/error.h"
#include "base/gref.h"

bool objects_check_object_record(std::span<const uint8_t> record, int *w_cells, int *h_cells,
                                 GError **error)
{
    int w = record.empty() ? 0 : record[0] >> 4;
    int h = record.empty() ? 0 : record[0] & 15;
    if (record.empty() || record.size() != objects_record_size(w, h)) {
        zbx_set_error(error, ZbxError::BadFormat, "Unrecognized format");
        return false;
    }
    if (w == 0 || h == 0) {
        zbx_set_error_printf(
            error, ZbxError::BadFormat,
            "Unrecognized format: the header gives %d x %d cells, and an object has 1 "
            "to 15 each way",
            w, h);
        return false;
    }
    *w_cells = w;
    *h_cells = h;
    return true;
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
        zbx_set_error(error, ZbxError::Failed, "Could not create pixbuf");
    }
    return image;
}

bool objects_record_ok(std::span<const uint8_t> data, int *w_cells, int *h_cells)
{
    if (data.empty()) {
        return false;
    }
    const int w = data[0] >> 4;
    const int h = data[0] & 15;
    if (w == 0 || h == 0 || data.size() < objects_record_size(w, h)) {
        return false;
    }
    *w_cells = w;
    *h_cells = h;
    return true;
}

std::array<int, 16> objects_colour_pixels(std::span<const uint8_t> record)
{
    std::array<int, 16> pixels{};
    int w = 0;
    int h = 0;
    if (!objects_record_ok(record, &w, &h)) {
        return pixels;
    }
    const size_t cells = static_cast<size_t>(w) * h;
    const std::span<const uint8_t> bitmap = record.subspan(1, 8 * cells);
    const std::span<const uint8_t> screen = record.subspan(1 + 8 * cells, cells);
    const std::span<const uint8_t> colour = record.subspan(1 + 9 * cells, cells);
    for (size_t cell = 0; cell < cells; cell++) {
        const int of_pair[4] = {-1, screen[cell] >> 4, screen[cell] & 15, colour[cell] & 15};
        for (const uint8_t line : bitmap.subspan(8 * cell, 8)) {
            for (int shift = 6; shift >= 0; shift -= 2) {
                const int pair = (line >> shift) & 3;
                if (pair != 0) {
                    pixels[of_pair[pair]]++;
                }
            }
        }
    }
    return pixels;
}
