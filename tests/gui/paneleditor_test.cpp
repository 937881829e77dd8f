// The panel editor's model, without a window: with one placement selected,
// moves and their limits, cloning, deletion, drawing order, flags and undo
// steps; with several, how the selection grows, what the left button does,
// and every operation on them as one step (moves, deletion, drawing order,
// flags, cloning, pasting, duplicating and dropping; their refusals, from
// the window: EditorSelection). (Clicking, dragging and inserting with real
// events: tests/e2e/edit_panel.sh.)
#include <gtest/gtest.h>

#include "base/error.h"
#include "base/gref.h"
#include "editor/paneleditor.h"
#include "support/items_fixture.h"
#include "support/project.h"

namespace {

constexpr int kNoOverrides[3] = {0, 0, 0};

// A document, and the model open on one of its panels.
class EditorOnAPanel : public ::testing::Test
{
  protected:
    void start(const ZbxProject &project, int panel, int colour)
    {
        doc.load(project);
        edited = panel;
        editor.open(panel, colour);
    }
    // The edited panel's placements, set as a step of their own.
    void place(std::vector<PanelDef> list)
    {
        DocumentStep step(doc, "Set up");
        doc.set_defs(edited, std::move(list));
    }
    PanelDef at(int row) const { return doc.panel_defs(edited)[row]; }
    std::vector<PanelDef> defs() const
    {
        const auto d = doc.panel_defs(edited);
        return {d.begin(), d.end()};
    }

    Document doc;
    PanelEditor editor{doc};
    int edited = -1;
};

// Item 0: object 3 x 2 cells (24 x 16), 1: object 1 x 1, 2: object 2 x 2,
// 3: the panel edited, 4: a panel placing object 1 at (312, 0), 5: panel 15
// cells wide, 6: panel placing panel 3.
class EditorModel : public EditorOnAPanel
{
  protected:
    void SetUp() override
    {
        ZbxProject p;
        p.items = {zbx_object_item(zbx_test_record(3, 2, 1)),
                   zbx_object_item(zbx_test_record(1, 1, 2)),
                   zbx_object_item(zbx_test_record(2, 2, 3)),
                   zbx_panel_item({}),
                   zbx_panel_item({zbx_object_def(0, 312, 0)}),
                   zbx_panel_item({zbx_object_def(0, 0, 0), zbx_object_def(0, 296, 0)}),
                   zbx_panel_item({zbx_panel_def(3, 0, 0)})};
        start(p, 3, 6);
    }
    std::vector<int> placed_items(int panel) const
    {
        std::vector<int> items;
        for (const PanelDef &def : doc.panel_defs(panel)) {
            items.push_back(def.item);
        }
        return items;
    }
};

// Item 0: object 2 x 2 cells, 1: object 1 x 1, 2: the panel edited, 3: a
// panel placing object 1 at (16, 8), 4: a panel placing panel 2.
class EditorGroup : public EditorOnAPanel
{
  protected:
    void SetUp() override
    {
        ZbxProject p;
        p.items = {zbx_object_item(zbx_test_record(2, 2, 1)),
                   zbx_object_item(zbx_test_record(1, 1, 2)), zbx_panel_item({}),
                   zbx_panel_item({zbx_object_def(1, 16, 8)}),
                   zbx_panel_item({zbx_panel_def(2, 0, 0)})};
        start(p, 2, 0);
        // Rows 0..4: objects at (0, 0), (40, 0), (80, 0), (120, 0), (160, 0).
        place({zbx_object_def(0, 0, 0), zbx_object_def(1, 40, 0), zbx_object_def(0, 80, 0),
               zbx_object_def(1, 120, 0), zbx_object_def(0, 160, 0)});
    }
    std::vector<int> xs() const
    {
        std::vector<int> x;
        for (const PanelDef &def : doc.panel_defs(edited)) {
            x.push_back(def.x);
        }
        return x;
    }
    void select(std::vector<int> rows) { editor.set_selection(std::move(rows), -1); }
    const std::vector<int> &rows() const { return editor.selected_rows(); }
};

} // namespace

