// Object files: the record check as the import, the chooser's preview and
// the check itself apply it, import at the end of the index space, export
// of the stored bytes.
#include <gtest/gtest.h>
#include <string>

#include "c64/hiresdecoder.h"
#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "support/bytes.h"
#include "support/items_fixture.h"

namespace {
class ObjectFile : public ZbxModulesTest
{
  protected:
    ZbxTempDir tmp;
};
} // namespace

TEST_F(ObjectFile, BadRecordsAreRefusedAlikeByCheckImportAndPreview)
{
    zbx_test_load({ZbxItem{}});
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

        zbx_write_file(path, c.bytes);
        EXPECT_EQ(
            zbx_outcome(itemwrapper_import_object_data_from_file(path.c_str(), &error), &error),
            c.message);
        EXPECT_EQ(document_item_count(), 1);

        GdkPixbuf *image = reinterpret_cast<GdkPixbuf *>(0x1);
        EXPECT_EQ(
            zbx_outcome(hiresdecoder_decode_object_file(path.c_str(), &image, &error), &error),
            c.message);
        EXPECT_EQ(image, nullptr);
    }

    // An unreadable file passes GLib's own error on and changes nothing.
    GError *error = nullptr;
    GdkPixbuf *image = nullptr;
    EXPECT_EQ(itemwrapper_import_object_data_from_file(tmp.path("x").c_str(), &error), 0);
    EXPECT_TRUE(g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT));
    g_clear_error(&error);
    EXPECT_EQ(document_item_count() + document_count_objects(), 1);
    EXPECT_FALSE(document_can_undo());
    EXPECT_NE(
        zbx_outcome(hiresdecoder_decode_object_file(tmp.path("x").c_str(), &image, &error), &error),
        "");
}

TEST_F(ObjectFile, ImportAppendsAtTheEndAndExportWritesTheSameBytes)
{
    zbx_test_load({zbx_panel_item({}), ZbxItem{}});
    const std::vector<uint8_t> record = zbx_test_record(3, 2, 4);
    const std::string in = tmp.path("a.zbxobject");
    zbx_write_file(in, record);
    ASSERT_EQ(itemwrapper_import_object_data_from_file(in.c_str(), nullptr), 1);
    EXPECT_EQ(document_item_kind(2), ZbxItemKind::Object);
    EXPECT_STREQ(document_undo_name(), "Import object");
    const std::string out = tmp.path("out.zbxobject");
    ASSERT_EQ(objects_export_object_data_to_file(out.c_str(), 2, nullptr), 1);
    EXPECT_TRUE(zbx_bytes_equal(record, zbx_read_file(out)));

    // No object there: no file.
    for (int index : {-1, 0, 1, 4}) {
        GError *error = nullptr;
        EXPECT_EQ(
            zbx_outcome(objects_export_object_data_to_file(tmp.path("none").c_str(), index, &error),
                        &error),
            "Invalid object")
            << index;
        EXPECT_FALSE(g_file_test(tmp.path("none").c_str(), G_FILE_TEST_EXISTS));
    }
}
