// Objects cut out of a C64 multicolour picture: the picture's own bytes,
// cell by cell, with each cell's bit-pair usage recorded in the high nibble
// of its colour byte.
#include <array>

#include "items/objects.h"

namespace {
constexpr int kPictureCellsWide = 40;
constexpr int kPictureWidth = kScreenWidth;
constexpr int kPictureHeight = kScreenHeight;
constexpr size_t kBitmapSize = 8000;
constexpr size_t kCellCount = 1000;

bool region_fits(ZbxRect r)
{
    if (r.x < 0 || r.y < 0 || r.x % 8 != 0 || r.y % 8 != 0 || r.width % 8 != 0 ||
        r.height % 8 != 0) {
        return false;
    }
    if (r.width < 8 || r.width > kMaxObjectPixels || r.height < 8 || r.height > kMaxObjectPixels) {
        return false;
    }
    // The sizes are small now; the edges are compared without adding, which
    // could overflow.
    return r.x <= kPictureWidth - r.width && r.y <= kPictureHeight - r.height;
}

// Which bit pair of the cell shows colour t: 1, 2, 3, or 0 for none.
int transparent_pair(uint8_t screen, uint8_t colour, int t)
{
    if (t < 0 || t > 15) {
        return 0;
    }
    if ((screen >> 4) == t) {
        return 1;
    }
    if ((screen & 15) == t) {
        return 2;
    }
    if ((colour & 15) == t) {
        return 3;
    }
    return 0;
}

uint8_t clear_pairs(uint8_t byte, int pair)
{
    uint8_t out = byte;
    for (int shift = 0; shift < 8; shift += 2) {
        if (((byte >> shift) & 3) == pair) {
            out = static_cast<uint8_t>(out & ~(3 << shift));
        }
    }
    return out;
}

} // namespace

std::vector<uint8_t> objects_region_to_record(std::span<const uint8_t> bitmap,
                                              std::span<const uint8_t> screen,
                                              std::span<const uint8_t> colour, ZbxRect region,
                                              int transparent)
{
    if (!region_fits(region) || bitmap.size() < kBitmapSize || screen.size() < kCellCount ||
        colour.size() < kCellCount) {
        return {};
    }
    const int w = region.width / 8;
    const int h = region.height / 8;
    const size_t n = static_cast<size_t>(w) * h;
    std::vector<uint8_t> record(objects_record_size(w, h));
    record[0] = static_cast<uint8_t>(w * 16 + h);
    uint8_t *out_bitmap = record.data() + 1;
    uint8_t *out_screen = out_bitmap + 8 * n;
    uint8_t *out_colour = out_screen + n;
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++) {
            const size_t p = static_cast<size_t>(region.x / 8 + c) +
                             kPictureCellsWide * static_cast<size_t>(region.y / 8 + r);
            const size_t cell = static_cast<size_t>(c) + static_cast<size_t>(w) * r;
            const uint8_t s = screen[p];
            const uint8_t k = colour[p];
            const int t = transparent_pair(s, k, transparent);
            std::array<bool, 4> used{};
            for (int row = 0; row < 8; row++) {
                const uint8_t byte = bitmap[8 * p + row];
                for (int shift = 0; shift < 8; shift += 2) {
                    used[(byte >> shift) & 3] = true;
                }
                out_bitmap[8 * cell + row] = t != 0 ? clear_pairs(byte, t) : byte;
            }
            out_screen[cell] = s;
            uint8_t usage = 0;
            for (int pair = 0; pair < 4; pair++) {
                if (used[pair]) {
                    usage |= static_cast<uint8_t>(16 << pair);
                }
            }
            out_colour[cell] = static_cast<uint8_t>((k & 15) | usage);
        }
    }
    return record;
}
