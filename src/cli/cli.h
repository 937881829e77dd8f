// zembrix-cli: shared pieces of the commands.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <string>

// Options left unset keep this value.
inline constexpr int kCliUnset = G_MININT;

// One command: its name, its parameters as shown in the usage line, a
// one-line summary, and its body (argc/argv start at the command's name).
struct CliCommand
{
    const char *name;
    const char *parameters;
    const char *summary;
    int (*run)(int argc, char **argv);
};

// Parses a command's options with GOptionContext ("--help" prints the
// command's help and exits). On success argv holds the positional arguments
// after argv[0]; expects exactly `positional` of them.
bool cli_parse(const CliCommand &command, const GOptionEntry *entries, int positional, int *argc,
               char ***argv, GError **error);

// Prints the error's message to standard error and returns exit code 1.
int cli_fail(GError *error);
int cli_fail(const std::string &message);

// Reads a project file into the tables and models.
bool cli_load_project(const char *filename, GError **error);

bool cli_save_png(GdkPixbuf *image, const char *filename, GError **error);
bool cli_write_file(const char *filename, const void *data, std::size_t size, GError **error);

// Checks that an option was given and lies in [low, high].
bool cli_require_int(const char *option, int value, int low, int high, GError **error);
bool cli_require_string(const char *option, const char *value, GError **error);

// The commands.
int cli_load(int argc, char **argv);
int cli_render(int argc, char **argv);
int cli_resave(int argc, char **argv);
int cli_refs(int argc, char **argv);
int cli_delete(int argc, char **argv);
int cli_import(int argc, char **argv);
int cli_check(int argc, char **argv);
int cli_picture(int argc, char **argv);
int cli_grab(int argc, char **argv);
int cli_objfile(int argc, char **argv);

const CliCommand *cli_find_command(const char *name);
