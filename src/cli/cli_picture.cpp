// The commands that read C64 pictures and object files.
#include <array>
#include <vector>

#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "cli/cli.h"
#include "files/object_file.h"
#include "files/picture_file.h"
#include "items/objects.h"

int cli_picture(int argc, char **argv)
{
    CliString format_text;
    CliString output;
    CliString hires;
    const GOptionEntry entries[] = {
        {"format", 0, 0, G_OPTION_ARG_STRING, format_text.slot(),
         "Picture format: 0 detect (default), 1 Vidcom 64, 2 Koala Painter, 3 Artist 64, "
         "4 Advanced Art Studio, 5 Blazing Paddles",
         "0..5"},
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, output.slot(), "PNG file to write (320 x 200)",
         "OUT.png"},
        {"hires", 0, 0, G_OPTION_ARG_FILENAME, hires.slot(),
         "Also write the 10000 bytes of hires data: bitmap, screen and colour", "OUT.bin"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GErrorPtr error;
    int format = kHiresDetect;
    if (!cli_parse(*cli_find_command("picture"), entries, 1, &argc, &argv, error.out()) ||
        !cli_optional_int("--format", format_text, 0, 5, &format, error.out()) ||
        !cli_require_string("-o", output, error.out()) ||
        (hires.given() && !cli_require_string("--hires", hires, error.out()))) {
        return cli_fail(error);
    }
    std::vector<uint8_t> data(kHiresDataSize);
    GdkPixbuf *decoded = nullptr;
    if (!picture_read_file(argv[1], format, &decoded, data.data(), error.out())) {
        return cli_fail(error);
    }
    GRef<GdkPixbuf> image(decoded);
    std::vector<uint8_t> png;
    if (!pixbufs_encode_png(image.get(), &png, error.out())) {
        return cli_fail(error);
    }
    std::vector<FileioOutput> outputs = {{output.get(), png}};
    if (hires.given()) {
        outputs.push_back({hires.get(), data});
    }
    if (!cli_write_files(outputs, error.out())) {
        return cli_fail(error);
    }
    return 0;
}

bool cli_parse_grab(int *argc, char ***argv, CliGrab *grab, GError **error)
{
    CliString x_text;
    CliString y_text;
    CliString width_text;
    CliString height_text;
    CliString transparent_text;
    CliString output;
    const GOptionEntry entries[] = {
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
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, output.slot(), "Object file to write",
         "OUT.zbxobject"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    ZbxRect &r = grab->region;
    grab->transparent = -1;
    if (!cli_parse(*cli_find_command("grab"), entries, 1, argc, argv, error) ||
        !cli_require_int("--x", x_text, G_MININT, G_MAXINT, &r.x, error) ||
        !cli_require_int("--y", y_text, G_MININT, G_MAXINT, &r.y, error) ||
        !cli_require_int("--width", width_text, G_MININT, G_MAXINT, &r.width, error) ||
        !cli_require_int("--height", height_text, G_MININT, G_MAXINT, &r.height, error) ||
        !cli_optional_int("--transparent", transparent_text, 0, 15, &grab->transparent, error) ||
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
    std::vector<uint8_t> data(kHiresDataSize);
    if (!picture_read_file(argv[1], kHiresDetect, nullptr, data.data(), error.out())) {
        return cli_fail(error);
    }
    const HiresData picture =
        hiresdecoder_hires_areas(std::span<const uint8_t, kHiresDataSize>(data));
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
