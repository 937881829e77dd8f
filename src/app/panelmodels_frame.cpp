// The frame around the definition selected in the main window's list: the
// window half of the panel models.
#include "app/common.h"
#include "models/panelmodels.h"

void panelmodels_draw_rectangle_around_item(GtkWidget *area, int frame_colour, int zoom)
{
    PanelDef def;
    if (!panelmodels_get_selected_panel_def(&def)) {
        return;
    }
    ZbxRect rect{def.x, def.y, 0, 0};
    common_draw_rectangle_around_item(area, frame_colour, zoom, def.item, def.is_object, &rect);
}
