// The main window's previews and palette strips.
#include "app/mainview.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/mainwindow.h"
#include "base/error.h"
#include "c64/pixbufs.h"
#include "files/fileio.h"
#include "render/canvas.h"
#include "render/locations.h"
#include "ui/builder.h"
#include "ui/common.h"

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

// The main window's height besides its two previews, and the window
// manager's title bar above it.
constexpr int kWindowChrome = 260;

} // namespace

MainPreviews::MainPreviews(UiContext &context, MainWindow &window)
    : context_(context), window_(window)
{
    for (int i = 0; i < PREVIEW_COUNT; i++) {
        ticks_[i] = Tick{this, static_cast<MainPreview>(i)};
    }
    listener_ = context_.document.add_listener([this](const DocEvent &event) { follow(event); }, 1);
}

MainPreviews::~MainPreviews()
{
    stop_drawing();
    context_.document.remove_listener(listener_);
    for (GtkWidget *area : area_) {
        forget_area(area);
    }
    for (GtkWidget *area : palette_area_) {
        forget_area(area);
    }
}

void MainPreviews::on_area_destroy(GtkWidget *area, gpointer self)
{
    static_cast<MainPreviews *>(self)->forget_area(area);
}

// Forgets an area that is destroyed, so that nothing paints into it.
void MainPreviews::forget_area(GtkWidget *area)
{
    if (area == nullptr) {
        return;
    }
    g_signal_handlers_disconnect_by_func(area, reinterpret_cast<gpointer>(on_area_destroy), this);
    for (GtkWidget *&a : area_) {
        if (a == area) {
            a = nullptr;
        }
    }
    for (GtkWidget *&a : palette_area_) {
        if (a == area) {
            a = nullptr;
        }
    }
}

void MainPreviews::remember_area(GtkWidget *&slot, GtkWidget *area)
{
    if (slot == area) {
        return;
    }
    slot = area;
    g_signal_connect(area, "destroy", G_CALLBACK(on_area_destroy), this);
}

void MainPreviews::stop(MainPreview which)
{
    Drawing &drawing = drawing_[which];
    if (drawing.source != 0) {
        g_source_remove(drawing.source);
    }
    drawing = Drawing{};
}

gboolean MainPreviews::on_draw_stage(gpointer data)
{
    const Tick *tick = static_cast<const Tick *>(data);
    return tick->previews->draw_stage(tick->which) ? TRUE : FALSE;
}

bool MainPreviews::draw_stage(MainPreview which)
{
    Drawing &drawing = drawing_[which];
    drawing.source = 0;
    if (drawing.next >= drawing.frames.size() || canvas(which) == nullptr) {
        stop(which);
        return false;
    }
    if (g_get_monotonic_time() >= drawing.deadline) {
        drawing.next = drawing.frames.size() - 1;
    }
    const ComposeFrame &frame = *drawing.frames[drawing.next++];
    compose_convert_buffers(frame.buffers, drawing.background, pixbufs_view(canvas(which)));
    queue_redraw(which);
    if (drawing.next >= drawing.frames.size()) {
        stop(which);
        return false;
    }
    const guint pause_ms = static_cast<guint>(frame.cells * kPausePerCellUs / 1000);
    drawing.source = g_timeout_add(std::max(1u, pause_ms), on_draw_stage, &ticks_[which]);
    return false;
}

// Starts drawing a stored panel into a preview object by object; the
// canvas holds the backdrop and the background colour meanwhile.
void MainPreviews::start_drawing(MainPreview which, int panel, int background)
{
    stop(which);
    GdkPixbuf *image = canvas(which);
    if (image == nullptr) {
        return;
    }
    canvas_fill_location_area(image, background);
    Drawing &drawing = drawing_[which];
    drawing.frames =
        render_compose_frames(context_.document, panel, background, kMaxStages, &stats_[which]);
    drawing.background = background;
    drawing.deadline = g_get_monotonic_time() + kIncrementalLimitUs;
    drawing.source = g_idle_add(on_draw_stage, &ticks_[which]);
}

// Every change of the data draws the previews again (at once: a drawing
// under way starts over only when asked).
void MainPreviews::follow(const DocEvent &event)
{
    if (event.what == DocChange::HistoryChanged) {
        return;
    }
    if (event.what == DocChange::PreviewChanged) {
        refresh_panel();
        return;
    }
    show_location(false);
    render_object();
    queue_redraw(PREVIEW_OBJECT);
    refresh_panel();
}

void MainPreviews::stop_drawing()
{
    for (int i = 0; i < PREVIEW_COUNT; i++) {
        stop(static_cast<MainPreview>(i));
    }
}

bool MainPreviews::is_drawing() const
{
    return std::any_of(drawing_.begin(), drawing_.end(),
                       [](const Drawing &drawing) { return drawing.source != 0; });
}

GdkPixbuf *MainPreviews::configure(MainPreview which, GtkWidget *area)
{
    if (!canvas_[which]) {
        canvas_[which].reset(canvas_new());
    }
    remember_area(area_[which], area);
    switch (which) {
    case PREVIEW_LOCATION:
        render_location(false);
        break;
    case PREVIEW_OBJECT:
        render_object();
        break;
    case PREVIEW_PANEL:
        render_panel(false);
        break;
    case PREVIEW_COUNT:
        break;
    }
    return canvas(which);
}

