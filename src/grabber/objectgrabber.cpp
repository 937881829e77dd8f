// The object grabber's state and handlers: the picture, the selection and
// the grid drawn over it, the zoom, the keys, the transparency choice and
// the grab itself. The geometry lives in objectgrabber_selection.cpp, the
// region conversion in the item slots.
#include "grabber/objectgrabber.h"

#include <algorithm>
#include <gdk/gdkkeysyms.h>
#include <string>

#include "files/picture_file.h"
#include "items/itemwrapper.h"
#include "render/canvas.h"
#include "ui/builder.h"
#include "ui/common.h"
#include "ui/i18n.h"

namespace {
constexpr const char *kImportFailed = "Failed to import object";
constexpr const char *kZoomButtons[] = {"radiobutton_object_grabber_zoom_1",
                                        "radiobutton_object_grabber_zoom_2",
                                        "radiobutton_object_grabber_zoom_4"};
} // namespace

GrabberWindow::GrabberWindow(UiContext &context)
    : context_(context), window_(GRef<GtkWidget>::share(build()))
{
    picture_area_ = widget("drawingarea_object_grabber_object_preview");
    GtkIconView *view = GTK_ICON_VIEW(widget("iconview_object_grabber_objects"));
    gtk_icon_view_set_model(view, GTK_TREE_MODEL(context_.objects.store()));
    gtk_icon_view_set_text_column(view, OBJ_COL_LABEL);
    gtk_icon_view_set_pixbuf_column(view, OBJ_COL_IMAGE);
    ui_attach_icon(window_.get());
    connect_signals();
    set_show_grid(context_.options.show_grid());
}

GrabberWindow::~GrabberWindow()
{
    stop_watching();
    gtk_widget_destroy(window_.get());
}

void GrabberWindow::show()
{
    gtk_window_set_transient_for(GTK_WINDOW(window_.get()), context_.shell.main_window());
    gtk_widget_show(window_.get());
}

void GrabberWindow::set_show_grid(bool on)
{
    GtkWidget *check = widget("checkbutton_object_grabber_show_grid");
    g_signal_handler_block(check, show_grid_handler_);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), on);
    g_signal_handler_unblock(check, show_grid_handler_);
    show_grid_ = on;
    gtk_widget_queue_draw(picture_area_);
}

GtkWidget *GrabberWindow::widget(const char *name) const
{
    return lookup_widget(window_.get(), name);
}

void GrabberWindow::show_error(const char *text)
{
    common_message_dialog(GTK_WINDOW(window_.get()), text, GTK_MESSAGE_ERROR);
}

// The picture, or colour T while there is none, into the canvas; then the
// area is drawn again.
void GrabberWindow::refresh_canvas()
{
    if (canvas_) {
        if (picture_) {
            canvas_copy_image(picture_.get(), canvas_.get());
        } else {
            canvas_erase(canvas_.get(), transparent_);
        }
    }
    gtk_widget_queue_draw(picture_area_);
}

void GrabberWindow::update_selection_details()
{
    gtk_label_set_text(GTK_LABEL(widget("label_object_grabber_selection_details")),
                       objectgrabber_selection_details(selection_.rect).c_str());
}

bool GrabberWindow::custom_colour_chosen() const
{
    GtkWidget *button = widget("radiobutton_object_grabber_use_custom_color");
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button));
}

// Puts the icon view's cursor on the last object, the one just grabbed.
void GrabberWindow::show_last_object()
{
    GtkIconView *view = GTK_ICON_VIEW(widget("iconview_object_grabber_objects"));
    GtkTreeModel *model = gtk_icon_view_get_model(view);
    const int rows = model != nullptr ? gtk_tree_model_iter_n_children(model, nullptr) : 0;
    if (rows == 0) {
        return;
    }
    GtkTreePath *path = gtk_tree_path_new_from_indices(rows - 1, -1);
    gtk_icon_view_unselect_all(view);
    gtk_icon_view_select_path(view, path);
    gtk_icon_view_set_cursor(view, path, nullptr, FALSE);
    gtk_icon_view_scroll_to_path(view, path, FALSE, 0.0f, 0.0f);
    gtk_tree_path_free(path);
}

