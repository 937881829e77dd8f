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
