// Draws the example project that comes with Zembrix: a room and a
// landscape by day and in autumn, made of objects drawn here in C64
// multicolour, cut with the editor's own region conversion and written with
// its own project writer.
//
//   zembrix_make_example OUT.prg          writes the project
//   zembrix_make_example --check FILE     fails unless FILE is what it writes
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <glib.h>

#include "base/gref.h"
#include "c64/palette.h"
#include "files/fileio.h"
#include "files/zembrix_format.h"
#include "items/objects.h"

namespace {

enum Colour : int
{
    kNone = -1,
    kBlack = 0,
    kWhite = 1,
    kRed = 2,
    kCyan = 3,
    kPurple = 4,
    kGreen = 5,
    kBlue = 6,
    kYellow = 7,
    kOrange = 8,
    kBrown = 9,
    kLightRed = 10,
    kDarkGrey = 11,
    kGrey = 12,
    kLightGreen = 13,
    kLightBlue = 14,
    kLightGrey = 15,
};

// A drawing of w x h cells in multicolour pixels (4 x 8 per cell, each
// pixel twice as wide as high). kNone is transparent.
class Drawing
{
  public:
    Drawing(int w_cells, int h_cells)
        : w_(w_cells), h_(h_cells), pixels_(static_cast<size_t>(w_cells * 4 * h_cells * 8), kNone)
    {
    }
    int width() const { return w_ * 4; }
    int height() const { return h_ * 8; }
    int w_cells() const { return w_; }
    int h_cells() const { return h_; }

    int at(int x, int y) const
    {
        return inside(x, y) ? pixels_[static_cast<size_t>(y * width() + x)] : kNone;
    }
    void plot(int x, int y, int colour)
    {
        if (inside(x, y)) {
            pixels_[static_cast<size_t>(y * width() + x)] = colour;
        }
    }
    void rect(int x, int y, int w, int h, int colour)
    {
        for (int j = y; j < y + h; j++) {
            for (int i = x; i < x + w; i++) {
                plot(i, j, colour);
            }
        }
    }
    // An ellipse centred at (cx, cy) with radii in multicolour pixels.
    void ellipse(double cx, double cy, double rx, double ry, int colour)
    {
        for (int y = 0; y < height(); y++) {
            for (int x = 0; x < width(); x++) {
                const double dx = (x + 0.5 - cx) / rx;
                const double dy = (y + 0.5 - cy) / ry;
                if (dx * dx + dy * dy <= 1.0) {
                    plot(x, y, colour);
                }
            }
        }
    }
    // Fills the part of a row range whose x lies in [left(y), right(y)).
    template <typename L, typename R> void span_fill(int y0, int y1, L left, R right, int colour)
    {
        for (int y = y0; y < y1; y++) {
            for (int x = static_cast<int>(std::lround(left(y)));
                 x < static_cast<int>(std::lround(right(y))); x++) {
                plot(x, y, colour);
            }
        }
    }

  private:
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width() && y < height(); }
    int w_;
    int h_;
    std::vector<int> pixels_;
};

// A full C64 picture in hires data, the input of the region conversion.
struct Hires
{
    std::vector<uint8_t> bitmap = std::vector<uint8_t>(8000, 0);
    std::vector<uint8_t> screen = std::vector<uint8_t>(1000, 0);
    std::vector<uint8_t> colour = std::vector<uint8_t>(1000, 0);
};

int distance(int a, int b)
{
    int d = 0;
    for (int k = 0; k < 3; k++) {
        const int e = palette_rgb[a][k] - palette_rgb[b][k];
        d += e * e;
    }
    return d;
}

