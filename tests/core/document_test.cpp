// The document: boxes kept right after every change, changes only through
// its functions and only inside steps, undo and redo of whole steps, steps
// taken back when they fail, and view settings that stay out of the history.
#include <gtest/gtest.h>

#include <functional>
#include <type_traits>
#include <vector>

#include "../../bench/large_project.h"
#include "c64/hiresdecoder.h"
#include "files/zembrix_format.h"
#include "items/document.h"
#include "items/itemwrapper.h"
#include "items/references.h"
#include "render/render.h"
#include "support/items_fixture.h"
#include "support/project.h"

namespace {

// The project is readable by anyone and writable only through the
// document's functions.
static_assert(
    std::is_const_v<std::remove_reference_t<decltype(std::declval<Document>().project())>>);
static_assert(
    std::is_same_v<decltype(std::declval<Document>().panel_defs(0)), std::span<const PanelDef>>);

class DocumentSteps : public DocumentTest
{
  protected:
    std::vector<uint8_t> written()
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(zembrix_encode(doc.project(), &bytes, nullptr));
        return bytes;
    }
};

} // namespace

TEST_F(DocumentSteps, BoxesCoverWhatPanelsPlaceAndFollowEdits)
{
    // 0: object 16 x 8; 1: panel placing panel 3 (higher index) and an empty
    // panel 2; 3: panel placing object 0 and itself (a loop).
    load({zbx_object_item(zbx_test_record(2, 1)),
          zbx_panel_item({zbx_panel_def(3, 8, 16), zbx_panel_def(2, 200, 100)}), zbx_panel_item({}),
          zbx_panel_item({zbx_object_def(0, 40, 0), zbx_panel_def(3, 0, 0)})});
    EXPECT_EQ(box(3), (std::vector<int>{40, 0, 16, 8}));
    EXPECT_EQ(box(1), (std::vector<int>{48, 16, 16, 8}));
    EXPECT_EQ(box(2), (std::vector<int>{320, 144, -320, -144}));

    // Moving the object inside panel 3 moves the box of panel 1 with it.
    {
        DocumentStep step(doc, "Move");
        doc.set_def(3, 0, zbx_object_def(0, 64, 8));
    }
    EXPECT_EQ(box(1), (std::vector<int>{72, 24, 16, 8}));
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(box(1), (std::vector<int>{48, 16, 16, 8}));
}

TEST_F(DocumentSteps, ChangesOutsideAStepAreRefused)
{
    load({zbx_panel_item({})});
#ifndef NDEBUG
    EXPECT_DEATH(doc.append_panel(), "outside a recorded step");
    EXPECT_DEATH(doc.set_location(0, {0, 1}), "outside a recorded step");
    EXPECT_DEATH(doc.delete_item(0), "outside a recorded step");
    EXPECT_DEATH(doc.insert_def(0, 0, zbx_panel_def(0, 0, 0)), "outside a recorded step");
#endif
    // A view setting is no step.
    EXPECT_TRUE(doc.set_preview_colour(0, 5));
    EXPECT_FALSE(doc.can_undo());
    EXPECT_FALSE(doc.is_modified());
}

