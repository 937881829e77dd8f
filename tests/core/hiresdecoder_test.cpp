// C64 pictures: detection by load address and exact length, forced formats,
// where each format keeps its areas, and every real picture we have.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "c64/palette.h"
#include "support/bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Hires = std::array<uint8_t, kHiresDataSize>;

const std::string kPictures = "tests/data/pictures/";

std::array<uint8_t, 4> pixel(GdkPixbuf *image, int x, int y)
{
    const int n = gdk_pixbuf_get_n_channels(image);
    const uint8_t *p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) + x * n;
    return {p[0], p[1], p[2], n == 4 ? p[3] : uint8_t{255}};
}

// A program file of the given length and load address, filled with noise.
Bytes program(uint16_t load, size_t length, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    Bytes b(length);
    for (uint8_t &x : b) {
        x = static_cast<uint8_t>(rng());
    }
    if (length >= 2) {
        b[0] = static_cast<uint8_t>(load & 0xFF);
        b[1] = static_cast<uint8_t>(load >> 8);
    }
    return b;
}

struct Outcome
{
    gboolean ok;
    GRef<GdkPixbuf> image;
    std::string message;
};

Outcome decode(const Bytes &file, int format, uint8_t *destination = nullptr)
{
    Outcome o;
    // The decoder must set the image whatever it held before.
    GdkPixbuf *const stale = reinterpret_cast<GdkPixbuf *>(&o);
    GdkPixbuf *image = stale;
    GError *error = nullptr;
    o.ok = hiresdecoder_decode_hires_screen_data(file, format, &image, destination, &error);
    EXPECT_NE(image, stale);
    o.image.reset(image == stale ? nullptr : image);
    if (error != nullptr) {
        EXPECT_TRUE(zbx_error_is(error, ZbxError::BadFormat));
        o.message = error->message;
        g_error_free(error);
    }
    EXPECT_EQ(o.ok, o.message.empty());
    EXPECT_EQ(o.ok, o.image.get() != nullptr);
    return o;
}

std::string wrong_size(size_t expected, size_t actual)
{
    return "Wrong file size\nExpected: " + std::to_string(expected) +
           "\nActual: " + std::to_string(actual);
}

} // namespace

TEST(HiresDecoder, TooShortForALoadAddressNothingIsReadPastTheEnd)
{
    // (Detection by load address and exact length: the real pictures below.)
    for (size_t n : {0, 1}) {
        Bytes tiny(n, 0x60);
        EXPECT_EQ(hiresdecoder_detect_format(tiny), 0);
        EXPECT_EQ(decode(tiny, 0).message, "Undetected picture format");
        EXPECT_EQ(decode(tiny, 2).message, wrong_size(10003, n));
    }
}

TEST(HiresDecoder, DestinationIsLeftAloneWhenNotAskedForOrOnFailure)
{
    Hires hires;
    hires.fill(0x5A);
    const Hires before = hires;
    EXPECT_FALSE(decode(program(0x6000, 10004), 0, hires.data()).ok);
    EXPECT_FALSE(decode(program(0x6000, 10004), 2, hires.data()).ok);
    EXPECT_FALSE(decode(program(0x6000, 10003), 9, hires.data()).ok);
    EXPECT_EQ(hires, before);
    // The preview decodes without a destination; without an image only the
    // hires data is taken.
    EXPECT_TRUE(decode(program(0x6000, 10003), 0, nullptr).ok);
    EXPECT_TRUE(hiresdecoder_decode_hires_screen_data(program(0x6000, 10003), 0, nullptr,
                                                      hires.data(), nullptr));
    EXPECT_NE(hires, before);
}