// Puts a drawing at the top left of a picture. Each cell keeps its three
// most used colours (bit pairs 01, 10, 11); any other colour takes the
// nearest of them. Transparent pixels are bit pair 00.
Hires to_hires(const Drawing &d)
{
    Hires h;
    for (int cy = 0; cy < d.h_cells(); cy++) {
        for (int cx = 0; cx < d.w_cells(); cx++) {
            std::array<int, 16> count{};
            for (int y = 0; y < 8; y++) {
                for (int x = 0; x < 4; x++) {
                    const int c = d.at(cx * 4 + x, cy * 8 + y);
                    if (c != kNone) {
                        count[c]++;
                    }
                }
            }
            std::vector<int> used;
            for (int c = 0; c < 16; c++) {
                if (count[c] > 0) {
                    used.push_back(c);
                }
            }
            std::stable_sort(used.begin(), used.end(),
                             [&](int a, int b) { return count[a] > count[b]; });
            used.resize(std::min<size_t>(used.size(), 3));
            std::array<int, 3> slot = {0, 0, 0};
            for (size_t k = 0; k < used.size(); k++) {
                slot[k] = used[k];
            }
            const size_t cell = static_cast<size_t>(cy * 40 + cx);
            h.screen[cell] = static_cast<uint8_t>((slot[0] << 4) | slot[1]);
            h.colour[cell] = static_cast<uint8_t>(slot[2]);
            for (int y = 0; y < 8; y++) {
                uint8_t byte = 0;
                for (int x = 0; x < 4; x++) {
                    const int c = d.at(cx * 4 + x, cy * 8 + y);
                    int pair = 0;
                    if (c != kNone && !used.empty()) {
                        size_t best = 0;
                        for (size_t k = 1; k < used.size(); k++) {
                            if (distance(c, used[k]) < distance(c, used[best])) {
                                best = k;
                            }
                        }
                        pair = static_cast<int>(best) + 1;
                    }
                    byte = static_cast<uint8_t>(byte | (pair << (6 - 2 * x)));
                }
                h.bitmap[cell * 8 + static_cast<size_t>(y)] = byte;
            }
        }
    }
    return h;
}

// The object record of a whole drawing, as the grabber would cut it.
std::vector<uint8_t> cut(const Drawing &d)
{
    const Hires h = to_hires(d);
    return objects_region_to_record(h.bitmap, h.screen, h.colour,
                                    ZbxRect{0, 0, d.w_cells() * 8, d.h_cells() * 8}, -1);
}

// --- The objects ---

Drawing brick()
{
    Drawing d(4, 2);
    d.rect(0, 0, 16, 16, kRed);
    // Mortar lines and a half-brick joint, with a darker lower edge.
    d.rect(0, 7, 16, 1, kDarkGrey);
    d.rect(0, 15, 16, 1, kDarkGrey);
    d.rect(15, 0, 1, 7, kDarkGrey);
    d.rect(7, 8, 1, 7, kDarkGrey);
    d.rect(0, 6, 15, 1, kBrown);
    d.rect(8, 14, 8, 1, kBrown);
    d.rect(0, 14, 7, 1, kBrown);
    return d;
}

Drawing floor_boards()
{
    Drawing d(5, 2);
    d.rect(0, 0, 20, 16, kOrange);
    for (int y : {0, 8}) {
        d.rect(0, y, 20, 1, kBrown);
        d.rect(0, y + 7, 20, 1, kDarkGrey);
    }
    d.rect(9, 1, 1, 6, kBrown);
    d.rect(3, 9, 1, 6, kBrown);
    d.rect(15, 9, 1, 6, kBrown);
    return d;
}

Drawing window_frame()
{
    Drawing d(4, 4);
    d.rect(0, 0, 16, 32, kBrown);
    d.rect(2, 2, 5, 12, kLightBlue);
    d.rect(9, 2, 5, 12, kLightBlue);
    d.rect(2, 16, 5, 12, kLightBlue);
    d.rect(9, 16, 5, 12, kLightBlue);
    // Light on the panes.
    d.rect(3, 3, 1, 4, kWhite);
    d.rect(10, 3, 1, 4, kWhite);
    d.rect(3, 17, 1, 4, kWhite);
    d.rect(10, 17, 1, 4, kWhite);
    return d;
}

