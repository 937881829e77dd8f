// The composed cells into pixels: the location area of a canvas.
#include "models/panelmodels_compose.h"

void panelmodels_convert_buffers(const ComposeBuffers &buffers, int background, RgbaView canvas)
{
    pixbufs_fill_from_hires_data_opaque_raw(canvas, buffers.hires(), background, kComposeColumns,
                                            kComposeRows, 0, kComposeAreaTop);
}

ComposeStats panelmodels_render_into_view(const ComposeSource &source, int top_panel,
                                          int background, ComposeBuffers &buffers, RgbaView canvas)
{
    const ComposeStats stats = panelmodels_compose(source, top_panel, background, buffers);
    panelmodels_convert_buffers(buffers, background, canvas);
    return stats;
}

void panelmodels_draw_clash_frames(RgbaView image, const ComposeClashes &clashes, int scale)
{
    if (image.pixels == nullptr || scale < 1) {
        return;
    }
    const int size = 8 * scale;
    auto put = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= image.width || y >= image.height) {
            return;
        }
        uint8_t *p = image.pixels + static_cast<size_t>(y) * image.rowstride + 4 * x;
        const bool red = ((x + y) & 1) == 0;
        p[0] = 255;
        p[1] = red ? 0 : 255;
        p[2] = red ? 0 : 255;
        p[3] = 255;
    };
    for (const auto &[col, row] : panelmodels_clash_cells(clashes)) {
        const int left = col * size;
        const int top = (kComposeAreaTop + 8 * row) * scale;
        for (int i = 0; i < size; i++) {
            put(left + i, top);
            put(left + i, top + size - 1);
            put(left, top + i);
            put(left + size - 1, top + i);
        }
    }
}
