// Placements on the clipboard, as text: the panel editor copies them in two
// forms and pastes either. Plain functions over text, no display.
//
// The text form is one line per placement, in drawing order:
//
//   object 12 at 24, 16 mirror overrides 0x21
//   panel 7 at 0, -8 disabled
//   object 3 at 8, 8 overrides off 0x21 0x32
//
// the kind and item, the position in pixels, then what differs from a new
// placement: "disabled", "mirror" (objects), and the colour overrides
// (objects): "overrides" when they are on, "overrides off" when they are
// off but bytes are kept, followed by the bytes in use (override_count of
// them, 0xNN or decimal). Bytes past the count are not carried: the project
// file does not hold them either. The program's own form is the same lines
// under a first line naming the format and its version, so that a paste can
// tell it from any text.
//
// Reading refuses, with a ZBX_ERROR_BAD_FORMAT error that names the line,
// anything that is not exactly a list of placements a panel can hold: an
// item outside 0..254, a position that is not a whole cell the project file
// holds (-112..392 across, -112..136 down), mirror or overrides on a panel,
// more than three bytes, and more than kPlacementsClipMaxLines placements.
#pragma once

#include <glib.h>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "items/project.h"

// The clipboard target of the program's own form.
inline constexpr const char *kPlacementsClipTarget = "application/x-zembrix-placements";
// Its first line.
inline constexpr const char *kPlacementsClipHeader = "zembrix placements 1";
// At most this many placements are read (a panel holds far fewer).
inline constexpr int kPlacementsClipMaxLines = 4096;

// The text form: one line per placement, each ending in a newline.
std::string placements_clip_text(std::span<const PanelDef> defs);
// The program's own form: the header line, then the text form.
std::string placements_clip_encode(std::span<const PanelDef> defs);

// Reads the program's own form (own: the header is required) or text a user
// wrote or pasted (the header may be there; blank lines, spaces and a
// carriage return at the end of a line are allowed). At least one placement;
// defs is left alone on failure.
bool placements_clip_parse(std::string_view text, bool own, std::vector<PanelDef> *defs,
                           GError **error);

// Whether every placement names an item of this project of the kind it
// says; otherwise ZBX_ERROR_INVALID_ITEM: "Item 57 is not an object of this
// project" (or "... not a panel ...") for the first that does not.
bool placements_clip_check(const ZbxProject &project, std::span<const PanelDef> defs,
                           GError **error);
