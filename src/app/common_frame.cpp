// The frame around an item placed in the location area.
#include "app/common.h"
#include "app/context.h"
#include "items/document.h"

void common_draw_rectangle_around_item(GtkWidget *area, int frame_colour, int zoom, int item,
                                       gboolean is_object, ZbxRect *rect)
{
    if (is_object) {
        if (!app_document().object_size(item, &rect->width, &rect->height)) {
            return;
        }
    } else {
        ZbxRect box{};
        if (!app_document().panel_box(item, &box)) {
            return;
        }
        rect->x += box.x;
        rect->y += box.y;
        rect->width = box.width;
        rect->height = box.height;
    }
    common_stroke_item_frame(area, frame_colour, zoom, *rect);
}

void common_stroke_item_frame(GtkWidget *area, int frame_colour, int zoom, ZbxRect rect)
{
    if (area == nullptr || area->window == nullptr || !canvas_item_frame_on_area(zoom, &rect)) {
        return;
    }
    cairo_t *cr = gdk_cairo_create(area->window);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, 1.0);
    const double shade = frame_colour == 1 ? 0.0 : 1.0;
    cairo_set_source_rgb(cr, shade, shade, shade);
    // Through the centres of the rectangle's outermost pixels: the frame
    // covers exactly its border, so it stays inside the clipped location
    // area and is the same on all four sides.
    cairo_rectangle(cr, rect.x + 0.5, rect.y + 0.5, rect.width - 1, rect.height - 1);
    cairo_stroke(cr);
    cairo_destroy(cr);
}

void common_draw_rectangle_around_color_in_palette(cairo_t *cr, int colour)
{
    const int index = ((colour % 16) + 16) % 16;
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_rectangle(cr, 16 * index + 1, 1, 15, 15);
    cairo_stroke(cr);
    cairo_restore(cr);
}
