// Project files through the item tables and models: loading, saving in one
// step, the reference report and the checked delete. (What a load puts in
// every table is compared in full with tests/data/files/sample.json by the
// command line's end-to-end test.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/bytes.h"
#include "../support/items_fixture.h"
#include "../support/paths.h"
#include "../support/project.h"
#include "base/gref.h"
#include "files/zembrix.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/references.h"
#include "render/locations.h"

namespace {

const std::string kSample = "tests/data/files/sample.prg";

class ZembrixLoad : public DocumentTest
{
  protected:
    // Empties everything first, as File -> Open does.
    std::string load(const std::string &path)
    {
        doc.close();
        return open(path);
    }
    std::string save(const std::string &path)
    {
        GError *error = nullptr;
        const int ok = zembrix_write_file(path.c_str(), doc.project(), &error);
        return zbx_outcome(ok, &error);
    }
    std::vector<int> items_of(ZbxItemKind kind)
    {
        std::vector<int> found;
        for (int i = 0; i < doc.item_count(); i++) {
            if (doc.item_kind(i) == kind) {
                found.push_back(i);
            }
        }
        return found;
    }

    ZbxTempDir tmp;
};

} // namespace

TEST_F(ZembrixLoad, LoadErrorsChangeNothing)
{
    GErrorPtr error;
    ZbxProject project = zbx_test_project({zbx_panel_item({})});
    const ZbxProject before = project;
    EXPECT_FALSE(zembrix_read_file(tmp.path("missing.prg").c_str(), &project, nullptr, nullptr,
                                   error.out()));
    EXPECT_TRUE(g_error_matches(error.get(), G_FILE_ERROR, G_FILE_ERROR_NOENT));
    EXPECT_EQ(project, before);

    std::vector<uint8_t> sample = zbx_read_file(kSample);
    const std::string name = tmp.path("bad.prg");
    for (std::size_t length : {1, 4, 68, 80}) {
        zbx_write_file(name, std::vector<uint8_t>(sample.begin(), sample.begin() + length));
        EXPECT_NE(load(name).find(name), std::string::npos) << length;
        EXPECT_EQ(doc.item_count(), 0) << length;
        EXPECT_FALSE(doc.is_open()) << length;
    }

    // Cut inside panel 9's list.
    zbx_write_file(name, std::vector<uint8_t>(sample.begin(), sample.end() - 6));
    EXPECT_EQ(load(name),
              "File \"" + name + "\" doesn't appear to be a supported zembrix file. Error: 4");
    EXPECT_FALSE(doc.is_open());
}

TEST_F(ZembrixLoad, ResavingWhatTheWriterProducedIsByteIdentical)
{
    ASSERT_EQ(load(kSample), "");
    ASSERT_EQ(save(tmp.path("a.prg")), "");
    EXPECT_TRUE(zbx_bytes_equal(zbx_read_file(kSample), zbx_read_file(tmp.path("a.prg"))));

    // A hand-made file with skipped, overlapping, shared and dropped data
    // writes what was read, in the writer's own layout, and that reads back.
    ASSERT_EQ(load("tests/data/files/quirks.prg"), "");
    ZbxProject first = doc.project();
    ASSERT_EQ(save(tmp.path("q.prg")), "");
    EXPECT_TRUE(zbx_bytes_equal(zbx_read_file("tests/data/files/quirks.resaved.prg"),
                                zbx_read_file(tmp.path("q.prg"))));
    ASSERT_EQ(load(tmp.path("q.prg")), "");
    EXPECT_EQ(doc.project(), first);

    // What the format cannot hold reads back as the format says: disabled
    // comes back enabled, overrides without their flag are gone.
    ASSERT_EQ(load(kSample), "");
    {
        DocumentStep step(doc, "Edit");
        PanelDef disabled = doc.panel_defs(2)[0];
        disabled.enabled = false;
        doc.set_def(2, 0, disabled);
        PanelDef stale = doc.panel_defs(2)[2];
        stale.has_overrides = false; // keeps count 1 and its value
        doc.set_def(2, 2, stale);
    }
    ASSERT_EQ(save(tmp.path("a.prg")), "");
    ASSERT_EQ(load(tmp.path("a.prg")), "");
    std::span<const PanelDef> rows = doc.panel_defs(2);
    EXPECT_TRUE(rows[0].enabled);
    EXPECT_EQ(rows[2], zbx_object_def(1, 8, 16));
}

