// The commands that read C64 pictures and object files.
#include <array>
#include <vector>

#include "c64/hiresdecoder.h"
#include "cli/cli.h"
#include "gref.h"
#include "items/objects.h"

int cli_picture(int argc, char **argv)
{
    int format = kHiresDetect;
    char *output = nullptr;
    char *hires = nullptr;
    const GOptionEntry entries[] = {
        {"format", 0, 0, G_OPTION_ARG_INT, &format,
         "Picture format: 0 detect (default), 1 Vidcom 64, 2 Koala Painter, 3 Artist 64, "
         "4 Advanced Art Studio, 5 Blazing Paddles",
         "0..5"},
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, &output, "PNG file to write (320 x 200)",
         "OUT.png"},
        {"hires", 0, 0, G_OPTION_ARG_FILENAME, &hires,
         "Also write the 10000 bytes of hires data: bitmap, screen and colour", "OUT.bin"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GError *error = nullptr;
    if (!cli_parse(*cli_find_command("picture"), entries, 1, &argc, &argv, &error)) {
        return cli_fail(error);
    }
    GCharPtr output_owned(output);
    GCharPtr hires_owned(hires);
    if (!cli_require_string("-o", output, &error)) {
        return cli_fail(error);
    }
    std::vector<uint8_t> data(kHiresDataSize);
    GdkPixbuf *decoded = nullptr;
    if (!hiresdecoder_decode_hires_screen_file(argv[1], format, &decoded, data.data(), &error)) {
        return cli_fail(error);
    }
    GRef<GdkPixbuf> image(decoded);
    if (!cli_save_png(image.get(), output, &error) ||
        (hires != nullptr && !cli_write_file(hires, data.data(), data.size(), &error))) {
        return cli_fail(error);
    }
    return 0;
}

int cli_grab(int argc, char **argv)
{
    int x = kCliUnset;
    int y = kCliUnset;
    int width = kCliUnset;
    int height = kCliUnset;
    int transparent = kCliUnset;
    char *output = nullptr;
    const GOptionEntry entries[] = {
        {"x", 0, 0, G_OPTION_ARG_INT, &x, "Left edge in pixels (a multiple of 8)", "X"},
        {"y", 0, 0, G_OPTION_ARG_INT, &y, "Top edge in pixels (a multiple of 8)", "Y"},
        {"width", 0, 0, G_OPTION_ARG_INT, &width, "Width in pixels (8 to 120, a multiple of 8)",
         "W"},
        {"height", 0, 0, G_OPTION_ARG_INT, &height, "Height in pixels (8 to 120, a multiple of 8)",
         "H"},
        {"transparent", 0, 0, G_OPTION_ARG_INT, &transparent,
         "C64 colour (0 to 15) to make transparent besides the background", "T"},
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, &output, "Object file to write", "OUT.zbxobject"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GError *error = nullptr;
    if (!cli_parse(*cli_find_command("grab"), entries, 1, &argc, &argv, &error)) {
        return cli_fail(error);
    }
    GCharPtr output_owned(output);
    if (!cli_require_int("--x", x, G_MININT + 1, G_MAXINT, &error) ||
        !cli_require_int("--y", y, G_MININT + 1, G_MAXINT, &error) ||
        !cli_require_int("--width", width, G_MININT + 1, G_MAXINT, &error) ||
        !cli_require_int("--height", height, G_MININT + 1, G_MAXINT, &error) ||
        (transparent != kCliUnset &&
         !cli_require_int("--transparent", transparent, 0, 15, &error)) ||
        !cli_require_string("-o", output, &error)) {
        return cli_fail(error);
    }
    std::vector<uint8_t> data(kHiresDataSize);
    if (!hiresdecoder_decode_hires_screen_file(argv[1], kHiresDetect, nullptr, data.data(),
                                               &error)) {
        return cli_fail(error);
    }
    const std::span<const uint8_t> all(data);
    const std::vector<uint8_t> record = objects_region_to_record(
        all.subspan(0, kHiresBitmapSize), all.subspan(kHiresScreenOffset, kHiresCellCount),
        all.subspan(kHiresColourOffset, kHiresCellCount), ZbxRect{x, y, width, height},
        transparent == kCliUnset ? -1 : transparent);
    if (record.empty()) {
        return cli_fail("Invalid region");
    }
    if (!cli_write_file(output, record.data(), record.size(), &error)) {
        return cli_fail(error);
    }
    return 0;
}

int cli_objfile(int argc, char **argv)
{
    char *output = nullptr;
    const GOptionEntry entries[] = {
        {"output", 'o', 0, G_OPTION_ARG_FILENAME, &output, "PNG file to write", "OUT.png"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
    GError *error = nullptr;
    if (!cli_parse(*cli_find_command("objfile"), entries, 1, &argc, &argv, &error)) {
        return cli_fail(error);
    }
    GCharPtr output_owned(output);
    GdkPixbuf *decoded = nullptr;
    if (!cli_require_string("-o", output, &error) ||
        !hiresdecoder_decode_object_file(argv[1], &decoded, &error)) {
        return cli_fail(error);
    }
    GRef<GdkPixbuf> image(decoded);
    if (!cli_save_png(image.get(), output, &error)) {
        return cli_fail(error);
    }
    return 0;
}
