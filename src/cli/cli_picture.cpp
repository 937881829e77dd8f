// The commands that read C64 pictures and object files.
#include <array>
#include <cstdio>
#include <iterator>
#include <vector>

#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "cli/cli.h"
#include "files/fileio.h"
#include "files/object_file.h"
#include "files/picture_file.h"
#include "items/itemwrapper.h"
#include "items/objects.h"

int cli_picture(int argc, char **argv)
{
    CliString format_text;
    CliString background_text;
    CliString output;
    CliString hires;
    gboolean json = FALSE;
    const GOptionEntry entries[] = {
        {"format", 0, 0, G_OPTION_ARG_STRING, format_text.slot(),
         "Picture format: 0 detect (default), 1 Vidcom 64, 2 Koala Painter, 3 Artist 64, "
         "4 Advanced Art Studio, 5 Blazing Paddles",
         "0..5"},
        {"background", 0, 0, G_OPTION_ARG_STRING, background_text.slot(),
         "For an image (PNG, GIF, BMP): the C64 colour taken as background (default: its most "
         "frequent colour)",
         "0..15"},
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, output.slot(), "PNG file to write (320 x 200)",
         "OUT.png"},
        {"hires", 0, 0, G_OPTION_ARG_FILENAME, hires.slot(),
         "Also write the 10000 bytes of hires data: bitmap, screen and colour", "OUT.bin"},
        {"json", 0, 0, G_OPTION_ARG_NONE, &json,
         "Print the background and, for an image, the cells whose colours had to change", nullptr},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    int format = kHiresDetect;
    int background = -1;
    if (!cli_parse(*cli_find_command("picture"), entries, 1, &argc, &argv, error.out()) ||
        !cli_optional_int("--format", format_text, 0, 5, &format, error.out()) ||
        !cli_optional_int("--background", background_text, 0, 15, &background, error.out()) ||
        !cli_require_string("-o", output, error.out()) ||
        (hires.given() && !cli_require_string("--hires", hires, error.out()))) {
        return cli_fail(error);
    }
    PictureRead picture;
    if (format != kHiresDetect) {
        // A format named: that C64 format and nothing else.
        picture.hires.resize(kHiresDataSize);
        GdkPixbuf *decoded = nullptr;
        if (!picture_read_file(argv[1], format, &decoded, picture.hires.data(), error.out())) {
            return cli_fail(error);
        }
        g_object_unref(decoded);
        std::vector<uint8_t> file;
        HiresPictureView view{};
        if (fileio_read_file(argv[1], &file, nullptr) &&
            hiresdecoder_parse_picture(file, format, &view, nullptr)) {
            picture.background = view.background & 15;
        }
    } else if (!picture_read_any(argv[1], background, &picture, error.out())) {
        return cli_fail(error);
    }
    GRef<GdkPixbuf> image(picture_render(picture));
    std::vector<uint8_t> png;
    const std::span<const uint8_t> data(picture.hires);
    if (!image || !picture_encode_png_with_cells(image.get(), data.subspan(0, kHiresBitmapSize),
                                                 data.subspan(kHiresScreenOffset, kHiresCellCount),
                                                 data.subspan(kHiresColourOffset, kHiresCellCount),
                                                 kPictureColumns, kPictureRows, picture.background,
                                                 &png, error.out())) {
        return cli_fail(error);
    }
    std::vector<FileioOutput> outputs = {{output.get(), png}};
    if (hires.given()) {
        outputs.push_back({hires.get(), picture.hires});
    }
    if (!cli_write_files(outputs, error.out())) {
        return cli_fail(error);
    }
    if (json) {
        std::printf("{\"image\": %s, \"background\": %d, \"clashes\": [",
                    picture.from_image ? "true" : "false", picture.background);
        for (std::size_t i = 0; i < picture.clashes.size(); i++) {
            std::printf("%s{\"column\": %d, \"row\": %d}", i == 0 ? "" : ", ",
                        picture.clashes[i] % kPictureColumns, picture.clashes[i] / kPictureColumns);
        }
        std::printf("]}\n");
    }
    return 0;
}

