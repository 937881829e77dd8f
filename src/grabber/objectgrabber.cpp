// The object grabber's state and handlers: the picture, the selection drawn
// over it, the transparency choice and the grab itself. The geometry lives
// in objectgrabber_selection.cpp, the region conversion in the item slots.
#include "grabber/objectgrabber.h"
#include "app/context.h"

#include <array>
#include <gdk/gdkkeysyms.h>

#include "app/app.h"
#include "app/common.h"
#include "app/fileopen.h"
#include "app/objectmodel.h"
#include "app/support.h"
#include "base/gref.h"
#include "c64/hiresdecoder.h"
#include "c64/palette.h"
#include "files/picture_file.h"
#include "items/itemwrapper.h"

namespace {

constexpr const char *kImportFailed = "Failed to import object";

struct GrabberState
{
    // Bitmap, screen and colour of the current picture.
    std::array<uint8_t, kHiresDataSize> hires{};
    // The decoded picture, shown unzoomed in the canvas.
    GRef<GdkPixbuf> picture;
    // A picture was decoded at least once.
    bool loaded = false;
    GRef<GdkPixbuf> canvas;
    GtkWidget *picture_area = nullptr;
    GtkWidget *palette_area = nullptr;
    int transparent = 0;
    GrabberSelection selection;
    int zoom = 0;
};

GrabberState &state()
{
    static GrabberState s;
    return s;
}

GtkWidget *grabber_widget(const char *name)
{
    return window_object_grabber != nullptr ? lookup_widget(window_object_grabber, name) : nullptr;
}

void show_error(const char *text)
{
    common_message_dialog(GTK_WINDOW(window_object_grabber), text, GTK_MESSAGE_ERROR);
}

// The picture, or colour T while there is none, into the canvas; then the
// area is drawn again.
void refresh_canvas()
{
    GrabberState &s = state();
    if (s.canvas) {
        if (s.picture) {
            canvas_copy_image(s.picture.get(), s.canvas.get());
        } else {
            canvas_erase(s.canvas.get(), s.transparent);
        }
    }
    if (s.picture_area != nullptr) {
        gtk_widget_queue_draw(s.picture_area);
    }
}

void update_selection_details()
{
    if (GtkWidget *label = grabber_widget("label_object_grabber_selection_details")) {
        gtk_label_set_text(GTK_LABEL(label),
                           objectgrabber_selection_details(state().selection.rect).c_str());
    }
}

bool custom_colour_chosen()
{
    GtkWidget *button = grabber_widget("radiobutton_object_grabber_use_custom_color");
    return button != nullptr && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button));
}

// Puts the icon view's cursor on the last object, the one just grabbed.
void show_last_object()
{
    GtkWidget *view = grabber_widget("iconview_object_grabber_objects");
    GtkTreeModel *model = view != nullptr ? gtk_icon_view_get_model(GTK_ICON_VIEW(view)) : nullptr;
    const int rows = model != nullptr ? gtk_tree_model_iter_n_children(model, nullptr) : 0;
    if (rows == 0) {
        return;
    }
    GtkTreePath *path = gtk_tree_path_new_from_indices(rows - 1, -1);
    gtk_icon_view_unselect_all(GTK_ICON_VIEW(view));
    gtk_icon_view_select_path(GTK_ICON_VIEW(view), path);
    gtk_icon_view_set_cursor(GTK_ICON_VIEW(view), path, nullptr, FALSE);
    gtk_icon_view_scroll_to_path(GTK_ICON_VIEW(view), path, FALSE, 0.0f, 0.0f);
    gtk_tree_path_free(path);
}

void set_zoom(GtkButton *button, int zoom)
{
    if (!gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) {
        return;
    }
    state().zoom = zoom;
    if (GtkWidget *area = grabber_widget("drawingarea_object_grabber_object_preview")) {
        gtk_widget_set_size_request(area, kScreenWidth << zoom, kScreenHeight << zoom);
    }
}

} // namespace