Drawing door()
{
    Drawing d(3, 6);
    d.rect(0, 0, 12, 48, kBrown);
    d.rect(2, 3, 8, 18, kOrange);
    d.rect(2, 25, 8, 20, kOrange);
    d.rect(3, 4, 6, 16, kBrown);
    d.rect(3, 26, 6, 18, kBrown);
    d.rect(9, 22, 1, 2, kYellow);
    return d;
}

Drawing table()
{
    Drawing d(6, 3);
    d.rect(0, 0, 24, 3, kOrange);
    d.rect(0, 3, 24, 2, kBrown);
    d.rect(2, 5, 2, 19, kBrown);
    d.rect(20, 5, 2, 19, kBrown);
    d.rect(3, 5, 1, 19, kOrange);
    d.rect(21, 5, 1, 19, kOrange);
    return d;
}

Drawing candle()
{
    Drawing d(1, 3);
    d.ellipse(2, 4, 1.4, 3.5, kYellow);
    d.rect(2, 3, 1, 3, kWhite);
    d.rect(1, 8, 2, 14, kWhite);
    d.rect(0, 22, 4, 2, kOrange);
    return d;
}

Drawing bookshelf()
{
    Drawing d(4, 6);
    d.rect(0, 0, 16, 48, kBrown);
    const int books[5][2] = {
        {kRed, kGreen}, {kBlue, kYellow}, {kGreen, kRed}, {kYellow, kBlue}, {kRed, kYellow}};
    for (int shelf = 0; shelf < 5; shelf++) {
        const int top = 8 * shelf + 2 + (shelf == 0 ? 0 : 0);
        for (int b = 0; b < 7; b++) {
            const int height = 5 + (b * 3 + shelf) % 2;
            d.rect(1 + 2 * b, top + 6 - height, 2, height, books[shelf][b % 2]);
        }
    }
    return d;
}

Drawing painting()
{
    Drawing d(3, 2);
    d.rect(0, 0, 12, 16, kYellow);
    d.rect(1, 1, 10, 14, kLightBlue);
    d.span_fill(
        7, 15, [](int y) { return 1.0 + (15 - y) * 0.2; },
        [](int y) { return 7.0 + (y - 7) * 0.6; }, kGreen);
    d.span_fill(
        9, 15, [](int) { return 5.0; }, [](int) { return 11.0; }, kGreen);
    return d;
}

Drawing sun()
{
    Drawing d(2, 2);
    d.ellipse(4, 8, 4, 8, kOrange);
    d.ellipse(4, 8, 3.2, 6.5, kYellow);
    return d;
}

Drawing cloud()
{
    Drawing d(4, 2);
    d.ellipse(5, 10, 5, 5, kLightGrey);
    d.ellipse(10, 7, 5, 7, kLightGrey);
    d.ellipse(5, 9, 4.5, 4.5, kWhite);
    d.ellipse(10, 6, 4.5, 6, kWhite);
    d.rect(1, 14, 14, 2, kLightGrey);
    return d;
}

Drawing mountain()
{
    Drawing d(10, 5);
    // Peak at x = 20; the right flank in shadow.
    d.span_fill(
        0, 40, [](int y) { return 20.0 - y * 0.5; }, [](int) { return 20.0; }, kGrey);
    d.span_fill(
        0, 40, [](int) { return 20.0; }, [](int y) { return 20.0 + y * 0.5; }, kDarkGrey);
    d.span_fill(
        0, 10, [](int y) { return 20.0 - y * 0.5; },
        [](int y) { return 20.0 + y * 0.5 - (y > 6 ? 1 : 0); }, kWhite);
    return d;
}

