// Object files: the record check as the import, the chooser's preview and
// the check itself apply it, import at the end of the index space, export
// of the stored bytes.
#include <gtest/gtest.h>
#include <string>

#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "files/object_file.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "support/bytes.h"
#include "support/items_fixture.h"

namespace {
class ObjectFile : public DocumentTest
{
  protected:
    ZbxTempDir tmp;
};
} // namespace

TEST_F(ObjectFile, BadRecordsAreRefusedAlikeByCheckImportAndPreview)
{
    load({ZbxItem{}});
    std::vector<uint8_t> one_too_many = zbx_test_record(3, 2);
    one_too_many.push_back(0);
    const struct
    {
        std::vector<uint8_t> bytes;
        const char *message;
    } cases[] = {
        {one_too_many, "Unrecognized format"},
        {{}, "Unrecognized format"},
        {{0x00, 0x00}, "Unrecognized format"},
        // Says what is wrong with the file, not what the program could not do.
        {{0x00},
         "Unrecognized format: the header gives 0 x 0 cells, and an object has 1 to 15 "
         "each way"},
        {{0x10},
         "Unrecognized format: the header gives 1 x 0 cells, and an object has 1 to 15 "
         "each way"},
        {{0x01},
         "Unrecognized format: the header gives 0 x 1 cells, and an object has 1 to 15 "
         "each way"},
    };
    const std::string path = tmp.path("bad.zbxobject");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.bytes.size());
        int w = -1, h = -1;
        GError *error = nullptr;
        EXPECT_EQ(zbx_outcome(objects_check_object_record(c.bytes, &w, &h, &error), &error),
                  c.message);

        EXPECT_EQ(zbx_outcome(itemwrapper_import_object(doc, c.bytes, &error), &error), c.message);
        EXPECT_EQ(doc.item_count(), 1);

        zbx_write_file(path, c.bytes);
        std::vector<uint8_t> record;
        EXPECT_EQ(zbx_outcome(objfile_read(path.c_str(), &record, &error), &error), c.message);
        GdkPixbuf *image = objfile_read_image(path.c_str(), &error);
        EXPECT_EQ(zbx_outcome(image != nullptr, &error), c.message);
    }

    // An unreadable file passes GLib's own error on and changes nothing.
    GError *error = nullptr;
    std::vector<uint8_t> record;
    EXPECT_FALSE(objfile_read(tmp.path("x").c_str(), &record, &error));
    EXPECT_TRUE(g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT));
    g_clear_error(&error);
    EXPECT_EQ(doc.item_count() + doc.count_objects(), 1);
    EXPECT_FALSE(doc.can_undo());
    EXPECT_EQ(objfile_read_image(tmp.path("x").c_str(), &error), nullptr);
    g_clear_error(&error);
}

TEST_F(ObjectFile, ImportAppendsAtTheEndAndExportWritesTheSameBytes)
{
    load({zbx_panel_item({}), ZbxItem{}});
    const std::vector<uint8_t> record = zbx_test_record(3, 2, 4);
    const std::string in = tmp.path("a.zbxobject");
    zbx_write_file(in, record);
    std::vector<uint8_t> read;
    ASSERT_TRUE(objfile_read(in.c_str(), &read, nullptr));
    ASSERT_EQ(itemwrapper_import_object(doc, read, nullptr), 1);
    EXPECT_EQ(doc.item_kind(2), ZbxItemKind::Object);
    EXPECT_STREQ(doc.undo_name(), "Import object");
    const std::string out = tmp.path("out.zbxobject");
    ASSERT_TRUE(objfile_write(out.c_str(), doc.object_record(2), nullptr));
    EXPECT_TRUE(zbx_bytes_equal(record, zbx_read_file(out)));
}
