// The main window's three previews and two palette strips: their canvases,
// zoom and preview background colours, and the drawing of a location or
// panel object by object. They follow the document: every change of the
// data draws them again.
#pragma once

#include <array>
#include <gtk/gtk.h>
#include <memory>
#include <vector>

#include "base/gref.h"
#include "files/fileio.h"
#include "render/compose.h"
#include "render/render.h"
#include "ui/context.h"

class MainWindow;

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

class MainPreviews
{
  public:
    // The previews of `window`, which says what is selected.
    MainPreviews(UiContext &context, MainWindow &window);
    ~MainPreviews();
    MainPreviews(const MainPreviews &) = delete;
    MainPreviews &operator=(const MainPreviews &) = delete;

    // A preview's drawing area was (re)configured: creates its canvas the
    // first time, then renders it afresh. Returns the canvas.
    GdkPixbuf *configure(MainPreview which, GtkWidget *area);
    // The preview's canvas (owned here), or null before its first configure.
    GdkPixbuf *canvas(MainPreview which) const { return canvas_[which].get(); }
    // The preview's drawing area, or null before its first configure.
    GtkWidget *area(MainPreview which) const { return area_[which]; }
    void set_palette_area(MainPalette which, GtkWidget *area);
    GtkWidget *palette_area(MainPalette which) const { return palette_area_[which]; }

    // Paints a preview's canvas, scaled by the zoom, into the exposed part
    // of its area; false when it has no canvas yet.
    bool paint(MainPreview which, GtkWidget *area, const GdkRectangle *exposed);
    // Paints a palette strip with the marker around the current colour.
    bool paint_palette(MainPalette which, GtkWidget *area, const GdkRectangle *exposed);

    // Renders a preview afresh into its canvas; incremental draws it object
    // by object from a timeout (the canvas shows the finished picture in
    // the end).
    void render_location(bool incremental);
    void render_object();
    void render_panel(bool incremental);
    // Ends any drawing object by object (the canvas keeps what it shows).
    void stop_drawing();
    bool is_drawing() const;
    // Copies the backdrop into every canvas, queues their redraws and
    // empties the location's record text.
    void reset();
    // Shows the selected location's record text and renders its preview,
    // then queues a redraw; with the clash view on, the status bar tells
    // how many cells clash.
    void show_location(bool incremental);
    // Renders the panel preview again at once and redraws it and its strip.
    void refresh_panel();
    // After a panel was edited: the panel and location previews again.
    void after_panel_edit();
    void queue_redraw(MainPreview which);
    void queue_palette_redraw(MainPalette which);

    // Takes a press on a strip: a single press of button 1 picks its colour.
    bool pick_colour(MainPalette which, const GdkEventButton *event);
    int object_colour() const { return object_colour_; }
    int panel_colour() const { return panel_colour_; }

    // Whether the location and panel previews frame their clashing cells.
    void set_show_clashes(bool on);
    bool show_clashes() const { return show_clashes_; }
    // The statistics of the composition a preview shows (truncated: the
    // picture was cut short by the work bound and is incomplete; the status
    // bar then says so).
    const ComposeStats &stats(MainPreview which) const { return stats_[which]; }
    // The clashing cells of a preview (none for the object preview, and
    // none while the clash view is off).
    const ComposeClashes &clashes(MainPreview which) const { return clashes_[which]; }
    // What a preview shows: its canvas at the zoom, clashing cells framed
    // when the clash view is on. A new image.
    GdkPixbuf *shown_image(MainPreview which) const;

    // The preview File > Export takes: the last one clicked, or whose list
    // was clicked (the location preview at start).
    void set_focus(MainPreview which) { focus_ = which; }
    MainPreview focus() const { return focus_; }
    // The item a preview shows: the selected location's number, or the
    // selected object's or panel's item index; false with none selected.
    bool shown_item(MainPreview which, int *number) const;
    // Writes what a preview shows as a PNG file; a preview still being
    // drawn object by object is finished first. What the write could not
    // keep of an old file goes to *notes (fileio_write_files).
    bool export_png(MainPreview which, const char *path, std::vector<FileioNote> *notes,
                    GError **error);

    // Zoom exponent of the previews: 0 (1x) or 1 (2x).
    int expansion() const { return expansion_; }
    // Sets the zoom and the previews' size requests (320 x 200 scaled).
    void set_expansion(int expansion);

  private:
    // A preview drawn object by object: the stages of its composition,
    // shown one per tick of a timeout.
    struct Drawing
    {
        std::vector<std::unique_ptr<ComposeFrame>> frames;
        size_t next = 0;
        int background = 0;
        gint64 deadline = 0;
        guint source = 0;
    };
    // What a timeout needs to find its drawing again.
    struct Tick
    {
        MainPreviews *previews;
        MainPreview which;
    };

    void stop(MainPreview which);
    bool draw_stage(MainPreview which);
    static gboolean on_draw_stage(gpointer tick);
    void start_drawing(MainPreview which, int panel, int background);
    // Says in the status bar that a preview's picture is incomplete (nothing
    // when it is whole).
    void tell_cut_short(MainPreview which, const char *what, int number);
    void follow(const DocEvent &event);
    void remember_area(GtkWidget *&slot, GtkWidget *area);
    void forget_area(GtkWidget *area);
    static void on_area_destroy(GtkWidget *area, gpointer self);

    UiContext &context_;
    MainWindow &window_;
    std::array<Drawing, PREVIEW_COUNT> drawing_;
    std::array<Tick, PREVIEW_COUNT> ticks_;
    std::array<GRef<GdkPixbuf>, PREVIEW_COUNT> canvas_;
    std::array<GtkWidget *, PREVIEW_COUNT> area_{};
    std::array<GtkWidget *, PALETTE_COUNT> palette_area_{};
    int object_colour_ = kObjectPreviewColourDefault;
    int panel_colour_ = kPanelPreviewColourDefault;
    int expansion_ = 0;
    bool show_clashes_ = false;
    std::array<ComposeClashes, PREVIEW_COUNT> clashes_{};
    std::array<ComposeStats, PREVIEW_COUNT> stats_{};
    MainPreview focus_ = PREVIEW_LOCATION;
    int listener_ = 0;
};
