// Panel composition: turns a panel's definitions, recursively through its
// sub-panels, into the raw C64 multicolour data of the location area (40 x 18
// cells), merging overlapping cells under the rule of three colours plus
// background per cell. Plain bytes only: no display and no toolkit types, so
// the editor, the command line and the tests share it.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "c64/pixbufs.h"
#include "items/document.h"

// The location area in cells, and its first line on a 320 x 200 canvas.
inline constexpr int kComposeColumns = 40;
inline constexpr int kComposeRows = 18;
inline constexpr int kComposeAreaTop = 56;

// The render buffers, laid out as a 40-cell-wide C64 screen: cell (c, r)
// has its 8 bitmap bytes at r * 320 + c * 8 (top line first), its screen
// and colour bytes at r * 40 + c. Only rows 0 to 17 are used. A cell keeps
// its usage nibble (the high nibble of the colour byte), so that later
// objects see what is already there.
struct ComposeBuffers
{
    std::array<uint8_t, 8000> bitmap;
    std::array<uint8_t, 1000> screen;
    std::array<uint8_t, 1000> colour;

    void clear();
    HiresData hires() const { return {bitmap, screen, colour}; }
};

// One multicolour cell.
struct ComposeCell
{
    uint8_t bitmap[8];
    uint8_t screen;
    uint8_t colour;

    bool operator==(const ComposeCell &) const = default;
};

// Names the list being rendered in ComposeSource::panel_defs.
inline constexpr int kComposeTop = -1;

// Where a composition finds its data. What the queries return must stay as
// it is until the run ends: the composition keeps the spans while it walks.
class ComposeSource
{
  public:
    // The definitions of panel `panel` (an item index), of the list being
    // rendered for kComposeTop, or an empty span when there is no such panel.
    virtual std::span<const PanelDef> panel_defs(int panel) const = 0;
    // The raw record of object `object` (dimension byte, bitmap, screen,
    // colour), or an empty span. Records are checked before use.
    virtual std::span<const uint8_t> object_data(int object) const = 0;
    // The bounding box of panel `panel` relative to its own origin, in
    // pixels: it covers everything the panel places, disabled placements
    // and nested panels included ((320, 144, -320, -144) for a panel
    // without content). False when the box is not known; the panel is then
    // walked wherever it lies. A panel placed wholly outside the location
    // area by a known box is passed by.
    virtual bool panel_box(int panel, ZbxRect *box) const
    {
        (void) panel;
        (void) box;
        return false;
    }

  protected:
    ~ComposeSource() = default;
};

// Told after each object that was drawn (not skipped as wholly outside the
// area), with the buffers as they stand and the object's full size in
// cells. It must not change the source.
class ComposeObserver
{
  public:
    virtual void object_drawn(const ComposeBuffers &buffers, int w_cells, int h_cells) = 0;

  protected:
    ~ComposeObserver() = default;
};

// Bounds on the work of one run, so that data which shares sub-panels many
// levels deep still renders quickly: at most this many definitions are
// visited and this many object cells drawn; past either the run stops.
inline constexpr long kComposeMaxVisits = 1'000'000;
inline constexpr long kComposeMaxCells = 4'000'000;

struct ComposeStats
{
    long visits = 0;  // definitions looked at
    long cells = 0;   // object cells drawn (copied, kept or merged)
    long objects = 0; // objects drawn
    long cycles = 0;  // sub-panel definitions refused as already being drawn
    // A bound was reached with definitions still to visit: the run stopped
    // and the picture is incomplete.
    bool truncated = false;
};

// The bound that cut a run short, for messages: "1,000,000 placement
// visits" or "4,000,000 drawn cells"; empty when the run was complete.
std::string compose_bound_reached(const ComposeStats &stats);

// Composes the definitions of source.panel_defs(kComposeTop) into the
// buffers, which are cleared first. `top_panel` is the item index of that
// list when it is a stored panel (or -1): a panel is never entered while it
// is already being drawn further up the nesting, so a panel that places
// itself, directly or through others, draws the rest of its definitions and
// skips that one. `background` is the byte of bit pair 00: the merge compares it with
// object colours as it stands, and the canvas shows it modulo 16.
ComposeStats compose_panel(const ComposeSource &source, int top_panel, int background,
                           ComposeBuffers &buffers, ComposeObserver *observer = nullptr);

// Clashing cells, bit col + 40 * row: where the picture as composed differs
// in any pixel from the placements drawn one over another in full colour
// (every pixel of a placement that is not 00 in its own colour, after
// overrides and mirroring; the background where none covers it). These
// are the cells where the three-colour merge had to give something up, or
// where an object's usage bits make it copy or skip what it should merge.
using ComposeClashes = std::bitset<kComposeColumns * kComposeRows>;

// compose_panel, the same walk and the same buffers, with the
// clashing cells reported beside.
ComposeStats compose_panel_clashes(const ComposeSource &source, int top_panel, int background,
                                   ComposeBuffers &buffers, ComposeClashes &clashes);
// The clashing cells as (column, row), row by row.
std::vector<std::pair<int, int>> compose_clash_cells(const ComposeClashes &clashes);
// Frames every clashing cell on an image of the canvas scaled by `scale`
// (1, 2, 4; the location area starts at row top * scale, 56 on a canvas): the
// outer ring of the cell's pixels, alternately red and white.
void compose_draw_clash_frames(RgbaView image, const ComposeClashes &clashes, int scale,
                               int top = kComposeAreaTop);

// The same walk with none of the shortcuts: every sub-panel entered, the
// merge as written in the rule. Differential tests compare the two.
ComposeStats compose_reference(const ComposeSource &source, int top_panel, int background,
                               ComposeBuffers &buffers);

// Composes and converts the result into the location area of a 320 x 200
// RGBA canvas (rows 56 to 199), pair 00 in the background colour.
ComposeStats compose_render_into_view(const ComposeSource &source, int top_panel, int background,
                                      ComposeBuffers &buffers, RgbaView canvas);
// Converts the 40 x 18 cells of the buffers into the canvas's location area,
// whose top row is `top` (an image of the area alone: 0).
void compose_convert_buffers(const ComposeBuffers &buffers, int background, RgbaView canvas,
                             int top = kComposeAreaTop);

// --- The steps, for the tests and for anyone who needs one of them ---

// Entry b is b with its four bit pairs in reverse order.
extern const std::array<uint8_t, 256> compose_mirror_table;

// The colour map of up to three overrides applied in list order, each to the
// result of the previous: map[c] is what colour c becomes. Each override
// byte holds the source colour in its low and the replacement in its high
// nibble.
std::array<uint8_t, 16> compose_override_map(std::span<const int> overrides);

// Draws one object record with its top-left pixel at (x, y) relative to the
// location area, clipped to the 40 x 18 cells. Returns false when the
// record is bad or the object lies wholly outside (nothing drawn); `cells`
// (when given) grows by the cells drawn.
bool compose_draw_object(ComposeBuffers &buffers, std::span<const uint8_t> data, int64_t x,
                         int64_t y, bool mirror, std::span<const int> overrides, int background,
                         long *cells = nullptr);

// Puts an object cell (bitmap already mirrored, colours already overridden)
// over a destination cell: copy, keep or merge.
void compose_place_cell(ComposeCell &dst, const ComposeCell &obj, int background);
// Merges an object cell into a destination cell under the three-colour rule.
void compose_merge_cell(ComposeCell &dst, const ComposeCell &obj, int background);
// The same merge written step by step as the rule states it: the reference.
void compose_merge_cell_portable(ComposeCell &dst, const ComposeCell &obj, int background);
