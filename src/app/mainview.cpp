// The main window's previews and palette strips.
#include "app/mainview.h"
#include "app/context.h"
#include "base/error.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "app/app.h"
#include "app/common.h"
#include "app/interface.h"
#include "app/locations_view.h"
#include "app/objectmodel.h"
#include "app/panelmodels_view.h"
#include "app/support.h"
#include "base/gref.h"
#include "c64/palette.h"
#include "c64/pixbufs.h"
#include "files/fileio.h"
#include "items/document.h"
#include "render/render.h"

namespace {

constexpr const char *kPreviewAreaNames[PREVIEW_COUNT] = {
    "drawingarea_main_location_preview",
    "drawingarea_object_controls_object_preview",
    "drawingarea_panel_preview",
};

// A preview drawn object by object: the stages of its composition, shown
// one per tick of a timeout, each for a time that grows with the object's
// size, for at most a few seconds in all.
constexpr gint64 kIncrementalLimitUs = 3 * G_USEC_PER_SEC;
constexpr int kPausePerCellUs = 192;
constexpr size_t kMaxStages = 512;

struct Drawing
{
    std::vector<std::unique_ptr<ComposeFrame>> frames;
    size_t next = 0;
    int background = 0;
    gint64 deadline = 0;
    guint source = 0;
};

struct MainViewState
{
    std::array<Drawing, PREVIEW_COUNT> drawing;
    int listener = 0;
    std::array<GRef<GdkPixbuf>, PREVIEW_COUNT> canvas;
    std::array<GtkWidget *, PREVIEW_COUNT> area{};
    std::array<GtkWidget *, PALETTE_COUNT> palette_area{};
    int object_preview_colour = kObjectPreviewColourDefault;
    int panel_preview_colour = kPanelPreviewColourDefault;
    int expansion = 0;
    bool show_clashes = false;
    std::array<ComposeClashes, PREVIEW_COUNT> clashes{};
    MainPreview focus = PREVIEW_LOCATION;
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

void stop(MainPreview which)
{
    Drawing &drawing = state.drawing[which];
    if (drawing.source != 0) {
        g_source_remove(drawing.source);
    }
    drawing = Drawing{};
}

gboolean draw_stage(gpointer data)
{
    const auto which = static_cast<MainPreview>(GPOINTER_TO_INT(data));
    Drawing &drawing = state.drawing[which];
    drawing.source = 0;
    if (drawing.next >= drawing.frames.size() || canvas(which) == nullptr) {
        stop(which);
        return FALSE;
    }
    if (g_get_monotonic_time() >= drawing.deadline) {
        drawing.next = drawing.frames.size() - 1;
    }
    const ComposeFrame &frame = *drawing.frames[drawing.next++];
    compose_convert_buffers(frame.buffers, drawing.background, pixbufs_view(canvas(which)));
    mainview_queue_redraw(which);
    if (drawing.next >= drawing.frames.size()) {
        stop(which);
        return FALSE;
    }
    const guint pause_ms = static_cast<guint>(frame.cells * kPausePerCellUs / 1000);
    drawing.source = g_timeout_add(std::max(1u, pause_ms), draw_stage, data);
    return FALSE;
}

// Starts drawing a stored panel into a preview object by object; the
// canvas holds the backdrop and the background colour meanwhile.
void start_drawing(MainPreview which, int panel, int background)
{
    stop(which);
    GdkPixbuf *image = canvas(which);
    if (image == nullptr) {
        return;
    }
    canvas_fill_location_area(image, background);
    Drawing &drawing = state.drawing[which];
    drawing.frames = render_compose_frames(app_document(), panel, background, kMaxStages);
    drawing.background = background;
    drawing.deadline = g_get_monotonic_time() + kIncrementalLimitUs;
    drawing.source = g_idle_add(draw_stage, GINT_TO_POINTER(which));
}

// The previews follow the document: every change of the data draws them
// again (at once: a drawing under way starts over only when asked).
void follow(const DocEvent &event)
{
    if (event.what == DocChange::HistoryChanged) {
        return;
    }
    if (event.what == DocChange::PreviewChanged) {
        mainview_refresh_panel_preview();
        return;
    }
    render_location_helper(0);
    mainview_render_object_preview();
    mainview_queue_redraw(PREVIEW_OBJECT);
    mainview_refresh_panel_preview();
}

} // namespace

void mainview_module_init()
{
    mainview_cleanup();
    state.listener = app_document().add_listener(follow, 1);
}

void mainview_cleanup()
{
    for (int i = 0; i < PREVIEW_COUNT; i++) {
        stop(static_cast<MainPreview>(i));
    }
    if (state.listener != 0) {
        app_document().remove_listener(state.listener);
    }
    state = MainViewState{};
}

void mainview_stop_drawing()
{
    for (int i = 0; i < PREVIEW_COUNT; i++) {
        stop(static_cast<MainPreview>(i));
    }
}

gboolean mainview_is_drawing()
{
    for (const Drawing &drawing : state.drawing) {
        if (drawing.source != 0) {
            return TRUE;
        }
    }
    return FALSE;
}

GdkPixbuf *mainview_configure_preview(MainPreview which, GtkWidget *area)
{
    if (!state.canvas[which]) {
        state.canvas[which].reset(canvas_new());
    }
    remember_area(state.area[which], area);
    switch (which) {
    case PREVIEW_LOCATION:
        mainview_render_location_preview(false);
        break;
    case PREVIEW_OBJECT:
        mainview_render_object_preview();
        break;
    case PREVIEW_PANEL:
        mainview_render_panel_preview(false);
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
    GRef<GdkPixbuf> shown;
    if (state.show_clashes && state.clashes[which].any() && state.drawing[which].source == 0) {
        // The frames lie on whole pixels of the zoomed picture.
        shown.reset(mainview_shown_image(which));
        image = shown.get();
    } else {
        const double scale = 1 << state.expansion;
        cairo_scale(cr, scale, scale);
    }
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
    GdkPixbuf *palette = app_palette().strip();
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

void mainview_render_location_preview(bool incremental)
{
    GdkPixbuf *image = canvas(PREVIEW_LOCATION);
    if (image == nullptr) {
        return;
    }
    stop(PREVIEW_LOCATION);
    canvas_copy_image(app_backdrop(), image);
    state.clashes[PREVIEW_LOCATION].reset();
    int number = -1;
    if (!locations_get_current_location_index(&number)) {
        return;
    }
    const ZbxLocationRecord record = app_document().location(number);
    if (incremental && app_document().item_kind(record.panel) == ZbxItemKind::Panel) {
        if (state.show_clashes) {
            state.clashes[PREVIEW_LOCATION] =
                render_stored_panel_clashes(app_document(), record.panel, record.colour);
        }
        start_drawing(PREVIEW_LOCATION, record.panel, record.colour);
        return;
    }
    // One composition, the clashing cells reported beside when they are shown.
    render_location(app_document(), app_backdrop(), number, image,
                    state.show_clashes ? &state.clashes[PREVIEW_LOCATION] : nullptr);
}

void mainview_render_object_preview()
{
    objectmodel_render_object(canvas(PREVIEW_OBJECT), state.object_preview_colour);
}

void mainview_render_panel_preview(bool incremental)
{
    GdkPixbuf *image = canvas(PREVIEW_PANEL);
    if (image == nullptr) {
        // Still the selected panel's colour, as a rendering would set it.
        panelmodels_render_panel(nullptr, &state.panel_preview_colour);
        return;
    }
    stop(PREVIEW_PANEL);
    state.clashes[PREVIEW_PANEL].reset();
    panelmodels_render_panel(image, &state.panel_preview_colour,
                             state.show_clashes ? &state.clashes[PREVIEW_PANEL] : nullptr);
    int panel = -1;
    if (incremental && panelmodels_get_current_panel_index(&panel)) {
        start_drawing(PREVIEW_PANEL, panel, state.panel_preview_colour);
    }
}

void mainview_reset_previews()
{
    for (int i = 0; i < PREVIEW_COUNT; i++) {
        auto which = static_cast<MainPreview>(i);
        canvas_copy_image(app_backdrop(), canvas(which));
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
                          ? render_location_text(panel, colour)
                          : g_strdup(""));
        if (GtkWidget *info = lookup_widget(window_main, "label_main_location_info")) {
            gtk_label_set_text(GTK_LABEL(info), text.get());
        }
    }
    mainview_render_location_preview(incremental != 0);
    mainview_queue_redraw(PREVIEW_LOCATION);
    int number = -1;
    if (state.show_clashes && locations_get_current_location_index(&number)) {
        const size_t count = state.clashes[PREVIEW_LOCATION].count();
        GCharPtr text(count == 1 ? g_strdup_printf(" Location %d: 1 cell clashes", number)
                                 : g_strdup_printf(" Location %d: %zu cells clash", number, count));
        app_set_status(text.get());
    }
}

void mainview_set_show_clashes(bool on)
{
    state.show_clashes = on;
    render_location_helper(0);
    mainview_refresh_panel_preview();
}

bool mainview_get_show_clashes()
{
    return state.show_clashes;
}

const ComposeClashes &mainview_get_clashes(MainPreview which)
{
    return state.clashes[which];
}

GdkPixbuf *mainview_shown_image(MainPreview which)
{
    const bool frames = state.show_clashes && which != PREVIEW_OBJECT;
    return render_shown_image(canvas(which), state.expansion,
                              frames ? &state.clashes[which] : nullptr);
}

void mainview_set_focus(MainPreview which)
{
    state.focus = which;
}

MainPreview mainview_get_focus()
{
    return state.focus;
}

bool mainview_shown_item(MainPreview which, int *number)
{
    switch (which) {
    case PREVIEW_LOCATION:
        return locations_get_current_location_index(number) != FALSE;
    case PREVIEW_OBJECT:
        return objectmodel_get_current_object_id(number) != FALSE;
    case PREVIEW_PANEL:
        return panelmodels_get_current_panel_index(number) != FALSE;
    default:
        return false;
    }
}

bool mainview_export_preview(MainPreview which, const char *path, GError **error)
{
    if (canvas(which) == nullptr) {
        zbx_set_error(error, ZbxError::Failed, "Nothing to export yet");
        return false;
    }
    if (state.drawing[which].source != 0) {
        // The finished picture, not a stage of it.
        if (which == PREVIEW_LOCATION) {
            render_location_helper(0);
        } else if (which == PREVIEW_PANEL) {
            mainview_refresh_panel_preview();
        }
    }
    GRef<GdkPixbuf> image(mainview_shown_image(which));
    std::vector<uint8_t> png;
    return image && pixbufs_encode_png(image.get(), &png, error) &&
           fileio_write_file(path, png, error);
}

void mainview_refresh_panel_preview()
{
    mainview_render_panel_preview(false);
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
        // The panel's preview colour changes; the preview follows.
        panelmodels_set_panel_preview_background_colour(colour);
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
