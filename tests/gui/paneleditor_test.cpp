// The panel editor's model, without a window: moves and their limits,
// cloning, deletion, drawing order, flags and undo steps. (Clicking,
// dragging and inserting with real events: tests/e2e/edit_panel.sh.)
#include <gtest/gtest.h>

#include "editor/paneleditor.h"
#include "support/items_fixture.h"
#include "support/project.h"

namespace {

constexpr int kNoOverrides[3] = {0, 0, 0};

// Item 0: object 3 x 2 cells (24 x 16), 1: object 1 x 1, 2: object 2 x 2,
// 3: the panel edited, 4: a panel placing object 1 at (312, 0), 5: panel 15
// cells wide, 6: panel placing panel 3.
ZbxProject editor_project()
{
    ZbxProject p;
    p.items = {zbx_object_item(zbx_test_record(3, 2, 1)),
               zbx_object_item(zbx_test_record(1, 1, 2)),
               zbx_object_item(zbx_test_record(2, 2, 3)),
               zbx_panel_item({}),
               zbx_panel_item({zbx_object_def(0, 312, 0)}),
               zbx_panel_item({zbx_object_def(0, 0, 0), zbx_object_def(0, 296, 0)}),
               zbx_panel_item({zbx_panel_def(3, 0, 0)})};
    return p;
}

class EditorModel : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        doc.load(editor_project());
        editor.open(3, 6);
    }
    void place(std::vector<PanelDef> list)
    {
        DocumentStep step(doc, "Set up");
        doc.set_defs(3, std::move(list));
    }
    PanelDef at(int row) const { return doc.panel_defs(3)[row]; }
    std::vector<int> placed_items(int panel) const
    {
        std::vector<int> items;
        for (const PanelDef &def : doc.panel_defs(panel)) {
            items.push_back(def.item);
        }
        return items;
    }

    Document doc;
    PanelEditor editor{doc};
};

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

} // namespace