bool cli_parse_grab(int *argc, char ***argv, CliGrab *grab, GError **error, bool replace)
{
    CliString item_text;
    CliString x_text;
    CliString y_text;
    CliString width_text;
    CliString height_text;
    CliString transparent_text;
    CliString background_text;
    CliString output;
    GOptionEntry entries[] = {
        {"x", 0, 0, G_OPTION_ARG_STRING, x_text.slot(), "Left edge in pixels (a multiple of 8)",
         "X"},
        {"y", 0, 0, G_OPTION_ARG_STRING, y_text.slot(), "Top edge in pixels (a multiple of 8)",
         "Y"},
        {"width", 0, 0, G_OPTION_ARG_STRING, width_text.slot(),
         "Width in pixels (8 to 120, a multiple of 8)", "W"},
        {"height", 0, 0, G_OPTION_ARG_STRING, height_text.slot(),
         "Height in pixels (8 to 120, a multiple of 8)", "H"},
        {"transparent", 0, 0, G_OPTION_ARG_STRING, transparent_text.slot(),
         "C64 colour (0 to 15) to make transparent besides the background", "T"},
        {"background", 0, 0, G_OPTION_ARG_STRING, background_text.slot(),
         "For an image (PNG, GIF, BMP): the C64 colour taken as background (default: its most "
         "frequent colour)",
         "0..15"},
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, output.slot(),
         replace ? "Project file to write" : "Object file to write",
         replace ? "OUT" : "OUT.zbxobject"},
        {"item", 0, 0, G_OPTION_ARG_STRING, item_text.slot(), "The object to replace (item index)",
         "N"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    if (!replace) {
        // --item is replace's alone.
        entries[std::size(entries) - 2] = entries[std::size(entries) - 1];
    }
    ZbxRect &r = grab->region;
    grab->transparent = -1;
    grab->background = -1;
    if (!cli_parse(*cli_find_command(replace ? "replace" : "grab"), entries, replace ? 2 : 1, argc,
                   argv, error) ||
        (replace && !cli_require_int("--item", item_text, 0, kMaxItems - 1, &grab->item, error)) ||
        !cli_require_int("--x", x_text, G_MININT, G_MAXINT, &r.x, error) ||
        !cli_require_int("--y", y_text, G_MININT, G_MAXINT, &r.y, error) ||
        !cli_require_int("--width", width_text, G_MININT, G_MAXINT, &r.width, error) ||
        !cli_require_int("--height", height_text, G_MININT, G_MAXINT, &r.height, error) ||
        !cli_optional_int("--transparent", transparent_text, 0, 15, &grab->transparent, error) ||
        !cli_optional_int("--background", background_text, 0, 15, &grab->background, error) ||
        !cli_require_string("-o", output, error)) {
        return false;
    }
    grab->output = output.get();
    return true;
}

int cli_grab(int argc, char **argv)
{
    CliGrab grab;
    GErrorPtr error;
    if (!cli_parse_grab(&argc, &argv, &grab, error.out())) {
        return cli_fail(error);
    }
    PictureRead read;
    if (!picture_read_any(argv[1], grab.background, &read, error.out())) {
        return cli_fail(error);
    }
    const HiresData picture =
        hiresdecoder_hires_areas(std::span<const uint8_t, kHiresDataSize>(read.hires));
    const std::vector<uint8_t> record = objects_region_to_record(
        picture.bitmap, picture.screen, picture.colour, grab.region, grab.transparent);
    if (record.empty()) {
        return cli_fail("Invalid region");
    }
    const FileioOutput out{grab.output.c_str(), record};
    if (!cli_write_files({&out, 1}, error.out())) {
        return cli_fail(error);
    }
    return 0;
}

int cli_replace(int argc, char **argv)
{
    CliGrab grab;
    GErrorPtr error;
    Document document;
    PictureRead read;
    if (!cli_parse_grab(&argc, &argv, &grab, error.out(), true) ||
        !cli_open_project(document, argv[1], error.out()) ||
        !picture_read_any(argv[2], grab.background, &read, error.out())) {
        return cli_fail(error);
    }
    const HiresData picture =
        hiresdecoder_hires_areas(std::span<const uint8_t, kHiresDataSize>(read.hires));
    if (!itemwrapper_replace_object(document, grab.item, picture, grab.transparent, grab.region,
                                    error.out()) ||
        !cli_write_project(grab.output.c_str(), document, error.out())) {
        return cli_fail(error);
    }
    return 0;
}

int cli_objfile(int argc, char **argv)
{
    CliString output;
    const GOptionEntry entries[] = {
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, output.slot(), "PNG file to write", "OUT.png"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    GdkPixbuf *decoded = nullptr;
    if (!cli_parse(*cli_find_command("objfile"), entries, 1, &argc, &argv, error.out()) ||
        !cli_require_string("-o", output, error.out()) ||
        !(decoded = objfile_read_image(argv[1], error.out()))) {
        return cli_fail(error);
    }
    GRef<GdkPixbuf> image(decoded);
    std::vector<uint8_t> png;
    if (!pixbufs_encode_png(image.get(), &png, error.out())) {
        return cli_fail(error);
    }
    const FileioOutput out{output.get(), png};
    if (!cli_write_files({&out, 1}, error.out())) {
        return cli_fail(error);
    }
    return 0;
}
