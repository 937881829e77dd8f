// Object files: the record check, import at the end of the index space and
// export of the stored bytes.
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <string>

#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/objectmodel.h"
#include "support/items_fixture.h"
#include "support/reset.h"

namespace {
class ObjectFile : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        zbx_reset_all_modules();
        folder_.reset(g_dir_make_tmp("zbx-objfile-XXXXXX", nullptr));
        ASSERT_TRUE(folder_);
    }
    void TearDown() override
    {
        zbx_reset_all_modules();
        GDir *dir = g_dir_open(folder_.get(), 0, nullptr);
        for (const char *name; dir != nullptr && (name = g_dir_read_name(dir)) != nullptr;) {
            g_remove(path(name).c_str());
        }
        if (dir != nullptr) {
            g_dir_close(dir);
        }
        g_rmdir(folder_.get());
    }
    std::string path(const std::string &name) const
    {
        return std::string(folder_.get()) + "/" + name;
    }
    std::string write(const std::string &name, const std::vector<uint8_t> &bytes) const
    {
        std::string p = path(name);
        EXPECT_TRUE(g_file_set_contents(p.c_str(), reinterpret_cast<const char *>(bytes.data()),
                                        bytes.size(), nullptr));
        return p;
    }
    // The message of a failed import of these bytes, with nothing changed.
    std::string import_failure(const std::vector<uint8_t> &bytes)
    {
        const int items = itemwrapper_get_array_size();
        GError *error = nullptr;
        int ok =
            itemwrapper_import_object_data_from_file(write("bad.zbxobject", bytes).c_str(), &error);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(itemwrapper_get_array_size(), items);
        std::string message = error != nullptr ? error->message : "(no error)";
        g_clear_error(&error);
        return message;
    }

    GCharPtr folder_;
};

std::string check_failure(const std::vector<uint8_t> &bytes)
{
    int w = -1, h = -1;
    GError *error = nullptr;
    EXPECT_EQ(objects_check_object_record(bytes, &w, &h, &error), 0);
    std::string message = error != nullptr ? error->message : "(no error)";
    g_clear_error(&error);
    return message;
}
} // namespace

TEST(ObjectRecordCheck, LengthMustBeExactlyTheHeadersRecord)
{
    int w = 0, h = 0;
    EXPECT_EQ(objects_check_object_record(zbx_test_record(3, 2), &w, &h, nullptr), 1);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    std::vector<uint8_t> long_record = zbx_test_record(3, 2);
    long_record.push_back(0);
    EXPECT_EQ(check_failure(long_record), "Unrecognized format");
    EXPECT_EQ(check_failure({}), "Unrecognized format");
    EXPECT_EQ(check_failure({0x00, 0x00}), "Unrecognized format");
    EXPECT_EQ(check_failure({0x00}), "Could not create pixbuf");
    EXPECT_EQ(check_failure({0x10}), "Could not create pixbuf");
    EXPECT_EQ(check_failure({0x01}), "Could not create pixbuf");
}

TEST_F(ObjectFile, ImportAppendsAtTheEndAndExportWritesTheSameBytes)
{
    zbx_test_allocate(2);
    zbx_test_put_panel(0);
    std::vector<uint8_t> record = zbx_test_record(3, 2, 4);
    GError *error = nullptr;
    ASSERT_EQ(
        itemwrapper_import_object_data_from_file(write("a.zbxobject", record).c_str(), &error), 1)
        << error->message;
    EXPECT_EQ(itemwrapper_get_array_size(), 3);
    EXPECT_EQ(objects_get_array_size(), 3);
    EXPECT_TRUE(panels_is_panel_empty_at_index(2));
    int w = 0, h = 0;
    ASSERT_EQ(objects_get_dimensions_at_index(2, &w, &h), 1);
    EXPECT_EQ(w, 24);
    EXPECT_EQ(h, 16);
    EXPECT_EQ(zbx_test_column(GTK_TREE_MODEL(objectmodel_get_model())), std::vector<int>({2}));
    EXPECT_EQ(G_OBJECT(objects_get_from_array_at_index(2))->ref_count, 2u); // store and row

    std::string out = path("out.zbxobject");
    ASSERT_EQ(objects_export_object_data_to_file(out.c_str(), 2, &error), 1);
    gchar *contents = nullptr;
    gsize length = 0;
    ASSERT_TRUE(g_file_get_contents(out.c_str(), &contents, &length, nullptr));
    GCharPtr held(contents);
    EXPECT_EQ(std::vector<uint8_t>(contents, contents + length), record);

    // And back in, as a new item with the same bytes.
    ASSERT_EQ(itemwrapper_import_object_data_from_file(out.c_str(), &error), 1);
    std::span<const uint8_t> data;
    ASSERT_EQ(objects_get_data_at_index(3, &data), 1);
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.end()), record);
}

TEST_F(ObjectFile, BadFilesAreRefusedWithTheirMessage)
{
    zbx_test_allocate(1);
    std::vector<uint8_t> one_too_many = zbx_test_record(3, 2);
    one_too_many.push_back(0);
    EXPECT_EQ(import_failure(one_too_many), "Unrecognized format");
    EXPECT_EQ(import_failure({}), "Unrecognized format");
    EXPECT_EQ(import_failure({0x00, 0x01}), "Unrecognized format");
    EXPECT_EQ(import_failure({0x00}), "Could not create pixbuf");
    EXPECT_EQ(import_failure({0x10}), "Could not create pixbuf");

    // An unreadable file passes GLib's own error on, and reports the index
    // the object would have had.
    GError *error = nullptr;
    GdkPixbuf *image = nullptr;
    int index = -1;
    EXPECT_EQ(objects_import_object_data_from_file(path("missing").c_str(), &image, &index, &error),
              0);
    ASSERT_NE(error, nullptr);
    EXPECT_TRUE(g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(image, nullptr);
    g_clear_error(&error);
    EXPECT_EQ(objects_get_array_size(), 1);
    EXPECT_EQ(objects_get_count_of_valid_objects(), 0);
}

TEST_F(ObjectFile, ExportOfNoObjectWritesNoFile)
{
    zbx_test_allocate(2);
    zbx_test_put_panel(1);
    for (int index : {-1, 0, 1, 2}) {
        std::string out = path("none.zbxobject");
        GError *error = nullptr;
        EXPECT_EQ(objects_export_object_data_to_file(out.c_str(), index, &error), 0);
        ASSERT_NE(error, nullptr);
        EXPECT_STREQ(error->message, "Invalid object");
        g_clear_error(&error);
        EXPECT_FALSE(g_file_test(out.c_str(), G_FILE_TEST_EXISTS));
    }
    // A write that fails leaves GLib's error.
    zbx_test_put_object(0);
    GError *error = nullptr;
    EXPECT_EQ(objects_export_object_data_to_file(path("no/such/folder").c_str(), 0, &error), 0);
    EXPECT_NE(error, nullptr);
    g_clear_error(&error);
}