void MainPreviews::set_palette_area(MainPalette which, GtkWidget *area)
{
    remember_area(palette_area_[which], area);
}

bool MainPreviews::paint(MainPreview which, GtkWidget *area, const GdkRectangle *exposed)
{
    GdkPixbuf *image = canvas(which);
    if (image == nullptr || area->window == nullptr) {
        return false;
    }
    if (show_clashes_ && clashes_[which].any() && drawing_[which].source == 0) {
        // The frames lie on whole pixels of the zoomed picture.
        GRef<GdkPixbuf> shown(shown_image(which));
        common_paint_image(area, shown.get(), exposed, 0);
    } else {
        common_paint_image(area, image, exposed, expansion_);
    }
    if (which == PREVIEW_PANEL) {
        // A white frame around the definition selected in the list.
        PanelDef def;
        if (window_.selected_panel_def(&def)) {
            ZbxRect rect{def.x, def.y, 0, 0};
            common_draw_rectangle_around_item(context_.document, area, 0, expansion_, def.item,
                                              def.is_object, &rect);
        }
    }
    return true;
}

bool MainPreviews::paint_palette(MainPalette which, GtkWidget *area, const GdkRectangle *exposed)
{
    return common_paint_palette(area, context_.images.palette.strip(), exposed,
                                which == PALETTE_OBJECT ? object_colour_ : panel_colour_);
}

void MainPreviews::render_location(bool incremental)
{
    GdkPixbuf *image = canvas(PREVIEW_LOCATION);
    if (image == nullptr) {
        return;
    }
    stop(PREVIEW_LOCATION);
    canvas_copy_image(context_.backdrop(), image);
    clashes_[PREVIEW_LOCATION].reset();
    stats_[PREVIEW_LOCATION] = {};
    int number = -1;
    if (!window_.selected_location(&number)) {
        return;
    }
    const ZbxLocationRecord record = context_.document.location(number);
    if (incremental && context_.document.item_kind(record.panel) == ZbxItemKind::Panel) {
        if (show_clashes_) {
            clashes_[PREVIEW_LOCATION] =
                render_stored_panel_clashes(context_.document, record.panel, record.colour);
        }
        start_drawing(PREVIEW_LOCATION, record.panel, record.colour);
        return;
    }
    // One composition, the clashing cells reported beside when they are shown.
    stats_[PREVIEW_LOCATION] =
        ::render_location(context_.document, context_.backdrop(), number, image,
                          show_clashes_ ? &clashes_[PREVIEW_LOCATION] : nullptr);
}

void MainPreviews::render_object()
{
    GdkPixbuf *image = canvas(PREVIEW_OBJECT);
    if (image == nullptr) {
        return;
    }
    int index = -1;
    if (!window_.selected_object(&index)) {
        canvas_copy_image(context_.backdrop(), image);
        return;
    }
    render_object_preview(context_.document, context_.backdrop(), image, index, object_colour_);
}

void MainPreviews::render_panel(bool incremental)
{
    int panel = -1;
    int colour = 0;
    if (!window_.selected_panel(&panel, &colour)) {
        panel = -1;
        colour = 0;
    }
    // The strip shows the selected panel's colour.
    panel_colour_ = colour;
    GdkPixbuf *image = canvas(PREVIEW_PANEL);
    if (image == nullptr) {
        return;
    }
    stop(PREVIEW_PANEL);
    clashes_[PREVIEW_PANEL].reset();
    stats_[PREVIEW_PANEL] = {};
    if (panel < 0) {
        canvas_copy_image(context_.backdrop(), image);
        return;
    }
    // The panel covers the whole location area: the backdrop shows above it.
    canvas_copy_image_above_area(context_.backdrop(), image);
    stats_[PREVIEW_PANEL] = render_stored_panel(context_.document, panel, image, colour,
                                                show_clashes_ ? &clashes_[PREVIEW_PANEL] : nullptr);
    if (incremental) {
        start_drawing(PREVIEW_PANEL, panel, colour);
    }
    tell_cut_short(PREVIEW_PANEL, "Panel", panel);
}

void MainPreviews::reset()
{
    for (int i = 0; i < PREVIEW_COUNT; i++) {
        auto which = static_cast<MainPreview>(i);
        canvas_copy_image(context_.backdrop(), canvas(which));
        queue_redraw(which);
    }
    gtk_label_set_text(GTK_LABEL(window_.widget("label_main_location_info")), "");
}