// Every real picture decodes under the format of its folder, shows its
// background colour where the bitmap has pair 00, and matches an
// independent decoding pixel for pixel (save the background, where that
// decoding is known to get it wrong: the "bgdiffers" pictures).
TEST(HiresDecoder, RealPictures)
{
    const std::map<std::string, int> folders = {{"vidcom64", 1},
                                                {"koala", 2},
                                                {"artist64", 3},
                                                {"advanced_art_studio", 4},
                                                {"blazing_paddles", 5}};
    int pictures = 0, with_background = 0;
    for (const auto &[folder, selector] : folders) {
        GDir *dir = g_dir_open((kPictures + folder).c_str(), 0, nullptr);
        ASSERT_NE(dir, nullptr) << folder;
        while (const char *entry = g_dir_read_name(dir)) {
            const std::string name = entry;
            if (g_str_has_suffix(entry, ".png")) {
                continue;
            }
            const std::string path = kPictures + folder + "/" + name;
            const std::string stem = kPictures + folder + "/" + name.substr(0, name.rfind('.'));
            const bool bg_differs =
                g_file_test((stem + ".gimp-bgdiffers.png").c_str(), G_FILE_TEST_EXISTS);
            GRef<GdkPixbuf> other(gdk_pixbuf_new_from_file(
                (stem + (bg_differs ? ".gimp-bgdiffers.png" : ".gimp.png")).c_str(), nullptr));
            ASSERT_TRUE(other) << stem;
            SCOPED_TRACE(path);
            pictures++;
            const Bytes file = zbx_read_file(path);
            EXPECT_EQ(hiresdecoder_detect_format(file), selector);
            // Detected by the exact length and load address only.
            Bytes near = file;
            near.push_back(0);
            EXPECT_EQ(hiresdecoder_detect_format(near), 0);
            near.resize(file.size() - 1);
            EXPECT_EQ(hiresdecoder_detect_format(near), 0);
            near = file;
            near[0]++;
            EXPECT_EQ(hiresdecoder_detect_format(near), 0);
            EXPECT_TRUE(decode(file, selector).ok);
            Hires hires{};
            Outcome o = decode(file, 0, hires.data());
            ASSERT_TRUE(o.ok) << o.message;
            ASSERT_EQ(gdk_pixbuf_get_width(o.image.get()), 320);
            ASSERT_EQ(gdk_pixbuf_get_height(o.image.get()), 200);
            uint8_t rgb[3];
            palette_get_rgb_at_index(file[hiresdecoder_format(selector)->background] & 15, rgb);
            const std::array<uint8_t, 4> background = {rgb[0], rgb[1], rgb[2], 255};
            int pair0 = 0;
            for (int y = 0; y < 200; y++) {
                for (int x = 0; x < 320; x++) {
                    const int cell = (y / 8) * 40 + x / 8;
                    if (((hires[8 * cell + y % 8] >> (6 - (x % 8 & 6))) & 3) == 0) {
                        pair0++;
                        ASSERT_EQ(pixel(o.image.get(), x, y), background) << x << "," << y;
                        if (bg_differs) {
                            continue;
                        }
                    }
                    ASSERT_EQ(pixel(o.image.get(), x, y), pixel(other.get(), x, y))
                        << x << "," << y;
                }
            }
            with_background += pair0 > 0;
        }
        g_dir_close(dir);
    }
    EXPECT_EQ(pictures, 15);
    EXPECT_GE(with_background, 14); // the Artist 64 picture covers every pixel
    // Where the other decoding gets the background wrong, ours is the one
    // the picture was drawn for.
    const auto background_of = [](const std::string &picture, int selector) {
        return zbx_read_file(kPictures + picture)[hiresdecoder_format(selector)->background] & 15;
    };
    EXPECT_EQ(background_of("vidcom64/apo343.vid", 1), 15);        // light grey
    EXPECT_EQ(background_of("blazing_paddles/worldmap.pi", 5), 6); // sea
}

TEST(HiresDecoder, NearMissesAreRejected)
{
    GDir *dir = g_dir_open((kPictures + "variants").c_str(), 0, nullptr);
    ASSERT_NE(dir, nullptr);
    int count = 0;
    while (const char *entry = g_dir_read_name(dir)) {
        const Bytes file = zbx_read_file(kPictures + "variants/" + entry);
        EXPECT_EQ(hiresdecoder_detect_format(file), 0) << entry;
        EXPECT_EQ(decode(file, 0).message, "Undetected picture format") << entry;
        count++;
    }
    g_dir_close(dir);
    EXPECT_EQ(count, 6);
    // Forcing Koala on the Koala picture with load address $0000 names both.
    EXPECT_EQ(decode(zbx_read_file(kPictures + "variants/PIC_GDC.koa"), 2).message,
              "Wrong load address\nExpected: $6000\nActual: $0000");
    EXPECT_EQ(decode(zbx_read_file(kPictures + "variants/STILLIFE.rpm"), 2).message,
              wrong_size(10003, 10006));
}
