// Any bytes as a picture file, under detection and under every format
// selector; then the same bytes shaped into a file of (nearly) the length
// and with the load address of one format, so that decoding and rendering
// see arbitrary picture data.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "fuzz_support.h"

namespace {

void decode(std::span<const uint8_t> file, int format)
{
    static uint8_t destination[kHiresDataSize];
    static uint8_t before[kHiresDataSize];
    std::memset(destination, 0xA5, sizeof destination);
    std::memcpy(before, destination, sizeof before);
    GdkPixbuf *image = nullptr;
    GErrorPtr error;
    const bool ok =
        hiresdecoder_decode_hires_screen_data(file, format, &image, destination, error.out());
    if (ok) {
        zbx_fuzz_check(image != nullptr && !error);
        zbx_fuzz_check(gdk_pixbuf_get_width(image) == kScreenWidth &&
                       gdk_pixbuf_get_height(image) == kScreenHeight);
        zbx_fuzz_check(hiresdecoder_detect_format(file) != 0);
        g_object_unref(image);
    } else {
        zbx_fuzz_check(image == nullptr && zbx_error_is(error.get(), ZbxError::BadFormat));
        zbx_fuzz_check(std::memcmp(destination, before, sizeof before) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    for (int format = -1; format <= 6; format++) {
        decode(bytes, format);
    }
    if (size < 2) {
        return 0;
    }
    const HiresFormat &f = hiresdecoder_formats[data[0] % hiresdecoder_formats.size()];
    const int delta = static_cast<int>(data[1] % 5) - 2;
    std::vector<uint8_t> file(f.length + delta);
    file[0] = static_cast<uint8_t>(f.load_address & 0xFF);
    file[1] = static_cast<uint8_t>(f.load_address >> 8);
    for (size_t i = 2; i < file.size() && size > 2; i++) {
        file[i] = data[2 + (i - 2) % (size - 2)];
    }
    decode(std::span<const uint8_t>(file.data(), file.size()), 0);
    decode(std::span<const uint8_t>(file.data(), file.size()), f.selector);
    return 0;
}
