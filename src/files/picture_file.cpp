#include "files/picture_file.h"

#include <vector>

#include "base/error.h"
#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "c64/pixbufs.h"
#include "files/fileio.h"

bool picture_read_file(const char *filename, int format, GdkPixbuf **image, uint8_t *destination,
                       GError **error)
{
    if (image != nullptr) {
        *image = nullptr;
    }
    std::vector<uint8_t> contents;
    if (!fileio_read_file(filename, &contents, error)) {
        return false;
    }
    return hiresdecoder_decode_hires_screen_data(contents, format, image, destination, error);
}

namespace {

// An image decoded by gdk-pixbuf, as RGBA; null when the bytes are none.
GRef<GdkPixbuf> load_image(std::span<const uint8_t> bytes)
{
    GdkPixbufLoader *loader = gdk_pixbuf_loader_new();
    const bool written = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), nullptr);
    const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
    GRef<GdkPixbuf> image;
    GdkPixbuf *loaded = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (loaded != nullptr && gdk_pixbuf_get_colorspace(loaded) == GDK_COLORSPACE_RGB &&
        gdk_pixbuf_get_bits_per_sample(loaded) == 8) {
        // Options such as the PNG's text stay with the copy.
        image.reset(gdk_pixbuf_add_alpha(loaded, FALSE, 0, 0, 0));
        const char *cells =
            gdk_pixbuf_get_option(loaded, (std::string("tEXt::") + kPictureCellsKey).c_str());
        if (image && cells != nullptr) {
            gdk_pixbuf_set_option(image.get(), kPictureCellsKey, cells);
        }
    }
    g_object_unref(loader);
    return image;
}

} // namespace

bool picture_decode_any(std::span<const uint8_t> bytes, int background, PictureRead *picture,
                        GError **error)
{
    PictureRead read;
    if (hiresdecoder_detect_format(bytes) != kHiresDetect) {
        HiresPictureView view{};
        if (!hiresdecoder_parse_picture(bytes, kHiresDetect, &view, error)) {
            return false;
        }
        read.hires.resize(kHiresDataSize);
        hiresdecoder_store_hires_data(view, std::span<uint8_t, kHiresDataSize>(read.hires));
        read.background = view.background & 15;
        *picture = std::move(read);
        return true;
    }
    const GRef<GdkPixbuf> image = load_image(bytes);
    if (!image) {
        g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, "Undetected picture format");
        return false;
    }
    ImageCellHint hint;
    const bool hinted =
        image_match_parse_hint(gdk_pixbuf_get_option(image.get(), kPictureCellsKey), &hint);
    const RgbaImage rgba{gdk_pixbuf_get_pixels(image.get()), gdk_pixbuf_get_width(image.get()),
                         gdk_pixbuf_get_height(image.get()), gdk_pixbuf_get_rowstride(image.get())};
    ImagePicture matched;
    if (!image_match_picture(rgba, background, hinted ? &hint : nullptr, &matched, error)) {
        return false;
    }
    read.hires = std::move(matched.hires);
    read.background = matched.background;
    read.clashes = std::move(matched.clashes);
    read.from_image = true;
    *picture = std::move(read);
    return true;
}

bool picture_read_any(const char *filename, int background, PictureRead *picture, GError **error)
{
    std::vector<uint8_t> contents;
    if (!fileio_read_file(filename, &contents, error, kPictureMaxImageInput)) {
        return false;
    }
    return picture_decode_any(contents, background, picture, error);
}

GdkPixbuf *picture_render(const PictureRead &picture)
{
    if (picture.hires.size() != kHiresDataSize) {
        return nullptr;
    }
    const uint8_t *data = picture.hires.data();
    return pixbufs_new_from_hires_opaque(data, data + kHiresScreenOffset, data + kHiresColourOffset,
                                         picture.background, kPictureColumns, kPictureRows);
}

bool picture_encode_png_with_cells(GdkPixbuf *image, std::span<const uint8_t> bitmap,
                                   std::span<const uint8_t> screen, std::span<const uint8_t> colour,
                                   int columns, int rows, int background, std::vector<uint8_t> *png,
                                   GError **error)
{
    const std::size_t cells = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    if (bitmap.size() < 8 * cells || screen.size() < cells || colour.size() < cells) {
        zbx_set_error(error, ZbxError::BadFormat, "Could not create pixbuf");
        return false;
    }
    const ImageCellHint hint{background,
                             columns,
                             rows,
                             {bitmap.begin(), bitmap.begin() + 8 * cells},
                             {screen.begin(), screen.begin() + cells},
                             {colour.begin(), colour.begin() + cells}};
    const std::string text = image_match_hint_text(hint);
    const std::string key = std::string("tEXt::") + kPictureCellsKey;
    gchar *buffer = nullptr;
    gsize size = 0;
    if (!gdk_pixbuf_save_to_buffer(image, &buffer, &size, "png", error, key.c_str(), text.c_str(),
                                   "compression", "1", nullptr)) {
        return false;
    }
    png->assign(buffer, buffer + size);
    g_free(buffer);
    return true;
}