TEST_F(EditorModel, MovesStopAtTheAreaAndAtWhatTheFileHolds)
{
    place({zbx_object_def(1, 312, 0), zbx_object_def(2, -8, 0)});
    editor.select_row(0);
    EXPECT_FALSE(editor.move(8, 0));
    editor.select_row(1);
    EXPECT_FALSE(editor.move(-8, 0));
    // Each axis on its own: the vertical part still moves.
    EXPECT_TRUE(editor.move(-8, 8));
    EXPECT_EQ(at(1), zbx_object_def(2, -8, 8));
    EXPECT_EQ(at(0).x, 312);

    // A placement as wide as the screen stays in view far out, but the file
    // holds x only in -112..392 and y in -112..136.
    place({zbx_panel_def(5, -104, 128)});
    editor.select_row(0);
    EXPECT_TRUE(editor.move(-8, 8));
    EXPECT_FALSE(editor.move(-8, 8));
    EXPECT_EQ(at(0), zbx_panel_def(5, -112, 136));
    EXPECT_TRUE(paneleditor_axis_move_allowed(true, 384, -100, 320, 8));
    EXPECT_FALSE(paneleditor_axis_move_allowed(true, 392, -92, 320, 8));
}

TEST_F(EditorModel, DragMovesInWholeCellsAsOneStep)
{
    place({zbx_object_def(1, 80, 40)});
    editor.select_row(0);
    EXPECT_FALSE(editor.drag_to(100, 60)); // the anchor
    EXPECT_FALSE(editor.drag_to(107, 60));
    EXPECT_TRUE(editor.drag_to(115, 77)); // 15 and 17 pixels: one and two cells
    EXPECT_EQ(at(0), zbx_object_def(1, 88, 56));
    EXPECT_TRUE(editor.dragging());
    editor.end_drag();
    EXPECT_FALSE(editor.dragging());
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(at(0), zbx_object_def(1, 80, 40));
    EXPECT_STREQ(doc.undo_name(), "Set up");
}

TEST_F(EditorModel, DeleteSelectsTheFollowerAndYesForAllLastsForTheEditorsLife)
{
    place({zbx_object_def(0, 0, 0), zbx_object_def(1, 8, 0), zbx_object_def(2, 16, 0)});
    editor.select_row(1);
    ASSERT_TRUE(editor.delete_selected());
    EXPECT_EQ(editor.selected_item(), 2);
    ASSERT_TRUE(editor.delete_selected());
    EXPECT_FALSE(editor.has_selection());

    int asked = 0;
    auto answer = [&asked](DeleteAnswer a) {
        return [&asked, a] {
            asked++;
            return a;
        };
    };
    editor.select_row(0);
    EXPECT_FALSE(editor.delete_with_confirmation(answer(DeleteAnswer::No)));
    EXPECT_TRUE(editor.delete_with_confirmation(answer(DeleteAnswer::YesForAll)));
    // No more questions, also after the editor was closed and opened on
    // another panel.
    editor.reset();
    editor.open(5, 0);
    editor.select_row(0);
    EXPECT_TRUE(editor.delete_with_confirmation(answer(DeleteAnswer::No)));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(placed_items(5), (std::vector<int>{0}));
    // Another editor asks again.
    PanelEditor other(doc);
    other.open(5, 0);
    other.select_row(0);
    EXPECT_FALSE(other.delete_with_confirmation(answer(DeleteAnswer::No)));
    EXPECT_EQ(asked, 3);
}