void GrabberWindow::set_zoom(GtkButton *button, int zoom)
{
    if (!gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) {
        return;
    }
    zoom_ = zoom;
    gtk_widget_set_size_request(picture_area_, kScreenWidth << zoom, kScreenHeight << zoom);
    // The whole picture up to what the window may take, scrolled beyond. A
    // scroll bar shows only on a side that does not fit: one that came up
    // while the window grew would otherwise stay.
    const int width = kScreenWidth << zoom;
    const int height = kScreenHeight << zoom;
    GtkWidget *scrolled = widget("scrolledwindow_object_grabber_object_preview");
    gtk_scrolled_window_set_policy(
        GTK_SCROLLED_WINDOW(scrolled),
        width > kGrabberViewMaxWidth ? GTK_POLICY_AUTOMATIC : GTK_POLICY_NEVER,
        height > kGrabberViewMaxHeight ? GTK_POLICY_AUTOMATIC : GTK_POLICY_NEVER);
    gtk_widget_set_size_request(scrolled, std::min(width, kGrabberViewMaxWidth),
                                std::min(height, kGrabberViewMaxHeight));
}

void GrabberWindow::zoom_by(int step)
{
    const int zoom = std::clamp(zoom_ + step, 0, 2);
    // The radio button's handler sets the zoom.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget(kZoomButtons[zoom])), TRUE);
}

void GrabberWindow::show_pointer(const std::string &text)
{
    GtkStatusbar *bar = GTK_STATUSBAR(widget("statusbar_object_grabber"));
    const guint id = gtk_statusbar_get_context_id(bar, "pointer");
    gtk_statusbar_pop(bar, id);
    if (!text.empty()) {
        gtk_statusbar_push(bar, id, text.c_str());
    }
}

bool GrabberWindow::open_picture(const char *path)
{
    return read_picture(path, false);
}

// The decoder leaves the data alone when it fails, so the picture on show
// and the data a grab reads stay one picture.
bool GrabberWindow::read_picture(const char *path, bool keep_selection)
{
    PictureRead read;
    GErrorPtr error;
    if (!picture_read_any(path, image_background_, &read, error.out())) {
        if (keep_selection) {
            // A paint program may be halfway through writing it.
            say(std::string(_("Could not read the picture again: ")) + error.message());
        } else {
            show_error(error.message());
        }
        return false;
    }
    std::copy(read.hires.begin(), read.hires.end(), hires_.begin());
    background_ = read.background;
    clashes_ = std::move(read.clashes);
    from_image_ = read.from_image;
    picture_.reset(picture_render(read));
    loaded_ = true;
    if (!keep_selection) {
        selection_ = GrabberSelection{};
        last_replace_ = Replace{};
        update_selection_details();
    }
    if (path_ != path) {
        path_ = path;
        watch_picture();
    }
    refresh_canvas();
    GCharPtr base(g_path_get_basename(path));
    std::string text =
        keep_selection ? std::string(_("Read again: ")) + base.get() : std::string(base.get());
    if (from_image_) {
        text += clashes_.empty()
                    ? _(": an image matched to the C64's colours; no cell had to change")
                    : std::string(_(": an image matched to the C64's colours; ")) +
                          std::to_string(clashes_.size()) +
                          (clashes_.size() == 1 ? _(" cell (framed) had to change colour")
                                                : _(" cells (framed) had to change colour"));
    }
    say(text);
    return true;
}

bool GrabberWindow::reload_picture()
{
    if (path_.empty()) {
        return false;
    }
    const std::string path = path_;
    if (!read_picture(path.c_str(), true)) {
        return false;
    }
    if (last_replace_.item >= 0 && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(
                                       widget("checkbutton_object_grabber_replace_again")))) {
        const HiresData picture =
            hiresdecoder_hires_areas(std::span<const uint8_t, kHiresDataSize>(hires_));
        GErrorPtr error;
        if (itemwrapper_replace_object(context_.document, last_replace_.item, picture,
                                       last_replace_.transparent, last_replace_.region,
                                       error.out())) {
            say(said_ + _("; object ") + std::to_string(last_replace_.item) + _(" replaced again"));
        } else {
            say(said_ + "; " + error.message());
        }
    }
    return true;
}

void GrabberWindow::set_image_background(int colour)
{
    image_background_ = colour;
    if (from_image_ && !path_.empty()) {
        const std::string path = path_;
        read_picture(path.c_str(), true);
    }
}

void GrabberWindow::stop_watching()
{
    if (monitor_) {
        g_signal_handlers_disconnect_by_data(monitor_.get(), this);
        g_file_monitor_cancel(monitor_.get());
        monitor_.reset();
    }
}

