// The project as text: stable, diff-friendly JSON that version control
// shows line by line and that builds the same project file again. Objects
// keep their size and their bytes as rows of cells, panels their
// placements one per line, locations one per line; the preview colours and
// the enabled flags, which the project file cannot hold, travel too. The
// format is described by docs/project.schema.json.
#pragma once

#include <cstdint>
#include <glib.h>
#include <span>
#include <string>
#include <vector>

#include "items/project.h"

inline constexpr int kProjectJsonVersion = 1;
// A project's text is never larger than this.
inline constexpr gsize kProjectJsonMaxInput = gsize{64} << 20;

// The project (with one preview colour per item) as JSON text.
std::string project_json_export(const ZbxProject &project, std::span<const uint8_t> preview);
// Reads the text back; false with a ZBX_ERROR BadFormat error naming the
// path of the first bad value ("panels[3].placements[2].x: 500 is outside
// -112..392"), leaving project and preview alone.
bool project_json_import(std::span<const uint8_t> text, ZbxProject *project,
                         std::vector<uint8_t> *preview, GError **error);
