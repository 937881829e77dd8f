// Location records: their text and their drawing.
#include "models/locations.h"

#include "c64/palette.h"
#include "models/common_canvas.h"
#include "models/panelmodels_render.h"

char *locations_record_text(int panel, int colour)
{
    if (panel == kNoPanel) {
        return g_strdup("Empty record");
    }
    return g_strdup_printf("Panel: %d ($%02X)\nBackground: %s", panel, panel,
                           palette_get_name_at_index(colour));
}

gboolean locations_get_info_at_index(int number, int *panel, int *colour)
{
    const ZbxLocationRecord record = document_location(number);
    *panel = record.panel;
    *colour = record.colour;
    return record.panel != kNoPanel;
}

gboolean locations_is_filled_at_index(int number)
{
    return document_location(number).panel != kNoPanel;
}

int locations_get_index_past_last_filled_slot()
{
    for (int number = kLocationCount - 1; number >= 0; number--) {
        if (locations_is_filled_at_index(number)) {
            return number + 1;
        }
    }
    return 0;
}

void locations_render_location_at_index(int number, GdkPixbuf *canvas, ComposeClashes *clashes)
{
    if (clashes != nullptr) {
        clashes->reset();
    }
    if (canvas == nullptr) {
        return;
    }
    if (!document_is_open() || number < 0 || number >= kLocationCount) {
        common_copy_background_image_to_pixbuf(canvas);
        return;
    }
    // The location covers its whole area: the backdrop shows above it only.
    common_copy_background_above_location_area(canvas);
    const ZbxLocationRecord record = document_location(number);
    panelmodels_render_stored_panel(record.panel, canvas, record.colour, clashes);
}
