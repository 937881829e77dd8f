// Rendering from the document.
#include "render/render.h"

#include <algorithm>

#include "base/gref.h"
#include "render/canvas.h"

namespace {

int centred(int space, int size, int offset)
{
    // Centred, then down to the 8-pixel cell grid (arithmetic shifts).
    return (((space - size) >> 1) + offset) & ~7;
}

class FrameRecorder final : public ComposeObserver
{
  public:
    explicit FrameRecorder(size_t max_frames) : max_frames_(max_frames) {}
    void object_drawn(const ComposeBuffers &buffers, int w_cells, int h_cells) override
    {
        if (frames.size() + 1 >= max_frames_) {
            return; // the finished picture is added at the end
        }
        auto frame = std::make_unique<ComposeFrame>();
        frame->buffers = buffers;
        frame->cells = w_cells * h_cells;
        frames.push_back(std::move(frame));
    }
    std::vector<std::unique_ptr<ComposeFrame>> frames;

  private:
    size_t max_frames_;
};

} // namespace

std::span<const PanelDef> DocumentSource::panel_defs(int panel) const
{
    if (panel == kComposeTop) {
        return top_;
    }
    return document_.panel_defs(panel);
}

std::span<const uint8_t> DocumentSource::object_data(int object) const
{
    return document_.object_record(object);
}

bool DocumentSource::panel_box(int panel, ZbxRect *box) const
{
    return document_.panel_box_exact(panel, box);
}

ComposeStats render_panel_defs(const Document &document, std::span<const PanelDef> defs,
                               int top_panel, GdkPixbuf *canvas, int background,
                               ComposeClashes *clashes)
{
    if (clashes != nullptr) {
        clashes->reset();
    }
    if (canvas == nullptr) {
        return {};
    }
    DocumentSource source(document, defs);
    ComposeBuffers buffers;
    if (clashes == nullptr) {
        // The conversion covers the whole location area, background included.
        return compose_render_into_view(source, top_panel, background, buffers,
                                        pixbufs_view(canvas));
    }
    const ComposeStats stats =
        compose_panel_clashes(source, top_panel, background, buffers, *clashes);
    compose_convert_buffers(buffers, background, pixbufs_view(canvas));
    return stats;
}

ComposeStats render_stored_panel(const Document &document, int panel, GdkPixbuf *canvas,
                                 int background, ComposeClashes *clashes)
{
    if (clashes != nullptr) {
        clashes->reset();
    }
    if (canvas == nullptr) {
        return {};
    }
    if (document.item_kind(panel) != ZbxItemKind::Panel) {
        canvas_fill_location_area(canvas, background);
        return {};
    }
    return render_panel_defs(document, document.panel_defs(panel), panel, canvas, background,
                             clashes);
}

GdkPixbuf *render_stored_panel_area(const Document &document, int panel, int background,
                                    bool frame_clashes, ComposeStats *stats)
{
    GRef<GdkPixbuf> area(
        gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, kLocationWidth, kLocationHeight));
    if (!area) {
        return nullptr;
    }
    const RgbaView view = pixbufs_view(area.get());
    ComposeBuffers buffers;
    ComposeClashes clashes;
    ComposeStats walked;
    if (document.item_kind(panel) != ZbxItemKind::Panel) {
        // Nothing drawn: the background colour alone.
        buffers.clear();
    } else {
        DocumentSource source(document, document.panel_defs(panel));
        walked = frame_clashes ? compose_panel_clashes(source, panel, background, buffers, clashes)
                               : compose_panel(source, panel, background, buffers);
    }
    // The conversion covers every pixel of the area.
    compose_convert_buffers(buffers, background, view, 0);
    if (frame_clashes) {
        compose_draw_clash_frames(view, clashes, 1, 0);
    }
    if (stats != nullptr) {
        *stats = walked;
    }
    return area.release();
}

ComposeStats render_stored_panel_stats(const Document &document, int panel)
{
    if (document.item_kind(panel) != ZbxItemKind::Panel) {
        return {};
    }
    DocumentSource source(document, document.panel_defs(panel));
    ComposeBuffers buffers;
    return compose_panel(source, panel, 0, buffers);
}

std::string render_cut_short_text(const char *what, int number, const ComposeStats &stats)
{
    if (!stats.truncated) {
        return "";
    }
    return std::string(what) + " " + std::to_string(number) +
           ": the picture is incomplete, cut short after " + compose_bound_reached(stats);
}

ComposeClashes render_stored_panel_clashes(const Document &document, int panel, int background)
{
    ComposeClashes clashes;
    if (document.item_kind(panel) == ZbxItemKind::Panel) {
        DocumentSource source(document, document.panel_defs(panel));
        ComposeBuffers buffers;
        compose_panel_clashes(source, panel, background, buffers, clashes);
    }
    return clashes;
}

GdkPixbuf *render_shown_image(GdkPixbuf *canvas, int zoom, const ComposeClashes *clashes)
{
    if (canvas == nullptr) {
        return nullptr;
    }
    const int scale = 1 << std::clamp(zoom, 0, 2);
    GdkPixbuf *image =
        scale == 1
            ? gdk_pixbuf_copy(canvas)
            : gdk_pixbuf_scale_simple(canvas, gdk_pixbuf_get_width(canvas) * scale,
                                      gdk_pixbuf_get_height(canvas) * scale, GDK_INTERP_NEAREST);
    if (image != nullptr && clashes != nullptr) {
        compose_draw_clash_frames(pixbufs_view(image), *clashes, scale);
    }
    return image;
}

void render_object_preview(const Document &document, GdkPixbuf *backdrop, GdkPixbuf *canvas,
                           int object, int colour)
{
    if (canvas == nullptr) {
        return;
    }
    canvas_copy_image(backdrop, canvas);
    GdkPixbuf *image = document.object_image(object);
    if (image == nullptr) {
        return;
    }
    canvas_fill_location_area(canvas, colour);
    const int width = gdk_pixbuf_get_width(image);
    const int height = gdk_pixbuf_get_height(image);
    const int x = centred(kLocationWidth, width, 0);
    const int y = centred(kLocationHeight, height, kLocationTop);
    const int x0 = std::max(x, 0);
    const int y0 = std::max(y, 0);
    const int x1 = std::min(x + width, gdk_pixbuf_get_width(canvas));
    const int y1 = std::min(y + height, gdk_pixbuf_get_height(canvas));
    if (x1 <= x0 || y1 <= y0) {
        return;
    }
    gdk_pixbuf_composite(image, canvas, x0, y0, x1 - x0, y1 - y0, x, y, 1.0, 1.0,
                         GDK_INTERP_NEAREST, 255);
}

std::vector<std::unique_ptr<ComposeFrame>> render_compose_frames(const Document &document,
                                                                 int panel, int background,
                                                                 size_t max_frames,
                                                                 ComposeStats *stats)
{
    FrameRecorder recorder(std::max<size_t>(max_frames, 1));
    DocumentSource source(document, document.panel_defs(panel));
    auto last = std::make_unique<ComposeFrame>();
    const ComposeStats walked =
        compose_panel(source, document.item_kind(panel) == ZbxItemKind::Panel ? panel : -1,
                      background, last->buffers, &recorder);
    if (stats != nullptr) {
        *stats = walked;
    }
    recorder.frames.push_back(std::move(last));
    return std::move(recorder.frames);
}