void objectgrabber_module_init(GtkWidget *window)
{
    state() = GrabberState{};
    if (window == nullptr) {
        return;
    }
    GtkIconView *view = GTK_ICON_VIEW(lookup_widget(window, "iconview_object_grabber_objects"));
    gtk_icon_view_set_model(view, GTK_TREE_MODEL(objectmodel_get_model()));
    gtk_icon_view_set_text_column(view, OBJ_COL_LABEL);
    gtk_icon_view_set_pixbuf_column(view, OBJ_COL_IMAGE);
}

void objectgrabber_cleanup()
{
    if (window_object_grabber != nullptr) {
        gtk_widget_destroy(window_object_grabber);
        window_object_grabber = nullptr;
    }
    state() = GrabberState{};
}

gboolean objectgrabber_open_picture(const char *path)
{
    GrabberState &s = state();
    GdkPixbuf *image = nullptr;
    GErrorPtr error;
    // The decoder leaves the data alone when it fails, so the picture on
    // show and the data a grab reads stay one picture.
    if (!picture_read_file(path, kHiresDetect, &image, s.hires.data(), error.out())) {
        show_error(error.message());
        return FALSE;
    }
    s.picture.reset(image);
    s.loaded = true;
    refresh_canvas();
    return TRUE;
}

gboolean objectgrabber_grab()
{
    GrabberState &s = state();
    if (!s.loaded || objectgrabber_selection_empty(s.selection.rect)) {
        return FALSE;
    }
    const ZbxRect region = objectgrabber_normalise(s.selection.rect);
    const HiresData picture =
        hiresdecoder_hires_areas(std::span<const uint8_t, kHiresDataSize>(s.hires));
    const bool added = itemwrapper_grab_object(app_document(), picture,
                                               custom_colour_chosen() ? s.transparent : -1, region);
    if (added) {
        show_last_object();
    } else {
        show_error(kImportFailed);
    }
    refresh_canvas();
    return added ? TRUE : FALSE;
}

const GrabberSelection &objectgrabber_get_selection()
{
    return state().selection;
}

int objectgrabber_get_transparent_colour()
{
    return state().transparent;
}

int objectgrabber_get_zoom()
{
    return state().zoom;
}

gboolean objectgrabber_picture_loaded()
{
    return state().loaded ? TRUE : FALSE;
}

std::span<const uint8_t> objectgrabber_get_hires_data()
{
    return state().hires;
}

GdkPixbuf *objectgrabber_get_canvas()
{
    return state().canvas.get();
}

// --- Handlers ---

gboolean on_window_object_grabber_delete_event(GtkWidget *widget, GdkEvent *, gpointer)
{
    gtk_widget_hide(widget);
    return TRUE;
}

gboolean on_window_object_grabber_key_press_event(GtkWidget *widget, GdkEventKey *event, gpointer)
{
    if (event->keyval != GDK_Escape) {
        return FALSE;
    }
    gtk_widget_hide(widget);
    return TRUE;
}

void on_menuitem_object_grabber_open_hires_activate(GtkMenuItem *, gpointer)
{
    char *chosen = nullptr;
    if (!fileopen_open_hires_file(&chosen)) {
        return;
    }
    GCharPtr path(chosen);
    objectgrabber_open_picture(path.get());
}

gboolean on_drawingarea_object_grabber_object_preview_configure_event(GtkWidget *widget,
                                                                      GdkEventConfigure *, gpointer)
{
    GrabberState &s = state();
    if (!s.canvas) {
        s.canvas.reset(canvas_new());
    }
    if (s.picture_area == nullptr) {
        s.picture_area = widget;
    }
    refresh_canvas();
    return TRUE;
}

