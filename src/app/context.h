// What the windows share for the run while they are being moved into the
// application object: the document, the backdrop and the palette images.
#pragma once

#include <string>
#include <vector>

#include "c64/palette.h"
#include "items/document.h"

Document &app_document();
// The backdrop (null when none could be read).
GdkPixbuf *app_backdrop();
// Reads the backdrop from the places it is looked for.
bool app_load_backdrop(GError **error);
// Replaces those places (tests); an empty list restores them.
void app_set_backdrop_candidates(std::vector<std::string> paths);
const PaletteImages &app_palette();
// Back to the start of a run.
void app_context_reset();
