// Location records: their text and their drawing.
#include "render/locations.h"

#include "c64/palette.h"
#include "render/canvas.h"
#include "render/render.h"

char *render_location_text(int panel, int colour)
{
    if (panel == kNoPanel) {
        return g_strdup("Empty record");
    }
    return g_strdup_printf("Panel: %d ($%02X)\nBackground: %s", panel, panel,
                           palette_get_name_at_index(colour));
}

ComposeStats render_location(const Document &document, GdkPixbuf *backdrop, int number,
                             GdkPixbuf *canvas, ComposeClashes *clashes)
{
    if (clashes != nullptr) {
        clashes->reset();
    }
    if (canvas == nullptr) {
        return {};
    }
    if (!document.is_open() || number < 0 || number >= kLocationCount) {
        canvas_copy_image(backdrop, canvas);
        return {};
    }
    // The location covers its whole area: the backdrop shows above it only.
    canvas_copy_image_above_area(backdrop, canvas);
    const ZbxLocationRecord record = document.location(number);
    return render_stored_panel(document, record.panel, canvas, record.colour, clashes);
}
