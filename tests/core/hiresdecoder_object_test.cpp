// The object chooser's preview decode of object files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/bytes.h"
#include "../support/reset.h"
#include "c64/hiresdecoder.h"
#include "c64/pixbufs.h"
#include "gref.h"
#include "items/itemwrapper.h"
#include "items/objects.h"

namespace {
std::string decode_error(const std::string &path)
{
    GdkPixbuf *image = reinterpret_cast<GdkPixbuf *>(0x1);
    GError *error = nullptr;
    EXPECT_FALSE(hiresdecoder_decode_object_file(path.c_str(), &image, &error));
    EXPECT_EQ(image, nullptr);
    std::string message = error != nullptr ? error->message : "";
    if (error != nullptr) {
        EXPECT_EQ(error->domain, G_FILE_ERROR);
        g_error_free(error);
    }
    return message;
}
} // namespace

TEST(HiresdecoderObjectFile, PreviewIsTheImageAnImportStores)
{
    zbx_reset_all_modules();
    const char *path = "tests/data/files/object_2.zbxobject";
    GdkPixbuf *decoded = nullptr;
    GError *error = nullptr;
    ASSERT_TRUE(hiresdecoder_decode_object_file(path, &decoded, &error));
    GRef<GdkPixbuf> image(decoded);
    EXPECT_EQ(gdk_pixbuf_get_width(decoded), 32);
    EXPECT_EQ(gdk_pixbuf_get_height(decoded), 32);
    EXPECT_TRUE(gdk_pixbuf_get_has_alpha(decoded));
    EXPECT_EQ(itemwrapper_get_array_size(), 0); // nothing stored

    ASSERT_TRUE(itemwrapper_import_object_data_from_file(path, &error));
    GdkPixbuf *stored = objects_get_from_array_at_index(0);
    RgbaView a = pixbufs_view(decoded);
    RgbaView b = pixbufs_view(stored);
    for (int y = 0; y < 32; y++) {
        ASSERT_EQ(0, memcmp(a.pixels + y * a.rowstride, b.pixels + y * b.rowstride, 32 * 4))
            << "row " << y;
    }
    zbx_reset_all_modules();
}

TEST(HiresdecoderObjectFile, RefusesWhatAnImportRefuses)
{
    ZbxTempDir tmp;
    const std::string path = tmp.path("x.zbxobject");
    std::vector<uint8_t> record = zbx_read_file("tests/data/files/object_0.zbxobject");
    ASSERT_EQ(record.size(), 61u); // 3 x 2 cells
    record.push_back(0);
    zbx_write_file(path, record);
    EXPECT_EQ(decode_error(path), "Unrecognized format");
    zbx_write_file(path, {});
    EXPECT_EQ(decode_error(path), "Unrecognized format");
    zbx_write_file(path, {0x00, 0x00});
    EXPECT_EQ(decode_error(path), "Unrecognized format");
    zbx_write_file(path, {0x00});
    EXPECT_EQ(decode_error(path), "Could not create pixbuf");
    zbx_write_file(path, {0x10});
    EXPECT_EQ(decode_error(path), "Could not create pixbuf");
    EXPECT_NE(decode_error(tmp.path("missing.zbxobject")), "");
}
