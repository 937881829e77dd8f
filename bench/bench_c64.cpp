// Decoding pictures and rendering multicolour data.
#include <benchmark/benchmark.h>

#include <array>
#include <glib/gstdio.h>
#include <random>
#include <string>
#include <vector>

#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "c64/pixbufs.h"
#include "files/picture_file.h"
#include "steady.h"

namespace {

std::vector<uint8_t> noise(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (uint8_t &b : v) {
        b = static_cast<uint8_t>(rng());
    }
    return v;
}

// A real Koala picture when the test data is at hand, else noise in its shape.
std::vector<uint8_t> koala_file()
{
    const std::string path = std::string(ZBX_SOURCE_DIR) + "/tests/data/pictures/koala/metal.kla";
    gchar *contents = nullptr;
    gsize length = 0;
    if (g_file_get_contents(path.c_str(), &contents, &length, nullptr)) {
        std::vector<uint8_t> bytes(contents, contents + length);
        g_free(contents);
        return bytes;
    }
    std::vector<uint8_t> bytes = noise(10003, 1);
    bytes[0] = 0x00;
    bytes[1] = 0x60;
    return bytes;
}

struct Cells
{
    Cells(int w, int h)
        : bitmap(noise(static_cast<size_t>(8 * w * h), 2)),
          screen(noise(static_cast<size_t>(w * h), 3)), colour(noise(static_cast<size_t>(w * h), 4))
    {
    }
    std::vector<uint8_t> bitmap, screen, colour;
};

// Decode of a picture's bytes into hires data plus its 320 x 200 image.
void BM_DecodeAndRenderPicture(benchmark::State &state)
{
    const std::vector<uint8_t> file = koala_file();
    std::array<uint8_t, kHiresDataSize> hires{};
    for (auto _ : state) {
        GdkPixbuf *image = nullptr;
        if (!hiresdecoder_decode_hires_screen_data(file, 0, &image, hires.data(), nullptr)) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(image);
        g_object_unref(image);
    }
}
BENCHMARK(BM_DecodeAndRenderPicture)->Apply(zbx_steady);

// The same, reading the file from disk each time.
void BM_DecodePictureFile(benchmark::State &state)
{
    const std::string path = std::string(ZBX_SOURCE_DIR) + "/tests/data/pictures/koala/metal.kla";
    std::array<uint8_t, kHiresDataSize> hires{};
    for (auto _ : state) {
        GdkPixbuf *image = nullptr;
        if (!picture_read_file(path.c_str(), 0, &image, hires.data(), nullptr)) {
            state.SkipWithError("no picture file");
            break;
        }
        g_object_unref(image);
    }
}
BENCHMARK(BM_DecodePictureFile)->Apply(zbx_steady);

// Rendering a full 40 x 25 cell picture into an existing RGBA buffer.
void BM_RenderPictureRaw(benchmark::State &state)
{
    Cells c(40, 25);
    std::vector<uint8_t> pixels(320 * 200 * 4);
    const RgbaView view{pixels.data(), 320, 200, 320 * 4};
    const HiresData data{c.bitmap, c.screen, c.colour};
    for (auto _ : state) {
        pixbufs_render_hires_raw(view, data, 40, 25, 6);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_RenderPictureRaw)->Apply(zbx_steady);

// One object drawn into a canvas, as the panel renderer does hundreds of times.
void BM_FillObject(benchmark::State &state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    Cells c(w, h);
    GRef<GdkPixbuf> canvas(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200));
    for (auto _ : state) {
        pixbufs_fill_from_hires_data_opaque(canvas.get(), c.bitmap.data(), c.screen.data(),
                                            c.colour.data(), 6, w, h, 80, 64);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}
BENCHMARK(BM_FillObject)->Args({15, 15})->Args({4, 3})->Args({1, 1})->Apply(zbx_steady);

// An object half outside the screen: the clipped path.
void BM_FillObjectClipped(benchmark::State &state)
{
    Cells c(15, 15);
    GRef<GdkPixbuf> canvas(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 320, 200));
    for (auto _ : state) {
        pixbufs_fill_from_hires_data_opaque(canvas.get(), c.bitmap.data(), c.screen.data(),
                                            c.colour.data(), 6, 15, 15, -60, 140);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FillObjectClipped)->Apply(zbx_steady);

// A new transparent object image, as when an object is loaded.
void BM_NewObjectImage(benchmark::State &state)
{
    Cells c(15, 15);
    for (auto _ : state) {
        GdkPixbuf *image =
            pixbufs_new_from_hires(c.bitmap.data(), c.screen.data(), c.colour.data(), 15, 15);
        benchmark::DoNotOptimize(image);
        g_object_unref(image);
    }
}
BENCHMARK(BM_NewObjectImage)->Apply(zbx_steady);

// A grabber selection cut out of a picture.
void BM_NewRegionImage(benchmark::State &state)
{
    Cells c(40, 25);
    for (auto _ : state) {
        GdkPixbuf *image = pixbufs_new_from_hires_region(c.bitmap.data(), c.screen.data(),
                                                         c.colour.data(), {64, 48, 120, 120});
        benchmark::DoNotOptimize(image);
        g_object_unref(image);
    }
}
BENCHMARK(BM_NewRegionImage)->Apply(zbx_steady);

} // namespace

namespace {

// A 320 x 200 PNG in a temporary folder: the Koala picture as a paint
// program saves it (nothing beside the pixels), or noise of many colours.
std::string png_file(bool noisy)
{
    std::vector<uint8_t> hires(kHiresDataSize);
    HiresPictureView view{};
    const std::vector<uint8_t> file = koala_file();
    if (hiresdecoder_parse_picture(file, 0, &view, nullptr)) {
        hiresdecoder_store_hires_data(view, std::span<uint8_t, kHiresDataSize>(hires));
    }
    GRef<GdkPixbuf> image(pixbufs_new_from_hires_opaque(
        hires.data(), hires.data() + 8000, hires.data() + 9000, view.background, 40, 25));
    if (noisy) {
        const std::vector<uint8_t> bytes = noise(320 * 200 * 3, 9);
        for (int y = 0; y < 200; y++) {
            for (int x = 0; x < 320; x++) {
                uint8_t *p = gdk_pixbuf_get_pixels(image.get()) +
                             y * gdk_pixbuf_get_rowstride(image.get()) +
                             x * gdk_pixbuf_get_n_channels(image.get());
                std::copy_n(&bytes[3 * (y * 320 + x)], 3, p);
            }
        }
    }
    std::vector<uint8_t> png;
    pixbufs_encode_png(image.get(), &png, nullptr);
    GCharPtr dir(g_dir_make_tmp("zbx-bench-XXXXXX", nullptr));
    const std::string path = std::string(dir.get()) + (noisy ? "/noise.png" : "/picture.png");
    g_file_set_contents(path.c_str(), reinterpret_cast<const char *>(png.data()),
                        static_cast<gssize>(png.size()), nullptr);
    return path;
}

// What the grabber does to open (or read again) an image: read and decode
// the PNG, match it to the palette and the cells, draw the picture.
void open_png(benchmark::State &state, bool noisy)
{
    const std::string path = png_file(noisy);
    for (auto _ : state) {
        PictureRead picture;
        if (!picture_read_any(path.c_str(), -1, &picture, nullptr)) {
            state.SkipWithError("no picture");
            break;
        }
        GRef<GdkPixbuf> image(picture_render(picture));
        benchmark::DoNotOptimize(image.get());
    }
    g_unlink(path.c_str());
    GCharPtr dir(g_path_get_dirname(path.c_str()));
    g_rmdir(dir.get());
}

void BM_OpenPngPicture(benchmark::State &state)
{
    open_png(state, false);
}
BENCHMARK(BM_OpenPngPicture)->Unit(benchmark::kMillisecond)->Apply(zbx_steady);

// Every pixel a colour of its own: the most matching an image can ask.
void BM_OpenPngNoise(benchmark::State &state)
{
    open_png(state, true);
}
BENCHMARK(BM_OpenPngNoise)->Unit(benchmark::kMillisecond)->Apply(zbx_steady);

} // namespace
