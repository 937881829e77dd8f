// The panel editor's state and operations, without a window: moves and
// their limits, cloning, deletion, drawing order, flags and undo steps. (Clicking, dragging and
// inserting with real events: tests/e2e/edit_panel.sh.)
#include <gtest/gtest.h>

#include "app/context.h"
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

class PanelEditor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        app_context_reset();
        paneleditor_module_init();
        paneleditor_set_stop_asking(false);
        app_document().load(editor_project());
        paneleditor_on_panel_edit_clicked(3, 6);
    }
    void TearDown() override
    {
        paneleditor_cleanup();
        paneleditor_set_stop_asking(false);
        app_context_reset();
    }
    static void place(std::vector<PanelDef> list)
    {
        DocumentStep step(app_document(), "Set up");
        app_document().set_defs(3, std::move(list));
    }
    static std::vector<PanelDef> placed()
    {
        auto d = app_document().panel_defs(3);
        return {d.begin(), d.end()};
    }
    static PanelDef at(int row) { return app_document().panel_defs(3)[row]; }
    static std::vector<int> placed_items(int panel)
    {
        std::vector<int> items;
        for (const PanelDef &def : app_document().panel_defs(panel)) {
            items.push_back(def.item);
        }
        return items;
    }
    static void add(int object)
    {
        ASSERT_TRUE(paneleditor_add_object_at_current_iter(object, false, false, 0, kNoOverrides));
    }
};

TEST_F(PanelEditor, MovesStopAtTheAreaAndAtWhatTheFileHolds)
{
    place({zbx_object_def(1, 312, 0), zbx_object_def(2, -8, 0)});
    paneleditor_select_row(0);
    EXPECT_FALSE(paneleditor_item_move(8, 0));
    paneleditor_select_row(1);
    EXPECT_FALSE(paneleditor_item_move(-8, 0));
    // Each axis on its own: the vertical part still moves.
    EXPECT_TRUE(paneleditor_item_move(-8, 8));
    EXPECT_EQ(at(1), zbx_object_def(2, -8, 8));
    EXPECT_EQ(at(0).x, 312);

    // A placement as wide as the screen stays in view far out, but the file
    // holds x only in -112..392 and y in -112..136.
    place({zbx_panel_def(5, -104, 128)});
    paneleditor_select_row(0);
    EXPECT_TRUE(paneleditor_item_move(-8, 8));
    EXPECT_FALSE(paneleditor_item_move(-8, 8));
    EXPECT_EQ(at(0), zbx_panel_def(5, -112, 136));
    EXPECT_TRUE(paneleditor_axis_move_allowed(true, 384, -100, 320, 8));
    EXPECT_FALSE(paneleditor_axis_move_allowed(true, 392, -92, 320, 8));
}

TEST_F(PanelEditor, DragMovesInWholeCellsAsOneStep)
{
    place({zbx_object_def(1, 80, 40)});
    paneleditor_select_row(0);
    EXPECT_EQ(paneleditor_motion_handler(100, 60), 0); // the anchor
    EXPECT_EQ(paneleditor_motion_handler(107, 60), 0);
    EXPECT_EQ(paneleditor_motion_handler(115, 77), 1); // 15 and 17 pixels: one and two cells
    EXPECT_EQ(at(0), zbx_object_def(1, 88, 56));
    paneleditor_motion_handler_reset();
    EXPECT_FALSE(paneleditor_is_dragging());
    ASSERT_TRUE(app_document().undo());
    EXPECT_EQ(at(0), zbx_object_def(1, 80, 40));
    EXPECT_STREQ(app_document().undo_name(), "Set up");
}

TEST_F(PanelEditor, DeleteSelectsTheFollowerAndYesForAllLasts)
{
    place({zbx_object_def(0, 0, 0), zbx_object_def(1, 8, 0), zbx_object_def(2, 16, 0)});
    paneleditor_select_row(1);
    ASSERT_TRUE(paneleditor_delete_def());
    EXPECT_EQ(paneleditor_selected_item(), 2);
    ASSERT_TRUE(paneleditor_delete_def());
    EXPECT_FALSE(paneleditor_is_item_selected());
    // Yes for all: no more questions, also after the editor was closed.
    int asked = 0;
    auto answer = [&asked](DeleteAnswer a) {
        return [&asked, a] {
            asked++;
            return a;
        };
    };
    paneleditor_select_row(0);
    EXPECT_FALSE(paneleditor_delete_with_confirmation(answer(DeleteAnswer::No)));
    EXPECT_TRUE(paneleditor_delete_with_confirmation(answer(DeleteAnswer::YesForAll)));
    paneleditor_reset_environment();
    paneleditor_on_panel_edit_clicked(5, 0);
    paneleditor_select_row(0);
    EXPECT_TRUE(paneleditor_delete_with_confirmation(answer(DeleteAnswer::No)));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(placed_items(5), (std::vector<int>{0}));
}

