// Drawing the document into canvases: panels and locations composed as the
// game draws them, the object preview, and a composition kept object by
// object for a preview that shows it being built.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "items/document.h"
#include "render/compose.h"

// A document as the composition sees it; `top` is the list rendered for
// kComposeTop (held by copy, so that it may be any list, edited or not).
class DocumentSource final : public ComposeSource
{
  public:
    DocumentSource(const Document &document, std::span<const PanelDef> top)
        : document_(document), top_(top.begin(), top.end())
    {
    }
    std::span<const PanelDef> panel_defs(int panel) const override;
    std::span<const uint8_t> object_data(int object) const override;
    bool panel_box(int panel, ZbxRect *box) const override;

  private:
    const Document &document_;
    std::vector<PanelDef> top_;
};

// Composes defs (the list of stored panel top_panel, or -1 for a list of
// no panel) over the background colour into the location area of canvas.
// With `clashes`, the clashing cells are reported there.
ComposeStats render_panel_defs(const Document &document, std::span<const PanelDef> defs,
                               int top_panel, GdkPixbuf *canvas, int background,
                               ComposeClashes *clashes = nullptr);
// The same for a stored panel (the background colour alone for anything
// that is not a panel).
ComposeStats render_stored_panel(const Document &document, int panel, GdkPixbuf *canvas,
                                 int background, ComposeClashes *clashes = nullptr);
// The location area alone (320 x 144 pixels, opaque), exactly as
// render_stored_panel draws it into a canvas, with the clashing cells
// framed when frame_clashes: a picture of the area needs no whole canvas.
// The composition's statistics in *stats when given; null when the image
// cannot be made.
GdkPixbuf *render_stored_panel_area(const Document &document, int panel, int background,
                                    bool frame_clashes, ComposeStats *stats = nullptr);
// Walks a stored panel as render_stored_panel does, without a canvas: the
// statistics say whether its picture is complete (nothing walked for
// anything that is not a panel).
ComposeStats render_stored_panel_stats(const Document &document, int panel);
// "Location 3" or "Panel 12" with the bound that cut its picture short,
// as "Location 3: the picture is incomplete, cut short after 1,000,000
// placement visits"; empty when the picture is complete.
std::string render_cut_short_text(const char *what, int number, const ComposeStats &stats);
// The clashing cells of a stored panel over a background colour (none for
// anything that is not a panel).
ComposeClashes render_stored_panel_clashes(const Document &document, int panel, int background);
// A copy of canvas scaled by 2^zoom, with the clashing cells framed when
// clashes is given: what a preview shows.
GdkPixbuf *render_shown_image(GdkPixbuf *canvas, int zoom, const ComposeClashes *clashes);
// The backdrop (none: left as it is), then, when object is an object, the
// location area in the colour with the object centred on the cell grid.
void render_object_preview(const Document &document, GdkPixbuf *backdrop, GdkPixbuf *canvas,
                           int object, int colour);

// One stage of a composition: the buffers after an object was drawn, and
// that object's size in cells.
struct ComposeFrame
{
    ComposeBuffers buffers;
    int cells = 0;
};
// The stages of a stored panel's composition, at most max_frames of them
// (the last always the finished picture); the walk's statistics in *stats
// when given.
std::vector<std::unique_ptr<ComposeFrame>> render_compose_frames(const Document &document,
                                                                 int panel, int background,
                                                                 size_t max_frames,
                                                                 ComposeStats *stats = nullptr);
