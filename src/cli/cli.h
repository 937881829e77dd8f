// zembrix-cli: shared pieces of the commands.
#pragma once

#include <cstdint>
#include <cstdio>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <span>
#include <string>
#include <vector>

#include "base/gref.h"
#include "c64/pixbufs.h"
#include "files/fileio.h"
#include "items/document.h"

// An option's value as GOptionContext leaves it: a string this holder owns
// (whatever way the command ends), or none when the option was not given.
// Number options are kept as text too, so that any number can be told from
// an option left out, and checked by cli_require_int.
class CliString
{
  public:
    CliString() = default;
    ~CliString() { g_free(value_); }
    CliString(const CliString &) = delete;
    CliString &operator=(const CliString &) = delete;
    // Where GOptionContext stores the value (G_OPTION_ARG_STRING or
    // G_OPTION_ARG_FILENAME).
    gpointer slot() { return &value_; }
    const char *get() const { return value_; }
    bool given() const { return value_ != nullptr; }

  private:
    char *value_ = nullptr;
};

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

// What the exit status says, for every command's help.
inline constexpr const char *kCliExitStatus =
    "Exit status: 0 done; 1 failed (the message says why, and nothing was written); 3 check "
    "--fail-on-clash found clashes.\n";
// The list of commands.
void cli_print_usage(FILE *out);
// Flushes and closes stdout at the end of a command: what it printed must
// have arrived (a full disk or a file-size limit is a failure like any
// other). Returns status, or 1 after saying what failed.
int cli_close_stdout(int status);

// Prints the error's message to standard error and returns exit code 1.
int cli_fail(const GErrorPtr &error);
int cli_fail(const std::string &message);

// Writes the outputs all or nothing (fileio_write_files) and says on
// standard error, one line each, what the write could not keep of the old
// files: their other hard links, their owner.
bool cli_write_files(std::span<const FileioOutput> outputs, GError **error);
// The same for a project file.
bool cli_write_project(const char *filename, const Document &document, GError **error);

// Reads a project file into a command's own document.
bool cli_open_project(Document &document, const char *filename, GError **error);

// Checks that a number option was given, is a whole number and lies in
// [low, high]; on success stores it in *value.
bool cli_require_int(const char *option, const CliString &text, int low, int high, int *value,
                     GError **error);
// The same for an option that may be left out: *value keeps its default.
bool cli_optional_int(const char *option, const CliString &text, int low, int high, int *value,
                      GError **error);
bool cli_require_string(const char *option, const CliString &value, GError **error);

// The options of grab: the region to cut, the colour to make transparent
// (-1 for none) and the object file to write. Parsed and checked as numbers;
// the region itself is checked by the cut. On success argv holds the
// picture's name after argv[0].
struct CliGrab
{
    ZbxRect region = {};
    int transparent = -1;
    // For an image: the colour taken as background (-1: its most frequent).
    int background = -1;
    // replace: the object replaced.
    int item = -1;
    std::string output;
};
// The options of grab, or with replace those of replace (two files and
// --item).
bool cli_parse_grab(int *argc, char ***argv, CliGrab *grab, GError **error, bool replace = false);

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
int cli_replace(int argc, char **argv);
int cli_export_json(int argc, char **argv);
int cli_import_json(int argc, char **argv);

const CliCommand *cli_find_command(const char *name);
