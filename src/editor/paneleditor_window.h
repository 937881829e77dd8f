// The panel editor's window: canvas with zoom and a blinking frame, arrow
// buttons, the placement list with its flags, the action buttons and the
// delete question, tied to the editing model (paneleditor.h). It owns the
// model and its two dialogs, the object and panel browser and the colour
// override window. Built hidden with the application, shown modal over the
// main window by open(), hidden again on closing. Several placements are
// selected, copied, pasted and dropped in paneleditor_window_select.cpp.
#pragma once

#include <gtk/gtk.h>
#include <memory>
#include <string>

#include "base/gref.h"
#include "editor/override_window.h"
#include "editor/panelbrowser.h"
#include "editor/paneleditor.h"
#include "editor/placement.h"
#include "render/compose.h"
#include "ui/context.h"
#include "ui/panelmodels_deflist.h"

class PanelEditorWindow
{
  public:
    // Builds the window and its dialogs, hidden; the context must outlive it.
    explicit PanelEditorWindow(UiContext &context);
    // Destroys its windows.
    ~PanelEditorWindow();
    PanelEditorWindow(const PanelEditorWindow &) = delete;
    PanelEditorWindow &operator=(const PanelEditorWindow &) = delete;

    GtkWidget *window() const { return window_; }
    // Opens panel over colour (status bar, list, the clash view as the
    // options hold it) and shows the window over the main window.
    void open(int panel, int colour);
    // The main window switched the clash view: the check button follows
    // without calling back, and the canvas frames its clashing cells or not.
    void set_show_clashes(bool on);
    // The same for the grid of cells.
    void set_show_grid(bool on);
    bool show_grid() const { return show_grid_; }
    // Sets the zoom exponent (0, 1 or 2) as its radio button does.
    void set_zoom(int zoom);
    // Hides the window as closing it does (Escape, Control+W): the main
    // window shows the result.
    void close();

    PanelEditor &model() { return model_; }
    BrowserWindow &browser() { return browser_; }
    OverrideWindow &overrides() { return overrides_; }
    // The canvas (null before the area's first configure) and the zoom
    // exponent (0, 1 or 2).
    GdkPixbuf *canvas() const { return canvas_.get(); }
    int zoom() const { return zoom_; }
    // The clashing cells framed on the canvas (none while the view is off).
    const ComposeClashes &clashes() const { return clashes_; }
    // What the canvas shows, at the zoom and with any clash frames (not the
    // frame around the selection): a new image, or null without a canvas.
    GdkPixbuf *shown_image() const;
    // Asks for a PNG file (panel_N.png) and writes the shown image there
    // (Control+E); the status bar says where.
    void export_canvas();
    // Renders the canvas afresh and asks for a redraw.
    void refresh();

  private:
    GtkWidget *widget(const char *name) const;
    void set_up_list();
    void connect_signals();
    void follow(const DocEvent &event);
    // Puts the list's cursor on the model's selection (or clears it).
    void sync_cursor();
    void after_operation();
    void move(int dx, int dy);
    void delete_with_question();
    void back_from_browser();
    void push_status(const char *context, const char *text);
    void start_blinking();
    void stop_blinking();
    gboolean blink();

