// The grabber's selection geometry.
#include "grabber/objectgrabber_selection.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kCell = 8;

// The picture coordinate of a position on the zoomed area, truncated.
int picture_coordinate(double position, int zoom)
{
    return static_cast<int>(position) >> zoom;
}

// One dimension of the drag step. The pointer counts only within the
// picture and one cell beyond it; the size changes in whole cells and is
// kept within 15 cells either way and, so that a grab only ever reads the
// picture, within the picture's border. The anchor moves by what the size
// took, so a limit reached holds until the pointer comes back.
bool drag_axis(int position, int limit, int origin, int *size, int *anchor)
{
    if (position < 0 || position >= limit + kCell) {
        return false;
    }
    if (*anchor < 0) {
        *anchor = position / kCell * kCell;
        return false;
    }
    const int distance = position - *anchor;
    if (distance > -kCell && distance < kCell) {
        return false;
    }
    const int step = distance / kCell * kCell;
    const int low = std::max(-kMaxObjectPixels, -origin);
    const int high = std::min(kMaxObjectPixels, limit - origin);
    const int wanted = std::clamp(*size + step, std::min(low, *size), std::max(high, *size));
    const int taken = wanted - *size;
    if (taken == 0) {
        return false;
    }
    *size = wanted;
    *anchor += taken;
    return true;
}

} // namespace

void objectgrabber_press(GrabberSelection *selection, double x, double y, int zoom)
{
    const int px = std::clamp(picture_coordinate(x, zoom), 0, kScreenWidth - 1);
    const int py = std::clamp(picture_coordinate(y, zoom), 0, kScreenHeight - 1);
    selection->rect = ZbxRect{px / kCell * kCell, py / kCell * kCell, 0, 0};
    objectgrabber_motion_handler_reset(selection);
}

void objectgrabber_motion_handler_reset(GrabberSelection *selection)
{
    selection->xold = -1;
    selection->yold = -1;
}

bool objectgrabber_motion_handler(int x, int y, GrabberSelection *selection)
{
    ZbxRect &r = selection->rect;
    const bool across = drag_axis(x, kScreenWidth, r.x, &r.width, &selection->xold);
    const bool down = drag_axis(y, kScreenHeight, r.y, &r.height, &selection->yold);
    return across || down;
}

bool objectgrabber_selection_empty(const ZbxRect &rect)
{
    return rect.width == 0 || rect.height == 0;
}

ZbxRect objectgrabber_normalise(const ZbxRect &rect)
{
    ZbxRect r = rect;
    if (r.width < 0) {
        r.x += r.width;
        r.width = -r.width;
    }
    if (r.height < 0) {
        r.y += r.height;
        r.height = -r.height;
    }
    return r;
}

std::string objectgrabber_selection_details(const ZbxRect &rect)
{
    if (objectgrabber_selection_empty(rect)) {
        return "";
    }
    char text[96];
    std::snprintf(text, sizeof text, " Selection X: %d, Y: %d, Width: %d, Height: %d", rect.x >> 3,
                  rect.y >> 3, rect.width >> 3, rect.height >> 3);
    return text;
}

bool objectgrabber_frame_on_area(const ZbxRect &rect, int zoom, ZbxRect *frame)
{
    if (objectgrabber_selection_empty(rect)) {
        return false;
    }
    const ZbxRect r = objectgrabber_normalise(rect);
    const int scale = 1 << zoom;
    const int left = std::max(r.x * scale, 0);
    const int top = std::max(r.y * scale, 0);
    const int right = std::min((r.x + r.width) * scale, kScreenWidth * scale);
    const int bottom = std::min((r.y + r.height) * scale, kScreenHeight * scale);
    if (right <= left || bottom <= top) {
        return false;
    }
    *frame = ZbxRect{left, top, right - left, bottom - top};
    return true;
}

int objectgrabber_palette_colour_at(double x)
{
    const int square = static_cast<int>(x * 0.0625);
    return ((square % 16) + 16) % 16;
}

std::string objectgrabber_pointer_text(double x, double y, int zoom)
{
    if (x < 0 || y < 0) {
        return "";
    }
    const int px = picture_coordinate(x, zoom);
    const int py = picture_coordinate(y, zoom);
    if (px >= kScreenWidth || py >= kScreenHeight) {
        return "";
    }
    char text[64];
    std::snprintf(text, sizeof text, "Cell %d, %d \u00b7 pixel %d, %d", px / kCell, py / kCell, px,
                  py);
    return text;
}