TEST_F(EditorModel, DrawingOrderStopsAtBothEnds)
{
    place({zbx_object_def(0, 0, 0), zbx_object_def(1, 8, 0), zbx_object_def(2, 16, 0)});
    editor.select_row(2);
    EXPECT_FALSE(editor.bring_to_front() || editor.move_closer());
    editor.select_row(0);
    EXPECT_FALSE(editor.move_to_back() || editor.move_farther());
    EXPECT_TRUE(editor.move_closer() && editor.bring_to_front());
    EXPECT_EQ(placed_items(3), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(editor.selected_row(), 2);
    EXPECT_TRUE(editor.move_farther() && editor.move_to_back());
    EXPECT_EQ(at(0), zbx_object_def(0, 0, 0));
    EXPECT_EQ(editor.selected_row(), 0);
}

TEST_F(EditorModel, CloneAndFlags)
{
    PanelDef source = zbx_object_def(0, 16, 40, true, {0x52, 0x75});
    source.enabled = false;
    place({source, zbx_panel_def(4, 0, 0)});
    editor.select_row(0);
    ASSERT_TRUE(editor.clone());
    PanelDef want = source;
    want.enabled = true;
    want.x = 24;
    want.y = 48;
    EXPECT_EQ(at(1), want);
    EXPECT_EQ(editor.selected_row(), 1);
    EXPECT_STREQ(doc.undo_name(), "Clone placement");

    // Mirror and overrides mean nothing for a panel placement.
    const PanelDef panel_row = at(2);
    EXPECT_FALSE(editor.toggle(2, EditorFlag::Mirror));
    EXPECT_FALSE(editor.toggle(2, EditorFlag::Overrides));
    EXPECT_EQ(at(2), panel_row);
    EXPECT_TRUE(editor.toggle(2, EditorFlag::Enabled));
    EXPECT_FALSE(at(2).enabled);
    // Overrides switched off and on again keep their colours.
    EXPECT_TRUE(editor.toggle(1, EditorFlag::Overrides));
    EXPECT_TRUE(editor.toggle(1, EditorFlag::Overrides));
    EXPECT_EQ(at(1), want);
}

TEST_F(EditorModel, CloningAPanelPlacementIsOneCloneStep)
{
    place({zbx_object_def(1, 0, 0), zbx_panel_def(4, 16, 8)});
    editor.select_row(1);
    ASSERT_TRUE(editor.clone());
    EXPECT_EQ(at(2), zbx_panel_def(4, 0, 0));
    EXPECT_EQ(editor.selected_row(), 2);
    EXPECT_STREQ(doc.undo_name(), "Clone placement");
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(placed_items(3), (std::vector<int>{1, 4}));
    EXPECT_STREQ(doc.undo_name(), "Set up");
}

TEST_F(EditorModel, NestedPanelIsFoundWhereItsContentWasMovedTo)
{
    place({zbx_object_def(1, 0, 0)});
    // Panel 6 places panel 3; its content moves in panel 3's own editor.
    editor.select_row(0);
    for (int i = 0; i < 25; i++) {
        editor.move(8, 0);
    }
    editor.move(0, 96);
    editor.reset();
    editor.open(6, 0);
    editor.click_at(204, 100);
    EXPECT_EQ(editor.selected_item(), 3);
}

TEST_F(EditorModel, UndoAndRedoKeepTheSelection)
{
    place({zbx_object_def(0, 0, 0), zbx_object_def(1, 8, 0)});
    editor.select_row(1);
    ASSERT_TRUE(editor.move(8, 0));
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(at(1).x, 8);
    EXPECT_EQ(editor.selected_row(), 1);
    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(at(1).x, 16);
    EXPECT_EQ(editor.selected_row(), 1);
    // A row that the undo took away is no longer selected.
    ASSERT_TRUE(editor.add_object(2, false, false, 0, kNoOverrides));
    ASSERT_EQ(editor.selected_row(), 2);
    ASSERT_TRUE(doc.undo());
    EXPECT_FALSE(editor.has_selection());
}

TEST_F(EditorGroup, SelectionGrowsByToggleRangeAllAndBand)
{
    editor.select_row(1);
    editor.toggle_row(3);
    EXPECT_EQ(rows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(editor.selected_row(), -1);
    EXPECT_EQ(editor.selected_item(), -1);
    editor.toggle_row(1);
    EXPECT_EQ(editor.selected_row(), 3);
    // Shift from the anchor (the row last toggled), Control+Shift adding.
    editor.extend_to(4, false);
    EXPECT_EQ(rows(), (std::vector<int>{1, 2, 3, 4}));
    editor.select_row(0);
    editor.extend_to(1, false);
    editor.toggle_row(4);
    editor.extend_to(3, true);
    EXPECT_EQ(rows(), (std::vector<int>{0, 1, 3, 4}));
    editor.select_all();
    EXPECT_EQ(rows().size(), 5u);

    // A band from (50, 20) to (85, 10) touches row 2 (80..95 x 0..15), not
    // row 1 (40..47 x 0..7); one to (47, 7) touches row 1's last pixel.
    editor.press(50, 20, false, false);
    EXPECT_FALSE(editor.has_selection());
    EXPECT_FALSE(editor.pointer_to(55, 23)); // still in the cell: a click
    EXPECT_FALSE(editor.band());
    EXPECT_TRUE(editor.pointer_to(85, 10));
    EXPECT_EQ(rows(), std::vector<int>{2});
    EXPECT_TRUE(editor.pointer_to(47, 7));
    EXPECT_EQ(rows(), (std::vector<int>{1}));
    editor.release();
    EXPECT_FALSE(editor.band());
}

TEST_F(EditorGroup, APressOnTheSelectionReleasedInItsCellCyclesAsAPlainClick)
{
    // Row 4 lies under row 3 as well now.
    place({zbx_object_def(0, 0, 0), zbx_object_def(1, 40, 0), zbx_object_def(0, 80, 0),
           zbx_object_def(0, 120, 0), zbx_object_def(1, 120, 0)});
    select({1, 3});
    // The first placement under it, then the next, without wrapping round.
    editor.press(122, 2, false, false);
    editor.pointer_to(123, 3);
    editor.release();
    EXPECT_EQ(rows(), std::vector<int>{3});
    for (int i = 0; i < 2; i++) {
        editor.press(122, 2, false, false);
        editor.release();
        EXPECT_EQ(rows(), std::vector<int>{4});
    }
    // A click elsewhere starts a cycle of its own, with no motion between.
    editor.press(2, 2, false, false);
    editor.release();
    EXPECT_EQ(rows(), std::vector<int>{0});
    EXPECT_STREQ(doc.undo_name(), "Set up");
}

TEST_F(EditorGroup, MovesDeletionAndDrawingOrderActOnTheSelectionAsOneStep)
{
    // An axis moves only when every selected placement may move along it.
    place({zbx_object_def(0, 304, 0), zbx_object_def(1, 40, 0), zbx_object_def(0, 80, 0)});
    select({0, 1});
    EXPECT_TRUE(editor.move(16, 8));
    EXPECT_EQ(xs(), (std::vector<int>{304, 40, 80}));
    EXPECT_EQ(defs()[1].y, 8);
    EXPECT_FALSE(editor.move(16, 0));
    EXPECT_STREQ(doc.undo_name(), "Move 2 placements");

    // Rows a..e; b and d go one closer, the front, the back, one farther.
    place({zbx_object_def(0, 0, 0), zbx_object_def(0, 8, 0), zbx_object_def(0, 16, 0),
           zbx_object_def(0, 24, 0), zbx_object_def(0, 32, 0)});
    select({1, 3});
    ASSERT_TRUE(editor.move_closer());
    EXPECT_EQ(xs(), (std::vector<int>{0, 16, 8, 32, 24}));
    EXPECT_EQ(rows(), (std::vector<int>{2, 4}));
    EXPECT_STREQ(doc.undo_name(), "Move 2 placements closer");
    // The one at the front stays, the other still moves.
    ASSERT_TRUE(editor.move_closer());
    EXPECT_EQ(xs(), (std::vector<int>{0, 16, 32, 8, 24}));
    ASSERT_TRUE(editor.move_to_back());
    EXPECT_EQ(xs(), (std::vector<int>{8, 24, 0, 16, 32}));
    EXPECT_EQ(rows(), (std::vector<int>{0, 1}));
    EXPECT_FALSE(editor.move_to_back() || editor.move_farther());
    ASSERT_TRUE(editor.bring_to_front());
    EXPECT_EQ(xs(), (std::vector<int>{0, 16, 32, 8, 24}));
    EXPECT_STREQ(doc.undo_name(), "Bring 2 placements to front");
    ASSERT_TRUE(editor.move_farther());
    EXPECT_EQ(xs(), (std::vector<int>{0, 16, 8, 24, 32}));

    // Deleting several: one step, the follower of the last one selected.
    select({0, 2});
    ASSERT_TRUE(editor.delete_selected());
    EXPECT_EQ(xs(), (std::vector<int>{16, 24, 32}));
    EXPECT_EQ(rows(), std::vector<int>{1});
    EXPECT_STREQ(doc.undo_name(), "Delete 2 placements");
    select({1, 2});
    ASSERT_TRUE(editor.cut());
    EXPECT_FALSE(editor.has_selection());
    EXPECT_STREQ(doc.undo_name(), "Cut 2 placements");
}

TEST_F(EditorGroup, FlagsOfOneSelectedRowGoToEverySelectedPlacementTheyApplyTo)
{
    place({zbx_object_def(0, 0, 0), zbx_panel_def(3, 0, 0), zbx_object_def(1, 0, 0, true),
           zbx_object_def(1, 8, 0)});
    select({0, 1, 2});
    ASSERT_TRUE(editor.toggle(1, EditorFlag::Enabled));
    EXPECT_STREQ(doc.undo_name(), "Disable 3 placements");
    EXPECT_FALSE(editor.toggle(1, EditorFlag::Mirror));
    ASSERT_TRUE(editor.toggle(0, EditorFlag::Mirror));
    EXPECT_STREQ(doc.undo_name(), "Mirror 2 placements");
    ASSERT_TRUE(editor.toggle(2, EditorFlag::Overrides));
    EXPECT_STREQ(doc.undo_name(), "Use colour overrides in 2 placements");
    std::vector<PanelDef> want = {zbx_object_def(0, 0, 0, true), zbx_panel_def(3, 0, 0),
                                  zbx_object_def(1, 0, 0, true), zbx_object_def(1, 8, 0)};
    for (int r = 0; r < 3; r++) {
        want[r].enabled = false;
        want[r].has_overrides = r != 1;
    }
    EXPECT_EQ(defs(), want);
    EXPECT_EQ(rows(), (std::vector<int>{0, 1, 2}));
    // A row outside the selection alone.
    ASSERT_TRUE(editor.toggle(3, EditorFlag::Enabled));
    EXPECT_FALSE(defs()[3].enabled);
    EXPECT_TRUE(defs()[0] == want[0]);
}

TEST_F(EditorGroup, PastedDuplicatedClonedAndDroppedPlacementsFollowTheSelectionSelected)
{
    const std::vector<PanelDef> group = {zbx_object_def(1, 40, 24, true), zbx_panel_def(3, 8, 16)};
    // Panel 3 draws from (24, 24): the group's box starts at (24, 24).
    select({1});
    ASSERT_TRUE(editor.paste(group, EditorPoint{103, 50}, nullptr));
    EXPECT_EQ(defs()[2], zbx_object_def(1, 112, 48, true));
    EXPECT_EQ(defs()[3], zbx_panel_def(3, 80, 40));
    EXPECT_EQ(rows(), (std::vector<int>{2, 3}));
    EXPECT_STREQ(doc.undo_name(), "Paste 2 placements");
    // Where they were, at the end when nothing is selected.
    select({});
    ASSERT_TRUE(editor.paste(group, std::nullopt, nullptr));
    EXPECT_EQ(defs()[7], group[0]);
    EXPECT_EQ(rows(), (std::vector<int>{7, 8}));
    // Too far right for the object: that axis stays where they were.
    ASSERT_TRUE(editor.paste(group, EditorPoint{319, 0}, nullptr));
    EXPECT_EQ(defs()[9], zbx_object_def(1, 40, 0, true));

    place({zbx_object_def(0, 0, 0), zbx_object_def(1, 312, 8)});
    select({0, 1});
    ASSERT_TRUE(editor.duplicate());
    EXPECT_EQ(xs(), (std::vector<int>{0, 312, 0, 312}));
    EXPECT_EQ(defs()[3].y, 16);
    EXPECT_EQ(rows(), (std::vector<int>{2, 3}));
    EXPECT_STREQ(doc.undo_name(), "Duplicate 2 placements");
    // Clones of several keep their places among each other: the box's
    // top-left onto its centre.
    PanelDef off = zbx_object_def(0, 8, 0);
    off.enabled = false;
    place({off, zbx_object_def(1, 32, 16)});
    select({0, 1});
    ASSERT_TRUE(editor.clone());
    EXPECT_EQ(defs()[2], zbx_object_def(0, 24, 8));
    EXPECT_EQ(defs()[3], zbx_object_def(1, 48, 24));
    EXPECT_STREQ(doc.undo_name(), "Clone 2 placements");

    // A dropped panel's drawing starts at the cell under the pointer.
    select({0});
    GErrorPtr error;
    ASSERT_TRUE(editor.drop(false, 3, 45, 21, error.out()));
    EXPECT_EQ(defs()[1], zbx_panel_def(3, 24, 8));
    EXPECT_EQ(rows(), std::vector<int>{1});
    EXPECT_STREQ(doc.undo_name(), "Drop placement");
}
