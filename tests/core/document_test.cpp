// The document: boxes kept right after every change, changes only through
// its functions and only inside steps, and undo and redo of whole steps.
#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

#include "files/zembrix_format.h"
#include "items/document.h"
#include "render/render.h"
#include "support/items_fixture.h"
#include "support/project.h"

namespace {

// The project is readable by anyone and writable only through the
// document's functions.
static_assert(std::is_const_v<std::remove_reference_t<decltype(document_project())>>);
static_assert(std::is_same_v<decltype(document_panel_defs(0)), std::span<const PanelDef>>);

std::vector<uint8_t> written()
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(zembrix_encode(document_project(), &bytes, nullptr));
    return bytes;
}

using Document = ZbxModulesTest;

} // namespace

TEST_F(Document, BoxesCoverWhatPanelsPlaceAndFollowEdits)
{
    // 0: object 16 x 8; 1: panel placing panel 3 (higher index) and an empty
    // panel 2; 3: panel placing object 0 and itself (a loop).
    ZbxProject project;
    project.items = {zbx_object_item(zbx_test_record(2, 1)),
                     zbx_panel_item({zbx_panel_def(3, 8, 16), zbx_panel_def(2, 200, 100)}),
                     zbx_panel_item({}),
                     zbx_panel_item({zbx_object_def(0, 40, 0), zbx_panel_def(3, 0, 0)})};
    document_load(project);
    EXPECT_EQ(zbx_test_box(3), (std::vector<int>{40, 0, 16, 8}));
    EXPECT_EQ(zbx_test_box(1), (std::vector<int>{48, 16, 16, 8}));
    EXPECT_EQ(zbx_test_box(2), (std::vector<int>{320, 144, -320, -144}));

    // Moving the object inside panel 3 moves the box of panel 1 with it.
    {
        DocumentStep step("Move");
        document_set_def(3, 0, zbx_object_def(0, 64, 8));
    }
    EXPECT_EQ(zbx_test_box(1), (std::vector<int>{72, 24, 16, 8}));
    ASSERT_TRUE(document_undo());
    EXPECT_EQ(zbx_test_box(1), (std::vector<int>{48, 16, 16, 8}));
}

TEST_F(Document, BoxesOfDeeplySharedPanelsCostWhatTheGraphHas)
{
    // A ladder of 200 panels, each placing the next one twice: walked in
    // full it would visit 2^200 placements.
    ZbxProject project;
    project.items.push_back(zbx_object_item(zbx_test_record(1, 1)));
    for (int p = 1; p <= 200; p++) {
        project.items.push_back(
            p == 200 ? zbx_panel_item({zbx_object_def(0, 0, 0)})
                     : zbx_panel_item({zbx_panel_def(p + 1, 0, 0), zbx_panel_def(p + 1, 8, 0)}));
    }
    document_load(project);
    EXPECT_EQ(zbx_test_box(200), (std::vector<int>{0, 0, 8, 8}));
    EXPECT_EQ(zbx_test_box(190), (std::vector<int>{0, 0, 88, 8}));
}

TEST_F(Document, ChangesOutsideAStepAreRefused)
{
    zbx_test_load({zbx_panel_item({})});
#ifndef NDEBUG
    EXPECT_DEATH(document_append_panel(), "outside a recorded step");
    EXPECT_DEATH(document_set_location(0, {0, 1}), "outside a recorded step");
    EXPECT_DEATH(document_delete_item(0), "outside a recorded step");
    EXPECT_DEATH(document_insert_def(0, 0, zbx_panel_def(0, 0, 0)), "outside a recorded step");
#endif
    // A view setting is no step.
    EXPECT_TRUE(document_set_preview_colour(0, 5));
    EXPECT_FALSE(document_can_undo());
    EXPECT_FALSE(document_is_modified());
}

