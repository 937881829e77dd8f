// Drawing locations: a location's panel over its background colour.
#include "app/common.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/panelmodels.h"

namespace {
ZbxDefList *list_of(int panel)
{
    return panel == kNoPanel ? nullptr : panels_get_from_array_at_index(panel);
}
} // namespace

void locations_render_location(GdkPixbuf *canvas, GtkWidget *area, int transparency, int alpha)
{
    common_copy_background_image_to_pixbuf(canvas);
    int panel = kNoPanel;
    int colour = 0;
    if (!locations_get_current_location_info(&panel, &colour)) {
        return;
    }
    // An empty record, or one whose panel is gone, shows its colour alone.
    panelmodels_render_panel_defs(list_of(panel), canvas, area, colour, transparency, alpha);
}

void locations_render_location_at_index(int number, GdkPixbuf *canvas, int transparency, int alpha)
{
    common_copy_background_image_to_pixbuf(canvas);
    int panel = kNoPanel;
    int colour = 0;
    if (!locations_get_info_at_index(number, &panel, &colour)) {
        return;
    }
    panelmodels_render_panel_defs(list_of(panel), canvas, nullptr, colour, transparency, alpha);
}
