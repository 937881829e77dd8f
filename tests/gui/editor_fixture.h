// The panel editor's window built on its own from real services (the
// context fixture), shown, and the few helpers its tests drive it with:
// events delivered as the toolkit would, pixels read back from the screen,
// the error dialogs shown.
#pragma once

#include <functional>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <memory>
#include <string>
#include <vector>

#include "context_fixture.h"
#include "editor/paneleditor_window.h"
#include "render/canvas.h"
#include "render/render.h"
#include "support/items_fixture.h"
#include "ui/builder.h"

namespace editor_test {

// Runs the main loop until nothing is pending.
inline void pump_events()
{
    while (gtk_events_pending()) {
        gtk_main_iteration();
    }
}

// Runs the main loop for a while, or until done() holds.
inline bool pump_until(const std::function<bool()> &done, int ms = 5000)
{
    const gint64 end = g_get_monotonic_time() + ms * 1000;
    while (!done()) {
        if (g_get_monotonic_time() > end) {
            return false;
        }
        pump_events();
        g_usleep(2000);
    }
    return true;
}

// Shows a window and waits until it is mapped and painted.
inline void show_and_wait(GtkWidget *window)
{
    gtk_widget_show(window);
    pump_until([window] { return GTK_WIDGET_MAPPED(window); }, 1000);
    gdk_window_process_all_updates();
    gdk_display_sync(gdk_display_get_default());
    pump_events();
}

// Delivers an event to a realised widget's window, as the toolkit would,
// and frees it.
inline void send_event(GdkEvent *event, GtkWidget *widget)
{
    event->any.window = GDK_WINDOW(g_object_ref(widget->window));
    event->any.send_event = TRUE;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

// The window manager's close request.
inline void send_delete_event(GtkWidget *window)
{
    send_event(gdk_event_new(GDK_DELETE), window);
    pump_events();
}

inline void send_button(GtkWidget *widget, double x, double y, guint button = 1)
{
    GdkEvent *event = gdk_event_new(GDK_BUTTON_PRESS);
    event->button.x = x;
    event->button.y = y;
    event->button.button = button;
    event->button.device = gdk_device_get_core_pointer();
    send_event(event, widget);
    pump_events();
}

// A key pressed while the window has the input focus.
inline void send_key(GtkWidget *window, guint keyval, guint modifiers = 0)
{
    GdkEvent *event = gdk_event_new(GDK_KEY_PRESS);
    event->key.keyval = keyval;
    event->key.state = modifiers;
    send_event(event, window);
}

inline uint32_t rgb_at(GdkPixbuf *image, int x, int y)
{
    const guchar *p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                      x * gdk_pixbuf_get_n_channels(image);
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

// Differing pixels of two images of the same size, or -1.
inline int differing_pixels(GdkPixbuf *image, GdkPixbuf *expected)
{
    if (image == nullptr || expected == nullptr ||
        gdk_pixbuf_get_width(image) != gdk_pixbuf_get_width(expected) ||
        gdk_pixbuf_get_height(image) != gdk_pixbuf_get_height(expected)) {
        return -1;
    }
    int differ = 0;
    for (int y = 0; y < gdk_pixbuf_get_height(image); y++) {
        for (int x = 0; x < gdk_pixbuf_get_width(image); x++) {
            differ += rgb_at(image, x, y) != rgb_at(expected, x, y);
        }
    }
    return differ;
}

// Differing pixels of what a drawing area shows in its top-left corner and
// an image, or -1 when the area is smaller.
inline int shown_differs(GtkWidget *area, GdkPixbuf *image)
{
    gdk_window_process_all_updates();
    gdk_display_sync(gdk_display_get_default());
    const int width = gdk_pixbuf_get_width(image);
    const int height = gdk_pixbuf_get_height(image);
    if (area->allocation.width < width || area->allocation.height < height) {
        return -1;
    }
    GRef<GdkPixbuf> shown(
        gdk_pixbuf_get_from_drawable(nullptr, area->window, nullptr, 0, 0, 0, 0, width, height));
    return differing_pixels(shown.get(), image);
}

// Every visible top-level window with this title.
inline std::vector<GtkWidget *> toplevels_titled(const char *title)
{
    std::vector<GtkWidget *> found;
    GList *all = gtk_window_list_toplevels();
    for (GList *l = all; l != nullptr; l = l->next) {
        const char *t = gtk_window_get_title(GTK_WINDOW(l->data));
        if (t != nullptr && g_strcmp0(t, title) == 0 && GTK_WIDGET_VISIBLE(l->data)) {
            found.push_back(GTK_WIDGET(l->data));
        }
    }
    g_list_free(all);
    return found;
}

// The texts of the visible error dialogs.
inline std::vector<std::string> error_texts()
{
    std::vector<std::string> texts;
    for (GtkWidget *dialog : toplevels_titled("Error")) {
        gchar *text = nullptr;
        g_object_get(dialog, "text", &text, nullptr);
        texts.push_back(text != nullptr ? text : "");
        g_free(text);
    }
    return texts;
}

inline void close_dialogs_titled(const char *title)
{
    for (GtkWidget *dialog : toplevels_titled(title)) {
        gtk_widget_destroy(dialog);
    }
    pump_events();
}

// The editor window over a project, open on one panel and shown.
class EditorAtWork : public testing::Test
{
  protected:
    void open_editor(const ZbxProject &project, int panel, int colour)
    {
        ctx.document.load(project);
        editor = std::make_unique<PanelEditorWindow>(ctx.context);
        editor->open(panel, colour);
        show_and_wait(editor->window());
    }
    void TearDown() override
    {
        close_dialogs_titled("Error");
        editor.reset();
        pump_events();
    }

    GtkWidget *ed(const char *name) const { return lookup_widget(editor->window(), name); }
    void click(const char *button)
    {
        gtk_button_clicked(GTK_BUTTON(ed(button)));
        pump_events();
    }
    // Puts the cursor of the placement list on a row, as a click would.
    void select(int row)
    {
        GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
        gtk_tree_view_set_cursor(GTK_TREE_VIEW(ed("treeview_panel_editor_panel_defs")), path,
                                 nullptr, FALSE);
        gtk_tree_path_free(path);
        pump_events();
    }
    std::vector<PanelDef> defs(int panel) const
    {
        const auto d = ctx.document.panel_defs(panel);
        return {d.begin(), d.end()};
    }

    TestContext ctx;
    std::unique_ptr<PanelEditorWindow> editor;
};

} // namespace editor_test