void GrabberWindow::watch_picture()
{
    stop_watching();
    GRef<GFile> file(g_file_new_for_path(path_.c_str()));
    monitor_.reset(g_file_monitor_file(file.get(), G_FILE_MONITOR_NONE, nullptr, nullptr));
    if (!monitor_) {
        return;
    }
    // A paint program's save is a burst of events: read once it is done.
    g_file_monitor_set_rate_limit(monitor_.get(), 200);
    g_signal_connect_swapped(
        monitor_.get(), "changed",
        G_CALLBACK(+[](GrabberWindow *grabber, GFile *, GFile *, GFileMonitorEvent event) {
            if (event == G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT ||
                event == G_FILE_MONITOR_EVENT_CREATED) {
                grabber->reload_picture();
            }
        }),
        this);
}

void GrabberWindow::say(const std::string &text)
{
    said_ = text;
    GtkStatusbar *bar = GTK_STATUSBAR(widget("statusbar_object_grabber"));
    const guint id = gtk_statusbar_get_context_id(bar, "said");
    gtk_statusbar_pop(bar, id);
    gtk_statusbar_push(bar, id, text.c_str());
}

bool GrabberWindow::replace_selected()
{
    if (!loaded_ || objectgrabber_selection_empty(selection_.rect)) {
        say(_("Select the cells to write into the object first"));
        return false;
    }
    const int item = context_.shell.selected_object();
    if (item < 0) {
        say(_("Select the object to replace in the main window's object list first"));
        return false;
    }
    const ZbxRect region = objectgrabber_normalise(selection_.rect);
    const HiresData picture =
        hiresdecoder_hires_areas(std::span<const uint8_t, kHiresDataSize>(hires_));
    const int transparent = custom_colour_chosen() ? transparent_ : -1;
    GErrorPtr error;
    if (!itemwrapper_replace_object(context_.document, item, picture, transparent, region,
                                    error.out())) {
        show_error(error ? error.message() : kImportFailed);
        return false;
    }
    last_replace_ = Replace{item, region, transparent};
    say(_("Object ") + std::to_string(item) +
        _(" replaced: every placement of it draws the new one"));
    refresh_canvas();
    return true;
}

bool GrabberWindow::grab()
{
    if (!loaded_ || objectgrabber_selection_empty(selection_.rect)) {
        return false;
    }
    const ZbxRect region = objectgrabber_normalise(selection_.rect);
    const HiresData picture =
        hiresdecoder_hires_areas(std::span<const uint8_t, kHiresDataSize>(hires_));
    GErrorPtr error;
    const bool added =
        itemwrapper_grab_object(context_.document, picture,
                                custom_colour_chosen() ? transparent_ : -1, region, error.out());
    if (added) {
        show_last_object();
    } else {
        show_error(error ? error.message() : kImportFailed);
    }
    refresh_canvas();
    return added;
}

// --- Handlers ---

gboolean GrabberWindow::on_delete_event(GtkWidget *window, GdkEvent *)
{
    gtk_widget_hide(window);
    return TRUE;
}

gboolean GrabberWindow::on_key_press_event(GtkWidget *window, GdkEventKey *event)
{
    const guint mods = event->state & gtk_accelerator_get_default_mod_mask();
    const guint key = gdk_keyval_to_lower(event->keyval);
    if (key == GDK_Escape || (mods == GDK_CONTROL_MASK && key == GDK_w)) {
        gtk_widget_hide(window);
        return TRUE;
    }
    if (mods == GDK_CONTROL_MASK && key == GDK_s) {
        context_.shell.save_project();
        return TRUE;
    }
    const int step = common_zoom_key_step(event);
    if (step == 0) {
        return FALSE;
    }
    zoom_by(step);
    return TRUE;
}

void GrabberWindow::on_replace_clicked(GtkButton *)
{
    replace_selected();
}

void GrabberWindow::on_background_changed(GtkComboBox *combo)
{
    // Entry 0 is "the most used colour", then the sixteen colours.
    set_image_background(gtk_combo_box_get_active(combo) - 1);
}

void GrabberWindow::on_open_picture_activate(GtkMenuItem *)
{
    std::string path;
    if (context_.choosers.open_hires_file(&path)) {
        open_picture(path.c_str());
    }
}

gboolean GrabberWindow::on_picture_configure_event(GtkWidget *, GdkEventConfigure *)
{
    if (!canvas_) {
        canvas_.reset(canvas_new());
    }
    refresh_canvas();
    return TRUE;
}

