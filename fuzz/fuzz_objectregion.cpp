// Any bytes as a region to cut from a picture (the rest of the bytes), plain
// or with a transparent colour: what is cut is a well-formed object record
// whose usage nibbles tell the bit pairs each cell has.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "items/objects.h"

namespace {

// A coordinate from one byte: mostly on the grid and inside the picture,
// sometimes not; with its top bit set, a value from four more bytes, so that
// any int, however near the edges of the type, is reached.
int coordinate(std::span<const uint8_t> &bytes, int cells)
{
    if (bytes.empty()) {
        return 8;
    }
    const uint8_t b = bytes[0];
    bytes = bytes.subspan(1);
    if ((b & 0x80) == 0 || bytes.size() < 4) {
        return 8 * (b % cells) - (b >> 6 & 1);
    }
    uint32_t raw = 0;
    std::memcpy(&raw, bytes.data(), 4);
    bytes = bytes.subspan(4);
    int value = 0;
    std::memcpy(&value, &raw, 4);
    return value;
}

void region(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 5) {
        return;
    }
    const int x = coordinate(bytes, 42);
    const int y = coordinate(bytes, 27);
    const int width = coordinate(bytes, 17);
    const int height = coordinate(bytes, 17);
    const ZbxRect rect{x, y, width, height};
    const int transparent = bytes.empty() ? -1 : bytes[0] % 18 - 1;
    // The rest of the bytes, repeated, make the picture.
    const std::span<const uint8_t> rest = bytes.empty() ? bytes : bytes.subspan(1);
    std::vector<uint8_t> picture(10000);
    for (size_t i = 0; !rest.empty() && i < picture.size(); i++) {
        picture[i] = rest[i % rest.size()];
    }
    std::span<const uint8_t> all(picture);
    std::vector<uint8_t> record = objects_region_to_record(
        all.subspan(0, 8000), all.subspan(8000, 1000), all.subspan(9000, 1000), rect, transparent);
    if (record.empty()) {
        return;
    }
    const int w = rect.width / 8;
    const int h = rect.height / 8;
    zbx_fuzz_check(record.size() == objects_record_size(w, h));
    int rw = 0, rh = 0;
    zbx_fuzz_check(objects_check_object_record(record, &rw, &rh, nullptr) == 1 && rw == w &&
                   rh == h);
    if (transparent < 0) {
        // The usage nibble tells exactly which bit pairs each cell has.
        const size_t n = static_cast<size_t>(w) * h;
        for (size_t cell = 0; cell < n; cell++) {
            unsigned used = 0;
            for (int row = 0; row < 8; row++) {
                const uint8_t byte = record[1 + 8 * cell + row];
                for (int shift = 0; shift < 8; shift += 2) {
                    used |= 16u << ((byte >> shift) & 3);
                }
            }
            zbx_fuzz_check((record[1 + 9 * n + cell] & 0xF0) == used);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    region(bytes);
    return 0;
}