TEST_F(ZembrixLoad, SaveReplacesTheFileInOneStepOrNotAtAll)
{
    ASSERT_EQ(load(kSample), "");
    const std::string target = tmp.path("project.prg");
    zbx_write_file(target, {1, 2, 3});

    // 255 items are allowed, but not the bytes of 14 more large objects.
    std::vector<uint8_t> record(2251, 0);
    record[0] = 0xff;
    for (int k = 0; k < 13; k++) {
        ASSERT_TRUE(itemwrapper_import_object(doc, record, nullptr));
    }
    ASSERT_EQ(save(target), "");
    // The document refuses the 14th; a project read over the limit has it.
    ASSERT_FALSE(itemwrapper_import_object(doc, record, nullptr));
    ZbxProject over = doc.project();
    over.items.push_back(zbx_object_item(record));
    doc.load(std::move(over));
    const char *too_large = "Data too large: the file would end at $866B, above the limit of $7FFF";
    EXPECT_EQ(save(target), too_large);
    EXPECT_EQ(zbx_read_file(target).size(), 0x866bu - 2253 - 0x0800 + 2); // the earlier save
    EXPECT_EQ(save(tmp.path("new.prg")), too_large);
    EXPECT_FALSE(g_file_test(tmp.path("new.prg").c_str(), G_FILE_TEST_EXISTS));
    // A folder that does not exist: GLib's own error.
    EXPECT_NE(save(tmp.path("no/such/dir.prg")), "");
}

TEST_F(ZembrixLoad, ReferenceReportsAndTheCheckedDelete)
{
    ASSERT_EQ(load(kSample), "");
    auto report = [this](int item) { return references_report(doc.project(), item); };
    // (Each kind of report line, and an import undone by a delete:
    // tests/e2e/cli.sh.)
    EXPECT_EQ(report(2),
              "Panel 5 ($5): found 2 occurrences\nPanel was elected as location 2 ($2)\n");

    auto remove = [this](int item) {
        GError *error = nullptr;
        const bool ok = itemwrapper_delete_unused_item(doc, item, &error);
        return zbx_outcome(ok, &error);
    };
    EXPECT_EQ(remove(1), kZbxObjectInUse);
    EXPECT_EQ(remove(7), kZbxPanelInUse); // only elected as a location
    EXPECT_EQ(remove(10), "Invalid item");
    EXPECT_EQ(doc.item_count(), 10);

    // The empty item 3: every later item moves down, in every table, list
    // and location, and the boxes follow.
    ASSERT_EQ(remove(3), "");
    EXPECT_EQ(doc.item_count(), 9);
    EXPECT_EQ(items_of(ZbxItemKind::Object), (std::vector<int>{0, 1, 3, 5, 7}));
    EXPECT_EQ(items_of(ZbxItemKind::Panel), (std::vector<int>{2, 4, 6, 8}));
    EXPECT_EQ(placed(4), (std::vector<int>{2, 2, 5, 7, 0}));
    std::vector<int> panels;
    for (const ZbxLocationRecord &record : doc.project().locations) {
        panels.push_back(record.panel);
    }
    EXPECT_EQ(std::vector<int>(panels.begin(), panels.begin() + 6),
              (std::vector<int>{4, 8, 2, 255, 255, 6}));
    EXPECT_EQ(panels[31], 4);
    EXPECT_EQ(box(4), (std::vector<int>{0, 16, 192, 112}));
    // The delete is one step: undo gives every reference back.
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(placed(5), (std::vector<int>{2, 2, 6, 8, 0}));
    EXPECT_EQ(doc.location(1).panel, 9);
}