TEST_F(DocumentSteps, EveryKindOfChangeIsOneStepThatUndoesAndRedoes)
{
    ZbxProject project =
        zbx_test_project({zbx_object_item(zbx_test_record(1, 1)), zbx_panel_item({}),
                          zbx_panel_item({zbx_object_def(0, 8, 8)})});
    project.locations[3] = {2, 6};
    doc.load(project);
    const ZbxProject first = doc.project();

    struct Edit
    {
        const char *name;
        std::function<void(Document &)> run;
    };
    const Edit edits[] = {
        {"Append object", [](Document &d) { d.append_object(zbx_test_record(2, 2, 9)); }},
        {"Append panel", [](Document &d) { d.append_panel(); }},
        {"Delete object 0", [](Document &d) { d.delete_item(0); }},
        {"Store",
         [](Document &d) {
             d.set_location(5, {2, 3});
         }},
        {"Replace", [](Document &d) { d.set_defs(1, {zbx_panel_def(2, 16, 0)}); }},
        {"Insert", [](Document &d) { d.insert_def(2, 0, zbx_object_def(0, 0, 0)); }},
        {"Remove", [](Document &d) { d.remove_def(2, 0); }},
        {"Disable",
         [](Document &d) {
             PanelDef def = d.panel_defs(2)[0];
             def.enabled = false;
             d.set_def(2, 0, def);
         }},
    };
    // A document loaded for a command freezes its items only at the first
    // step: undo must find them all the same.
    for (const auto history : {Document::History::Ready, Document::History::WhenNeeded}) {
        for (const Edit &edit : edits) {
            SCOPED_TRACE(edit.name);
            doc.load(first, history);
            const std::vector<uint8_t> before = written();
            {
                DocumentStep step(doc, edit.name);
                edit.run(doc);
            }
            const ZbxProject after = doc.project();
            EXPECT_TRUE(doc.is_modified());
            EXPECT_STREQ(doc.undo_name(), edit.name);
            ASSERT_TRUE(doc.undo());
            EXPECT_EQ(doc.project(), first);
            EXPECT_EQ(written(), before);
            EXPECT_FALSE(doc.is_modified());
            ASSERT_TRUE(doc.redo());
            EXPECT_EQ(doc.project(), after);
            EXPECT_FALSE(doc.can_redo());
        }
    }
}

TEST_F(DocumentSteps, AStepThatFailsHalfwayLeavesTheDocumentAsItWas)
{
    load({zbx_object_item(zbx_test_record(1, 1)), zbx_panel_item({zbx_object_def(0, 8, 8)})});
    const ZbxProject before = doc.project();
    // A view showing the object, following the document's reports.
    int shown = 0;
    int resets = 0;
    doc.add_listener([&](const DocEvent &event) {
        shown = document_follow_index(event, shown);
        resets += event.what == DocChange::Reset ? 1 : 0;
    });
    {
        DocumentStep step(doc, "Paste");
        ASSERT_EQ(doc.delete_item(0), true); // the object is gone, panel 1 is 0 now
        ASSERT_EQ(doc.append_panel(), 1);
        ASSERT_TRUE(doc.set_location(4, {1, 2}));
        EXPECT_EQ(shown, -1);
        step.fail();
        EXPECT_EQ(doc.project(), before);
        EXPECT_EQ(resets, 1);
    }
    EXPECT_EQ(doc.project(), before);
    EXPECT_FALSE(doc.can_undo());
    EXPECT_FALSE(doc.is_modified());
    EXPECT_EQ(box(1), (std::vector<int>{8, 8, 8, 8}));

    // A nested step taken back leaves the outer one's own changes.
    {
        DocumentStep outer(doc, "Outer");
        doc.set_location(0, {1, 3});
        {
            DocumentStep inner(doc, "Inner");
            doc.append_panel();
            inner.fail();
        }
        EXPECT_EQ(doc.item_count(), 2);
    }
    EXPECT_STREQ(doc.undo_name(), "Outer");
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.project(), before);
    EXPECT_FALSE(doc.can_undo());

    // Nothing changed: nothing to take back, nothing recorded.
    {
        DocumentStep step(doc, "Nothing");
        step.fail();
    }
    EXPECT_FALSE(doc.can_undo());
}

TEST_F(DocumentSteps, ViewsFollowTheirItemThroughUndoAndRedoOfRenumberingSteps)
{
    std::vector<ZbxItem> items;
    for (int i = 0; i < 8; i++) {
        items.push_back(zbx_panel_item({}));
    }
    load(items);
    int shown = 5;
    doc.add_listener([&](const DocEvent &event) { shown = document_follow_index(event, shown); });
    {
        // Two deletes before the shown item, one append after it.
        DocumentStep step(doc, "Tidy");
        doc.delete_item(3);
        doc.delete_item(1);
        doc.append_panel();
    }
    EXPECT_EQ(shown, 3);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(shown, 5);
    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(shown, 3);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(shown, 5);
    // An item the step inserted has nothing to follow back to.
    {
        DocumentStep step(doc, "Add");
        doc.append_panel();
    }
    shown = 8;
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(shown, -1);
}

