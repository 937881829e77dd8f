// Shared by the window timing tools: run the toolkit until nothing is left
// to draw, and open a project in the main window as a user would.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include <gtk/gtk.h>

#include "app/application.h"
#include "files/zembrix_format.h"

inline void settle()
{
    while (gtk_events_pending()) {
        gtk_main_iteration();
    }
    gdk_window_process_all_updates();
    gdk_display_sync(gdk_display_get_default());
}

// Writes `contents` to `path` (unless empty) and opens `path` in the started
// application's main window; says why on stderr and returns false when it
// cannot.
inline bool open_for_timing(Application &app, const std::string &path,
                            std::span<const uint8_t> contents = {})
{
    if (!contents.empty() &&
        !g_file_set_contents(path.c_str(), reinterpret_cast<const char *>(contents.data()),
                             static_cast<gssize>(contents.size()), nullptr)) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        return false;
    }
    settle();
    if (!app.open_project(path.c_str())) {
        std::fprintf(stderr, "could not open %s\n", path.c_str());
        return false;
    }
    settle();
    return true;
}

// A project's file contents (empty when it cannot be encoded).
inline std::vector<uint8_t> encoded(const ZbxProject &project)
{
    std::vector<uint8_t> bytes;
    if (!zembrix_encode(project, &bytes, nullptr)) {
        bytes.clear();
    }
    return bytes;
}
