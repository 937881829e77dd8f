// The object file reader on arbitrary bytes: what it accepts must render to
// an image of its announced size, store, write back byte for byte, and draw
// into a location, clipped at every edge, mirrored and recoloured.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/gref.h"
#include "items/document.h"
#include "items/objects.h"
#include "render/compose.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::span<const uint8_t> record(data, size);
    GErrorPtr error;
    GdkPixbuf *image = objects_render_object_record(record, error.out());
    if (image == nullptr) {
        if (!error) {
            std::abort(); // a refusal always says why
        }
        return 0;
    }
    GRef<GdkPixbuf> held(image);
    const int w = data[0] >> 4;
    const int h = data[0] & 15;
    if (gdk_pixbuf_get_width(image) != 8 * w || gdk_pixbuf_get_height(image) != 8 * h ||
        size != objects_record_size(w, h)) {
        std::abort();
    }
    Document document;
    document.new_project();
    int index = -1;
    {
        DocumentStep step(document, "Import object");
        index = document.append_object(record);
    }
    const std::span<const uint8_t> kept = document.object_record(index);
    if (index != 0 || !std::equal(record.begin(), record.end(), kept.begin(), kept.end())) {
        std::abort();
    }

    static ComposeBuffers buffers;
    buffers.clear();
    const int overrides[3] = {data[size - 1], data[size / 2], data[1]};
    const int background = data[size - 1] & 15;
    compose_draw_object(buffers, record, 0, 0, false, {}, background);
    compose_draw_object(buffers, record, -8 * (w - 1), -8, true, overrides, background);
    compose_draw_object(buffers, record, 312, 136, false, overrides, background);
    compose_draw_object(buffers, record, 100, 40, true, {overrides, 2}, background);
    return 0;
}
