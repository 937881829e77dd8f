// Helpers for the window tests: pumping events, sending them as the toolkit
// would, answering choosers and dialogs, reading back what a window shows.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "base/gref.h"
#include "c64/palette.h"
#include "files/zembrix_format.h"
#include "support/bytes.h"
#include "support/paths.h"
#include "support/project.h"
#include "ui/builder.h"
#include "ui/common.h"

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

// The visible top-level window with this title, mapped, or null.
inline GtkWidget *find_toplevel(const char *title)
{
    std::vector<GtkWidget *> found = toplevels_titled(title);
    return found.empty() || !GTK_WIDGET_MAPPED(found.back()) ? nullptr : found.back();
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

// Sends the window manager's close request to a realised window.
inline void send_delete_event(GtkWidget *window)
{
    send_event(gdk_event_new(GDK_DELETE), window);
}

// A press of a mouse button (or a double or triple press, or a release) on
// a realised widget with a window of its own, at (x, y) in it, with these
// modifiers held.
inline void send_button(GtkWidget *widget, double x, double y, guint button = 1,
                        GdkEventType type = GDK_BUTTON_PRESS, guint state = 0)
{
    GdkEvent *event = gdk_event_new(type);
    event->button.x = x;
    event->button.y = y;
    event->button.button = button;
    event->button.state = state;
    event->button.device = gdk_device_get_core_pointer();
    send_event(event, widget);
    pump_events();
}

// The pointer moved over such a widget to (x, y), with these buttons and
// modifiers held.
inline void send_motion(GtkWidget *widget, double x, double y, guint state = 0)
{
    GdkEvent *event = gdk_event_new(GDK_MOTION_NOTIFY);
    event->motion.x = x;
    event->motion.y = y;
    event->motion.state = state;
    send_event(event, widget);
    pump_events();
}

// The wheel turned over such a widget, with these modifiers held.
inline void send_scroll(GtkWidget *widget, GdkScrollDirection direction, guint state = 0)
{
    GdkEvent *event = gdk_event_new(GDK_SCROLL);
    event->scroll.direction = direction;
    event->scroll.state = state;
    send_event(event, widget);
    pump_events();
}

// A key pressed while the window has the input focus: the window passes it
// on to its focus widget.
inline void send_key(GtkWidget *window, guint keyval, guint modifiers = 0)
{
    GdkEvent *event = gdk_event_new(GDK_KEY_PRESS);
    event->key.keyval = keyval;
    event->key.state = modifiers;
    send_event(event, window);
}

// Runs answer(dialog) from the dialog's own loop once a window titled
// `title` is shown (polling for about five seconds).
struct DialogAnswer
{
    DialogAnswer() = default;
    DialogAnswer(std::string t, std::function<void(GtkWidget *)> a)
        : title(std::move(t)), answer(std::move(a))
    {
    }
    std::string title;
    std::function<void(GtkWidget *)> answer;
    bool answered = false;
    int polls = 0;
};

inline void answer_next_dialog(DialogAnswer *pending)
{
    g_timeout_add(
        10,
        [](gpointer data) -> gboolean {
            auto *a = static_cast<DialogAnswer *>(data);
            GtkWidget *dialog = find_toplevel(a->title.c_str());
            if (dialog == nullptr) {
                return ++a->polls < 500 ? TRUE : FALSE;
            }
            a->answered = true;
            a->answer(dialog);
            return FALSE;
        },
        pending);
}

// The text of a message dialog.
inline std::string dialog_text(GtkWidget *dialog)
{
    gchar *text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    const GCharPtr held(text);
    return held ? held.get() : "";
}

// Answers the next message dialog titled `title` by `respond` (or by a
// response), keeping the question it asked.
struct QuestionAnswer : DialogAnswer
{
    QuestionAnswer(std::string t, std::function<void(GtkWidget *)> respond)
        : DialogAnswer(std::move(t), {})
    {
        answer = [this, respond = std::move(respond)](GtkWidget *dialog) {
            question = dialog_text(dialog);
            respond(dialog);
        };
        answer_next_dialog(this);
    }
    QuestionAnswer(std::string t, int response)
        : QuestionAnswer(std::move(t), [response](GtkWidget *dialog) {
              gtk_dialog_response(GTK_DIALOG(dialog), response);
          })
    {
    }
    QuestionAnswer(const QuestionAnswer &) = delete;
    QuestionAnswer &operator=(const QuestionAnswer &) = delete;
    std::string question;
};

// Answers the next yes/no confirmation dialog by its Yes button, as a user
// would. Keeps the question as shown.
struct ConfirmationAnswer : DialogAnswer
{
    std::string question;
};

inline void answer_next_confirmation(ConfirmationAnswer *a)
{
    a->title = "Confirmation request";
    a->answer = [a](GtkWidget *dialog) {
        a->question =
            gtk_label_get_text(GTK_LABEL(lookup_widget(dialog, "label_yes_no_confirmation")));
        gtk_button_clicked(GTK_BUTTON(lookup_widget(dialog, "button_yes_no_confirmation_yes")));
    };
    answer_next_dialog(a);
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

// Differing pixels of `image` and `expected` scaled by `scale`, or -1 when
// their sizes do not match.
inline int differing_pixels(GdkPixbuf *image, GdkPixbuf *expected, int scale = 1)
{
    const int width = expected != nullptr ? gdk_pixbuf_get_width(expected) : 0;
    const int height = expected != nullptr ? gdk_pixbuf_get_height(expected) : 0;
    if (image == nullptr || expected == nullptr || gdk_pixbuf_get_width(image) != width * scale ||
        gdk_pixbuf_get_height(image) != height * scale) {
        return -1;
    }
    int differ = 0;
    for (int y = 0; y < height * scale; y++) {
        for (int x = 0; x < width * scale; x++) {
            differ += rgb_at(image, x, y) != rgb_at(expected, x / scale, y / scale);
        }
    }
    return differ;
}

// The part of a drawing area that shows, in its own coordinates: all of
// it, or what the viewport of a scrolled window around it lets through.
inline GdkRectangle visible_part(GtkWidget *area)
{
    GdkRectangle part{0, 0, area->allocation.width, area->allocation.height};
    GtkWidget *parent = gtk_widget_get_parent(area);
    if (parent != nullptr && GTK_IS_VIEWPORT(parent)) {
        part.x = static_cast<int>(gtk_viewport_get_hadjustment(GTK_VIEWPORT(parent))->value);
        part.y = static_cast<int>(gtk_viewport_get_vadjustment(GTK_VIEWPORT(parent))->value);
        part.width = std::min(part.width - part.x, parent->allocation.width);
        part.height = std::min(part.height - part.y, parent->allocation.height);
    }
    return part;
}

// Differing pixels of what a drawing area shows and the canvas scaled by
// `scale` (drawn from the area's top-left corner), over the part of the
// area that shows; -1 when the area is smaller than the canvas.
inline int shown_differs(GtkWidget *area, GdkPixbuf *canvas, int scale = 1)
{
    GRef<GdkPixbuf> shown = grab_widget(area);
    const int width = gdk_pixbuf_get_width(canvas) * scale;
    const int height = gdk_pixbuf_get_height(canvas) * scale;
    if (!shown || gdk_pixbuf_get_width(shown.get()) < width ||
        gdk_pixbuf_get_height(shown.get()) < height) {
        return -1;
    }
    const GdkRectangle part = visible_part(area);
    int differ = 0;
    for (int y = part.y; y < std::min(height, part.y + part.height); y++) {
        for (int x = part.x; x < std::min(width, part.x + part.width); x++) {
            differ += rgb_at(shown.get(), x, y) != rgb_at(canvas, x / scale, y / scale);
        }
    }
    return differ;
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
    const std::vector<uint8_t> bytes = zbx_read_file(path);
    return {bytes.begin(), bytes.end()};
}

// Runs zembrix-cli with the arguments (in `folder` when given); its wait
// status, 0 when it succeeded.
inline int run_cli(std::vector<std::string> args, const std::string &folder = "")
{
    args.insert(args.begin(), std::string(ZBX_BINARY_DIR) + "/zembrix-cli");
    std::vector<char *> argv;
    for (std::string &a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    gint status = -1;
    EXPECT_TRUE(g_spawn_sync(folder.empty() ? nullptr : folder.c_str(), argv.data(), nullptr,
                             G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr, nullptr, nullptr,
                             &status, nullptr));
    return status;
}

// The texts of the visible error dialogs.
inline std::vector<std::string> error_texts()
{
    std::vector<std::string> texts;
    for (GtkWidget *dialog : toplevels_titled("Error")) {
        texts.push_back(dialog_text(dialog));
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

// The texts of the visible error dialogs, which are then closed.
inline std::vector<std::string> take_errors()
{
    std::vector<std::string> texts = error_texts();
    close_dialogs_titled("Error");
    return texts;
}

// Answers the next file chooser titled `title` from inside its own loop, as
// a user would: picks `path` (empty: cancels) and presses its OK button.
// Records the folder the dialog started in.
struct ChooserAnswer
{
    explicit ChooserAnswer(std::string t, std::string p = "")
        : title(std::move(t)), path(std::move(p))
    {
    }
    std::string title;
    std::string path; // empty: cancel
    // Seen in the dialog:
    bool answered = false;
    std::string folder;
    GtkWidget *dialog = nullptr;
    int polls = 0;
};

inline gboolean answer_chooser_cb(gpointer data)
{
    auto *a = static_cast<ChooserAnswer *>(data);
    if (++a->polls > 2500) {
        // Gives up after about 25 s: the test sees answered == false.
        if (a->dialog != nullptr) {
            gtk_dialog_response(GTK_DIALOG(a->dialog), GTK_RESPONSE_CANCEL);
        }
        return FALSE;
    }
    if (a->dialog == nullptr) {
        a->dialog = find_toplevel(a->title.c_str());
        if (a->dialog != nullptr) {
            a->polls = 0;
        }
        return TRUE;
    }
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(a->dialog);
    const bool saving = gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE;
    if (a->polls == 20) {
        // The start folder settles once the dialog has read it.
        GCharPtr folder(gtk_file_chooser_get_current_folder(chooser));
        a->folder = folder ? folder.get() : "";
        if (a->path.empty()) {
            a->answered = true;
            gtk_dialog_response(GTK_DIALOG(a->dialog), GTK_RESPONSE_CANCEL);
            return FALSE;
        }
        if (saving) {
            GCharPtr dir(g_path_get_dirname(a->path.c_str()));
            GCharPtr base(g_path_get_basename(a->path.c_str()));
            gtk_file_chooser_set_current_folder(chooser, dir.get());
            gtk_file_chooser_set_current_name(chooser, base.get());
        } else {
            gtk_file_chooser_set_filename(chooser, a->path.c_str());
        }
        return TRUE;
    }
    // Waits until the dialog reports the file, then presses OK.
    GCharPtr chosen(a->polls > 20 ? gtk_file_chooser_get_filename(chooser) : nullptr);
    if (!chosen || a->path != chosen.get()) {
        return TRUE;
    }
    a->answered = true;
    gtk_dialog_response(GTK_DIALOG(a->dialog), GTK_RESPONSE_OK);
    return FALSE;
}

inline void answer_next_chooser(ChooserAnswer *answer)
{
    g_timeout_add(10, answer_chooser_cb, answer);
}

// The visible popup menu of this name, or null.
inline GtkWidget *shown_popup(const char *name)
{
    GtkWidget *found = nullptr;
    GList *all = gtk_window_list_toplevels();
    for (GList *l = all; l != nullptr; l = l->next) {
        GtkWidget *child = gtk_bin_get_child(GTK_BIN(l->data));
        if (child != nullptr && GTK_IS_MENU(child) && GTK_WIDGET_VISIBLE(child) &&
            g_strcmp0(gtk_widget_get_name(child), name) == 0) {
            found = child;
        }
    }
    g_list_free(all);
    return found;
}

// The message of a window's status bar.
inline std::string status_text(GtkWidget *window, const char *name = "statusbar_main")
{
    GtkWidget *bar = lookup_widget(window, name);
    return gtk_label_get_text(GTK_LABEL(GTK_STATUSBAR(bar)->label));
}

inline int row_count(GtkWidget *window, const char *view)
{
    GtkTreeModel *model = gtk_tree_view_get_model(GTK_TREE_VIEW(lookup_widget(window, view)));
    return model != nullptr ? gtk_tree_model_iter_n_children(model, nullptr) : 0;
}

inline void select_row(GtkWidget *window, const char *view, int row)
{
    GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(lookup_widget(window, view)), path, nullptr, FALSE);
    gtk_tree_path_free(path);
}

// A column of every row of a view, in the order shown: numbers, or texts
// for T = std::string.
template <typename T = int>
inline std::vector<T> column_of(GtkWidget *window, const char *view, int column)
{
    std::vector<T> values;
    GtkTreeModel *model = gtk_tree_view_get_model(GTK_TREE_VIEW(lookup_widget(window, view)));
    GtkTreeIter iter;
    for (gboolean more = model != nullptr && gtk_tree_model_get_iter_first(model, &iter); more;
         more = gtk_tree_model_iter_next(model, &iter)) {
        if constexpr (std::is_same_v<T, std::string>) {
            gchar *text = nullptr;
            gtk_tree_model_get(model, &iter, column, &text, -1);
            values.emplace_back(text != nullptr ? text : "");
            g_free(text);
        } else {
            T value{};
            gtk_tree_model_get(model, &iter, column, &value, -1);
            values.push_back(value);
        }
    }
    return values;
}

inline std::string write_project(const TempFolder &folder, const std::string &name,
                                 const ZbxProject &project)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(zembrix_encode(project, &bytes, nullptr));
    const std::string path = folder / name;
    zbx_write_file(path, bytes);
    return path;
}
