// Rendering stored panels and locations into canvases: the backdrop above
// the location area, the background colour below what is placed, and
// location numbers outside the table. (Panels that place each other:
// compose_test; pictures cut short: SizeInView and tests/e2e/cli.sh.)
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/gref.h"
#include "c64/palette.h"
#include "c64/pixbufs.h"
#include "render/canvas.h"
#include "render/locations.h"
#include "render/render.h"
#include "support/items_fixture.h"
#include "support/project.h"

namespace {

std::vector<int> colour(int c)
{
    return {palette_rgb[c][0], palette_rgb[c][1], palette_rgb[c][2], 255};
}

const std::vector<int> kWhite = {255, 255, 255, 255};

// Object 0 is 2 x 3 cells whose every line shows pixels 0 1 2 3:
// background, colours 1, 2 and 3; its usage nibble marks pair 00 unused,
// so it covers what is below. Panel 1 places it at the given positions;
// item 2 is empty.
ZbxProject project(std::vector<PanelDef> defs)
{
    std::vector<uint8_t> record = {0x23};
    record.insert(record.end(), 8 * 6, 0x1B);
    record.insert(record.end(), 6, 0x12);
    record.insert(record.end(), 6, 0xE3);
    ZbxProject p;
    p.items = {zbx_object_item(record), zbx_panel_item(std::move(defs)), ZbxItem{}};
    return p;
}

class StoreRendering : public DocumentTest
{
  protected:
    void SetUp() override
    {
        // A backdrop of its own: plain white.
        gdk_pixbuf_fill(backdrop_.get(), 0xffffffff);
    }
    // Draws a stored panel over the backdrop, pair 00 in colour 6.
    void render(int panel, int background = 6)
    {
        canvas_copy_image(backdrop_.get(), canvas_.get());
        render_stored_panel(doc, panel, canvas_.get(), background);
    }
    void render_location(int number)
    {
        ::render_location(doc, backdrop_.get(), number, canvas_.get());
    }
    std::vector<int> pixel(int x, int y)
    {
        RgbaView v = pixbufs_view(canvas_.get());
        const uint8_t *p = v.pixels + y * v.rowstride + x * 4;
        return {p[0], p[1], p[2], p[3]};
    }
    GRef<GdkPixbuf> backdrop_{canvas_new()};
    GRef<GdkPixbuf> canvas_{canvas_new()};
};

} // namespace

TEST_F(StoreRendering, PanelsAreDrawnOverTheirBackground)
{
    // Item 2 is empty: nothing. (304, 120): the last cells of the area.
    doc.load(
        project({zbx_object_def(0, 8, 0), zbx_object_def(2, 40, 0), zbx_object_def(0, 304, 120)}));
    render(1);
    EXPECT_EQ(pixel(0, 55), kWhite);
    EXPECT_EQ(pixel(0, 56), colour(6));
    EXPECT_EQ(pixel(8, 56), colour(6));
    EXPECT_EQ(pixel(10, 56), colour(1));
    EXPECT_EQ(pixel(15, 56 + 23), colour(3));
    EXPECT_EQ(pixel(41, 56), colour(6));
    EXPECT_EQ(pixel(319, 199), colour(3));
    // No panel: the background colour alone.
    render(2, 2);
    EXPECT_EQ(pixel(10, 56), colour(2));
    EXPECT_EQ(pixel(319, 199), colour(2));
    EXPECT_EQ(pixel(319, 55), kWhite);
}

TEST_F(StoreRendering, LocationsByNumber)
{
    ZbxProject p = project({zbx_object_def(0, 0, 0)});
    p.locations[3] = {1, 5};
    p.locations[4] = {2, 0};
    doc.load(p);
    render_location(3);
    EXPECT_EQ(pixel(2, 56), colour(1));
    EXPECT_EQ(pixel(20, 56), colour(5));
    EXPECT_EQ(pixel(20, 40), kWhite);
    // Record 4 names an item without a panel: its colour alone.
    render_location(4);
    EXPECT_EQ(pixel(2, 56), colour(0));
    // An empty record shows its colour; a number past the table leaves the
    // backdrop.
    render_location(5);
    EXPECT_EQ(pixel(2, 56), colour(0));
    for (int number : {32, -1}) {
        render_location(number);
        EXPECT_EQ(pixel(2, 56), kWhite) << number;
    }
}

TEST_F(StoreRendering, TheAreaAloneIsTheCanvasAreaClashFramesIncluded)
{
    ASSERT_EQ(open(zbx_source_path("resources/examples/quorvane-sampler.prg")), "");
    int framed = 0;
    for (int item = 0; item < doc.item_count(); item++) {
        for (const bool clashes : {false, true}) {
            SCOPED_TRACE(testing::Message() << "item " << item << (clashes ? " framed" : ""));
            ComposeClashes found;
            render_stored_panel(doc, item, canvas_.get(), 11, &found);
            if (clashes) {
                compose_draw_clash_frames(pixbufs_view(canvas_.get()), found, 1);
                framed += static_cast<int>(found.count());
            }
            ComposeStats stats;
            const GRef<GdkPixbuf> area(render_stored_panel_area(doc, item, 11, clashes, &stats));
            ASSERT_TRUE(area);
            EXPECT_EQ(stats.visits, render_stored_panel_stats(doc, item).visits);
            const RgbaView a = pixbufs_view(area.get());
            const RgbaView c = pixbufs_view(canvas_.get());
            ASSERT_EQ(a.width, 320);
            ASSERT_EQ(a.height, 144);
            for (int y = 0; y < a.height; y++) {
                ASSERT_EQ(0, std::memcmp(a.pixels + y * a.rowstride,
                                         c.pixels + (56 + y) * c.rowstride, 320 * 4))
                    << "row " << y;
            }
        }
    }
    EXPECT_GT(framed, 0); // the example has clashing cells to frame
}
