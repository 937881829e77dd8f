// Copies of a project as it was before each save replaced it. They live in
// the user's state folder, one folder per project path, never beside the
// project (where they would be packed into a game build by accident), and
// are written with the same safe writer as the project. The newest few are
// kept; the oldest go first.
#pragma once

#include <glib.h>
#include <string>
#include <vector>

// How many backups of a project are kept unless the options say otherwise.
inline constexpr int kBackupsKept = 10;

struct BackupEntry
{
    std::string path;
    // When the backup was kept (seconds since the epoch, local time shown).
    gint64 time = 0;
    gint64 size = 0;
};

// One name for a project file however its path is written: its base name
// and a hash of its absolute path with links resolved ("game.prg-HASH").
std::string backups_project_key(const char *project_path);

// The folder holding the backups of the project at project_path, below
// state_dir ("zembrix/backups/NAME-HASH", HASH from the project's absolute
// path, so two projects of one name keep apart).
std::string backups_folder(const char *state_dir, const char *project_path);

// Keeps the file at project_path, as it is now, as the newest backup (named
// by the date and time), then removes the oldest beyond `keep`. Nothing to
// do (true) when there is no such file yet or keep is 0. False with the
// reason when the backup could not be written; the project is untouched
// either way.
bool backups_keep(const char *state_dir, const char *project_path, int keep, GError **error);

// The backups of a project, newest first.
std::vector<BackupEntry> backups_list(const char *state_dir, const char *project_path);