    gboolean on_delete(GtkWidget *window, GdkEvent *event);
    void on_show(GtkWidget *window);
    gboolean on_window_key_press(GtkWidget *window, GdkEventKey *event);
    gboolean on_area_expose(GtkWidget *area, GdkEventExpose *event);
    gboolean on_area_configure(GtkWidget *area, GdkEventConfigure *event);
    gboolean on_area_button_press(GtkWidget *area, GdkEventButton *event);
    gboolean on_area_button_release(GtkWidget *area, GdkEventButton *event);
    gboolean on_area_motion(GtkWidget *area, GdkEventMotion *event);
    gboolean on_area_key_press(GtkWidget *area, GdkEventKey *event);
    void on_arrow_clicked(GtkButton *button);
    void on_zoom_clicked(GtkButton *button);
    void on_blink_toggled(GtkToggleButton *button);
    void on_show_clashes_toggled(GtkToggleButton *button);
    void on_select_reverse_toggled(GtkToggleButton *button);
    void on_transparency_toggled(GtkToggleButton *button);
    void on_alpha_changed(GtkEditable *editable);
    void on_flag_toggled(GtkCellRendererToggle *cell, gchar *path);
    void on_add_clicked(GtkButton *button);
    void on_to_back_clicked(GtkButton *button);
    void on_farther_clicked(GtkButton *button);
    void on_closer_clicked(GtkButton *button);
    void on_to_front_clicked(GtkButton *button);
    void on_clone_clicked(GtkButton *button);
    void on_overrides_clicked(GtkButton *button);
    void on_delete_clicked(GtkButton *button);

    // --- Grid, zoom keys, status texts (paneleditor_window_view.cpp) ---
    void connect_view_signals();
    // Escape, Control+W, Control+S and the zoom keys.
    gboolean on_view_key_press(GdkEventKey *event);
    void on_grid_toggled(GtkToggleButton *button);
    gboolean on_area_scroll(GtkWidget *area, GdkEventScroll *event);
    gboolean on_area_leave(GtkWidget *area, GdkEventCrossing *event);
    // The pointer's cell and pixel at canvas pixel (x, y) of the zoomed
    // screen.
    void show_pointer(int x, int y);
    // The selection: one placement's item, kind, position and size, or how
    // many.
    void show_selection();

    // --- Several placements (paneleditor_window_select.cpp) ---
    // The list selects many; the canvas takes drops from the browser.
    void set_up_selection();
    void press_left(int x, int y, guint state);
    void release_left();
    void motion_left(int x, int y);
    // Frames every selected placement, and the rubber band.
    void draw_selection(GtkWidget *area);
    // Control+A, C, X, V, Shift+V and D.
    gboolean on_selection_key_press(GtkWidget *window, GdkEventKey *event);
    void on_list_selection_changed(GtkTreeSelection *selection);
    // A click on a flag of one of several selected rows sets it for all of
    // them and keeps them selected.
    gboolean on_list_button_press(GtkWidget *list, GdkEventButton *event);
    void copy_selection();
    void cut_selection();
    // At the pointer when it is over the canvas (at_pointer), else where
    // they were.
    void paste(bool at_pointer);
    void duplicate();
    bool pointer_location(EditorPoint *at) const;
    void refuse(const char *text);
    // The delete question names how many are selected when it is several.
    void word_delete_question(GtkWidget *dialog) const;
    void on_drag_data_received(GtkWidget *area, GdkDragContext *context, gint x, gint y,
                               GtkSelectionData *data, guint info, guint time);

    UiContext &context_;
    PanelEditor model_;
    GtkWidget *window_ = nullptr;
    GtkWidget *area_ = nullptr;
    GtkTreeView *list_ = nullptr;
    GRef<ZbxDefList> defs_;
    // The list's text and typed positions.
    std::unique_ptr<PlacementColumns> placement_columns_;
    GRef<GdkPixbuf> canvas_;
    int zoom_ = 0;
    bool transparency_ = false;
    int alpha_ = kEditorDefaultAlpha;
    // The list's cursor is being set from the model.
    bool syncing_ = false;
    bool show_clashes_ = false;
    gulong show_clashes_handler_ = 0;
    ComposeClashes clashes_{};
    bool show_grid_ = false;
    gulong show_grid_handler_ = 0;
    int listener_ = 0;
    // The blink timer: a redraw every 500 ms while the blink option is on.
    guint blink_source_ = 0;
    int blink_count_ = 0;
    BrowserWindow browser_;
    OverrideWindow overrides_;
    // What this window put on the clipboard, in both forms, while it owns it.
    std::string clip_own_;
    std::string clip_text_;
    bool owns_clipboard_ = false;
};