TEST_F(DocumentSteps, PreviewColoursAreAViewSettingThatUndoLeavesAlone)
{
    load({zbx_panel_item({}), zbx_panel_item({}), zbx_panel_item({})});
    {
        DocumentStep step(doc, "Store");
        doc.set_location(0, {2, 1});
    }
    // Set after the step: undoing the step keeps the colours.
    doc.set_preview_colour(0, 5);
    doc.set_preview_colour(2, 7);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.preview_colour(0), 5);
    EXPECT_EQ(doc.preview_colour(2), 7);
    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(doc.preview_colour(0), 5);

    // Items moved by a delete keep theirs through undo and redo; the one
    // that comes back has the colour it had when it went.
    {
        DocumentStep step(doc, "Delete panel 0");
        doc.delete_item(0);
    }
    EXPECT_EQ(doc.preview_colour(1), 7);
    doc.set_preview_colour(1, 9);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.preview_colour(0), 5);
    EXPECT_EQ(doc.preview_colour(2), 9);
    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(doc.preview_colour(1), 9);
}

TEST_F(DocumentSteps, WouldLoopLooksThroughEveryPanelBetween)
{
    // 0 places 1 and 4; 1 places 2; 2 places 3 (through a disabled
    // placement); 4 places object 5; 6 is on its own.
    PanelDef hidden = zbx_panel_def(3, 0, 0);
    hidden.enabled = false;
    load({zbx_panel_item({zbx_panel_def(1, 0, 0), zbx_panel_def(4, 0, 0)}),
          zbx_panel_item({zbx_panel_def(2, 0, 0)}), zbx_panel_item({hidden}), zbx_panel_item({}),
          zbx_panel_item({zbx_object_def(5, 0, 0)}), zbx_object_item(zbx_test_record(1, 1)),
          zbx_panel_item({})});
    EXPECT_TRUE(doc.would_loop(3, 0));
    EXPECT_TRUE(doc.would_loop(3, 1));
    EXPECT_TRUE(doc.would_loop(2, 2));
    EXPECT_FALSE(doc.would_loop(0, 3));
    EXPECT_FALSE(doc.would_loop(4, 1));
    EXPECT_FALSE(doc.would_loop(6, 0));
    EXPECT_FALSE(doc.would_loop(4, 5)); // an object never loops
    EXPECT_FALSE(doc.has_loop());
    {
        DocumentStep step(doc, "Loop");
        doc.insert_def(3, 0, zbx_panel_def(0, 0, 0));
    }
    EXPECT_TRUE(doc.has_loop());
    EXPECT_EQ(references_find_loops(doc.project()), (std::vector<std::vector<int>>{{0, 1, 2, 3}}));
}

TEST_F(DocumentSteps, APanelOnALoopHasTheBoxOfWhatItDrawsAsARootAndIsNeverPassedOver)
{
    // Panels 1 and 2 place each other. Drawn as a root, panel 2 draws panel
    // 1 and its object; so does panel 3, which places panel 2.
    load({zbx_object_item(zbx_test_record(1, 1, 5)),
          zbx_panel_item({zbx_object_def(0, -100, 0), zbx_panel_def(2, 0, 0)}),
          zbx_panel_item({zbx_panel_def(1, 200, 0)}), zbx_panel_item({zbx_panel_def(2, 0, 0)})});
    // (A box reaches from its panel's origin at least.)
    EXPECT_EQ(box(1), (std::vector<int>{-100, 0, 100, 8}));
    EXPECT_EQ(box(2), (std::vector<int>{100, 0, 100, 8}));
    EXPECT_EQ(box(3), (std::vector<int>{100, 0, 100, 8}));
    ZbxRect exact{};
    EXPECT_TRUE(doc.panel_box_exact(2, &exact));
    // Wherever the panels are drawn from, the composition that passes by
    // placements outside the area by their boxes draws what the reference
    // does.
    for (int top : {1, 2, 3}) {
        SCOPED_TRACE(top);
        DocumentSource source(doc, doc.panel_defs(top));
        ComposeBuffers fast;
        ComposeBuffers reference;
        compose_panel(source, top, 6, fast);
        compose_reference(source, top, 6, reference);
        EXPECT_EQ(fast.bitmap, reference.bitmap);
        EXPECT_EQ(fast.screen, reference.screen);
        EXPECT_EQ(fast.colour, reference.colour);
        EXPECT_EQ(fast.colour[12] != 0, top != 1); // the object at 100, 0
    }
}

