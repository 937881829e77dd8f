// The list of a project's backups to choose one from.
#pragma once

#include <gtk/gtk.h>
#include <string>
#include <vector>

#include "files/backups.h"

// Shows the backups (date, time and size, newest first and selected) in a
// modal dialog over parent; true with the chosen one's path when the user
// restores one (the "_Restore" button, Enter or a double click).
bool ui_choose_backup(GtkWindow *parent, const char *project_name,
                      const std::vector<BackupEntry> &backups, std::string *chosen);

// "2026-12-07", "18:45:03" and "12,480 bytes" for a backup's row.
std::string ui_backup_date(gint64 time);
std::string ui_backup_time(gint64 time);
std::string ui_backup_size(gint64 size);
