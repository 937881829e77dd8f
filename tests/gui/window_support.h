// Helpers for the window tests: the main window as the program starts it,
// pumping events, answering choosers and dialogs, reading back what a
// window shows.
#pragma once

#include <cstring>
#include <functional>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/common.h"
#include "app/fileopen.h"
#include "app/mainview.h"
#include "app/options.h"
#include "app/support.h"
#include "c64/palette.h"
#include "files/zembrix_format.h"
#include "gref.h"
#include "support/bytes.h"
#include "support/project.h"
#include "support/reset.h"

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

// The visible top-level window with this title, or null.
inline GtkWidget *find_toplevel(const char *title)
{
    std::vector<GtkWidget *> found = toplevels_titled(title);
    return found.empty() ? nullptr : found.back();
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

// Answers the next file chooser titled `title` from inside its own loop, as
// a user would: picks `path` (empty: cancels) and presses its OK button.
// Records what the dialog offered.
struct ChooserAnswer
{
    std::string title;
    std::string path; // empty: cancel
    // Selects this filter (by position) before answering, when >= 0.
    int use_filter = -1;
    // File names tried against each filter: passes[filter][probe].
    std::vector<std::string> probes;
    std::vector<std::vector<bool>> passes;
    // Seen in the dialog:
    bool answered = false;
    std::vector<std::string> filter_names;
    int selected_filter = -1;
    std::string folder;
    std::string name_field;
    bool has_preview = false;
    bool overwrite_confirmation = false;
    // The preview of the chosen file: whether it was shown, and its size.
    bool preview_active = false;
    int preview_width = 0;
    int preview_height = 0;
    int preview_request[2] = {-1, -1};
    GtkWidget *dialog = nullptr;
    int polls = 0;
    int phase = 0;
    int settle_until = 0;
};

// The first visible text entry below a widget: a save chooser's name field.
inline GtkWidget *first_entry(GtkWidget *widget)
{
    if (GTK_IS_ENTRY(widget) && GTK_WIDGET_VISIBLE(widget)) {
        return widget;
    }
    if (!GTK_IS_CONTAINER(widget)) {
        return nullptr;
    }
    GtkWidget *found = nullptr;
    GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList *l = children; l != nullptr && found == nullptr; l = l->next) {
        found = first_entry(GTK_WIDGET(l->data));
    }
    g_list_free(children);
    return found;
}

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
    if (a->phase == 0) {
        std::vector<GtkWidget *> found = toplevels_titled(a->title.c_str());
        if (found.empty() || !GTK_WIDGET_MAPPED(found[0])) {
            return TRUE;
        }
        a->dialog = found[0];
        GtkFileChooser *chooser = GTK_FILE_CHOOSER(a->dialog);
        GSList *filters = gtk_file_chooser_list_filters(chooser);
        GtkFileFilter *current = gtk_file_chooser_get_filter(chooser);
        int i = 0;
        for (GSList *l = filters; l != nullptr; l = l->next, i++) {
            auto *filter = GTK_FILE_FILTER(l->data);
            a->filter_names.push_back(gtk_file_filter_get_name(filter));
            std::vector<bool> passed;
            for (const std::string &probe : a->probes) {
                GtkFileFilterInfo info = {};
                info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
                info.display_name = probe.c_str();
                passed.push_back(gtk_file_filter_filter(filter, &info));
            }
            a->passes.push_back(passed);
            if (filter == current) {
                a->selected_filter = i;
            }
            if (i == a->use_filter) {
                gtk_file_chooser_set_filter(chooser, filter);
            }
        }
        g_slist_free(filters);
        a->has_preview = gtk_file_chooser_get_preview_widget(chooser) != nullptr;
        a->overwrite_confirmation = gtk_file_chooser_get_do_overwrite_confirmation(chooser);
        a->phase = 1;
        return TRUE;
    }
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(a->dialog);
    if (a->phase == 1) {
        // The start folder settles once the dialog has read it.
        if (a->polls < 20) {
            return TRUE;
        }
        gchar *folder = gtk_file_chooser_get_current_folder(chooser);
        a->folder = folder != nullptr ? folder : "";
        g_free(folder);
        if (gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE) {
            if (GtkWidget *entry = first_entry(a->dialog)) {
                a->name_field = gtk_entry_get_text(GTK_ENTRY(entry));
            }
        }
        if (a->path.empty()) {
            a->answered = true;
            gtk_dialog_response(GTK_DIALOG(a->dialog), GTK_RESPONSE_CANCEL);
            return FALSE;
        }
        if (gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE) {
            gchar *dir = g_path_get_dirname(a->path.c_str());
            gchar *base = g_path_get_basename(a->path.c_str());
            gtk_file_chooser_set_current_folder(chooser, dir);
            gtk_file_chooser_set_current_name(chooser, base);
            g_free(dir);
            g_free(base);
        } else {
            gtk_file_chooser_set_filename(chooser, a->path.c_str());
        }
        a->phase = 2;
        return TRUE;
    }
    // Waits until the dialog reports the file, then presses OK.
    gchar *chosen = gtk_file_chooser_get_filename(chooser);
    const bool ready = chosen != nullptr && a->path == chosen;
    g_free(chosen);
    if (!ready) {
        return TRUE;
    }
    // The chooser updates its preview after the selection: give it a moment.
    if (a->phase == 2) {
        a->phase = 3;
        a->settle_until = a->polls + 30;
    }
    if (a->polls < a->settle_until) {
        return TRUE;
    }
    if (GtkWidget *preview = gtk_file_chooser_get_preview_widget(chooser)) {
        a->preview_active = gtk_file_chooser_get_preview_widget_active(chooser);
        gtk_widget_get_size_request(preview, &a->preview_request[0], &a->preview_request[1]);
        if (GdkPixbuf *image = gtk_image_get_pixbuf(GTK_IMAGE(preview))) {
            a->preview_width = gdk_pixbuf_get_width(image);
            a->preview_height = gdk_pixbuf_get_height(image);
        }
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

// Answers the next references dialog with its OK button; keeps its text.
struct ReferencesAnswer
{
    bool answered = false;
    std::string text;
    int polls = 0;
};

inline gboolean answer_references_cb(gpointer data)
{
    auto *a = static_cast<ReferencesAnswer *>(data);
    std::vector<GtkWidget *> found = toplevels_titled("References");
    if (found.empty() || !GTK_WIDGET_MAPPED(found[0])) {
        return ++a->polls < 500 ? TRUE : FALSE;
    }
    GtkTextBuffer *buffer =
        gtk_text_view_get_buffer(GTK_TEXT_VIEW(lookup_widget(found[0], "textview_references")));
    GtkTextIter start;
    GtkTextIter end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    gchar *text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
    a->text = text;
    g_free(text);
    a->answered = true;
    gtk_button_clicked(GTK_BUTTON(lookup_widget(found[0], "button_references_ok")));
    return FALSE;
}

inline void answer_next_references(ReferencesAnswer *answer)
{
    g_timeout_add(10, answer_references_cb, answer);
}

// The status bar's message.
inline std::string status_text(GtkWidget *window)
{
    GtkWidget *bar = lookup_widget(window, "statusbar_main");
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

// An int column of every row of a view's model.
inline std::vector<int> column_of(GtkWidget *window, const char *view, int column)
{
    std::vector<int> values;
    GtkTreeModel *model = gtk_tree_view_get_model(GTK_TREE_VIEW(lookup_widget(window, view)));
    GtkTreeIter iter;
    for (gboolean more = model != nullptr && gtk_tree_model_get_iter_first(model, &iter); more;
         more = gtk_tree_model_iter_next(model, &iter)) {
        int value = 0;
        gtk_tree_model_get(model, &iter, column, &value, -1);
        values.push_back(value);
    }
    return values;
}

// The first pixel at which the drawing area, as shown, differs from the
// canvas (each canvas pixel a scale x scale square), or "" when none does.
// Compares the rows from `top` down.
inline std::string compare_shown(GtkWidget *area, GdkPixbuf *canvas, int scale, int top = 0)
{
    GRef<GdkPixbuf> shown = grab_widget(area);
    if (!shown || gdk_pixbuf_get_width(shown.get()) < 320 * scale ||
        gdk_pixbuf_get_height(shown.get()) < 200 * scale) {
        return "area smaller than the canvas";
    }
    for (int y = top; y < 200; y++) {
        for (int x = 0; x < 320; x++) {
            const uint32_t want = rgb_at(canvas, x, y);
            for (int dy = 0; dy < scale; dy++) {
                for (int dx = 0; dx < scale; dx++) {
                    const uint32_t got = rgb_at(shown.get(), x * scale + dx, y * scale + dy);
                    if (got != want) {
                        char text[96];
                        g_snprintf(text, sizeof text, "(%d,%d): shown %06X, expected %06X",
                                   x * scale + dx, y * scale + dy, got, want);
                        return text;
                    }
                }
            }
        }
    }
    return "";
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

// The editor as started by the program: every module, the main window
// shown, options in a fresh configuration folder.
class WindowAtWork : public testing::Test
{
  protected:
    void SetUp() override
    {
        options_file = std::string(g_get_user_config_dir()) + "/zbx-decoder/user-qv.ini";
        g_remove(options_file.c_str());
        common_set_background_candidates({zbx_source_path("resources/background.png")});
        fileopen_set_examples_folder(zbx_source_path("resources/examples").c_str());
        app_startup();
        // The window is not destroyed by the tests' quit paths.
        g_signal_handlers_disconnect_by_func(window_main, reinterpret_cast<gpointer>(gtk_main_quit),
                                             nullptr);
        g_signal_connect(window_main, "destroy", G_CALLBACK(+[](GtkWidget *, gpointer data) {
                             *static_cast<bool *>(data) = true;
                         }),
                         &destroyed);
        // At zoom level 2 the window is tall: keep it all on the screen,
        // where its pixels can be read back.
        gtk_window_move(GTK_WINDOW(window_main), 0, 0);
        show_and_wait(window_main);
    }
    void TearDown() override
    {
        for (const char *title : {"Error", "References", "Zembrix - About",
                                  "Zembrix - Resources in use", "Confirmation request"}) {
            close_dialogs_titled(title);
        }
        if (!destroyed) {
            gtk_widget_destroy(window_main);
        }
        window_main = nullptr;
        pump_events();
        app_shutdown();
        app_files_module_init();
        fileopen_cleanup();
        fileopen_set_examples_folder(nullptr);
        options_cleanup();
        mainview_cleanup();
        zbx_reset_all_modules();
        common_set_background_candidates({});
        common_canvas_cleanup();
        g_remove(options_file.c_str());
    }

    GtkWidget *widget(const char *name) { return lookup_widget(window_main, name); }
    void activate(const char *item) { gtk_menu_item_activate(GTK_MENU_ITEM(widget(item))); }
    void click(const char *button) { gtk_button_clicked(GTK_BUTTON(widget(button))); }
    void show_page(int page)
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(widget("notebook_secondary_controls")), page);
        pump_events();
    }

    // File -> Open through the real chooser.
    bool open_through_menu(const std::string &path)
    {
        ChooserAnswer answer;
        answer.title = "Select a zembrix file";
        answer.path = path;
        answer_next_chooser(&answer);
        activate("open");
        pump_events();
        return answer.answered;
    }

    // Waits for the window to take the new size requests.
    void wait_for_width(GtkWidget *area, int width)
    {
        pump_until([&] { return area->allocation.width == width; }, 3000);
        gdk_window_process_all_updates();
        pump_events();
    }

    std::string options_file;
    bool destroyed = false;
    TempFolder folder;
};
