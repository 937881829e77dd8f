// The main window's previews and palette strips.
#include "app/mainview.h"

#include <array>
#include <cmath>

#include "app/app.h"
#include "app/common.h"
#include "app/interface.h"
#include "app/support.h"
#include "c64/palette.h"
#include "gref.h"
#include "models/locations.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"

namespace {

constexpr const char *kPreviewAreaNames[PREVIEW_COUNT] = {
    "drawingarea_main_location_preview",
    "drawingarea_object_controls_object_preview",
    "drawingarea_panel_preview",
};

struct MainViewState
{
    std::array<GRef<GdkPixbuf>, PREVIEW_COUNT> canvas;
    std::array<GtkWidget *, PREVIEW_COUNT> area{};
    std::array<GtkWidget *, PALETTE_COUNT> palette_area{};
    int object_preview_colour = kObjectPreviewColourDefault;
    int panel_preview_colour = kPanelPreviewColourDefault;
    int expansion = 0;
};
MainViewState state;

cairo_t *clipped_context(GtkWidget *area, const GdkRectangle *exposed)
{
    cairo_t *cr = gdk_cairo_create(area->window);
    if (exposed != nullptr) {
        gdk_cairo_rectangle(cr, exposed);
        cairo_clip(cr);
    }
    return cr;
}

// Forgets an area that is destroyed, so that no handler paints into it.
void forget_area(GtkWidget *area)
{
    for (GtkWidget *&a : state.area) {
        if (a == area) {
            a = nullptr;
        }
    }
    for (GtkWidget *&a : state.palette_area) {
        if (a == area) {
            a = nullptr;
        }
    }
}

void remember_area(GtkWidget *&slot, GtkWidget *area)
{
    if (slot == area) {
        return;
    }
    slot = area;
    g_signal_connect(area, "destroy", G_CALLBACK(forget_area), nullptr);
}

GdkPixbuf *canvas(MainPreview which)
{
    return state.canvas[which].get();
}

} // namespace

void mainview_module_init()
{
    state = MainViewState{};
}

void mainview_cleanup()
{
    state = MainViewState{};
}

GdkPixbuf *mainview_configure_preview(MainPreview which, GtkWidget *area)
{
    if (!state.canvas[which]) {
        state.canvas[which].reset(common_create_new_canvas());
    }
    remember_area(state.area[which], area);
    switch (which) {
    case PREVIEW_LOCATION:
        mainview_render_location_preview(nullptr);
        break;
    case PREVIEW_OBJECT:
        mainview_render_object_preview();
        break;
    case PREVIEW_PANEL:
        mainview_render_panel_preview(nullptr);
        break;
    case PREVIEW_COUNT:
        break;
    }
    return canvas(which);
}

GdkPixbuf *mainview_get_canvas(MainPreview which)
{
    return canvas(which);
}

GtkWidget *mainview_get_area(MainPreview which)
{
    return state.area[which];
}

void mainview_set_palette_area(MainPalette which, GtkWidget *area)
{
    remember_area(state.palette_area[which], area);
}

GtkWidget *mainview_get_palette_area(MainPalette which)
{
    return state.palette_area[which];
}

gboolean mainview_paint_preview(MainPreview which, GtkWidget *area, const GdkRectangle *exposed)
{
    GdkPixbuf *image = canvas(which);
    if (image == nullptr || area->window == nullptr) {
        return FALSE;
    }
    cairo_t *cr = clipped_context(area, exposed);
    const double scale = 1 << state.expansion;
    cairo_scale(cr, scale, scale);
    gdk_cairo_set_source_pixbuf(cr, image, 0, 0);
    // Whole C64 pixels: no smoothing at 2x.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_destroy(cr);
    if (which == PREVIEW_PANEL) {
        // A white frame around the definition selected in the list.
        panelmodels_draw_rectangle_around_item(area, 0, state.expansion);
    }
    return TRUE;
}

gboolean mainview_paint_palette(MainPalette which, GtkWidget *area, const GdkRectangle *exposed)
{
    GdkPixbuf *palette = palette_get_palette_pixbuf();
    if (palette == nullptr || area->window == nullptr) {
        return FALSE;
    }
    cairo_t *cr = clipped_context(area, exposed);
    gdk_cairo_set_source_pixbuf(cr, palette, 0, 0);
    cairo_paint(cr);
    common_draw_rectangle_around_color_in_palette(
        cr, which == PALETTE_OBJECT ? state.object_preview_colour : state.panel_preview_colour);
    cairo_destroy(cr);
    return TRUE;
}

void mainview_render_location_preview(GtkWidget *incremental_area)
{
    GdkPixbuf *image = canvas(PREVIEW_LOCATION);
    if (image == nullptr) {
        return;
    }
    if (incremental_area == nullptr) {
        locations_render_location(image, nullptr, 0, 0);
        return;
    }
    AppBusy busy;
    locations_render_location(image, incremental_area, 0, 0);
}