Drawing hill()
{
    Drawing d(10, 3);
    d.ellipse(20, 24, 22, 20, kGreen);
    d.ellipse(17, 22, 14, 12, kLightGreen);
    return d;
}

Drawing tree()
{
    Drawing d(3, 5);
    d.rect(5, 26, 2, 14, kBrown);
    d.ellipse(6, 14, 6, 14, kGreen);
    d.ellipse(5, 11, 3.5, 9, kLightGreen);
    return d;
}

Drawing house()
{
    Drawing d(6, 5);
    // Roof over the top two rows, walls below.
    d.span_fill(
        0, 16, [](int y) { return 12.0 - y * 0.75; }, [](int y) { return 12.0 + y * 0.75; }, kRed);
    d.rect(16, 1, 3, 8, kDarkGrey);
    d.rect(2, 16, 20, 24, kLightGrey);
    d.rect(4, 20, 5, 8, kYellow);
    d.rect(6, 20, 1, 8, kDarkGrey);
    d.rect(14, 24, 5, 16, kBrown);
    d.rect(17, 31, 1, 2, kYellow);
    return d;
}

Drawing grass()
{
    Drawing d(5, 3);
    d.rect(0, 3, 20, 21, kGreen);
    for (int x = 0; x < 20; x += 2) {
        d.rect(x, x % 3, 1, 4, kLightGreen);
    }
    // Tufts over the field.
    for (int k = 0; k < 9; k++) {
        const int x = (k * 7 + 3) % 19;
        const int y = 7 + (k * 5) % 15;
        d.rect(x, y, 1, 2, kLightGreen);
    }
    return d;
}

// Item indexes of the project.
enum Item : int
{
    kBrick,
    kFloor,
    kWindow,
    kDoor,
    kTable,
    kCandle,
    kShelf,
    kPainting,
    kSun,
    kCloud,
    kMountain,
    kHill,
    kTree,
    kHouse,
    kGrass,
    kObjectCount,
    // Panels.
    kBrickRow = kObjectCount,
    kWall,
    kFloorRow,
    kRoom,
    kForest,
    kAutumnForest,
    kMeadow,
    kLandscape,
    kAutumnLandscape,
    kItemCount
};

// Positions are in pixels of the location area, whole cells.
PanelDef object_at(int item, int cx, int cy, bool mirror = false, std::vector<int> overrides = {})
{
    PanelDef d;
    d.item = item;
    d.is_object = true;
    d.mirror = mirror;
    d.x = cx * 8;
    d.y = cy * 8;
    d.has_overrides = !overrides.empty();
    d.override_count = static_cast<int>(overrides.size());
    for (size_t k = 0; k < overrides.size() && k < 3; k++) {
        d.overrides[k] = overrides[k];
    }
    return d;
}

PanelDef panel_at(int item, int cx, int cy)
{
    PanelDef d;
    d.item = item;
    d.x = cx * 8;
    d.y = cy * 8;
    return d;
}

