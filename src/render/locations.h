// The 32 location records as the editor shows them: the record text, and a
// location drawn into a canvas. The records themselves are the document's.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include "items/document.h"
#include "render/compose.h"

// "Panel: %d ($%02X)\nBackground: %s" or "Empty record"; caller frees.
char *render_location_text(int panel, int colour);
// The backdrop (none: left as it is), then the record's panel over its
// background colour (the colour alone when the record is empty or its panel
// is gone). With `clashes`, the clashing cells are reported there in the
// same pass. Returns the composition's statistics (truncated: the picture
// is incomplete).
ComposeStats render_location(const Document &document, GdkPixbuf *backdrop, int number,
                             GdkPixbuf *canvas, ComposeClashes *clashes = nullptr);
