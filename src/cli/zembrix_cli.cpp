// zembrix-cli: the editor's core on the command line, for build pipelines
// and version control. No display is needed.
#include <clocale>
#include <cstdio>
#include <cstring>

#include "c64/palette.h"
#include "cli/cli.h"
#include "files/zembrix.h"
#include "gref.h"
#include "items/objects.h"

namespace {

// clang-format off
const CliCommand commands[] = {
    {"load", "FILE", "Print the project's objects, panels and locations as JSON", cli_load},
    {"render", "FILE", "Draw a location, a panel or an object as a PNG image", cli_render},
    {"resave", "FILE", "Read a project file and write it again", cli_resave},
    {"picture", "PICTURE", "Decode a C64 picture into a PNG image and hires data", cli_picture},
    {"grab", "PICTURE", "Cut an object out of a C64 picture into an object file", cli_grab},
    {"refs", "FILE", "Tell where an item is used", cli_refs},
    {"delete", "FILE", "Delete an item that nothing uses and write the result", cli_delete},
    {"import", "FILE", "Append the object of an object file and write the result", cli_import},
    {"objfile", "OBJFILE", "Draw an object file's object as a PNG image", cli_objfile},
    {"check", "FILE", "List what in a project would trip up the editor or the game", cli_check},
};
// clang-format on

void print_usage(FILE *out)
{
    std::fputs("Usage: zembrix-cli COMMAND [OPTION…] ARGUMENTS\n\nCommands:\n", out);
    for (const CliCommand &command : commands) {
        std::fprintf(out, "  %-9s%s\n", command.name, command.summary);
    }
    std::fputs("\nRun \"zembrix-cli COMMAND --help\" for the options of a command.\n", out);
}

} // namespace

const CliCommand *cli_find_command(const char *name)
{
    for (const CliCommand &command : commands) {
        if (std::strcmp(command.name, name) == 0) {
            return &command;
        }
    }
    return nullptr;
}

bool cli_parse(const CliCommand &command, const GOptionEntry *entries, int positional, int *argc,
               char ***argv, GError **error)
{
    std::string prgname = std::string("zembrix-cli ") + command.name;
    g_set_prgname(prgname.c_str());
    GOptionContext *context = g_option_context_new(command.parameters);
    g_option_context_set_summary(context, command.summary);
    g_option_context_add_main_entries(context, entries, nullptr);
    bool ok = g_option_context_parse(context, argc, argv, error);
    g_option_context_free(context);
    if (ok && *argc - 1 != positional) {
        g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_FAILED,
                    *argc - 1 < positional ? "Missing argument: %s" : "Unexpected argument: %s",
                    *argc - 1 < positional ? command.parameters : (*argv)[positional + 1]);
        ok = false;
    }
    return ok;
}

int cli_fail(GError *error)
{
    std::fprintf(stderr, "%s\n", error != nullptr ? error->message : "Failed");
    if (error != nullptr) {
        g_error_free(error);
    }
    return 1;
}

int cli_fail(const std::string &message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

bool cli_load_project(const char *filename, GError **error)
{
    zembrix_init_headless();
    return zembrix_load_file(filename, nullptr, nullptr, error) != 0;
}

bool cli_save_png(GdkPixbuf *image, const char *filename, GError **error)
{
    return gdk_pixbuf_save(image, filename, "png", error, nullptr);
}

bool cli_write_file(const char *filename, const void *data, std::size_t size, GError **error)
{
    return g_file_set_contents(filename, static_cast<const gchar *>(data),
                               static_cast<gssize>(size), error);
}

bool cli_require_int(const char *option, int value, int low, int high, GError **error)
{
    if (value == kCliUnset) {
        g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_FAILED, "Missing option %s", option);
        return false;
    }
    if (value < low || value > high) {
        g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_BAD_VALUE,
                    "Option %s must lie between %d and %d", option, low, high);
        return false;
    }
    return true;
}

bool cli_require_string(const char *option, const char *value, GError **error)
{
    if (value == nullptr || *value == '\0') {
        g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_FAILED, "Missing option %s", option);
        return false;
    }
    return true;
}

int main(int argc, char *argv[])
{
    std::setlocale(LC_ALL, "");
    if (argc < 2) {
        print_usage(stderr);
        return 1;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        print_usage(stdout);
        return 0;
    }
    const CliCommand *command = cli_find_command(argv[1]);
    if (command == nullptr) {
        return cli_fail(std::string("Unknown command: ") + argv[1] +
                        " (run \"zembrix-cli --help\" for the list)");
    }
    return command->run(argc - 1, argv + 1);
}
