// Helpers for the window tests: pumping events, answering dialogs, reading
// back what a window shows.
#pragma once

#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <string>

#include "app/support.h"
#include "gref.h"
#include "support/bytes.h"

// Runs the main loop until nothing is pending.
inline void pump_events()
{
    while (gtk_events_pending()) {
        gtk_main_iteration();
    }
}

// Shows a window and waits until it is mapped and painted.
inline void show_and_wait(GtkWidget *window)
{
    gtk_widget_show(window);
    for (int i = 0; i < 200 && !GTK_WIDGET_MAPPED(window); i++) {
        pump_events();
        g_usleep(5000);
    }
    gdk_window_process_all_updates();
    gdk_display_sync(gdk_display_get_default());
    pump_events();
}

// The visible top-level window with this title, or null.
inline GtkWidget *find_toplevel(const char *title)
{
    GtkWidget *found = nullptr;
    GList *all = gtk_window_list_toplevels();
    for (GList *l = all; l != nullptr; l = l->next) {
        GtkWindow *w = GTK_WINDOW(l->data);
        const char *t = gtk_window_get_title(w);
        if (t != nullptr && g_strcmp0(t, title) == 0 && GTK_WIDGET_VISIBLE(w)) {
            found = GTK_WIDGET(w);
        }
    }
    g_list_free(all);
    return found;
}

// Sends the window manager's close request to a realised window.
inline void send_delete_event(GtkWidget *window)
{
    GdkEvent *event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(window->window));
    event->any.send_event = TRUE;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

// Answers the next yes/no confirmation dialog as a user would, from the
// dialog's own loop: by its Yes or No button, or by closing its window.
struct ConfirmationAnswer
{
    enum Kind
    {
        kYes,
        kNo,
        kClose
    } kind = kYes;
    bool answered = false;
    std::string question; // the label's text as the user saw it
    int polls = 0;
};

inline gboolean answer_confirmation_cb(gpointer data)
{
    auto *answer = static_cast<ConfirmationAnswer *>(data);
    GtkWidget *dialog = find_toplevel("Confirmation request");
    if (dialog == nullptr || !GTK_WIDGET_MAPPED(dialog)) {
        return ++answer->polls < 500 ? TRUE : FALSE;
    }
    answer->question =
        gtk_label_get_text(GTK_LABEL(lookup_widget(dialog, "label_yes_no_confirmation")));
    answer->answered = true;
    switch (answer->kind) {
    case ConfirmationAnswer::kYes:
        gtk_button_clicked(GTK_BUTTON(lookup_widget(dialog, "button_yes_no_confirmation_yes")));
        break;
    case ConfirmationAnswer::kNo:
        gtk_button_clicked(GTK_BUTTON(lookup_widget(dialog, "button_yes_no_confirmation_no")));
        break;
    case ConfirmationAnswer::kClose:
        send_delete_event(dialog);
        break;
    }
    return FALSE;
}

inline void answer_next_confirmation(ConfirmationAnswer *answer)
{
    g_timeout_add(10, answer_confirmation_cb, answer);
}

// What a realised widget shows on screen, as an RGB image owned by the caller.
inline GRef<GdkPixbuf> grab_widget(GtkWidget *widget)
{
    gdk_window_process_all_updates();
    gdk_display_sync(gdk_display_get_default());
    // A widget with a window of its own starts at that window's origin.
    const bool own = !GTK_WIDGET_NO_WINDOW(widget);
    return GRef<GdkPixbuf>(gdk_pixbuf_get_from_drawable(
        nullptr, widget->window, nullptr, own ? 0 : widget->allocation.x,
        own ? 0 : widget->allocation.y, 0, 0, widget->allocation.width, widget->allocation.height));
}

inline uint32_t rgb_at(GdkPixbuf *image, int x, int y)
{
    const guchar *p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                      x * gdk_pixbuf_get_n_channels(image);
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

// A fresh folder below the temporary folder, removed with its contents.
class TempFolder : public ZbxTempDir
{
  public:
    using ZbxTempDir::path;
    const std::string &path() const { return dir(); }
    std::string operator/(const std::string &name) const { return path(name); }
};

inline std::string read_file(const std::string &path)
{
    gchar *text = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &text, &length, nullptr)) {
        return {};
    }
    std::string s(text, length);
    g_free(text);
    return s;
}