gboolean on_drawingarea_object_grabber_object_preview_expose_event(GtkWidget *widget,
                                                                   GdkEventExpose *event, gpointer)
{
    GrabberState &s = state();
    if (!s.canvas || widget->window == nullptr) {
        return FALSE;
    }
    cairo_t *cr = gdk_cairo_create(widget->window);
    gdk_cairo_rectangle(cr, &event->area);
    cairo_clip(cr);
    cairo_save(cr);
    const double scale = 1 << s.zoom;
    cairo_scale(cr, scale, scale);
    gdk_cairo_set_source_pixbuf(cr, s.canvas.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
    ZbxRect frame{};
    if (objectgrabber_frame_on_area(s.selection.rect, s.zoom, &frame)) {
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_line_width(cr, 1.0);
        cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
        // Through the centres of the outermost pixels: the frame covers the
        // selection's own border.
        cairo_rectangle(cr, frame.x + 0.5, frame.y + 0.5, frame.width - 1, frame.height - 1);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    return TRUE;
}

gboolean on_drawingarea_object_grabber_object_preview_button_press_event(GtkWidget *widget,
                                                                         GdkEventButton *event,
                                                                         gpointer)
{
    GrabberState &s = state();
    // Double and triple presses only follow single ones, which did the work.
    if (!s.loaded || event->type != GDK_BUTTON_PRESS) {
        return FALSE;
    }
    if (event->button == 1) {
        gtk_widget_grab_focus(widget);
        objectgrabber_press(&s.selection, event->x, event->y, s.zoom);
        update_selection_details();
        refresh_canvas();
        return FALSE;
    }
    if (event->button == 3) {
        objectgrabber_grab();
        return TRUE;
    }
    return FALSE;
}

gboolean on_drawingarea_object_grabber_object_preview_motion_notify_event(GtkWidget *,
                                                                          GdkEventMotion *event,
                                                                          gpointer)
{
    GrabberState &s = state();
    if (!s.loaded) {
        return FALSE;
    }
    int x = 0;
    int y = 0;
    GdkModifierType held{};
    if (event->is_hint) {
        gdk_window_get_pointer(event->window, &x, &y, &held);
    } else {
        x = static_cast<int>(event->x);
        y = static_cast<int>(event->y);
        held = static_cast<GdkModifierType>(event->state);
    }
    if ((held & GDK_BUTTON1_MASK) == 0) {
        objectgrabber_motion_handler_reset(&s.selection);
        return TRUE;
    }
    if (objectgrabber_motion_handler(x >> s.zoom, y >> s.zoom, &s.selection)) {
        update_selection_details();
        refresh_canvas();
    }
    return TRUE;
}

gboolean on_drawingarea_object_grabber_palette_configure_event(GtkWidget *widget,
                                                               GdkEventConfigure *, gpointer)
{
    state().palette_area = widget;
    return FALSE;
}

gboolean on_drawingarea_object_grabber_palette_expose_event(GtkWidget *widget,
                                                            GdkEventExpose *event, gpointer)
{
    GdkPixbuf *palette = app_palette().strip();
    if (palette == nullptr || widget->window == nullptr) {
        return FALSE;
    }
    cairo_t *cr = gdk_cairo_create(widget->window);
    gdk_cairo_rectangle(cr, &event->area);
    cairo_clip(cr);
    gdk_cairo_set_source_pixbuf(cr, palette, 0, 0);
    cairo_paint(cr);
    common_draw_rectangle_around_color_in_palette(cr, state().transparent);
    cairo_destroy(cr);
    return TRUE;
}

gboolean on_drawingarea_object_grabber_palette_button_press_event(GtkWidget *widget,
                                                                  GdkEventButton *event, gpointer)
{
    if (event->type != GDK_BUTTON_PRESS || event->button != 1) {
        return FALSE;
    }
    GtkWidget *custom = grabber_widget("radiobutton_object_grabber_use_custom_color");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(custom), TRUE);
    state().transparent = objectgrabber_palette_colour_at(event->x);
    gtk_widget_queue_draw(widget);
    // Without a picture the canvas shows the chosen colour.
    refresh_canvas();
    return TRUE;
}

void on_radiobutton_object_grabber_zoom_4_clicked(GtkButton *button, gpointer)
{
    set_zoom(button, 2);
}

void on_radiobutton_object_grabber_zoom_2_clicked(GtkButton *button, gpointer)
{
    set_zoom(button, 1);
}

void on_radiobutton_object_grabber_zoom_1_clicked(GtkButton *button, gpointer)
{
    set_zoom(button, 0);
}
