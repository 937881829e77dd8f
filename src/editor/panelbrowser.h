// The object and panel browser: every object as an icon and every panel in
// a list with a preview, from the shared lists. Activating one (a double
// click or Enter) inserts it into the panel being edited after the selected
// placement; dragging one onto the editor's canvas inserts it there. One of
// the editor's dialogs: built with it, shown modal over it by "Add new...",
// hidden again after an insertion or on closing.
#pragma once

#include <functional>
#include <gtk/gtk.h>

#include "base/gref.h"
#include "editor/paneleditor.h"
#include "ui/context.h"

// What a drag from the browser carries, within this process: the item's
// index in decimal.
inline constexpr const char *kBrowserObjectTarget = "application/x-zembrix-object";
inline constexpr const char *kBrowserPanelTarget = "application/x-zembrix-panel";

class BrowserWindow
{
  public:
    // Builds the browser, hidden, over parent (the editor's window). After
    // an insertion, or an activation that inserted nothing, it hides and
    // calls back, which hands the keys back to the editor.
    BrowserWindow(UiContext &context, PanelEditor &editor, GtkWindow *parent,
                  std::function<void()> back);
    // Destroys the window.
    ~BrowserWindow();
    BrowserWindow(const BrowserWindow &) = delete;
    BrowserWindow &operator=(const BrowserWindow &) = delete;

    GtkWidget *window() const { return window_; }
    // Shows the browser over the editor, at the pointer.
    void show();
    // The panel preview's canvas (null before its first configure): the
    // backdrop, and the panel selected in the list over its preview colour
    // (disabled placements are not drawn).
    GdkPixbuf *preview() const { return canvas_.get(); }

  private:
    void build();
    void refresh_preview();
    void back_to_editor();

    gboolean on_delete(GtkWidget *window, GdkEvent *event);
    // Escape and Control+W close, Control+S saves the project.
    gboolean on_key_press(GtkWidget *window, GdkEventKey *event);
    void on_show(GtkWidget *window);
    void on_object_activated(GtkIconView *view, GtkTreePath *path);
    gboolean on_preview_configure(GtkWidget *area, GdkEventConfigure *event);
    gboolean on_preview_expose(GtkWidget *area, GdkEventExpose *event);
    void on_panels_cursor_changed(GtkTreeView *view);
    void on_panel_activated(GtkTreeView *view, GtkTreePath *path, GtkTreeViewColumn *column);
    // The icons and the panel rows are drag sources.
    void enable_dragging(GtkWidget *icons);
    void on_drag_data_get(GtkWidget *view, GdkDragContext *context, GtkSelectionData *data,
                          guint info, guint time);

    UiContext &context_;
    PanelEditor &editor_;
    std::function<void()> back_;
    GtkWidget *window_ = nullptr;
    GtkTreeView *panels_ = nullptr;
    GtkIconView *icons_ = nullptr;
    GtkWidget *area_ = nullptr;
    GRef<GdkPixbuf> canvas_;
};
