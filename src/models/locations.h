// The 32 location records as the editor shows them: the record text, and a
// location drawn into a canvas. The records themselves are the document's.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include "items/document.h"
#include "models/panelmodels_compose.h"

// "Panel: %d ($%02X)\nBackground: %s" or "Empty record"; caller frees.
char *locations_record_text(int panel, int colour);
// Whether record `number` elects a panel; its panel and colour either way
// (255 and 0 outside the table).
gboolean locations_get_info_at_index(int number, int *panel, int *colour);
gboolean locations_is_filled_at_index(int number);
// One more than the number of the last filled record; 0 when none is.
int locations_get_index_past_last_filled_slot();
// The backdrop, then the record's panel over its background colour (the
// colour alone when the record is empty or its panel is gone). With
// `clashes`, the clashing cells are reported there in the same pass.
void locations_render_location_at_index(int number, GdkPixbuf *canvas,
                                        ComposeClashes *clashes = nullptr);
