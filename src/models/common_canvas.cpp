// Canvases and the backdrop: the display-free half of the common helpers.
#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "c64/palette.h"
#include "gref.h"
#include "models/common_canvas.h"

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

void common_set_background_pixbuf(GdkPixbuf *image)
{
    if (image == nullptr) {
        state.background.reset();
        return;
    }
    GRef<GdkPixbuf> canvas(common_create_new_canvas());
    gdk_pixbuf_fill(canvas.get(), 0x000000ff);
    int w = std::min(gdk_pixbuf_get_width(image), back_width);
    int h = std::min(gdk_pixbuf_get_height(image), back_height);
    gdk_pixbuf_copy_area(image, 0, 0, w, h, canvas.get(), 0, 0);
    state.background = canvas;
}

std::vector<std::string> common_background_candidates()
{
    if (!state.candidates.empty()) {
        return state.candidates;
    }
    const std::string name = "background.png";
    std::vector<std::string> candidates = {std::string(ZBX_DATADIR) + "/" + name};
    std::string beside = common_executable_folder();
    if (!beside.empty()) {
        // An installation moved elsewhere keeps its data beside bin/.
        candidates.push_back(beside + "/../share/zembrix/" + name);
        candidates.push_back(beside + "/" + name);
    }
    candidates.push_back(name);
    return candidates;
}

void common_set_background_candidates(std::vector<std::string> paths)
{
    state.candidates = std::move(paths);
}

gboolean common_load_background_pixbuf(GError **error)
{
    const std::vector<std::string> candidates = common_background_candidates();
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
            common_set_background_pixbuf(image.get());
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

GdkPixbuf *common_get_background_pixbuf()
{
    return state.background.get();
}

GdkPixbuf *common_create_new_canvas()
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

void common_copy_image_to_pixbuf(GdkPixbuf *source, GdkPixbuf *canvas)
{
    copy_rows(source, canvas, back_height);
}

void common_copy_background_image_to_pixbuf(GdkPixbuf *canvas)
{
    common_copy_image_to_pixbuf(state.background.get(), canvas);
}

void common_copy_background_above_location_area(GdkPixbuf *canvas)
{
    copy_rows(state.background.get(), canvas, kLocationTop);
}

void common_erase_pixbuf(GdkPixbuf *canvas, int colour)
{
    if (canvas != nullptr) {
        fill_rect(canvas, colour, 0, 0, back_width, back_height);
    }
}

void common_fill_location_area(GdkPixbuf *canvas, int colour)
{
    if (canvas != nullptr) {
        fill_rect(canvas, colour, 0, kLocationTop, kLocationWidth, kLocationHeight);
    }
}

gboolean common_clip_item_frame(int zoom, ZbxRect *rect)
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

gboolean common_item_frame_on_area(int zoom, ZbxRect *rect)
{
    if (!common_clip_item_frame(zoom, rect)) {
        return FALSE;
    }
    rect->y += kLocationTop << zoom;
    return TRUE;
}

void common_canvas_cleanup()
{
    state = CanvasState{};
}

std::string common_executable_folder()
{
    GCharPtr exe(g_file_read_link("/proc/self/exe", nullptr));
    if (!exe) {
        return {};
    }
    GCharPtr dir(g_path_get_dirname(exe.get()));
    return dir.get();
}
