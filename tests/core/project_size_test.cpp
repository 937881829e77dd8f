// The project file's size against its limit: measured as the writer writes
// it, told as the status bar and load tell it, and every change that would
// take the file past the limit refused with nothing changed and nothing
// recorded.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "files/zembrix_format.h"
#include "items/itemwrapper.h"
#include "support/items_fixture.h"
#include "support/project.h"

TEST(ProjectSize, IsTheWrittenFileAgainstItsLimit)
{
    ZbxProject p;
    p.items = {
        zbx_object_item(zbx_test_record(2, 3)), zbx_panel_item({}),
        zbx_panel_item({zbx_object_def(0, 8, 8, true, {0x12, 0x34}), zbx_panel_def(1, 0, 0)})};
    std::vector<uint8_t> file;
    ASSERT_TRUE(zembrix_encode(p, &file, nullptr));
    const ProjectSize size = project_size(p);
    EXPECT_EQ(size.bytes, static_cast<long>(file.size()));
    EXPECT_EQ(size.limit, 0x7802);
    EXPECT_EQ(size.free(), 0x8000 - static_cast<long>(zembrix_data_end(p)));

    // Exactly full is still written; one byte more is not.
    ZbxProject full = zbx_nearly_full_project(0);
    EXPECT_EQ(project_size(full).free(), 0);
    EXPECT_TRUE(zembrix_encode(full, &file, nullptr));
    EXPECT_EQ(static_cast<long>(file.size()), kProjectFileLimit);
    full.items[13].defs.push_back(zbx_object_def(0, 0, 0));
    EXPECT_TRUE(project_size(full).over());
    EXPECT_FALSE(zembrix_encode(full, &file, nullptr));
}

TEST(ProjectSize, TextWarnsBelowFivePercentFree)
{
    EXPECT_EQ(project_format_count(999), "999");
    EXPECT_EQ(project_format_count(-1000000), "-1,000,000");

    EXPECT_EQ(project_size_text({18242, 30722}), "59 % used, 12,480 bytes free");
    // 5 % of 30,722 is 1,536.1: 1,537 bytes free is still no warning.
    EXPECT_EQ(project_size_text({30722 - 1537, 30722}), "94 % used, 1,537 bytes free");
    EXPECT_EQ(project_size_text({30722 - 1536, 30722}),
              "Warning: 95 % used, only 1,536 bytes free");
    EXPECT_EQ(project_size_text({30722, 30722}), "Warning: 100 % used, only 0 bytes free");
    EXPECT_EQ(project_size_text({31262, 30722}), "Warning: 101 % used, 540 bytes over the limit");
}

class SizeLimit : public DocumentTest
{
  protected:
    // Loads a project with `free` bytes left and runs `action`: it must
    // fail with the refusal naming the step and the size the file would
    // reach, and leave the project as it was with nothing to undo.
    void expect_refused(long free, const std::function<bool(GError **)> &action,
                        const std::string &message)
    {
        doc.load(zbx_nearly_full_project(free));
        const ZbxProject before = doc.project();
        GErrorPtr error;
        EXPECT_FALSE(action(error.out()));
        EXPECT_TRUE(zbx_error_is(error.get(), ZbxError::TooLarge)) << error.message();
        EXPECT_STREQ(error.message(), message.c_str());
        EXPECT_EQ(doc.project(), before);
        EXPECT_FALSE(doc.can_undo());
        EXPECT_FALSE(doc.is_modified());
    }
};

TEST_F(SizeLimit, EveryGrowingChangePastTheLimitIsRefused)
{
    const std::vector<uint8_t> record = zbx_test_record(1, 1);
    expect_refused(
        12, [&](GError **e) { return itemwrapper_import_object(doc, record, e); },
        "Import object refused: the file would take 30,723 bytes, above the limit of "
        "30,722 bytes");

    std::array<uint8_t, 8000> bitmap{};
    std::array<uint8_t, 1000> screen{};
    std::array<uint8_t, 1000> colour{};
    const HiresData picture{bitmap, screen, colour};
    expect_refused(
        12,
        [&](GError **e) {
            return itemwrapper_grab_object(doc, picture, -1, {0, 0, 8, 8}, e);
        },
        "Grab object refused: the file would take 30,723 bytes, above the limit of 30,722 bytes");

    expect_refused(
        2, [&](GError **e) { return itemwrapper_new_empty_panel(doc, e); },
        "New panel refused: the file would take 30,723 bytes, above the limit of "
        "30,722 bytes");
    // (The panel editor's insertions and overrides: size_in_view_test.)
}

TEST_F(SizeLimit, WhatFitsIsDoneAndAFileOverTheLimitMayShrink)
{
    // Three bytes left: one placement fits, the next does not.
    doc.load(zbx_nearly_full_project(3));
    {
        DocumentStep step(doc, "Add placement");
        EXPECT_TRUE(doc.insert_def(13, 0, zbx_object_def(1, 0, 0)));
    }
    EXPECT_EQ(doc.size().free(), 0);
    EXPECT_TRUE(doc.size_refusal().empty());
    {
        DocumentStep step(doc, "Paste placement");
        EXPECT_FALSE(doc.insert_def(13, 0, zbx_object_def(1, 0, 0)));
    }
    EXPECT_STREQ(doc.undo_name(), "Add placement");
    // A later step starts without the old refusal.
    {
        DocumentStep step(doc, "Move placement");
        EXPECT_TRUE(doc.set_def(13, 0, zbx_object_def(1, 8, 0)));
    }
    EXPECT_TRUE(doc.size_refusal().empty());

    // A file read over the limit opens; it may shrink or keep its size, not
    // grow.
    ZbxProject over = zbx_nearly_full_project(0);
    over.items[13].defs.push_back(zbx_object_def(0, 0, 0));
    doc.load(over);
    EXPECT_EQ(doc.size().free(), -3);
    DocumentStep step(doc, "Edit");
    EXPECT_TRUE(doc.set_def(13, 0, zbx_object_def(1, 16, 0)));
    EXPECT_EQ(doc.size().free(), -2);
    EXPECT_LT(doc.append_panel(), 0);
    EXPECT_TRUE(doc.remove_def(13, 0));
    EXPECT_EQ(doc.size().free(), 1);
}
