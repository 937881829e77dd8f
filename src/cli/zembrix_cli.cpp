// zembrix-cli: the command table and the pieces the commands share.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/cli.h"
#include "files/zembrix.h"

namespace {

// clang-format off
const CliCommand commands[] = {
    {"load", "FILE", "Print the project's objects, panels and locations as JSON", cli_load},
    {"render", "FILE", "Draw a location, a panel or an object as a PNG image", cli_render},
    {"resave", "FILE", "Read a project file and write it again", cli_resave},
    {"picture", "PICTURE",
     "Decode a C64 picture or an image (PNG, GIF, BMP) into a PNG image and hires data",
     cli_picture},
    {"grab", "PICTURE", "Cut an object out of a C64 picture or an image into an object file",
     cli_grab},
    {"replace", "FILE PICTURE",
     "Write a region of a picture into an object, keeping its index, and write the result",
     cli_replace},
    {"refs", "FILE", "Tell where an item is used", cli_refs},
    {"delete", "FILE", "Delete an item that nothing uses and write the result", cli_delete},
    {"import", "FILE", "Append the object of an object file and write the result", cli_import},
    {"objfile", "OBJFILE", "Draw an object file's object as a PNG image", cli_objfile},
    {"check", "FILE", "List what in a project would trip up the editor or the game", cli_check},
    {"export-json", "FILE", "Write a project as JSON text that version control can diff",
     cli_export_json},
    {"import-json", "PROJECT.json", "Build a project file from its JSON text", cli_import_json},
};
// clang-format on

} // namespace

void cli_print_usage(FILE *out)
{
    std::fputs("Usage: zembrix-cli COMMAND [OPTION…] ARGUMENTS\n\nCommands:\n", out);
    for (const CliCommand &command : commands) {
        std::fprintf(out, "  %-12s%s\n", command.name, command.summary);
    }
    std::fprintf(out,
                 "\nRun \"zembrix-cli COMMAND --help\" (or \"zembrix-cli help COMMAND\") for "
                 "the options of a command;\n\"zembrix-cli --version\" prints the version.\n\n%s",
                 kCliExitStatus);
}

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
    g_option_context_set_description(context, kCliExitStatus);
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

int cli_fail(const GErrorPtr &error)
{
    std::fprintf(stderr, "%s\n", error.message("Failed"));
    return 1;
}

int cli_fail(const std::string &message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

namespace {
void say_notes(const std::vector<FileioNote> &notes)
{
    for (const FileioNote &note : notes) {
        std::fprintf(stderr, "%s\n", note.message.c_str());
    }
}
} // namespace

bool cli_write_files(std::span<const FileioOutput> outputs, GError **error)
{
    std::vector<FileioNote> notes;
    const bool ok = fileio_write_files(outputs, &notes, error);
    say_notes(notes);
    return ok;
}

bool cli_write_project(const char *filename, const Document &document, GError **error)
{
    std::vector<FileioNote> notes;
    const bool ok = zembrix_write_file(filename, document.project(), &notes, error);
    say_notes(notes);
    return ok;
}

bool cli_open_project(Document &document, const char *filename, GError **error)
{
    ZbxProject project;
    if (!zembrix_read_file(filename, &project, nullptr, nullptr, error)) {
        return false;
    }
    document.load(std::move(project), Document::History::WhenNeeded);
    return true;
}

bool cli_require_int(const char *option, const CliString &text, int low, int high, int *value,
                     GError **error)
{
    if (!text.given()) {
        g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_FAILED, "Missing option %s", option);
        return false;
    }
    return cli_optional_int(option, text, low, high, value, error);
}

bool cli_optional_int(const char *option, const CliString &text, int low, int high, int *value,
                      GError **error)
{
    if (!text.given()) {
        return true;
    }
    gint64 number = 0;
    if (!g_ascii_string_to_signed(text.get(), 10, G_MININT64, G_MAXINT64, &number, nullptr)) {
        // Digits too many for any number are still a number out of range.
        const char *digits = text.get() + (text.get()[0] == '-' || text.get()[0] == '+');
        const bool numeric = *digits != '\0' && strspn(digits, "0123456789") == strlen(digits);
        if (!numeric) {
            g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_BAD_VALUE,
                        "Option %s takes a whole number, not \"%s\"", option, text.get());
            return false;
        }
        number = G_MAXINT64;
    }
    if (number < low || number > high) {
        g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_BAD_VALUE,
                    "Option %s must lie between %d and %d", option, low, high);
        return false;
    }
    *value = static_cast<int>(number);
    return true;
}

bool cli_require_string(const char *option, const CliString &value, GError **error)
{
    if (!value.given() || *value.get() == '\0') {
        g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_FAILED, "Missing option %s", option);
        return false;
    }
    return true;
}

int cli_close_stdout(int status)
{
    const bool flushed = std::fflush(stdout) == 0 && !std::ferror(stdout);
    const int err = errno;
    if (std::fclose(stdout) != 0 || !flushed) {
        std::fprintf(stderr, "Could not write the output: %s\n", g_strerror(flushed ? errno : err));
        return 1;
    }
    return status;
}
