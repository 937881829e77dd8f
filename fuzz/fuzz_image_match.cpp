// Images of any size and pixels, with any text beside them, matched to the
// palette and the C64's cells: sizes that are no screen are refused with a
// reason, and what is matched is 10,000 bytes of a picture whose clashes
// are cells of it, each once.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "c64/image_match.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6) {
        return 0;
    }
    const int width = (data[0] | data[1] << 8) % 330;
    const int height = data[2] % 210;
    const int background = static_cast<int>(data[3] % 18) - 2;
    const size_t text_size = std::min<size_t>(data[4] * 32, size - 5);
    const std::string text(reinterpret_cast<const char *>(data + 5), text_size);
    ImageCellHint hint;
    const bool hinted = image_match_parse_hint(text.c_str(), &hint);
    if (hinted) {
        const size_t cells = static_cast<size_t>(hint.columns) * hint.rows;
        zbx_fuzz_check(hint.bitmap.size() == 8 * cells && hint.screen.size() == cells &&
                       hint.colour.size() == cells);
    }
    const uint8_t *pixels = data + 5 + text_size;
    const size_t left = size - 5 - text_size;
    std::vector<uint8_t> rgba(static_cast<size_t>(4) * width * height);
    for (size_t i = 0; i < rgba.size() && left > 0; i++) {
        rgba[i] = pixels[i % left];
    }
    ImagePicture picture;
    GErrorPtr error;
    const RgbaImage image{rgba.data(), width, height, 4 * width};
    if (!image_match_picture(image, background, hinted ? &hint : nullptr, &picture, error.out())) {
        zbx_fuzz_check(zbx_error_is(error.get(), ZbxError::BadFormat) && picture.hires.empty());
        return 0;
    }
    zbx_fuzz_check(picture.hires.size() == kHiresDataSize);
    zbx_fuzz_check(picture.background >= 0 && picture.background < 16);
    for (size_t i = 0; i < picture.clashes.size(); i++) {
        zbx_fuzz_check(picture.clashes[i] >= 0 && picture.clashes[i] < 1000);
        zbx_fuzz_check(i == 0 || picture.clashes[i] > picture.clashes[i - 1]);
    }
    return 0;
}
