// The object file reader on arbitrary bytes: what it accepts must render to
// an image of its announced size, store, and write back byte for byte.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gref.h"
#include "items/objects.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    objects_module_init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::span<const uint8_t> record(data, size);
    GError *error = nullptr;
    GdkPixbuf *image = objects_render_object_record(record, &error);
    if (image == nullptr) {
        if (error == nullptr) {
            std::abort(); // a refusal always says why
        }
        g_error_free(error);
        return 0;
    }
    const int w = data[0] >> 4;
    const int h = data[0] & 15;
    if (gdk_pixbuf_get_width(image) != 8 * w || gdk_pixbuf_get_height(image) != 8 * h ||
        size != objects_record_size(w, h)) {
        std::abort();
    }
    int index = -1;
    if (!objects_append_object(image, record, &index)) {
        std::abort();
    }
    GByteArray *out = g_byte_array_new();
    objects_save_object_data(out, index);
    if (out->len != size || !std::equal(record.begin(), record.end(), out->data)) {
        std::abort();
    }
    g_byte_array_unref(out);
    objects_cleanup();
    return 0;
}
