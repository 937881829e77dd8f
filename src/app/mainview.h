// The main window's three previews and two palette strips: their canvases,
// zoom and preview background colours. The handlers of the main window
// call these; the File menu and the panel editor reset and re-render the
// previews through them.
#pragma once

#include <gtk/gtk.h>

#include "render/compose.h"

enum MainPreview
{
    PREVIEW_LOCATION = 0,
    PREVIEW_OBJECT,
    PREVIEW_PANEL,
    PREVIEW_COUNT
};

enum MainPalette
{
    PALETTE_OBJECT = 0,
    PALETTE_PANEL,
    PALETTE_COUNT
};

inline constexpr int kObjectPreviewColourDefault = 3;
inline constexpr int kPanelPreviewColourDefault = 0;

// Back to the start-up state: no canvases, zoom 1x, default colours; the
// previews follow the document from now on.
void mainview_module_init();
void mainview_cleanup();

// A preview's drawing area was (re)configured: creates its canvas the first
// time, then renders it afresh. Returns the canvas.
GdkPixbuf *mainview_configure_preview(MainPreview which, GtkWidget *area);
// The preview's canvas (owned by the view), or null before its first configure.
GdkPixbuf *mainview_get_canvas(MainPreview which);
// The preview's drawing area, or null before its first configure.
GtkWidget *mainview_get_area(MainPreview which);
void mainview_set_palette_area(MainPalette which, GtkWidget *area);
GtkWidget *mainview_get_palette_area(MainPalette which);

// Paints a preview's canvas, scaled by the zoom, into the exposed part of its
// area; FALSE when it has no canvas yet.
gboolean mainview_paint_preview(MainPreview which, GtkWidget *area, const GdkRectangle *exposed);
// Paints the palette strip with the marker around the current colour.
gboolean mainview_paint_palette(MainPalette which, GtkWidget *area, const GdkRectangle *exposed);

// Renders a preview afresh into its canvas; incremental draws it object by
// object from a timeout (the canvas shows the finished picture in the end).
void mainview_render_location_preview(bool incremental);
void mainview_render_object_preview();
void mainview_render_panel_preview(bool incremental);
// Ends any drawing object by object (the canvas keeps what it shows).
void mainview_stop_drawing();
gboolean mainview_is_drawing();
// Copies the backdrop into every canvas, queues their redraws and empties
// the location's record text.
void mainview_reset_previews();
// Shows the selected location's record text and renders its preview (into
// the drawing area as it goes when incremental is 1), then queues a redraw.
void render_location_helper(int incremental);
// Renders the panel preview again at once and redraws it and its strip.
void mainview_refresh_panel_preview();
// After the panel editor closed: the panel and location previews again.
void mainview_after_panel_edit();
// Runs the references dialog with the text until it is answered.
void mainview_show_references(const char *text);
void mainview_queue_redraw(MainPreview which);
void mainview_queue_palette_redraw(MainPalette which);

// The palette colour under a click at x on a strip (16 pixels a colour).
int mainview_colour_at(double x);
// Takes a press on a strip: a single press of button 1 picks its colour.
gboolean mainview_pick_colour(MainPalette which, const GdkEventButton *event);

int mainview_get_object_preview_colour();
int mainview_get_panel_preview_colour();
void mainview_set_panel_preview_colour(int colour);

// Whether the location and panel previews frame their clashing cells.
void mainview_set_show_clashes(bool on);
bool mainview_get_show_clashes();
// The clashing cells of a preview (none for the object preview, and none
// while the clash view is off).
const ComposeClashes &mainview_get_clashes(MainPreview which);
// What a preview shows: its canvas at the zoom, clashing cells framed when
// the clash view is on. A new image.
GdkPixbuf *mainview_shown_image(MainPreview which);

// The preview File > Export takes: the last one clicked, or whose list was
// clicked (the location preview at start).
void mainview_set_focus(MainPreview which);
MainPreview mainview_get_focus();
// The item a preview shows: the selected location's number, or the selected
// object's or panel's item index; false with none selected.
bool mainview_shown_item(MainPreview which, int *number);
// Writes what a preview shows (the whole 320 x 200 canvas at the zoom,
// clashing cells framed when the clash view is on) as a PNG file; a
// preview still being drawn object by object is finished first.
bool mainview_export_preview(MainPreview which, const char *path, GError **error);

// Zoom exponent of the previews: 0 (1x) or 1 (2x).
int mainview_get_expansion();
// Sets the zoom and the previews' size requests (320 x 200 scaled).
void mainview_set_expansion(int expansion);
