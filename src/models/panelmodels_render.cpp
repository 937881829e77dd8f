// Rendering panels into canvases: the composition fed from the item stores,
// drawn at once or object by object into a drawing area, and the bounding
// box of a stored panel.
#include <glib.h>
#include <gtk/gtk.h>

#include "app/common.h"
#include "gref.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/panelmodels.h"
#include "models/panelmodels_compose.h"

namespace {

// An incremental run shows its objects one by one for at most this long;
// then it finishes in one go, so that a very large panel never holds the
// editor for long.
constexpr gint64 kIncrementalLimitUs = 3 * G_USEC_PER_SEC;
// Pause after each drawn object, per object cell.
constexpr gulong kPausePerCellUs = 192;
// Events handled after each object at most: a source that is always ready
// (an idle handler that stays) must not hold the run for ever.
constexpr int kEventsPerObject = 1000;

// The stores as the composition sees them. The list being rendered is held
// for the whole run, whatever happens to the store meanwhile.
class StoreSource final : public ComposeSource
{
  public:
    explicit StoreSource(ZbxDefList *top) : top_(GRef<ZbxDefList>::share(top)) {}

    std::span<const PanelDef> panel_defs(int panel) const override
    {
        ZbxDefList *list =
            panel == kComposeTop ? top_.get() : panels_get_from_array_at_index(panel);
        if (list == nullptr) {
            return {};
        }
        return zbx_def_list_rows(list);
    }

    std::span<const uint8_t> object_data(int object) const override
    {
        std::span<const uint8_t> data;
        if (!objects_get_data_at_index(object, &data)) {
            return {};
        }
        return data;
    }

  private:
    GRef<ZbxDefList> top_;
};

class StoreBoxes final : public BoxSource
{
  public:
    bool object_size(int object, int *width, int *height) const override
    {
        return objects_get_dimensions_at_index(object, width, height) != 0;
    }
    bool panel_box(int panel, ZbxRect *box) const override
    {
        *box = {0, 0, 0, 0};
        return panels_get_displacement_at_index(panel, &box->x, &box->y, &box->width,
                                                &box->height) != 0;
    }
};

// The item index under which the store keeps this list, or -1.
int stored_index_of(ZbxDefList *list)
{
    const int count = panels_get_array_size();
    for (int i = 0; i < count; i++) {
        if (panels_get_from_array_at_index(i) == list) {
            return i;
        }
    }
    return -1;
}

// Brings the canvas and the drawing area up to date after each object,
// lets the toolkit handle what is pending and pauses.
class IncrementalDisplay final : public ComposeObserver
{
  public:
    IncrementalDisplay(GdkPixbuf *canvas, GtkWidget *area, int background)
        : canvas_(GRef<GdkPixbuf>::share(canvas)), area_(GRef<GtkWidget>::share(area)),
          background_(background), deadline_(g_get_monotonic_time() + kIncrementalLimitUs)
    {
    }

    void object_drawn(const ComposeBuffers &buffers, int w_cells, int h_cells) override
    {
        if (!pacing_) {
            behind_ = true;
            return;
        }
        show(buffers);
        for (int n = 0; n < kEventsPerObject && gtk_events_pending(); n++) {
            // A quit request ends the pacing; the run still completes.
            // (Outside any main loop the answer is always "quit".)
            if (gtk_main_iteration() && gtk_main_level() > 0) {
                pacing_ = false;
                return;
            }
        }
        g_usleep(static_cast<gulong>(w_cells) * static_cast<gulong>(h_cells) * kPausePerCellUs);
        if (g_get_monotonic_time() >= deadline_) {
            pacing_ = false;
        }
    }

    // Shows what was drawn after the pacing ended.
    void finish(const ComposeBuffers &buffers)
    {
        if (behind_) {
            show(buffers);
        }
    }

  private:
    void show(const ComposeBuffers &buffers)
    {
        panelmodels_convert_buffers(buffers, background_, pixbufs_view(canvas_.get()));
        gtk_widget_queue_draw(area_.get());
        behind_ = false;
    }

    GRef<GdkPixbuf> canvas_;
    GRef<GtkWidget> area_;
    int background_;
    gint64 deadline_;
    bool pacing_ = true;
    bool behind_ = false;
};

} // namespace

void panelmodels_render_panel_defs(ZbxDefList *list, GdkPixbuf *canvas, GtkWidget *area,
                                   int background, int transparency, int alpha)
{
    // Disabled definitions are never drawn, so these change nothing.
    (void) transparency;
    (void) alpha;
    if (canvas == nullptr) {
        return;
    }
    if (list == nullptr) {
        common_fill_location_area(canvas, background);
        return;
    }
    StoreSource source(list);
    const int top = stored_index_of(list);
    ComposeBuffers buffers;
    if (area == nullptr) {
        // The conversion covers the whole location area, background included.
        panelmodels_render_into_view(source, top, background, buffers, pixbufs_view(canvas));
        return;
    }
    common_fill_location_area(canvas, background);
    IncrementalDisplay display(canvas, area, background);
    panelmodels_compose(source, top, background, buffers, &display);
    display.finish(buffers);
}

void panelmodels_render_panel(GdkPixbuf *canvas, GtkWidget *area, int transparency, int alpha,
                              int *colour)
{
    common_copy_background_image_to_pixbuf(canvas);
    int index = -1;
    int preview = 0;
    if (!panelmodels_get_current_panel_info(&index, &preview)) {
        if (colour != nullptr) {
            *colour = 0;
        }
        return;
    }
    if (colour != nullptr) {
        *colour = preview;
    }
    panelmodels_render_panel_defs(panels_get_from_array_at_index(index), canvas, area, preview,
                                  transparency, alpha);
}

gboolean panelmodels_compute_panel_size_and_pos(int panel, int *x, int *y, int *width, int *height)
{
    ZbxDefList *list = panels_get_from_array_at_index(panel);
    if (list == nullptr) {
        *width = 0;
        *height = 0;
        return FALSE;
    }
    const ZbxRect box = panelmodels_bounding_box(zbx_def_list_rows(list), StoreBoxes());
    *x = box.x;
    *y = box.y;
    *width = box.width;
    *height = box.height;
    return TRUE;
}
