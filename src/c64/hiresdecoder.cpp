// C64 picture files: format table, detection, and decoding into hires data
// and an image.
#include "c64/hiresdecoder.h"
#include "base/error.h"

#include <algorithm>

#include "base/gref.h"

namespace {

// Every area and the background byte lie inside the file of each format.
constexpr bool formats_fit()
{
    for (const HiresFormat &f : hiresdecoder_formats) {
        if (f.bitmap + kHiresBitmapSize > f.length || f.screen + kHiresCellCount > f.length ||
            f.colour + kHiresCellCount > f.length || f.background >= f.length || f.bitmap < 2 ||
            f.screen < 2 || f.colour < 2 || f.background < 2) {
            return false;
        }
    }
    return true;
}

static_assert(formats_fit());

uint16_t load_address(std::span<const uint8_t> file)
{
    return static_cast<uint16_t>(file[0] | (file[1] << 8));
}

} // namespace

const HiresFormat *hiresdecoder_format(int selector)
{
    for (const HiresFormat &f : hiresdecoder_formats) {
        if (f.selector == selector) {
            return &f;
        }
    }
    return nullptr;
}

int hiresdecoder_detect_format(std::span<const uint8_t> file)
{
    if (file.size() < 2) {
        return kHiresDetect;
    }
    const uint16_t address = load_address(file);
    for (const HiresFormat &f : hiresdecoder_formats) {
        if (f.load_address == address && f.length == file.size()) {
            return f.selector;
        }
    }
    return kHiresDetect;
}

bool hiresdecoder_parse_picture(std::span<const uint8_t> file, int format,
                                HiresPictureView *picture, GError **error)
{
    const HiresFormat *f = nullptr;
    if (format == kHiresDetect) {
        f = hiresdecoder_format(hiresdecoder_detect_format(file));
        if (f == nullptr) {
            zbx_set_error(error, ZbxError::BadFormat, "Undetected picture format");
            return false;
        }
    } else {
        f = hiresdecoder_format(format);
        if (f == nullptr) {
            zbx_set_error(error, ZbxError::BadFormat, "Unknown picture format");
            return false;
        }
        // A file too short to hold a load address can only be reported by
        // its size.
        if (file.size() >= 2 && load_address(file) != f->load_address) {
            zbx_set_error_printf(
                error, ZbxError::BadFormat, "Wrong load address\nExpected: $%04X\nActual: $%04X",
                static_cast<unsigned>(f->load_address), static_cast<unsigned>(load_address(file)));
            return false;
        }
        if (file.size() != f->length) {
            zbx_set_error_printf(
                error, ZbxError::BadFormat, "Wrong file size\nExpected: %lu\nActual: %lu",
                static_cast<unsigned long>(f->length), static_cast<unsigned long>(file.size()));
            return false;
        }
    }
    if (picture != nullptr) {
        picture->format = f;
        picture->areas = HiresData{file.subspan(f->bitmap, kHiresBitmapSize),
                                   file.subspan(f->screen, kHiresCellCount),
                                   file.subspan(f->colour, kHiresCellCount)};
        picture->background = file[f->background];
    }
    return true;
}

void hiresdecoder_store_hires_data(const HiresPictureView &picture,
                                   std::span<uint8_t, kHiresDataSize> destination)
{
    std::copy_n(picture.areas.bitmap.begin(), kHiresBitmapSize, destination.begin());
    std::copy_n(picture.areas.screen.begin(), kHiresCellCount,
                destination.begin() + kHiresScreenOffset);
    std::copy_n(picture.areas.colour.begin(), kHiresCellCount,
                destination.begin() + kHiresColourOffset);
}

HiresData hiresdecoder_hires_areas(std::span<const uint8_t, kHiresDataSize> hires)
{
    return HiresData{hires.subspan(0, kHiresBitmapSize),
                     hires.subspan(kHiresScreenOffset, kHiresCellCount),
                     hires.subspan(kHiresColourOffset, kHiresCellCount)};
}

bool hiresdecoder_decode_hires_screen_data(std::span<const uint8_t> file, int format,
                                           GdkPixbuf **image, uint8_t *destination, GError **error)
{
    if (image != nullptr) {
        *image = nullptr;
    }
    HiresPictureView picture{};
    if (!hiresdecoder_parse_picture(file, format, &picture, error)) {
        return false;
    }
    if (destination != nullptr) {
        hiresdecoder_store_hires_data(
            picture, std::span<uint8_t, kHiresDataSize>(destination, kHiresDataSize));
    }
    if (image != nullptr) {
        *image = pixbufs_new_from_hires_opaque(
            picture.areas.bitmap.data(), picture.areas.screen.data(), picture.areas.colour.data(),
            picture.background, kPictureColumns, kPictureRows);
        if (*image == nullptr) {
            zbx_set_error(error, ZbxError::Failed, "Could not create pixbuf");
            return false;
        }
    }
    return true;
}
