#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <glib/gstdio.h>

#include "c64/hiresdecoder.h"
#include "c64/palette.h"
#include "gref.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Rgba = std::array<uint8_t, 4>;

const std::string kPictures = "../shared/testdata/pictures/";

Rgba colour_of(int index)
{
    uint8_t rgb[3];
    palette_get_rgb_at_index(index, rgb);
    return {rgb[0], rgb[1], rgb[2], 255};
}

Rgba pixel(GdkPixbuf *image, int x, int y)
{
    const int n = gdk_pixbuf_get_n_channels(image);
    const uint8_t *p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) + x * n;
    return {p[0], p[1], p[2], n == 4 ? p[3] : uint8_t{255}};
}

// The file's bytes in a vector of exactly its length, so that ASan sees
// any read past its end.
Bytes read_file(const std::string &path)
{
    gchar *contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    Bytes bytes(contents, contents + length);
    g_free(contents);
    return bytes;
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
    GErrorPtr error;
};

Outcome decode(const Bytes &file, int format, uint8_t *destination = nullptr)
{
    Outcome o;
    // The decoder must set the image whatever it held before.
    GdkPixbuf *const stale = reinterpret_cast<GdkPixbuf *>(&o);
    GdkPixbuf *image = stale;
    GError *error = nullptr;
    o.ok = hiresdecoder_decode_hires_screen_data(file, format, &image, destination, &error);
    if (image == stale) {
        ADD_FAILURE() << "image left unset";
        image = nullptr;
    }
    o.image.reset(image);
    o.error.reset(error);
    return o;
}

void expect_failure(const Outcome &o, const std::string &message)
{
    EXPECT_FALSE(o.ok);
    EXPECT_FALSE(o.image);
    ASSERT_TRUE(o.error);
    EXPECT_EQ(o.error->domain, G_FILE_ERROR);
    EXPECT_EQ(o.error->code, G_FILE_ERROR_FAILED);
    EXPECT_EQ(std::string(o.error->message), message);
}

// Where each format keeps its areas, written out independently of the
// decoder's own table: bitmap, screen, colour, background.
struct Layout
{
    int selector;
    uint16_t load;
    size_t length, bitmap, screen, colour, background;
};
const Layout kLayouts[] = {
    {1, 0x5800, 10050, 2050, 1026, 2, 2027},  {2, 0x6000, 10003, 2, 8002, 9002, 10002},
    {3, 0x4000, 10242, 2, 8194, 9218, 10241}, {4, 0x2000, 10018, 2, 8002, 9018, 9003},
    {5, 0xA000, 10242, 2, 8194, 9218, 8066},
};

// Checks that the image shows the hires data with the given background:
// pair 00 in the background colour, the others in their nibbles, all opaque.
// Gives the number of pair 00 pixels.
int expect_image_shows(GdkPixbuf *image, const uint8_t *hires, int background,
                       const std::string &what)
{
    EXPECT_EQ(gdk_pixbuf_get_width(image), 320) << what;
    EXPECT_EQ(gdk_pixbuf_get_height(image), 200) << what;
    EXPECT_TRUE(gdk_pixbuf_get_has_alpha(image)) << what;
    if (gdk_pixbuf_get_width(image) != 320 || gdk_pixbuf_get_height(image) != 200) {
        return 0;
    }
    int background_pixels = 0;
    for (int y = 0; y < 200; y++) {
        for (int x = 0; x < 320; x++) {
            const int cell = (y / 8) * 40 + x / 8;
            const int pair = (hires[8 * cell + y % 8] >> (6 - (x % 8 & 6))) & 3;
            const uint8_t screen = hires[8000 + cell];
            const uint8_t colour = hires[9000 + cell];
            const int index = pair == 0   ? background
                              : pair == 1 ? screen >> 4
                              : pair == 2 ? screen & 15
                                          : colour & 15;
            background_pixels += pair == 0;
            if (pixel(image, x, y) != colour_of(index)) {
                ADD_FAILURE() << what << ": pixel " << x << "," << y << " is not colour " << index;
                return background_pixels;
            }
        }
    }
    return background_pixels;
}

} // namespace

