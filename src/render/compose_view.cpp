// The composed cells into pixels: the location area of a canvas.
#include "render/compose.h"

#include <cstring>

void compose_convert_buffers(const ComposeBuffers &buffers, int background, RgbaView canvas,
                             int top)
{
    pixbufs_fill_from_hires_data_opaque_raw(canvas, buffers.hires(), background, kComposeColumns,
                                            kComposeRows, 0, top);
}

ComposeStats compose_render_into_view(const ComposeSource &source, int top_panel, int background,
                                      ComposeBuffers &buffers, RgbaView canvas)
{
    const ComposeStats stats = compose_panel(source, top_panel, background, buffers);
    compose_convert_buffers(buffers, background, canvas);
    return stats;
}

void compose_draw_clash_frames(RgbaView image, const ComposeClashes &clashes, int scale, int top)
{
    if (image.pixels == nullptr || scale < 1 || clashes.none()) {
        return;
    }
    static constexpr uint8_t kRed[4] = {255, 0, 0, 255};
    static constexpr uint8_t kWhite[4] = {255, 255, 255, 255};
    auto put = [&](int x, int y) {
        uint8_t *p = image.pixels + static_cast<size_t>(y) * image.rowstride + 4 * x;
        std::memcpy(p, ((x + y) & 1) == 0 ? kRed : kWhite, 4);
    };
    const int size = 8 * scale;
    for (size_t i = 0; i < clashes.size(); i++) {
        if (!clashes.test(i)) {
            continue;
        }
        const int left = static_cast<int>(i % kComposeColumns) * size;
        const int y = (top + 8 * static_cast<int>(i / kComposeColumns)) * scale;
        if (y < 0 || left + size > image.width || y + size > image.height) {
            continue; // an image too small for the area
        }
        for (int k = 0; k < size; k++) {
            put(left + k, y);
            put(left + k, y + size - 1);
        }
        for (int k = 1; k < size - 1; k++) {
            put(left, y + k);
            put(left + size - 1, y + k);
        }
    }
}
