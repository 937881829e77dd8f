#include "c64/image_match.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

#include "base/error.h"
#include "c64/hiresdecoder.h"
#include "c64/palette.h"
#include "c64/pixbufs.h"

namespace {

struct Lab
{
    double l, a, b;
};

double linear(uint8_t channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// sRGB to CIE Lab under D65.
Lab to_lab(uint8_t r8, uint8_t g8, uint8_t b8)
{
    const double r = linear(r8);
    const double g = linear(g8);
    const double b = linear(b8);
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = (0.2126 * r + 0.7152 * g + 0.0722 * b) / 1.0;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    auto f = [](double t) {
        return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0;
    };
    const double fx = f(x);
    const double fy = f(y);
    const double fz = f(z);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

double degrees(double radians)
{
    return radians * 180.0 / M_PI;
}

double radians(double degrees)
{
    return degrees * M_PI / 180.0;
}

// CIE delta E 2000 (Sharma, Wu and Dalal's formulation).
double delta_e_2000(const Lab &p, const Lab &q)
{
    const double c1 = std::hypot(p.a, p.b);
    const double c2 = std::hypot(q.a, q.b);
    const double c_mean7 = std::pow((c1 + c2) / 2.0, 7.0);
    const double g = 0.5 * (1.0 - std::sqrt(c_mean7 / (c_mean7 + std::pow(25.0, 7.0))));
    const double a1 = (1.0 + g) * p.a;
    const double a2 = (1.0 + g) * q.a;
    const double cp1 = std::hypot(a1, p.b);
    const double cp2 = std::hypot(a2, q.b);
    auto hue = [](double b, double a) {
        if (a == 0 && b == 0) {
            return 0.0;
        }
        const double h = degrees(std::atan2(b, a));
        return h < 0 ? h + 360.0 : h;
    };
    const double h1 = hue(p.b, a1);
    const double h2 = hue(q.b, a2);
    const double dl = q.l - p.l;
    const double dc = cp2 - cp1;
    double dh = 0;
    if (cp1 * cp2 != 0) {
        dh = h2 - h1;
        if (dh > 180) {
            dh -= 360;
        } else if (dh < -180) {
            dh += 360;
        }
    }
    const double dhh = 2.0 * std::sqrt(cp1 * cp2) * std::sin(radians(dh / 2.0));
    const double l_mean = (p.l + q.l) / 2.0;
    const double cp_mean = (cp1 + cp2) / 2.0;
    double h_mean = h1 + h2;
    if (cp1 * cp2 != 0) {
        if (std::fabs(h1 - h2) <= 180) {
            h_mean = (h1 + h2) / 2.0;
        } else {
            h_mean = (h1 + h2 < 360) ? (h1 + h2 + 360) / 2.0 : (h1 + h2 - 360) / 2.0;
        }
    }
    const double t =
        1.0 - 0.17 * std::cos(radians(h_mean - 30)) + 0.24 * std::cos(radians(2 * h_mean)) +
        0.32 * std::cos(radians(3 * h_mean + 6)) - 0.20 * std::cos(radians(4 * h_mean - 63));
    const double d_theta = 30.0 * std::exp(-std::pow((h_mean - 275.0) / 25.0, 2.0));
    const double cp_mean7 = std::pow(cp_mean, 7.0);
    const double rc = 2.0 * std::sqrt(cp_mean7 / (cp_mean7 + std::pow(25.0, 7.0)));
    const double l50 = (l_mean - 50.0) * (l_mean - 50.0);
    const double sl = 1.0 + 0.015 * l50 / std::sqrt(20.0 + l50);
    const double sc = 1.0 + 0.045 * cp_mean;
    const double sh = 1.0 + 0.015 * cp_mean * t;
    const double rt = -std::sin(radians(2.0 * d_theta)) * rc;
    const double tl = dl / sl;
    const double tc = dc / sc;
    const double th = dhh / sh;
    return std::sqrt(tl * tl + tc * tc + th * th + rt * tc * th);
}

std::array<Lab, 16> palette_lab()
{
    std::array<Lab, 16> lab{};
    for (int i = 0; i < 16; i++) {
        uint8_t rgb[3];
        palette_get_rgb_at_index(i, rgb);
        lab[i] = to_lab(rgb[0], rgb[1], rgb[2]);
    }
    return lab;
}

int nearest(const std::array<Lab, 16> &palette, const Lab &colour)
{
    int best = 0;
    double best_distance = 1e300;
    for (int i = 0; i < 16; i++) {
        const double d = delta_e_2000(colour, palette[i]);
        if (d < best_distance) {
            best_distance = d;
            best = i;
        }
    }
    return best;
}

constexpr int kTransparentPixel = -1;

// The image as multicolour pixels: palette indexes (kTransparentPixel for
// none), 160 per row, and the cells where a pair of image pixels that make
// one multicolour pixel took two colours.
struct MatchedPixels
{
    std::vector<int> colour;
    std::vector<bool> split;
    int width = 0; // in multicolour pixels
    int height = 0;
};

MatchedPixels match_pixels(const RgbaImage &image, int pixel_width)
{
    const std::array<Lab, 16> palette = palette_lab();
    std::unordered_map<uint32_t, int> cache;
    auto colour_at = [&](int x, int y) {
        const uint8_t *p = image.pixels + static_cast<std::size_t>(y) * image.rowstride + 4 * x;
        if (p[3] == 0) {
            return kTransparentPixel;
        }
        const uint32_t key = p[0] << 16 | p[1] << 8 | p[2];
        auto found = cache.find(key);
        if (found != cache.end()) {
            return found->second;
        }
        const int index = nearest(palette, to_lab(p[0], p[1], p[2]));
        cache.emplace(key, index);
        return index;
    };
    MatchedPixels matched;
    matched.width = image.width / pixel_width;
    matched.height = image.height;
    matched.colour.assign(static_cast<std::size_t>(matched.width) * matched.height,
                          kTransparentPixel);
    matched.split.assign(kHiresCellCount, false);
    for (int y = 0; y < matched.height; y++) {
        for (int x = 0; x < matched.width; x++) {
            const int left = colour_at(pixel_width * x, y);
            if (pixel_width == 2 && colour_at(2 * x + 1, y) != left) {
                matched.split[x / 4 + kPictureColumns * (y / 8)] = true;
            }
            matched.colour[static_cast<std::size_t>(y) * matched.width + x] = left;
        }
    }
    return matched;
}

} // namespace

int image_match_pixel_width(int width, int height)
{
    if (width == 160 && height == 200) {
        return 1;
    }
    if (width > 0 && height > 0 && width <= kScreenWidth && height <= kScreenHeight &&
        width % 2 == 0) {
        return 2;
    }
    return 0;
}

int image_match_nearest(uint8_t r, uint8_t g, uint8_t b)
{
    return nearest(palette_lab(), to_lab(r, g, b));
}

std::string image_match_hint_text(const ImageCellHint &hint)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "zembrix cells 2 " + std::to_string(hint.background) + " " +
                       std::to_string(hint.columns) + " " + std::to_string(hint.rows) + " ";
    for (const std::vector<uint8_t> *bytes : {&hint.bitmap, &hint.screen, &hint.colour}) {
        for (uint8_t b : *bytes) {
            text += kDigits[b >> 4];
            text += kDigits[b & 15];
        }
    }
    return text;
}

bool image_match_parse_hint(const char *text, ImageCellHint *hint)
{
    if (text == nullptr) {
        return false;
    }
    int background = 0;
    int columns = 0;
    int rows = 0;
    int used = 0;
    if (sscanf(text, "zembrix cells 2 %d %d %d %n", &background, &columns, &rows, &used) != 3 ||
        used == 0 || background < -1 || background > 15 || columns < 1 ||
        columns > kPictureColumns || rows < 1 || rows > kPictureRows) {
        return false;
    }
    const std::string hex(text + used);
    const std::size_t cells = static_cast<std::size_t>(columns) * rows;
    if (hex.size() != 20 * cells) {
        return false;
    }
    ImageCellHint read{background, columns, rows, {}, {}, {}};
    for (std::size_t i = 0; i < 10 * cells; i++) {
        const int high = g_ascii_xdigit_value(hex[2 * i]);
        const int low = g_ascii_xdigit_value(hex[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        const auto byte = static_cast<uint8_t>(high << 4 | low);
        (i < 8 * cells ? read.bitmap : i < 9 * cells ? read.screen : read.colour).push_back(byte);
    }
    *hint = std::move(read);
    return true;
}

bool image_match_picture(const RgbaImage &image, int background, const ImageCellHint *hint,
                         ImagePicture *picture, GError **error)
{
    const int pixel_width = image_match_pixel_width(image.width, image.height);
    if (pixel_width == 0 || image.pixels == nullptr) {
        zbx_set_error_printf(error, ZbxError::BadFormat,
                             "The image is %d x %d pixels; pictures are taken at %s", image.width,
                             image.height, kImageSizesTaken);
        return false;
    }
    const MatchedPixels matched = match_pixels(image, pixel_width);
    int bg = background;
    if (bg < 0 && hint != nullptr && hint->background >= 0) {
        bg = hint->background;
    }
    if (bg < 0) {
        std::array<int, 16> counts{};
        for (int colour : matched.colour) {
            if (colour != kTransparentPixel) {
                counts[colour]++;
            }
        }
        bg = static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
    }
    bg &= 15;
    const std::array<Lab, 16> palette = palette_lab();

    ImagePicture result;
    result.background = bg;
    result.hires.assign(kHiresDataSize, 0);
    const int columns = (matched.width + 3) / 4;
    const int rows = (matched.height + 7) / 8;
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < columns; c++) {
            const int cell = c + kPictureColumns * r;
            std::array<int, 32> pixels{};
            for (int k = 0; k < 32; k++) {
                const int x = 4 * c + k % 4;
                const int y = 8 * r + k / 4;
                int colour = kTransparentPixel;
                if (x < matched.width && y < matched.height) {
                    colour = matched.colour[static_cast<std::size_t>(y) * matched.width + x];
                }
                pixels[k] = colour;
            }
            // The colours of bit pairs 00, 01, 10 and 11; -1 where unused.
            // An image whose cells' bytes say that it has no background
            // (an object, transparent where its pairs are 00) keeps 00 for
            // its transparent pixels only.
            const int opaque_background = hint != nullptr && hint->background < 0 ? -2 : bg;
            std::array<int, 4> slots = {bg, -1, -1, -1};
            uint8_t screen = 0;
            uint8_t colour_byte = 0;
            bool hinted = false;
            bool exact = false;
            if (hint != nullptr && c < hint->columns && r < hint->rows) {
                const std::size_t h = static_cast<std::size_t>(c) + hint->columns * r;
                const std::array<int, 4> given = {opaque_background, hint->screen[h] >> 4,
                                                  hint->screen[h] & 15, hint->colour[h] & 15};
                hinted = std::all_of(pixels.begin(), pixels.end(), [&](int p) {
                    return p == kTransparentPixel ||
                           std::find(given.begin(), given.end(), p) != given.end();
                });
                if (hinted) {
                    slots = given;
                    screen = hint->screen[h];
                    colour_byte = hint->colour[h];
                }
                // The very pixels its bitmap draws: the bitmap too.
                const uint8_t *bits = hint->bitmap.data() + 8 * h;
                exact = hinted;
                for (int k = 0; k < 32 && exact; k++) {
                    const int pair = bits[k / 4] >> (6 - 2 * (k % 4)) & 3;
                    const int p = pixels[k];
                    exact = pair == 0 ? p == kTransparentPixel || (hint->background >= 0 && p == bg)
                                      : p == given[pair];
                }
                if (exact) {
                    std::copy_n(bits, 8, result.hires.data() + 8 * cell);
                }
            }
            if (!hinted) {
                std::array<int, 16> counts{};
                for (int p : pixels) {
                    if (p != kTransparentPixel && p != bg) {
                        counts[p]++;
                    }
                }
                std::array<int, 16> order{};
                for (int i = 0; i < 16; i++) {
                    order[i] = i;
                }
                std::stable_sort(order.begin(), order.end(),
                                 [&](int a, int b) { return counts[a] > counts[b]; });
                for (int s = 0; s < 3 && counts[order[s]] > 0; s++) {
                    slots[1 + s] = order[s];
                }
                screen = static_cast<uint8_t>(std::max(slots[1], 0) << 4 | std::max(slots[2], 0));
                colour_byte = static_cast<uint8_t>(std::max(slots[3], 0));
            }
            bool clash = matched.split[cell];
            uint8_t *bitmap = result.hires.data() + 8 * cell;
            for (int k = 0; k < 32 && !exact; k++) {
                if (pixels[k] == kTransparentPixel) {
                    continue; // pair 00
                }
                int pair = static_cast<int>(std::find(slots.begin(), slots.end(), pixels[k]) -
                                            slots.begin());
                if (pair == 4) {
                    clash = true;
                    double best = 1e300;
                    for (int s = 0; s < 4; s++) {
                        const int slot = s == 0 ? bg : slots[s];
                        const double d =
                            slot < 0 ? 1e300 : delta_e_2000(palette[pixels[k]], palette[slot]);
                        if (d < best) {
                            best = d;
                            pair = s;
                        }
                    }
                }
                bitmap[k / 4] |= static_cast<uint8_t>(pair << (6 - 2 * (k % 4)));
            }
            result.hires[kHiresScreenOffset + cell] = screen;
            result.hires[kHiresColourOffset + cell] = colour_byte;
            if (clash) {
                result.clashes.push_back(cell);
            }
        }
    }
    *picture = std::move(result);
    return true;
}