TEST(HiresDecoder, DetectionByLoadAddressAndExactLength)
{
    for (const Layout &l : kLayouts) {
        EXPECT_EQ(hiresdecoder_detect_format(program(l.load, l.length)), l.selector);
        EXPECT_EQ(hiresdecoder_detect_format(program(l.load, l.length + 1)), 0);
        EXPECT_EQ(hiresdecoder_detect_format(program(l.load, l.length - 1)), 0);
        EXPECT_EQ(hiresdecoder_detect_format(program(l.load + 1, l.length)), 0);
        EXPECT_EQ(hiresdecoder_format(l.selector)->load_address, l.load);
    }
    // Too short for a load address: nothing is read past the end.
    for (size_t n : {0, 1}) {
        Bytes tiny(n, 0x60);
        EXPECT_EQ(hiresdecoder_detect_format(tiny), 0);
        expect_failure(decode(tiny, 0), "Undetected picture format");
        expect_failure(decode(tiny, 2),
                       "Wrong file size\nExpected: 10003\nActual: " + std::to_string(n));
    }
    EXPECT_EQ(hiresdecoder_format(0), nullptr);
    EXPECT_EQ(hiresdecoder_format(6), nullptr);
}

TEST(HiresDecoder, ForcedFormatsCheckAddressThenSize)
{
    const Bytes vidcom = program(0x5800, 10050);
    expect_failure(decode(vidcom, 2), "Wrong load address\nExpected: $6000\nActual: $5800");
    // The address is checked before the length.
    expect_failure(decode(program(0x5800, 7), 5),
                   "Wrong load address\nExpected: $A000\nActual: $5800");
    expect_failure(decode(program(0x6000, 10004), 2),
                   "Wrong file size\nExpected: 10003\nActual: 10004");
    expect_failure(decode(program(0x6000, 10004), 0), "Undetected picture format");
    for (int selector : {-1, 6, 255}) {
        expect_failure(decode(vidcom, selector), "Unknown picture format");
    }
    // A forced format that matches decodes like detection.
    EXPECT_TRUE(decode(vidcom, 1).ok);
    // Artist 64 and Blazing Paddles share a length: only the address decides.
    expect_failure(decode(program(0x4000, 10242), 5),
                   "Wrong load address\nExpected: $A000\nActual: $4000");
}

TEST(HiresDecoder, EveryFormatTakesItsAreasFromItsOwnOffsets)
{
    for (const Layout &l : kLayouts) {
        Bytes file = program(l.load, l.length, static_cast<unsigned>(l.selector));
        std::array<uint8_t, kHiresDataSize> hires{};
        Outcome o = decode(file, 0, hires.data());
        ASSERT_TRUE(o.ok) << l.selector;
        EXPECT_TRUE(std::equal(hires.begin(), hires.begin() + 8000, file.begin() + l.bitmap))
            << "bitmap of format " << l.selector;
        EXPECT_TRUE(std::equal(hires.begin() + 8000, hires.begin() + 9000, file.begin() + l.screen))
            << "screen of format " << l.selector;
        EXPECT_TRUE(std::equal(hires.begin() + 9000, hires.end(), file.begin() + l.colour))
            << "colour of format " << l.selector;
        EXPECT_GT(expect_image_shows(o.image.get(), hires.data(), file[l.background] & 15,
                                     "format " + std::to_string(l.selector)),
                  0);
    }
}