void MainPreviews::show_location(bool incremental)
{
    int number = -1;
    const bool selected = window_.selected_location(&number);
    const ZbxLocationRecord record = context_.document.location(number);
    render_location(incremental);
    GCharPtr text(selected ? render_location_text(record.panel, record.colour) : g_strdup(""));
    std::string info = text.get();
    if (stats_[PREVIEW_LOCATION].truncated) {
        info += "\nIncomplete picture";
    }
    gtk_label_set_text(GTK_LABEL(window_.widget("label_main_location_info")), info.c_str());
    queue_redraw(PREVIEW_LOCATION);
    if (show_clashes_ && selected) {
        const size_t count = clashes_[PREVIEW_LOCATION].count();
        GCharPtr status(count == 1
                            ? g_strdup_printf(" Location %d: 1 cell clashes", number)
                            : g_strdup_printf(" Location %d: %zu cells clash", number, count));
        window_.set_status(status.get());
    }
    if (selected) {
        tell_cut_short(PREVIEW_LOCATION, "Location", number);
    }
}

void MainPreviews::tell_cut_short(MainPreview which, const char *what, int number)
{
    const std::string text = render_cut_short_text(what, number, stats_[which]);
    if (!text.empty()) {
        window_.set_status((" " + text).c_str());
    }
}

void MainPreviews::set_show_clashes(bool on)
{
    show_clashes_ = on;
    show_location(false);
    refresh_panel();
}

GdkPixbuf *MainPreviews::shown_image(MainPreview which) const
{
    const bool frames = show_clashes_ && which != PREVIEW_OBJECT;
    return render_shown_image(canvas(which), expansion_, frames ? &clashes_[which] : nullptr);
}

bool MainPreviews::shown_item(MainPreview which, int *number) const
{
    switch (which) {
    case PREVIEW_LOCATION:
        return window_.selected_location(number);
    case PREVIEW_OBJECT:
        return window_.selected_object(number);
    case PREVIEW_PANEL:
        return window_.selected_panel(number);
    default:
        return false;
    }
}

bool MainPreviews::export_png(MainPreview which, const char *path, std::vector<FileioNote> *notes,
                              GError **error)
{
    if (canvas(which) == nullptr) {
        zbx_set_error(error, ZbxError::Failed, "Nothing to export yet");
        return false;
    }
    if (drawing_[which].source != 0) {
        // The finished picture, not a stage of it.
        if (which == PREVIEW_LOCATION) {
            show_location(false);
        } else if (which == PREVIEW_PANEL) {
            refresh_panel();
        }
    }
    GRef<GdkPixbuf> image(shown_image(which));
    std::vector<uint8_t> png;
    return image && pixbufs_encode_png(image.get(), &png, error) &&
           fileio_write_file(path, png, notes, error);
}

void MainPreviews::refresh_panel()
{
    render_panel(false);
    queue_redraw(PREVIEW_PANEL);
    queue_palette_redraw(PALETTE_PANEL);
}

void MainPreviews::after_panel_edit()
{
    refresh_panel();
    show_location(false);
}

void MainPreviews::queue_redraw(MainPreview which)
{
    if (area_[which] != nullptr) {
        gtk_widget_queue_draw(area_[which]);
    }
}

void MainPreviews::queue_palette_redraw(MainPalette which)
{
    if (palette_area_[which] != nullptr) {
        gtk_widget_queue_draw(palette_area_[which]);
    }
}

bool MainPreviews::pick_colour(MainPalette which, const GdkEventButton *event)
{
    if (event->type != GDK_BUTTON_PRESS || event->button != 1) {
        return false;
    }
    int colour = static_cast<int>(std::trunc(event->x * 0.0625)) % 16;
    colour = colour < 0 ? colour + 16 : colour;
    if (which == PALETTE_OBJECT) {
        object_colour_ = colour;
        render_object();
        queue_redraw(PREVIEW_OBJECT);
    } else {
        int panel = -1;
        if (window_.selected_panel(&panel)) {
            // The panel's preview colour changes; the preview follows.
            context_.document.set_preview_colour(panel, colour);
        }
        panel_colour_ = colour;
    }
    queue_palette_redraw(which);
    return true;
}

void MainPreviews::set_expansion(int expansion)
{
    expansion_ = expansion == 0 ? 0 : 1;
    const int scale = 1 << expansion_;
    // Two previews stand one above the other: at 2X each shows as much as
    // the screen leaves room for, and scrolls for the rest.
    GtkWidget *window = window_.window();
    const int screen = gdk_screen_get_height(gtk_window_get_screen(GTK_WINDOW(window)));
    const int room = std::clamp((screen - kWindowChrome) / 2, back_height, back_height * scale);
    for (int i = 0; i < PREVIEW_COUNT; i++) {
        GtkWidget *area = area_[i] != nullptr ? area_[i] : window_.widget(kPreviewAreaNames[i]);
        if (area == nullptr) {
            continue;
        }
        gtk_widget_set_size_request(area, back_width * scale, back_height * scale);
        // The scrolled window around the area's viewport: a scroll bar only
        // where the area does not fit, so that a preview that fits looks
        // exactly as without one.
        GtkWidget *scrolled = gtk_widget_get_parent(gtk_widget_get_parent(area));
        const int shown = std::min(back_height * scale, room & ~7);
        gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER,
                                       shown < back_height * scale ? GTK_POLICY_AUTOMATIC
                                                                   : GTK_POLICY_NEVER);
        gtk_widget_set_size_request(scrolled, -1, shown);
    }
}