TEST_F(PanelEditor, DrawingOrderStopsAtBothEnds)
{
    place({zbx_object_def(0, 0, 0), zbx_object_def(1, 8, 0), zbx_object_def(2, 16, 0)});
    paneleditor_select_row(2);
    EXPECT_FALSE(paneleditor_bring_def_to_front() || paneleditor_move_def_closer());
    paneleditor_select_row(0);
    EXPECT_FALSE(paneleditor_move_def_to_back() || paneleditor_move_def_farther());
    EXPECT_TRUE(paneleditor_move_def_closer() && paneleditor_bring_def_to_front());
    EXPECT_EQ(placed_items(3), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(paneleditor_selected_row(), 2);
    EXPECT_TRUE(paneleditor_move_def_farther() && paneleditor_move_def_to_back());
    EXPECT_EQ(at(0), zbx_object_def(0, 0, 0));
    EXPECT_EQ(paneleditor_selected_row(), 0);
}

TEST_F(PanelEditor, CloneAndFlags)
{
    PanelDef source = zbx_object_def(0, 16, 40, true, {0x52, 0x75});
    source.enabled = false;
    place({source, zbx_panel_def(4, 0, 0)});
    paneleditor_select_row(0);
    ASSERT_TRUE(paneleditor_clone_def());
    PanelDef want = source;
    want.enabled = true;
    want.x = 24;
    want.y = 48;
    EXPECT_EQ(at(1), want);
    EXPECT_EQ(paneleditor_selected_row(), 1);
    EXPECT_STREQ(app_document().undo_name(), "Clone placement");

    // Mirror and overrides mean nothing for a panel placement.
    const PanelDef panel_row = at(2);
    EXPECT_FALSE(paneleditor_toggle(2, EditorFlag::Mirror));
    EXPECT_FALSE(paneleditor_toggle(2, EditorFlag::Overrides));
    EXPECT_EQ(at(2), panel_row);
    EXPECT_TRUE(paneleditor_toggle(2, EditorFlag::Enabled));
    EXPECT_FALSE(at(2).enabled);
    // Overrides switched off and on again keep their colours.
    EXPECT_TRUE(paneleditor_toggle(1, EditorFlag::Overrides));
    EXPECT_TRUE(paneleditor_toggle(1, EditorFlag::Overrides));
    EXPECT_EQ(at(1), want);
}

TEST_F(PanelEditor, NestedPanelIsFoundWhereItsContentWasMovedTo)
{
    place({zbx_object_def(1, 0, 0)});
    // Panel 6 places panel 3; its content moves in panel 3's own editor.
    paneleditor_select_row(0);
    for (int i = 0; i < 25; i++) {
        paneleditor_item_move(8, 0);
    }
    paneleditor_item_move(0, 96);
    paneleditor_reset_environment();
    paneleditor_on_panel_edit_clicked(6, 0);
    paneleditor_button_press(204, 100);
    EXPECT_EQ(paneleditor_selected_item(), 3);
}

TEST_F(PanelEditor, UndoAndRedoKeepTheSelection)
{
    place({zbx_object_def(0, 0, 0), zbx_object_def(1, 8, 0)});
    paneleditor_select_row(1);
    ASSERT_TRUE(paneleditor_item_move(8, 0));
    ASSERT_TRUE(app_document().undo());
    EXPECT_EQ(at(1).x, 8);
    EXPECT_EQ(paneleditor_selected_row(), 1);
    ASSERT_TRUE(app_document().redo());
    EXPECT_EQ(at(1).x, 16);
    EXPECT_EQ(paneleditor_selected_row(), 1);
    // A row that the undo took away is no longer selected.
    add(2);
    ASSERT_EQ(paneleditor_selected_row(), 2);
    ASSERT_TRUE(app_document().undo());
    EXPECT_FALSE(paneleditor_is_item_selected());
}

} // namespace