TEST(HiresDecoder, ColourHighNibblesAreKeptButNotShown)
{
    Bytes file = program(0x6000, 10003);
    Bytes other = file;
    for (size_t i = 9002; i < 10002; i++) {
        file[i] &= 0x0F;
        other[i] |= 0xF0;
    }
    std::array<uint8_t, kHiresDataSize> hires{};
    Outcome a = decode(file, 0);
    Outcome b = decode(other, 0, hires.data());
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(hires[9000] & 0xF0, 0xF0);
    EXPECT_TRUE(
        gdk_pixbuf_get_byte_length(a.image.get()) == gdk_pixbuf_get_byte_length(b.image.get()) &&
        std::memcmp(gdk_pixbuf_get_pixels(a.image.get()), gdk_pixbuf_get_pixels(b.image.get()),
                    gdk_pixbuf_get_byte_length(a.image.get())) == 0);
}

TEST(HiresDecoder, DestinationIsLeftAloneWhenNotAskedForOrOnFailure)
{
    std::array<uint8_t, kHiresDataSize> hires;
    hires.fill(0x5A);
    const auto before = hires;
    expect_failure(decode(program(0x6000, 10004), 0, hires.data()), "Undetected picture format");
    expect_failure(decode(program(0x6000, 10004), 2, hires.data()),
                   "Wrong file size\nExpected: 10003\nActual: 10004");
    expect_failure(decode(program(0x6000, 10003), 9, hires.data()), "Unknown picture format");
    EXPECT_EQ(hires, before);
    // The preview decodes without a destination.
    Outcome o = decode(program(0x6000, 10003), 0, nullptr);
    EXPECT_TRUE(o.ok);
    EXPECT_TRUE(o.image);
    EXPECT_EQ(hires, before);
    // Without an image only the hires data is taken.
    GError *error = nullptr;
    EXPECT_TRUE(hiresdecoder_decode_hires_screen_data(program(0x6000, 10003), 0, nullptr,
                                                      hires.data(), &error));
    EXPECT_EQ(error, nullptr);
    EXPECT_NE(hires, before);
}

