// The frame around an item placed in the location area.
#include "app/common.h"
#include "items/objects.h"
#include "items/panels.h"

void common_draw_rectangle_around_item(GtkWidget *area, int frame_colour, int zoom, int item,
                                       gboolean is_object, ZbxRect *rect)
{
    if (is_object) {
        if (!objects_get_dimensions_at_index(item, &rect->width, &rect->height)) {
            return;
        }
    } else if (!panels_get_displacement_at_index(item, &rect->x, &rect->y, &rect->width,
                                                 &rect->height)) {
        return;
    }
    common_stroke_item_frame(area, frame_colour, zoom, *rect);
}
