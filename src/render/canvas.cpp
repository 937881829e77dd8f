// Canvases and the backdrop: the display-free half of the common helpers.
#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "base/gref.h"
#include "c64/palette.h"
#include "render/canvas.h"

namespace {
struct CanvasState
{
    // The backdrop, normalised to 320 x 200 RGBA.
    GRef<GdkPixbuf> background;
    // Where the backdrop is looked for, when set (tests).
    std::vector<std::string> candidates;
};
CanvasState state;

void fill_rect(GdkPixbuf *canvas, int colour, int x0, int y0, int width, int height)
{
    uint8_t rgb[3];
    palette_get_rgb_at_index(colour & 255, rgb);
    RgbaView v = pixbufs_view(canvas);
    for (int y = y0; y < y0 + height && y < v.height; y++) {
        uint8_t *p = v.pixels + y * v.rowstride + x0 * 4;
        for (int x = x0; x < x0 + width && x < v.width; x++, p += 4) {
            p[0] = rgb[0];
            p[1] = rgb[1];
            p[2] = rgb[2];
            p[3] = 255;
        }
    }
}
} // namespace

void canvas_set_backdrop(GdkPixbuf *image)
{
    if (image == nullptr) {
        state.background.reset();
        return;
    }
    GRef<GdkPixbuf> canvas(canvas_new());
    gdk_pixbuf_fill(canvas.get(), 0x000000ff);
    int w = std::min(gdk_pixbuf_get_width(image), back_width);
    int h = std::min(gdk_pixbuf_get_height(image), back_height);
    gdk_pixbuf_copy_area(image, 0, 0, w, h, canvas.get(), 0, 0);
    state.background = canvas;
}

std::vector<std::string> canvas_backdrop_candidates()
{
    if (!state.candidates.empty()) {
        return state.candidates;
    }
    const std::string name = "background.png";
    std::vector<std::string> candidates = {std::string(ZBX_DATADIR) + "/" + name};
    std::string beside = canvas_executable_folder();
    if (!beside.empty()) {
        // An installation moved elsewhere keeps its data beside bin/.
        candidates.push_back(beside + "/../share/zembrix/" + name);
        candidates.push_back(beside + "/" + name);
    }
    candidates.push_back(name);
    return candidates;
}

void canvas_set_backdrop_candidates(std::vector<std::string> paths)
{
    state.candidates = std::move(paths);
}

gboolean canvas_load_backdrop(GError **error)
{
    const std::vector<std::string> candidates = canvas_backdrop_candidates();
    // The first failure of a file that exists says most; when none exists,
    // the last place is tried anyway for the loader's own message.
    GError *failure = nullptr;
    for (const std::string &path : candidates) {
        const bool exists = g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
        if (!exists && (failure != nullptr || &path != &candidates.back())) {
            continue;
        }
        GError *local = nullptr;
        GRef<GdkPixbuf> image(gdk_pixbuf_new_from_file(path.c_str(), &local));
        if (image && (gdk_pixbuf_get_width(image.get()) < back_width ||
                      gdk_pixbuf_get_height(image.get()) < back_height)) {
            g_set_error(&local, G_FILE_ERROR, G_FILE_ERROR_FAILED,
                        "The backdrop \"%s\" is smaller than %d x %d pixels", path.c_str(),
                        back_width, back_height);
            image.reset();
        }
        if (image) {
            g_clear_error(&failure);
            canvas_set_backdrop(image.get());
            return TRUE;
        }
        if (failure == nullptr) {
            failure = local;
        } else {
            g_clear_error(&local);
        }
    }
    g_propagate_error(error, failure);
    return FALSE;
}

GdkPixbuf *canvas_get_backdrop()
{
    return state.background.get();
}

GdkPixbuf *canvas_new()
{
    GdkPixbuf *canvas = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, back_width, back_height);
    // Opaque black until something is drawn, so that a canvas never shows
    // stale memory (for instance when the backdrop is missing).
    if (canvas != nullptr) {
        gdk_pixbuf_fill(canvas, 0x000000ff);
    }
    return canvas;
}

namespace {
// Copies the top `rows` rows of a 320-pixel-wide image into the canvas.
void copy_rows(GdkPixbuf *source, GdkPixbuf *canvas, int rows)
{
    if (source == nullptr || canvas == nullptr) {
        return;
    }
    if (gdk_pixbuf_get_has_alpha(source) && gdk_pixbuf_get_n_channels(source) == 4 &&
        gdk_pixbuf_get_width(source) >= back_width && gdk_pixbuf_get_height(source) >= rows) {
        RgbaView s = pixbufs_view(source);
        RgbaView d = pixbufs_view(canvas);
        for (int y = 0; y < rows; y++) {
            std::memcpy(d.pixels + y * d.rowstride, s.pixels + y * s.rowstride, back_width * 4);
        }
        return;
    }
    gdk_pixbuf_copy_area(source, 0, 0, back_width, rows, canvas, 0, 0);
}
} // namespace

void canvas_copy_image(GdkPixbuf *source, GdkPixbuf *canvas)
{
    copy_rows(source, canvas, back_height);
}

void canvas_copy_backdrop(GdkPixbuf *canvas)
{
    canvas_copy_image(state.background.get(), canvas);
}

void canvas_copy_backdrop_above_area(GdkPixbuf *canvas)
{
    copy_rows(state.background.get(), canvas, kLocationTop);
}

void canvas_erase(GdkPixbuf *canvas, int colour)
{
    if (canvas != nullptr) {
        fill_rect(canvas, colour, 0, 0, back_width, back_height);
    }
}

void canvas_fill_location_area(GdkPixbuf *canvas, int colour)
{
    if (canvas != nullptr) {
        fill_rect(canvas, colour, 0, kLocationTop, kLocationWidth, kLocationHeight);
    }
}

gboolean canvas_clip_item_frame(int zoom, ZbxRect *rect)
{
    int scale = 1 << zoom;
    int x = rect->x * scale;
    int y = rect->y * scale;
    int right = x + rect->width * scale;
    int bottom = y + rect->height * scale;
    int x0 = std::max(x, 0);
    int y0 = std::max(y, 0);
    int x1 = std::min(right, kLocationWidth * scale);
    int y1 = std::min(bottom, kLocationHeight * scale);
    if (x1 <= x0 || y1 <= y0) {
        return FALSE;
    }
    *rect = {x0, y0, x1 - x0, y1 - y0};
    return TRUE;
}

gboolean canvas_item_frame_on_area(int zoom, ZbxRect *rect)
{
    if (!canvas_clip_item_frame(zoom, rect)) {
        return FALSE;
    }
    rect->y += kLocationTop << zoom;
    return TRUE;
}

void canvas_cleanup()
{
    state = CanvasState{};
}

std::string canvas_executable_folder()
{
    GCharPtr exe(g_file_read_link("/proc/self/exe", nullptr));
    if (!exe) {
        return {};
    }
    GCharPtr dir(g_path_get_dirname(exe.get()));
    return dir.get();
}