TEST_F(DocumentSteps, ObjectImagesFollowTheirItemsThroughDeletesAndUndo)
{
    // Images are drawn when first asked for: whenever that is, each shows
    // the record of the item now at its index.
    load({zbx_object_item(zbx_test_record(1, 2)), zbx_panel_item({}),
          zbx_object_item(zbx_test_record(3, 1)), zbx_object_item({0x11, 1})});
    auto size = [this](int index) {
        GdkPixbuf *image = doc.object_image(index);
        return image == nullptr
                   ? std::vector<int>{}
                   : std::vector<int>{gdk_pixbuf_get_width(image), gdk_pixbuf_get_height(image)};
    };
    EXPECT_EQ(doc.item_kind(3), ZbxItemKind::Empty); // a record too short is dropped
    EXPECT_EQ(size(1), std::vector<int>{});
    EXPECT_EQ(size(2), std::vector<int>({24, 8}));
    {
        DocumentStep step(doc, "Delete object 0");
        doc.delete_item(0);
    }
    EXPECT_EQ(size(1), std::vector<int>({24, 8}));
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(size(0), std::vector<int>({8, 16}));
    EXPECT_EQ(size(2), std::vector<int>({24, 8}));
}

// Every panel of the largest file reads as its own copy of one long list:
// about 5.5 million placements. A step keeps only what it changed; undo and
// redo give back exactly what was there.
TEST_F(DocumentSteps, HistoryOfTheLargestProjectKeepsOnlyWhatStepsChanged)
{
    ASSERT_TRUE(zbx_bench_load(doc, zbx_shared_list_project()));
    ASSERT_EQ(doc.count_panels(), 254);
    const size_t per_panel = doc.panel_defs(1).size();
    ASSERT_GT(per_panel * 254, size_t{5'400'000});
    const ZbxProject before = doc.project();

    {
        DocumentStep step(doc, "Move placement");
        ASSERT_TRUE(doc.set_def(7, 3, zbx_object_def(0, 200, 64)));
    }
    {
        DocumentStep step(doc, "Delete placement");
        ASSERT_TRUE(doc.remove_def(9, 0));
    }
    // Two panels' lists apart from the present, not the whole project.
    EXPECT_LT(doc.history_bytes(), 3 * per_panel * sizeof(PanelDef));
    ZbxProject after = doc.project();

    ASSERT_TRUE(doc.undo());
    ASSERT_TRUE(doc.undo());
    EXPECT_TRUE(doc.project() == before);
    EXPECT_LT(doc.history_bytes(), 3 * per_panel * sizeof(PanelDef));
    ASSERT_TRUE(doc.redo());
    ASSERT_TRUE(doc.redo());
    EXPECT_TRUE(doc.project() == after);
    EXPECT_FALSE(doc.history_trimmed());

    // Deleting an item renumbers every list that names a later item: those
    // change, the rest stay shared.
    {
        DocumentStep step(doc, "Delete panel 254");
        ASSERT_TRUE(doc.delete_item(254));
    }
    EXPECT_LT(doc.history_bytes(), 4 * per_panel * sizeof(PanelDef));
    ASSERT_TRUE(doc.undo());
    EXPECT_TRUE(doc.project() == after);
}