void mainview_render_object_preview()
{
    objectmodel_render_object(canvas(PREVIEW_OBJECT), state.object_preview_colour);
}

void mainview_render_panel_preview(GtkWidget *incremental_area)
{
    GdkPixbuf *image = canvas(PREVIEW_PANEL);
    if (image == nullptr) {
        // Still the selected panel's colour, as a rendering would set it.
        panelmodels_render_panel(nullptr, nullptr, 0, 0, &state.panel_preview_colour);
        return;
    }
    if (incremental_area == nullptr) {
        panelmodels_render_panel(image, nullptr, 0, 0, &state.panel_preview_colour);
        return;
    }
    AppBusy busy;
    panelmodels_render_panel(image, incremental_area, 0, 0, &state.panel_preview_colour);
}

void mainview_reset_previews()
{
    for (int i = 0; i < PREVIEW_COUNT; i++) {
        auto which = static_cast<MainPreview>(i);
        common_copy_background_image_to_pixbuf(canvas(which));
        mainview_queue_redraw(which);
    }
    if (window_main != nullptr) {
        if (GtkWidget *info = lookup_widget(window_main, "label_main_location_info")) {
            gtk_label_set_text(GTK_LABEL(info), "");
        }
    }
}

void render_location_helper(int incremental)
{
    if (window_main != nullptr) {
        int panel = kNoPanel;
        int colour = 0;
        GCharPtr text(locations_get_current_location_info(&panel, &colour)
                          ? locations_record_text(panel, colour)
                          : g_strdup(""));
        if (GtkWidget *info = lookup_widget(window_main, "label_main_location_info")) {
            gtk_label_set_text(GTK_LABEL(info), text.get());
        }
    }
    mainview_render_location_preview(incremental ? state.area[PREVIEW_LOCATION] : nullptr);
    mainview_queue_redraw(PREVIEW_LOCATION);
}

void mainview_refresh_panel_preview()
{
    mainview_render_panel_preview(nullptr);
    mainview_queue_redraw(PREVIEW_PANEL);
    mainview_queue_palette_redraw(PALETTE_PANEL);
}

void mainview_after_panel_edit()
{
    mainview_refresh_panel_preview();
    render_location_helper(0);
}

void mainview_show_references(const char *text)
{
    GtkWidget *dialog = create_dialog_references();
    if (window_main != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(window_main));
    }
    GtkWidget *view = lookup_widget(dialog, "textview_references");
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), text, -1);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

void mainview_queue_redraw(MainPreview which)
{
    if (state.area[which] != nullptr) {
        gtk_widget_queue_draw(state.area[which]);
    }
}

void mainview_queue_palette_redraw(MainPalette which)
{
    if (state.palette_area[which] != nullptr) {
        gtk_widget_queue_draw(state.palette_area[which]);
    }
}

int mainview_colour_at(double x)
{
    int colour = static_cast<int>(std::trunc(x * 0.0625)) % 16;
    return colour < 0 ? colour + 16 : colour;
}

gboolean mainview_pick_colour(MainPalette which, const GdkEventButton *event)
{
    if (event->type != GDK_BUTTON_PRESS || event->button != 1) {
        return FALSE;
    }
    int colour = mainview_colour_at(event->x);
    if (which == PALETTE_OBJECT) {
        state.object_preview_colour = colour;
        mainview_render_object_preview();
        mainview_queue_redraw(PREVIEW_OBJECT);
    } else {
        state.panel_preview_colour = colour;
        if (panelmodels_set_panel_preview_background_colour(colour)) {
            mainview_render_panel_preview(nullptr);
            mainview_queue_redraw(PREVIEW_PANEL);
        }
    }
    mainview_queue_palette_redraw(which);
    return TRUE;
}

int mainview_get_object_preview_colour()
{
    return state.object_preview_colour;
}

int mainview_get_panel_preview_colour()
{
    return state.panel_preview_colour;
}

void mainview_set_panel_preview_colour(int colour)
{
    state.panel_preview_colour = colour;
}

int mainview_get_expansion()
{
    return state.expansion;
}

void mainview_set_expansion(int expansion)
{
    state.expansion = expansion == 0 ? 0 : 1;
    const int scale = 1 << state.expansion;
    for (int i = 0; i < PREVIEW_COUNT; i++) {
        GtkWidget *area = state.area[i];
        if (area == nullptr && window_main != nullptr) {
            area = lookup_widget(window_main, kPreviewAreaNames[i]);
        }
        if (area != nullptr) {
            gtk_widget_set_size_request(area, back_width * scale, back_height * scale);
        }
    }
}