ZbxProject build()
{
    ZbxProject project;
    project.items.resize(kItemCount);
    const Drawing drawings[kObjectCount] = {
        brick(), floor_boards(), window_frame(), door(), table(), candle(), bookshelf(), painting(),
        sun(),   cloud(),        mountain(),     hill(), tree(),  house(),  grass()};
    for (int i = 0; i < kObjectCount; i++) {
        project.items[i].kind = ZbxItemKind::Object;
        project.items[i].record = cut(drawings[i]);
    }
    auto panel = [&](int index, std::vector<PanelDef> defs) {
        project.items[index].kind = ZbxItemKind::Panel;
        project.items[index].defs = std::move(defs);
    };

    // The room: seven rows of bricks, half a brick apart, over two rows of
    // floor boards, with its furniture.
    std::vector<PanelDef> row;
    for (int b = 0; b < 11; b++) {
        row.push_back(object_at(kBrick, 4 * b, 0));
    }
    panel(kBrickRow, row);
    std::vector<PanelDef> wall;
    for (int r = 0; r < 7; r++) {
        wall.push_back(panel_at(kBrickRow, r % 2 == 0 ? 0 : -2, 2 * r));
    }
    panel(kWall, wall);
    std::vector<PanelDef> boards;
    for (int b = 0; b < 8; b++) {
        boards.push_back(object_at(kFloor, 5 * b, 0, b % 2 == 1));
    }
    panel(kFloorRow, boards);
    panel(kRoom, {panel_at(kWall, 0, 0), panel_at(kFloorRow, 0, 14), panel_at(kFloorRow, 0, 16),
                  object_at(kWindow, 5, 3), object_at(kPainting, 14, 4), object_at(kDoor, 22, 8),
                  object_at(kShelf, 33, 8), object_at(kTable, 10, 11), object_at(kCandle, 12, 8),
                  object_at(kCandle, 14, 8)});

    // The landscape: sun, clouds and mountains behind hills and a forest,
    // a house and a meadow in front.
    panel(kForest, {object_at(kTree, 0, 1), object_at(kTree, 3, 0, true), object_at(kTree, 6, 2),
                    object_at(kTree, 9, 1, true)});
    // Autumn: green leaves turn orange, light green ones yellow.
    const std::vector<int> autumn = {(kOrange << 4) | kGreen, (kYellow << 4) | kLightGreen};
    panel(kAutumnForest,
          {object_at(kTree, 0, 1, false, autumn), object_at(kTree, 3, 0, true, autumn),
           object_at(kTree, 6, 2, false, autumn), object_at(kTree, 9, 1, true, autumn)});
    std::vector<PanelDef> meadow;
    for (int g = 0; g < 8; g++) {
        meadow.push_back(object_at(kGrass, 5 * g, 0, g % 2 == 1));
    }
    panel(kMeadow, meadow);
    auto landscape = [&](int forest) {
        return std::vector<PanelDef>{
            object_at(kSun, 33, 1),         object_at(kCloud, 4, 2),
            object_at(kCloud, 20, 1, true), object_at(kMountain, 1, 5),
            object_at(kMountain, 13, 4),    object_at(kMountain, 26, 6, true),
            object_at(kHill, 0, 10),        object_at(kHill, 10, 11, true),
            object_at(kHill, 20, 10),       object_at(kHill, 30, 11, true),
            panel_at(forest, 2, 8),         panel_at(forest, 15, 9),
            object_at(kHouse, 28, 10),      panel_at(kMeadow, 0, 15)};
    };
    panel(kLandscape, landscape(kForest));
    panel(kAutumnLandscape, landscape(kAutumnForest));

    project.locations[0] = {static_cast<uint8_t>(kRoom), kBlack};
    project.locations[1] = {static_cast<uint8_t>(kLandscape), kLightBlue};
    project.locations[2] = {static_cast<uint8_t>(kAutumnLandscape), kCyan};
    project.locations[3] = {static_cast<uint8_t>(kLandscape), kBlue};
    return project;
}

} // namespace

int main(int argc, char **argv)
{
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: %s OUT.prg | --check FILE\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> bytes;
    GErrorPtr error;
    if (!zembrix_encode(build(), &bytes, error.out())) {
        std::fprintf(stderr, "%s\n", error.message());
        return 1;
    }
    const char *path = argv[argc - 1];
    if (check) {
        std::vector<uint8_t> contents;
        if (!fileio_read_file(path, &contents, error.out())) {
            std::fprintf(stderr, "%s\n", error.message());
            return 1;
        }
        if (contents != bytes) {
            std::fprintf(stderr, "%s is not what %s draws: run it again to update it\n", path,
                         argv[0]);
            return 1;
        }
        return 0;
    }
    if (!fileio_write_file(path, bytes, error.out())) {
        std::fprintf(stderr, "%s\n", error.message());
        return 1;
    }
    return 0;
}