TEST_F(Document, EveryKindOfChangeIsOneStepThatUndoesAndRedoes)
{
    ZbxProject project;
    project.items = {zbx_object_item(zbx_test_record(1, 1)), zbx_panel_item({}),
                     zbx_panel_item({zbx_object_def(0, 8, 8)})};
    project.locations[3] = {2, 6};
    document_load(project);
    const ZbxProject first = document_project();

    struct Edit
    {
        const char *name;
        void (*run)();
    };
    const Edit edits[] = {
        {"Append object", [] { document_append_object(zbx_test_record(2, 2, 9)); }},
        {"Append panel", [] { document_append_panel(); }},
        {"Delete object 0", [] { document_delete_item(0); }},
        {"Store",
         [] {
             document_set_location(5, {2, 3});
         }},
        {"Replace", [] { document_set_defs(1, {zbx_panel_def(2, 16, 0)}); }},
        {"Insert", [] { document_insert_def(2, 0, zbx_object_def(0, 0, 0)); }},
        {"Remove", [] { document_remove_def(2, 0); }},
        {"Disable",
         [] {
             PanelDef def = document_panel_defs(2)[0];
             def.enabled = false;
             document_set_def(2, 0, def);
         }},
    };
    for (const Edit &edit : edits) {
        SCOPED_TRACE(edit.name);
        document_load(first);
        const std::vector<uint8_t> before = written();
        {
            DocumentStep step(edit.name);
            edit.run();
        }
        const ZbxProject after = document_project();
        EXPECT_TRUE(document_is_modified());
        EXPECT_STREQ(document_undo_name(), edit.name);
        ASSERT_TRUE(document_undo());
        EXPECT_EQ(document_project(), first);
        EXPECT_EQ(written(), before);
        EXPECT_FALSE(document_is_modified());
        ASSERT_TRUE(document_redo());
        EXPECT_EQ(document_project(), after);
        EXPECT_FALSE(document_can_redo());
    }
}

TEST_F(Document, PanelsThatReachALoopAreNeverPassedOverByTheirBox)
{
    // Panel 2's box, computed from panel 1, holds nothing (panel 1 is open
    // there); drawn from panel 3, panel 2 draws panel 1 and its object.
    ZbxProject project;
    project.items = {zbx_object_item(zbx_test_record(1, 1, 5)),
                     zbx_panel_item({zbx_object_def(0, -100, 0), zbx_panel_def(2, 0, 0)}),
                     zbx_panel_item({zbx_panel_def(1, 200, 0)}),
                     zbx_panel_item({zbx_panel_def(2, 0, 0)})};
    document_load(project);
    ZbxRect box{};
    EXPECT_FALSE(document_panel_box_exact(2, &box));
    EXPECT_FALSE(document_panel_box_exact(3, &box)); // it places one
    DocumentSource source(document_panel_defs(3));
    ComposeBuffers fast;
    ComposeBuffers reference;
    compose_panel(source, 3, 6, fast);
    compose_reference(source, 3, 6, reference);
    EXPECT_EQ(fast.bitmap, reference.bitmap);
    EXPECT_EQ(fast.screen, reference.screen);
    EXPECT_EQ(fast.colour, reference.colour);
    EXPECT_NE(fast.colour[12], 0); // the object at 100, 0
}

TEST_F(Document, ObjectImagesFollowTheirItemsThroughDeletesAndUndo)
{
    // Images are drawn when first asked for: whenever that is, each shows
    // the record of the item now at its index.
    ZbxProject project;
    project.items = {zbx_object_item(zbx_test_record(1, 2)), zbx_panel_item({}),
                     zbx_object_item(zbx_test_record(3, 1)), zbx_object_item({0x11, 1})};
    document_load(project);
    auto size = [](int index) {
        GdkPixbuf *image = document_object_image(index);
        return image == nullptr
                   ? std::vector<int>{}
                   : std::vector<int>{gdk_pixbuf_get_width(image), gdk_pixbuf_get_height(image)};
    };
    EXPECT_EQ(document_item_kind(3), ZbxItemKind::Empty); // a record too short is dropped
    EXPECT_EQ(size(1), std::vector<int>{});
    EXPECT_EQ(size(2), std::vector<int>({24, 8}));
    {
        DocumentStep step("Delete object 0");
        document_delete_item(0);
    }
    EXPECT_EQ(size(1), std::vector<int>({24, 8}));
    ASSERT_TRUE(document_undo());
    EXPECT_EQ(size(0), std::vector<int>({8, 16}));
    EXPECT_EQ(size(2), std::vector<int>({24, 8}));
}