gboolean GrabberWindow::on_picture_expose_event(GtkWidget *area, GdkEventExpose *event)
{
    if (!common_paint_image(area, canvas_.get(), &event->area, zoom_)) {
        return FALSE;
    }
    if (show_grid_) {
        common_draw_cell_grid(area, &event->area, zoom_, 0);
    }
    ZbxRect frame{};
    const bool framed = objectgrabber_frame_on_area(selection_.rect, zoom_, &frame);
    if (clashes_.empty() && !framed) {
        return TRUE;
    }
    // One-pixel outlines through the centres of pixels, clipped to what is
    // exposed.
    cairo_t *cr = gdk_cairo_create(area->window);
    gdk_cairo_rectangle(cr, &event->area);
    cairo_clip(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, 1.0);
    // The cells an image could not keep as they were: framed in red.
    const int scale = 1 << zoom_;
    for (int cell : clashes_) {
        const int x = 8 * (cell % kPictureColumns) * scale;
        const int y = 8 * (cell / kPictureColumns) * scale;
        cairo_rectangle(cr, x + 0.5, y + 0.5, 8 * scale - 1, 8 * scale - 1);
    }
    cairo_set_source_rgb(cr, 1.0, 0.0, 0.0);
    cairo_stroke(cr);
    if (framed) {
        // The frame covers the selection's own border.
        cairo_rectangle(cr, frame.x + 0.5, frame.y + 0.5, frame.width - 1, frame.height - 1);
        cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    return TRUE;
}

gboolean GrabberWindow::on_picture_button_press_event(GtkWidget *area, GdkEventButton *event)
{
    // Double and triple presses only follow single ones, which did the work.
    if (!loaded_ || event->type != GDK_BUTTON_PRESS) {
        return FALSE;
    }
    if (event->button == 1) {
        gtk_widget_grab_focus(area);
        objectgrabber_press(&selection_, event->x, event->y, zoom_);
        update_selection_details();
        refresh_canvas();
        return FALSE;
    }
    if (event->button == 3) {
        grab();
        return TRUE;
    }
    return FALSE;
}

gboolean GrabberWindow::on_picture_motion_notify_event(GtkWidget *, GdkEventMotion *event)
{
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
    show_pointer(objectgrabber_pointer_text(x, y, zoom_));
    if (!loaded_) {
        return FALSE;
    }
    if ((held & GDK_BUTTON1_MASK) == 0) {
        objectgrabber_motion_handler_reset(&selection_);
        return TRUE;
    }
    if (objectgrabber_motion_handler(x >> zoom_, y >> zoom_, &selection_)) {
        update_selection_details();
        refresh_canvas();
    }
    return TRUE;
}

gboolean GrabberWindow::on_palette_expose_event(GtkWidget *area, GdkEventExpose *event)
{
    return common_paint_palette(area, context_.images.palette.strip(), &event->area, transparent_)
               ? TRUE
               : FALSE;
}

gboolean GrabberWindow::on_palette_button_press_event(GtkWidget *area, GdkEventButton *event)
{
    if (event->type != GDK_BUTTON_PRESS || event->button != 1) {
        return FALSE;
    }
    GtkWidget *custom = widget("radiobutton_object_grabber_use_custom_color");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(custom), TRUE);
    transparent_ = objectgrabber_palette_colour_at(event->x);
    gtk_widget_queue_draw(area);
    // Without a picture the canvas shows the chosen colour.
    refresh_canvas();
    return TRUE;
}

void GrabberWindow::on_zoom_4_clicked(GtkButton *button)
{
    set_zoom(button, 2);
}

void GrabberWindow::on_zoom_2_clicked(GtkButton *button)
{
    set_zoom(button, 1);
}

void GrabberWindow::on_zoom_1_clicked(GtkButton *button)
{
    set_zoom(button, 0);
}

void GrabberWindow::on_show_grid_toggled(GtkToggleButton *button)
{
    show_grid_ = gtk_toggle_button_get_active(button) != FALSE;
    gtk_widget_queue_draw(picture_area_);
    // The editor and the options follow.
    context_.shell.set_show_grid(show_grid_);
}

// Control+wheel over the picture zooms; the wheel alone scrolls it.
gboolean GrabberWindow::on_picture_scroll_event(GtkWidget *, GdkEventScroll *event)
{
    const int step = common_zoom_scroll_step(event);
    if (step != 0) {
        zoom_by(step);
    }
    return (event->state & GDK_CONTROL_MASK) != 0;
}

gboolean GrabberWindow::on_picture_leave_notify_event(GtkWidget *, GdkEventCrossing *)
{
    show_pointer("");
    return FALSE;
}