TEST_F(DocumentSteps, AHistoryOverItsBoundDropsItsOldestStepsAndSaysSoOnce)
{
    load({zbx_object_item(zbx_test_record(1, 1)), zbx_panel_item({}), zbx_panel_item({})});
    int history_events = 0;
    doc.add_listener(
        [&](const DocEvent &event) { history_events += event.what == DocChange::HistoryChanged; });
    // Room for about three steps that each replace a list of 100 placements.
    doc.set_history_limit(3 * 100 * sizeof(PanelDef) + 1000);
    for (int n = 0; n < 8; n++) {
        DocumentStep step(doc, "Fill");
        ASSERT_TRUE(
            doc.set_defs(1 + n % 2, std::vector<PanelDef>(100, zbx_object_def(0, 8 * n, 0))));
    }
    EXPECT_TRUE(doc.history_trimmed());
    EXPECT_LE(doc.history_bytes(), 3 * 100 * sizeof(PanelDef) + 1000);
    int steps = 0;
    while (doc.undo()) {
        steps++;
    }
    EXPECT_GE(steps, 2);
    EXPECT_LT(steps, 8);
    // The oldest steps are gone: undo ends at a later state, not the empty
    // panels the project began with.
    EXPECT_FALSE(doc.panel_defs(1).empty() && doc.panel_defs(2).empty());
    EXPECT_GT(history_events, 8);

    // A single step larger than the bound is still kept.
    doc.set_history_limit(10);
    {
        DocumentStep step(doc, "Empty");
        ASSERT_TRUE(doc.set_defs(1, {}));
    }
    EXPECT_TRUE(doc.can_undo());
    doc.load(doc.project());
    EXPECT_FALSE(doc.history_trimmed());
}

TEST_F(DocumentSteps, AnObjectReplacedInPlaceKeepsItsIndexAndEveryPlacement)
{
    load({zbx_object_item(zbx_test_record(2, 1)), zbx_object_item(zbx_test_record(1, 1)),
          zbx_panel_item({zbx_object_def(0, 8, 16), zbx_object_def(1, 0, 0),
                          zbx_object_def(0, 40, 0, true)})});
    const std::vector<PanelDef> placements(doc.panel_defs(2).begin(), doc.panel_defs(2).end());
    const std::vector<uint8_t> before(doc.object_record(0).begin(), doc.object_record(0).end());
    std::vector<int> reports;
    doc.add_listener([&](const DocEvent &event) {
        if (event.what == DocChange::Reset) {
            // Nothing moved: every view keeps its item.
            reports.push_back(document_follow_index(event, 1));
        }
    });

    // Larger, then smaller, from a picture's cells.
    std::vector<uint8_t> hires(kHiresDataSize);
    for (size_t i = 0; i < hires.size(); i++) {
        hires[i] = static_cast<uint8_t>(i * 7);
    }
    const HiresData picture =
        hiresdecoder_hires_areas(std::span<const uint8_t, kHiresDataSize>(hires));
    int w = 0;
    int h = 0;
    for (ZbxRect region : {ZbxRect{8, 16, 40, 24}, ZbxRect{0, 0, 8, 8}}) {
        GErrorPtr error;
        ASSERT_TRUE(itemwrapper_replace_object(doc, 0, picture, -1, region, error.out()));
        EXPECT_STREQ(doc.undo_name(), "Replace object 0");
        ASSERT_TRUE(doc.object_size(0, &w, &h));
        EXPECT_EQ(std::pair(w, h), std::pair(region.width, region.height));
        EXPECT_EQ(gdk_pixbuf_get_width(doc.object_image(0)), region.width);
        EXPECT_EQ(std::vector<PanelDef>(doc.panel_defs(2).begin(), doc.panel_defs(2).end()),
                  placements);
        EXPECT_EQ(box(2)[2], 40 + region.width);
    }
    EXPECT_EQ(reports, (std::vector<int>{1, 1}));
    ASSERT_TRUE(doc.undo());
    ASSERT_TRUE(doc.undo());
    EXPECT_TRUE(std::ranges::equal(doc.object_record(0), before));
    EXPECT_EQ(box(2)[2], 56);
    ASSERT_TRUE(doc.redo());
    ASSERT_TRUE(doc.object_size(0, &w, &h));
    EXPECT_EQ(w, 40);

    // Refused: no object there, a region that is no whole cells; nothing
    // changes.
    GErrorPtr error;
    EXPECT_FALSE(itemwrapper_replace_object(doc, 2, picture, -1, {0, 0, 8, 8}, error.out()));
    EXPECT_EQ(std::string(error.message()), "Invalid object");
    EXPECT_FALSE(itemwrapper_replace_object(doc, 1, picture, -1, {3, 0, 8, 8}, nullptr));
    EXPECT_STREQ(doc.redo_name(), "Replace object 0");
}
