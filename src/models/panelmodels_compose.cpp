// Panel composition over plain byte buffers. The per-cell work treats the 8
// bitmap bytes of a cell as one 64-bit word: each byte is one pixel line of
// four 2-bit pixels, and every operation below stays inside its byte.
#include "models/panelmodels_compose.h"

#include <algorithm>
#include <bit>
#include <bitset>
#include <climits>
#include <cstring>

namespace {

constexpr uint8_t kNone = 255;
constexpr int kPassLimit = 16;
// Panels are item indexes; anything outside is no panel.
constexpr int kPanelIndexes = 256;

constexpr uint64_t kLow = 0x5555555555555555ULL;
constexpr uint64_t kPairs = 0x3333333333333333ULL;
constexpr uint64_t kNibbles = 0x0F0F0F0F0F0F0F0FULL;

constexpr uint8_t mirror_byte(uint8_t b)
{
    return static_cast<uint8_t>(((b & 0x03) << 6) | ((b & 0x0C) << 2) | ((b & 0x30) >> 2) |
                                ((b & 0xC0) >> 6));
}

constexpr std::array<uint8_t, 256> make_mirror_table()
{
    std::array<uint8_t, 256> t{};
    for (int b = 0; b < 256; b++) {
        t[b] = mirror_byte(static_cast<uint8_t>(b));
    }
    return t;
}

// The mirror table applied to all eight lines at once.
inline uint64_t mirror_lines(uint64_t x)
{
    x = ((x & kPairs) << 2) | ((x >> 2) & kPairs);
    return ((x & kNibbles) << 4) | ((x >> 4) & kNibbles);
}

inline uint64_t load_lines(const uint8_t *p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline void store_lines(uint8_t *p, uint64_t v)
{
    std::memcpy(p, &v, 8);
}

// One bit (the lower of the pair) for every pixel of value 1, 2 or 3.
struct PixelMasks
{
    uint64_t of[4];
};

inline PixelMasks pixel_masks(uint64_t lines)
{
    const uint64_t lo = lines & kLow;
    const uint64_t hi = (lines >> 1) & kLow;
    return {{0, lo & ~hi, hi & ~lo, lo & hi}};
}

inline uint64_t both_bits(uint64_t low_bits)
{
    return low_bits | (low_bits << 1);
}

inline void copy_cell(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour, uint64_t lines,
                      uint8_t screen, uint8_t colour)
{
    store_lines(dst_bitmap, lines);
    dst_screen = screen;
    dst_colour = colour;
}

void merge(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour, uint64_t lines,
           uint8_t screen, uint8_t colour, uint8_t bg)
{
    // Slot colours of the destination and the object's colours, index 1..3
    // for bit pairs 01, 10, 11.
    uint8_t d[4] = {0, (dst_colour & 0x20) ? static_cast<uint8_t>(dst_screen >> 4) : kNone,
                    (dst_colour & 0x40) ? static_cast<uint8_t>(dst_screen & 15) : kNone,
                    (dst_colour & 0x80) ? static_cast<uint8_t>(dst_colour & 15) : kNone};
    uint8_t s[4] = {0, (colour & 0x20) ? static_cast<uint8_t>(screen >> 4) : kNone,
                    (colour & 0x40) ? static_cast<uint8_t>(screen & 15) : kNone,
                    (colour & 0x80) ? static_cast<uint8_t>(colour & 15) : kNone};
    uint8_t m[4] = {0, kNone, kNone, kNone};
    const uint64_t below = load_lines(dst_bitmap);
    const PixelMasks object_pixels = pixel_masks(lines);

    // The census only depends on the two bitmaps, so it is taken once.
    bool counted = false;
    int object_base[4] = {0, 0, 0, 0};
    int visible_base[4] = {0, 0, 0, 0};

    for (int pass = 0; pass < kPassLimit; pass++) {
        bool fresh[4] = {false, false, false, false};
        int conflicts = 0;
        for (int k = 3; k >= 1; k--) {
            if (s[k] == kNone) {
                m[k] = kNone;
            } else if (s[k] == bg) {
                m[k] = 0;
            } else if (s[k] == d[1]) {
                m[k] = 1;
            } else if (s[k] == d[2]) {
                m[k] = 2;
            } else if (s[k] == d[3]) {
                m[k] = 3;
            } else {
                m[k] = kNone;
                for (int j = 1; j <= 3; j++) {
                    if (d[j] == kNone) {
                        d[j] = s[k];
                        fresh[j] = true;
                        m[k] = static_cast<uint8_t>(j);
                        break;
                    }
                }
                if (m[k] == kNone) {
                    conflicts++;
                }
            }
        }
        // Past the pass limit (only reachable with inconsistent usage bits)
        // the colours without a slot are left out.
        if (conflicts == 0 || pass + 1 == kPassLimit) {
            break;
        }

        if (!counted) {
            const uint64_t uncovered =
                below & ~both_bits(object_pixels.of[1] | object_pixels.of[2] | object_pixels.of[3]);
            const PixelMasks visible = pixel_masks(uncovered);
            for (int p = 1; p <= 3; p++) {
                object_base[p] = std::popcount(object_pixels.of[p]);
                visible_base[p] = std::popcount(visible.of[p]);
            }
            counted = true;
        }
        int object_count[4];
        int dest_count[4];
        std::copy(object_base, object_base + 4, object_count);
        std::copy(visible_base, visible_base + 4, dest_count);
        for (int k = 1; k <= 3; k++) {
            if (m[k] != kNone) {
                dest_count[m[k]] += object_count[k];
                object_count[k] = 0;
            }
        }

        for (;;) {
            int free_slots = 0;
            for (int j = 1; j <= 3; j++) {
                if (dest_count[j] == 0) {
                    d[j] = kNone;
                    if (!fresh[j]) {
                        free_slots++;
                    }
                }
            }
            if (free_slots >= conflicts) {
                break;
            }
            int victim = 0; // 1..3 a slot, -1..-3 an object pair
            int key = INT_MAX;
            for (int j = 3; j >= 1; j--) {
                if (d[j] != kNone && !fresh[j] && dest_count[j] != 0 && dest_count[j] < key) {
                    victim = j;
                    key = dest_count[j];
                }
            }
            for (int k = 3; k >= 1; k--) {
                if (s[k] != kNone && object_count[k] != 0 && object_count[k] < key) {
                    victim = -k;
                    key = object_count[k];
                }
            }
            if (victim == 0) {
                // Only with usage bits that promise pixels the bitmap does
                // not have: give up the first colour that found no slot.
                for (int k = 3; k >= 1; k--) {
                    if (s[k] != kNone && m[k] == kNone) {
                        victim = -k;
                        break;
                    }
                }
                if (victim == 0) {
                    break;
                }
            }
            if (victim < 0) {
                s[-victim] = kNone;
                conflicts--;
            } else {
                dest_count[victim] = 0;
                for (int k = 1; k <= 3; k++) {
                    if (m[k] == victim) {
                        s[k] = kNone;
                        conflicts--;
                    }
                }
            }
        }
    }

    dst_screen = static_cast<uint8_t>((d[1] << 4) | (d[2] & 15));
    dst_colour = static_cast<uint8_t>((d[3] != kNone ? 0x80 : 0) | (d[2] != kNone ? 0x40 : 0) |
                                      (d[1] != kNone ? 0x20 : 0) | (d[3] & 15));
    uint64_t result = below;
    for (int p = 1; p <= 3; p++) {
        if (m[p] != kNone) {
            const uint64_t mask = both_bits(object_pixels.of[p]);
            result = (result & ~mask) | ((kLow * m[p]) & mask);
        }
    }
    store_lines(dst_bitmap, result);
}

inline void place(uint8_t *dst_bitmap, uint8_t &dst_screen, uint8_t &dst_colour, uint64_t lines,
                  uint8_t screen, uint8_t colour, uint8_t bg)
{
    if (dst_colour < 32) {
        copy_cell(dst_bitmap, dst_screen, dst_colour, lines, screen, colour);
    } else if (colour < 32) {
        // An empty object cell leaves what is there.
    } else if ((colour & 0x10) == 0) {
        copy_cell(dst_bitmap, dst_screen, dst_colour, lines, screen, colour);
    } else {
        merge(dst_bitmap, dst_screen, dst_colour, lines, screen, colour, bg);
    }
}

// The walk over the definitions of one rendering run.
struct Run
{
    const ComposeSource &source;
    ComposeBuffers &buffers;
    ComposeObserver *observer;
    int background;
    ComposeStats stats;
    std::bitset<kPanelIndexes> on_path;
    // Grows with every call of the observer, after which spans are fetched anew.
    unsigned long epoch = 0;
};

std::span<const int> overrides_of(const PanelDef &def)
{
    if (!def.has_overrides) {
        return {};
    }
    const int n = std::clamp(def.override_count, 0, 3);
    return {def.overrides, static_cast<size_t>(n)};
}

void visit_panel(Run &run, int panel, int64_t x_offset, int64_t y_offset)
{
    std::span<const PanelDef> defs = run.source.panel_defs(panel);
    unsigned long fetched = run.epoch;
    for (size_t i = 0; i < defs.size(); i++) {
        if (run.stats.visits >= kComposeMaxVisits || run.stats.cells >= kComposeMaxCells) {
            run.stats.truncated = true;
        }
        if (run.stats.truncated) {
            return;
        }
        run.stats.visits++;
        const PanelDef def = defs[i];
        if (!def.enabled) {
            continue;
        }
        const int64_t x = x_offset + def.x;
        const int64_t y = y_offset + def.y;
        if (def.is_object) {
            const std::span<const uint8_t> data = run.source.object_data(def.item);
            if (panelmodels_draw_object(run.buffers, data, x, y, def.mirror, overrides_of(def),
                                        run.background, &run.stats.cells)) {
                run.stats.objects++;
                if (run.observer != nullptr) {
                    run.epoch++;
                    run.observer->object_drawn(run.buffers, data[0] >> 4, data[0] & 15);
                }
            }
        } else if (def.item >= 0 && def.item < kPanelIndexes) {
            if (run.on_path.test(def.item)) {
                run.stats.cycles++;
            } else {
                run.on_path.set(def.item);
                visit_panel(run, def.item, x, y);
                run.on_path.reset(def.item);
            }
        }
        if (run.epoch != fetched) {
            defs = run.source.panel_defs(panel);
            fetched = run.epoch;
        }
    }
}

} // namespace

const std::array<uint8_t, 256> panelmodels_mirror_table = make_mirror_table();

void ComposeBuffers::clear()
{
    bitmap.fill(0);
    screen.fill(0);
    colour.fill(0);
}

bool panelmodels_object_record_ok(std::span<const uint8_t> data, int *w_cells, int *h_cells)
{
    if (data.empty()) {
        return false;
    }
    const int w = data[0] >> 4;
    const int h = data[0] & 15;
    if (w == 0 || h == 0 || data.size() < static_cast<size_t>(10 * w * h + 1)) {
        return false;
    }
    *w_cells = w;
    *h_cells = h;
    return true;
}

std::array<uint8_t, 16> panelmodels_override_map(std::span<const int> overrides)
{
    std::array<uint8_t, 16> map;
    for (int c = 0; c < 16; c++) {
        map[c] = static_cast<uint8_t>(c);
    }
    for (int value : overrides) {
        const uint8_t from = value & 15;
        const uint8_t to = (value >> 4) & 15;
        for (uint8_t &c : map) {
            if (c == from) {
                c = to;
            }
        }
    }
    return map;
}

bool panelmodels_draw_object(ComposeBuffers &buffers, std::span<const uint8_t> data, int64_t x,
                             int64_t y, bool mirror, std::span<const int> overrides, int background,
                             long *cells)
{
    int w = 0;
    int h = 0;
    if (!panelmodels_object_record_ok(data, &w, &h)) {
        return false;
    }
    // Arithmetic shifts: x = -1 lies in cell column -1.
    const int64_t cx = x >> 3;
    const int64_t cy = y >> 3;
    if (x >= 0 && cx >= kComposeColumns) {
        return false;
    }
    if (x < 0 && cx + w <= 0) {
        return false;
    }
    if (y >= 0 && cy >= kComposeRows) {
        return false;
    }
    if (y < 0 && cy + h <= 0) {
        return false;
    }
    // Now -w < cx < 40 and -h < cy < 18.
    const int col = static_cast<int>(cx);
    const int row = static_cast<int>(cy);
    const uint8_t bg = static_cast<uint8_t>(background & 15);

    const bool recolour = !overrides.empty();
    const std::array<uint8_t, 16> map = panelmodels_override_map(overrides);

    const uint8_t *obj_bitmap = data.data() + 1;
    const uint8_t *obj_screen = obj_bitmap + 8 * w * h;
    const uint8_t *obj_colour = obj_screen + w * h;

    const int first_col = std::max(0, col);
    const int first_obj_col = mirror ? w - 1 + std::min(col, 0) : std::max(0, -col);
    const int last_obj_col = mirror ? 0 : w - 1;
    const int step = mirror ? -1 : 1;
    long drawn = 0;
    for (int r = std::max(0, -row); r < h && row + r < kComposeRows; r++) {
        const int dst_row = row + r;
        int oc = first_obj_col;
        for (int dc = first_col; dc < kComposeColumns; dc++, oc += step) {
            const int src = r * w + oc;
            uint8_t screen = obj_screen[src];
            uint8_t colour = obj_colour[src];
            if (recolour) {
                colour = static_cast<uint8_t>((colour & 0xF0) | map[colour & 15]);
                screen = static_cast<uint8_t>((map[screen >> 4] << 4) | map[screen & 15]);
            }
            uint64_t lines = load_lines(obj_bitmap + 8 * src);
            if (mirror) {
                lines = mirror_lines(lines);
            }
            const int dst = dst_row * kComposeColumns + dc;
            place(&buffers.bitmap[8 * dst], buffers.screen[dst], buffers.colour[dst], lines, screen,
                  colour, bg);
            drawn++;
            if (oc == last_obj_col) {
                break;
            }
        }
    }
    if (cells != nullptr) {
        *cells += drawn;
    }
    return true;
}

void panelmodels_place_cell(ComposeCell &dst, const ComposeCell &obj, int background)
{
    place(dst.bitmap, dst.screen, dst.colour, load_lines(obj.bitmap), obj.screen, obj.colour,
          static_cast<uint8_t>(background & 15));
}

void panelmodels_merge_cell(ComposeCell &dst, const ComposeCell &obj, int background)
{
    merge(dst.bitmap, dst.screen, dst.colour, load_lines(obj.bitmap), obj.screen, obj.colour,
          static_cast<uint8_t>(background & 15));
}

ComposeStats panelmodels_compose(const ComposeSource &source, int top_panel, int background,
                                 ComposeBuffers &buffers, ComposeObserver *observer)
{
    buffers.clear();
    Run run{source, buffers, observer, background & 15, {}, {}};
    if (top_panel >= 0 && top_panel < kPanelIndexes) {
        run.on_path.set(top_panel);
    }
    visit_panel(run, kComposeTop, 0, 0);
    return run.stats;
}

ZbxRect panelmodels_bounding_box(std::span<const PanelDef> defs, const BoxSource &source)
{
    int64_t min_x = 320;
    int64_t min_y = 144;
    int64_t max_x = 0;
    int64_t max_y = 0;
    for (const PanelDef &def : defs) {
        int64_t x = def.x;
        int64_t y = def.y;
        int64_t width = 0;
        int64_t height = 0;
        if (def.is_object) {
            int w = 0;
            int h = 0;
            if (source.object_size(def.item, &w, &h)) {
                width = w;
                height = h;
            }
        } else {
            ZbxRect box{0, 0, 0, 0};
            if (source.panel_box(def.item, &box)) {
                x += box.x;
                y += box.y;
                width = box.width;
                height = box.height;
            }
        }
        min_x = std::min(min_x, x);
        min_y = std::min(min_y, y);
        max_x = std::max(max_x, x + width);
        max_y = std::max(max_y, y + height);
    }
    auto clamp_int = [](int64_t v) {
        return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
    };
    return {clamp_int(min_x), clamp_int(min_y), clamp_int(max_x - min_x), clamp_int(max_y - min_y)};
}
