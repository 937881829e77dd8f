// Pictures from images: the five C64 formats written as PNG and read back,
// objects exported as images and grabbed again, and images refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "c64/pixbufs.h"
#include "files/object_file.h"
#include "files/picture_file.h"
#include "files/zembrix.h"
#include "items/objects.h"
#include "support/bytes.h"

namespace {

const std::string kPictures = "tests/data/pictures/";

PictureRead read_bytes(const std::vector<uint8_t> &bytes, int background = -1)
{
    PictureRead picture;
    GErrorPtr error;
    EXPECT_TRUE(picture_decode_any(bytes, background, &picture, error.out())) << error.message();
    return picture;
}

std::vector<uint8_t> pixels_of(const PictureRead &picture)
{
    GRef<GdkPixbuf> image(picture_render(picture));
    const RgbaView view = pixbufs_view(image.get());
    std::vector<uint8_t> pixels;
    for (int y = 0; y < view.height; y++) {
        pixels.insert(pixels.end(), view.pixels + y * view.rowstride,
                      view.pixels + y * view.rowstride + 4 * view.width);
    }
    return pixels;
}

std::string refusal(const std::vector<uint8_t> &bytes)
{
    PictureRead picture;
    GErrorPtr error;
    EXPECT_FALSE(picture_decode_any(bytes, -1, &picture, error.out()));
    return error.message();
}

} // namespace

TEST(PictureImages, EachC64FormatWrittenAsPngReadsBackTheSameBytesAndPixels)
{
    for (const char *file : {"vidcom64/apo343.vid", "koala/NINJA3.KOA", "artist64/PPA3BYI.A64",
                             "advanced_art_studio/parallax.koala", "blazing_paddles/worldmap.pi"}) {
        SCOPED_TRACE(file);
        const PictureRead c64 = read_bytes(zbx_read_file(kPictures + file));
        ASSERT_FALSE(c64.from_image);
        GRef<GdkPixbuf> image(picture_render(c64));
        const std::span<const uint8_t> data(c64.hires);
        std::vector<uint8_t> png;
        ASSERT_TRUE(picture_encode_png_with_cells(image.get(), data.subspan(0, kHiresBitmapSize),
                                                  data.subspan(kHiresScreenOffset, kHiresCellCount),
                                                  data.subspan(kHiresColourOffset, kHiresCellCount),
                                                  40, 25, c64.background, &png, nullptr));
        const PictureRead back = read_bytes(png);
        EXPECT_TRUE(back.from_image);
        EXPECT_EQ(back.hires, c64.hires);
        EXPECT_EQ(back.background, c64.background);
        EXPECT_TRUE(back.clashes.empty());
        // A PNG with nothing beside its pixels: the same picture on screen.
        std::vector<uint8_t> plain;
        ASSERT_TRUE(pixbufs_encode_png(image.get(), &plain, nullptr));
        const PictureRead repainted = read_bytes(plain, c64.background);
        EXPECT_EQ(pixels_of(repainted), pixels_of(c64));
        EXPECT_TRUE(repainted.clashes.empty());
    }
}

TEST(PictureImages, AnObjectExportedAsAnImageIsGrabbedBackByteForByte)
{
    ZbxProject project;
    ASSERT_TRUE(
        zembrix_read_file("tests/data/files/sample.prg", &project, nullptr, nullptr, nullptr));
    int objects = 0;
    for (const ZbxItem &item : project.items) {
        if (item.kind != ZbxItemKind::Object) {
            continue;
        }
        objects++;
        int w = 0;
        int h = 0;
        ASSERT_TRUE(objects_record_ok(item.record, &w, &h));
        std::vector<uint8_t> png;
        ASSERT_TRUE(objfile_encode_png(item.record, 2, &png, nullptr));
        const PictureRead picture = read_bytes(png);
        const HiresData areas =
            hiresdecoder_hires_areas(std::span<const uint8_t, kHiresDataSize>(picture.hires));
        EXPECT_EQ(objects_region_to_record(areas.bitmap, areas.screen, areas.colour,
                                           {0, 0, 8 * w, 8 * h}, -1),
                  item.record);
        // One pixel across for each C64 pixel: half as wide.
        ASSERT_TRUE(objfile_encode_png(item.record, 1, &png, nullptr));
        GRef<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
        ASSERT_TRUE(gdk_pixbuf_loader_write(loader.get(), png.data(), png.size(), nullptr));
        ASSERT_TRUE(gdk_pixbuf_loader_close(loader.get(), nullptr));
        EXPECT_EQ(gdk_pixbuf_get_width(gdk_pixbuf_loader_get_pixbuf(loader.get())), 4 * w);
    }
    EXPECT_GE(objects, 4);
    std::vector<uint8_t> png;
    GErrorPtr error;
    EXPECT_FALSE(objfile_encode_png(std::vector<uint8_t>{0x11, 1}, 2, &png, error.out()));
    EXPECT_EQ(std::string(error.message()), "Invalid object");
}

TEST(PictureImages, ImagesOfOtherSizesAndBytesOfNoPictureAreRefused)
{
    GRef<GdkPixbuf> wide(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 322, 200));
    gdk_pixbuf_fill(wide.get(), 0xffffffff);
    std::vector<uint8_t> png;
    ASSERT_TRUE(pixbufs_encode_png(wide.get(), &png, nullptr));
    EXPECT_EQ(refusal(png), std::string("The image is 322 x 200 pixels; pictures are taken at ") +
                                kImageSizesTaken);
    EXPECT_EQ(refusal(std::vector<uint8_t>(300, 7)), "Undetected picture format");
    // A PNG cut short is no image.
    png.resize(40);
    EXPECT_EQ(refusal(png), "Undetected picture format");
}