TEST(HiresDecoder, FileErrors)
{
    GdkPixbuf *image = nullptr;
    GError *error = nullptr;
    EXPECT_FALSE(hiresdecoder_decode_hires_screen_file("../shared/testdata/pictures/no-such-file",
                                                       0, &image, nullptr, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->domain, G_FILE_ERROR);
    EXPECT_EQ(error->code, G_FILE_ERROR_NOENT);
    g_clear_error(&error);
    EXPECT_EQ(image, nullptr);

    // A real Koala picture with one byte appended is no longer detected.
    Bytes koala = read_file(kPictures + "koala/metal.kla");
    koala.push_back(0);
    GCharPtr dir(g_dir_make_tmp("zbx-hires-XXXXXX", nullptr));
    ASSERT_TRUE(dir);
    GCharPtr path(g_build_filename(dir.get(), "metal.kla", nullptr));
    ASSERT_TRUE(g_file_set_contents(path.get(), reinterpret_cast<const char *>(koala.data()),
                                    static_cast<gssize>(koala.size()), nullptr));
    EXPECT_FALSE(hiresdecoder_decode_hires_screen_file(path.get(), 0, &image, nullptr, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->message, "Undetected picture format");
    g_clear_error(&error);
    // Without it, it decodes from disk.
    koala.pop_back();
    ASSERT_TRUE(g_file_set_contents(path.get(), reinterpret_cast<const char *>(koala.data()),
                                    static_cast<gssize>(koala.size()), nullptr));
    EXPECT_TRUE(hiresdecoder_decode_hires_screen_file(path.get(), 0, &image, nullptr, &error));
    EXPECT_EQ(error, nullptr);
    ASSERT_NE(image, nullptr);
    g_object_unref(image);
    g_remove(path.get());
    g_rmdir(dir.get());
}

// Every real picture decodes under the format of its folder, shows its
// background colour where the bitmap has pair 00, and matches an
// independent decoding pixel for pixel (save the background, where that
// decoding is known to get it wrong).
TEST(HiresDecoder, RealPictures)
{
    const std::map<std::string, int> folders = {{"vidcom64", 1},
                                                {"koala", 2},
                                                {"artist64", 3},
                                                {"advanced_art_studio", 4},
                                                {"blazing_paddles", 5}};
    int pictures = 0, compared = 0, with_background = 0;
    for (const auto &[folder, selector] : folders) {
        GDir *dir = g_dir_open((kPictures + folder).c_str(), 0, nullptr);
        ASSERT_NE(dir, nullptr) << folder;
        while (const char *entry = g_dir_read_name(dir)) {
            const std::string name = entry;
            if (g_str_has_suffix(entry, ".png")) {
                continue;
            }
            const std::string path = kPictures + folder + "/" + name;
            SCOPED_TRACE(path);
            pictures++;
            const Bytes file = read_file(path);
            EXPECT_EQ(hiresdecoder_detect_format(file), selector);
            std::array<uint8_t, kHiresDataSize> hires{};
            Outcome o = decode(file, 0, hires.data());
            ASSERT_TRUE(o.ok) << (o.error ? o.error->message : "");
            EXPECT_TRUE(decode(file, selector).ok);
            const int background = file[hiresdecoder_format(selector)->background] & 15;
            with_background +=
                expect_image_shows(o.image.get(), hires.data(), background, path) > 0;

            const std::string stem = kPictures + folder + "/" + name.substr(0, name.rfind('.'));
            const bool background_differs =
                g_file_test((stem + ".gimp-bgdiffers.png").c_str(), G_FILE_TEST_EXISTS);
            const std::string png =
                stem + (background_differs ? ".gimp-bgdiffers.png" : ".gimp.png");
            GRef<GdkPixbuf> other(gdk_pixbuf_new_from_file(png.c_str(), nullptr));
            ASSERT_TRUE(other) << png;
            for (int y = 0; y < 200; y++) {
                for (int x = 0; x < 320; x++) {
                    const int cell = (y / 8) * 40 + x / 8;
                    const bool pair0 = ((hires[8 * cell + y % 8] >> (6 - (x % 8 & 6))) & 3) == 0;
                    if (background_differs && pair0) {
                        continue;
                    }
                    ASSERT_EQ(pixel(o.image.get(), x, y), pixel(other.get(), x, y))
                        << png << " at " << x << "," << y;
                }
            }
            compared++;
        }
        g_dir_close(dir);
    }
    EXPECT_EQ(pictures, 15);
    EXPECT_EQ(compared, 15);
    EXPECT_GE(with_background, 14); // the Artist 64 picture covers every pixel

    // Where the other decoding gets the background wrong, ours is the one
    // the picture was drawn for.
    EXPECT_EQ(read_file(kPictures + "vidcom64/apo343.vid")[2027] & 15, 15);        // light grey
    EXPECT_EQ(read_file(kPictures + "blazing_paddles/worldmap.pi")[8066] & 15, 6); // blue sea
}

TEST(HiresDecoder, NearMissesAreRejected)
{
    GDir *dir = g_dir_open((kPictures + "variants").c_str(), 0, nullptr);
    ASSERT_NE(dir, nullptr);
    int count = 0;
    while (const char *entry = g_dir_read_name(dir)) {
        const Bytes file = read_file(kPictures + "variants/" + entry);
        EXPECT_EQ(hiresdecoder_detect_format(file), 0) << entry;
        expect_failure(decode(file, 0), "Undetected picture format");
        count++;
    }
    g_dir_close(dir);
    EXPECT_EQ(count, 6);
    // Forcing Koala on the Koala picture with load address $0000 names both.
    expect_failure(decode(read_file(kPictures + "variants/PIC_GDC.koa"), 2),
                   "Wrong load address\nExpected: $6000\nActual: $0000");
    expect_failure(decode(read_file(kPictures + "variants/STILLIFE.rpm"), 2),
                   "Wrong file size\nExpected: 10003\nActual: 10006");
}
