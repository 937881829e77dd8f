// The panel editor's window with several placements: the list selecting
// many in step with the canvas, the left button (clicks with Control and
// Shift, the rubber band, dragging), the keys that select, copy, cut, paste
// and duplicate, the desktop clipboard in two forms, and drops from the
// browser.
#include <cstdlib>
#include <gdk/gdkkeysyms.h>

#include "editor/paneleditor_window.h"
#include "files/placements_clip.h"
#include "render/canvas.h"
#include "ui/builder.h"
#include "ui/common.h"
#include "ui/i18n.h"

namespace {

enum ClipInfo : guint
{
    kClipOwn,
    kClipText
};

} // namespace

void PanelEditorWindow::set_up_selection()
{
    using W = PanelEditorWindow;
    GtkTreeSelection *selection = gtk_tree_view_get_selection(list_);
    gtk_tree_selection_set_mode(selection, GTK_SELECTION_MULTIPLE);
    ui_connect<&W::on_list_selection_changed>(selection, "changed", this);
    ui_connect<&W::on_list_button_press>(list_, "button_press_event", this);
    ui_connect<&W::on_selection_key_press>(window_, "key_press_event", this);

    GtkTargetEntry items[] = {
        {const_cast<gchar *>(kBrowserObjectTarget), GTK_TARGET_SAME_APP, 1},
        {const_cast<gchar *>(kBrowserPanelTarget), GTK_TARGET_SAME_APP, 0},
    };
    gtk_drag_dest_set(area_, GTK_DEST_DEFAULT_ALL, items, G_N_ELEMENTS(items), GDK_ACTION_COPY);
    ui_connect<&W::on_drag_data_received>(area_, "drag_data_received", this);
}

// --- The canvas ---

void PanelEditorWindow::press_left(int x, int y, guint state)
{
    model_.press(x, y, (state & GDK_CONTROL_MASK) != 0, (state & GDK_SHIFT_MASK) != 0);
}

void PanelEditorWindow::release_left()
{
    model_.release();
    sync_cursor();
    gtk_widget_queue_draw(area_);
}

void PanelEditorWindow::motion_left(int x, int y)
{
    // A drag's moves are drawn when the document reports them; the band
    // follows the pointer.
    const bool changed = model_.pointer_to(x, y);
    if (model_.band()) {
        if (changed) {
            sync_cursor();
        }
        gtk_widget_queue_draw(area_);
    }
}

void PanelEditorWindow::draw_selection(GtkWidget *area)
{
    const std::span<const PanelDef> list = context_.document.panel_defs(model_.panel());
    for (int row : model_.selected_rows()) {
        ZbxRect box{};
        if (model_.def_box(list[row], &box)) {
            common_stroke_item_frame(area, blink_count_ % 2, zoom_, box);
        }
    }
    const std::optional<ZbxRect> band = model_.band();
    if (!band) {
        return;
    }
    // Dashes of black over white, in whole screen pixels of the zoomed
    // picture.
    cairo_t *cr = gdk_cairo_create(area->window);
    const double scale = 1 << zoom_;
    const double x = band->x * scale + 0.5;
    const double y = (band->y + kComposeAreaTop) * scale + 0.5;
    const double w = band->width * scale - 1;
    const double h = band->height * scale - 1;
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, x, y, w, h);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_stroke_preserve(cr);
    const double dash = 4;
    cairo_set_dash(cr, &dash, 1, 0);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_stroke(cr);
    cairo_destroy(cr);
}

// --- The list ---

void PanelEditorWindow::on_list_selection_changed(GtkTreeSelection *selection)
{
    if (syncing_) {
        return;
    }
    std::vector<int> rows;
    GList *paths = gtk_tree_selection_get_selected_rows(selection, nullptr);
    for (GList *p = paths; p != nullptr; p = p->next) {
        rows.push_back(gtk_tree_path_get_indices(static_cast<GtkTreePath *>(p->data))[0]);
        gtk_tree_path_free(static_cast<GtkTreePath *>(p->data));
    }
    g_list_free(paths);
    GtkTreePath *cursor = nullptr;
    gtk_tree_view_get_cursor(list_, &cursor, nullptr);
    const int anchor = cursor != nullptr ? gtk_tree_path_get_indices(cursor)[0] : -1;
    if (cursor != nullptr) {
        gtk_tree_path_free(cursor);
    }
    model_.set_selection(std::move(rows), anchor);
    model_.reset_click_depth();
    show_selection();
    gtk_widget_queue_draw(area_);
}

gboolean PanelEditorWindow::on_list_button_press(GtkWidget *, GdkEventButton *event)
{
    const guint mods = event->state & gtk_accelerator_get_default_mod_mask();
    GtkTreePath *path = nullptr;
    GtkTreeViewColumn *column = nullptr;
    if (event->type != GDK_BUTTON_PRESS || event->button != 1 || mods != 0 ||
        event->window != gtk_tree_view_get_bin_window(list_) || model_.selected_rows().size() < 2 ||
        !gtk_tree_view_get_path_at_pos(list_, static_cast<int>(event->x),
                                       static_cast<int>(event->y), &path, &column, nullptr,
                                       nullptr)) {
        return FALSE;
    }
    const int row = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    // A flag's column holds its toggle, which names the flag.
    int flag = -1;
    GList *cells = gtk_tree_view_column_get_cell_renderers(column);
    for (GList *c = cells; c != nullptr; c = c->next) {
        if (GTK_IS_CELL_RENDERER_TOGGLE(c->data)) {
            flag = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(c->data), "flag"));
        }
    }
    g_list_free(cells);
    if (flag < 0 || !model_.is_selected(row)) {
        return FALSE;
    }
    GErrorPtr error;
    if (!model_.toggle(row, static_cast<EditorFlag>(flag), error.out()) && error) {
        refuse(error.message());
    }
    return TRUE;
}

// --- Keys ---

gboolean PanelEditorWindow::on_selection_key_press(GtkWidget *, GdkEventKey *event)
{
    const guint mods = event->state & gtk_accelerator_get_default_mod_mask();
    const guint key = gdk_keyval_to_lower(event->keyval);
    GtkWidget *focus = gtk_window_get_focus(GTK_WINDOW(window_));
    if (model_.dragging() || model_.pressed() || (focus != nullptr && GTK_IS_EDITABLE(focus)) ||
        (mods & GDK_CONTROL_MASK) == 0) {
        // Text fields keep their own Control keys.
        return FALSE;
    }
    const bool shift = (mods & GDK_SHIFT_MASK) != 0;
    if (mods != GDK_CONTROL_MASK && !(shift && key == GDK_v)) {
        return FALSE;
    }
    switch (key) {
    case GDK_a:
        model_.select_all();
        after_operation();
        return TRUE;
    case GDK_c:
        copy_selection();
        return TRUE;
    case GDK_x:
        cut_selection();
        return TRUE;
    case GDK_v:
        paste(!shift);
        return TRUE;
    case GDK_d:
        duplicate();
        return TRUE;
    default:
        return FALSE;
    }
}

// --- The clipboard ---

void PanelEditorWindow::copy_selection()
{
    const std::vector<PanelDef> defs = model_.selected_defs();
    if (defs.empty()) {
        return;
    }
    GtkTargetList *targets = gtk_target_list_new(nullptr, 0);
    gtk_target_list_add(targets, gdk_atom_intern_static_string(kPlacementsClipTarget), 0, kClipOwn);
    gtk_target_list_add_text_targets(targets, kClipText);
    int count = 0;
    GtkTargetEntry *table = gtk_target_table_new_from_list(targets, &count);
    gtk_target_list_unref(targets);
    GtkClipboard *clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    // Asked for later, by this process or another: both forms are kept as
    // they are now.
    const auto get = [](GtkClipboard *, GtkSelectionData *data, guint info, gpointer self) {
        const auto *w = static_cast<PanelEditorWindow *>(self);
        if (info == kClipOwn) {
            gtk_selection_data_set(data, data->target, 8,
                                   reinterpret_cast<const guchar *>(w->clip_own_.data()),
                                   static_cast<gint>(w->clip_own_.size()));
        } else {
            gtk_selection_data_set_text(data, w->clip_text_.c_str(), -1);
        }
    };
    const auto clear = [](GtkClipboard *, gpointer self) {
        static_cast<PanelEditorWindow *>(self)->owns_clipboard_ = false;
    };
    if (gtk_clipboard_set_with_data(clipboard, table, count, get, clear, this)) {
        clip_own_ = placements_clip_encode(defs);
        clip_text_ = placements_clip_text(defs);
        owns_clipboard_ = true;
        gtk_clipboard_set_can_store(clipboard, nullptr, 0);
    }
    gtk_target_table_free(table, count);
}

void PanelEditorWindow::cut_selection()
{
    copy_selection();
    model_.cut();
    after_operation();
}

void PanelEditorWindow::paste(bool at_pointer)
{
    GtkClipboard *clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    std::vector<PanelDef> defs;
    GErrorPtr error;
    bool read = false;
    if (GtkSelectionData *data = gtk_clipboard_wait_for_contents(
            clipboard, gdk_atom_intern_static_string(kPlacementsClipTarget))) {
        const std::string_view own(reinterpret_cast<const char *>(data->data),
                                   data->length > 0 ? data->length : 0);
        read = placements_clip_parse(own, true, &defs, error.out());
        gtk_selection_data_free(data);
    } else if (GCharPtr text{gtk_clipboard_wait_for_text(clipboard)}) {
        read = placements_clip_parse(text.get(), false, &defs, error.out());
    } else {
        return;
    }
    if (!read) {
        GCharPtr text(
            g_strdup_printf("The clipboard holds no placements to paste.\n%s", error.message()));
        refuse(text.get());
        return;
    }
    EditorPoint at;
    const bool there = at_pointer && pointer_location(&at);
    if (!model_.paste(defs, there ? std::optional<EditorPoint>(at) : std::nullopt, error.out())) {
        if (error) {
            refuse(error.message());
        }
        return;
    }
    after_operation();
}

void PanelEditorWindow::duplicate()
{
    GErrorPtr error;
    if (!model_.duplicate(error.out()) && error) {
        refuse(error.message());
        return;
    }
    after_operation();
}

bool PanelEditorWindow::pointer_location(EditorPoint *at) const
{
    int x = -1;
    int y = -1;
    gdk_window_get_pointer(area_->window, &x, &y, nullptr);
    if (x < 0 || y < 0 || x >= area_->allocation.width || y >= area_->allocation.height) {
        return false;
    }
    at->x = x >> zoom_;
    at->y = (y >> zoom_) - kComposeAreaTop;
    return at->x < kEditorAreaWidth && at->y >= 0 && at->y < kEditorAreaHeight;
}

void PanelEditorWindow::refuse(const char *text)
{
    common_message_dialog(GTK_WINDOW(window_), text, GTK_MESSAGE_ERROR);
}

void PanelEditorWindow::word_delete_question(GtkWidget *dialog) const
{
    const int count = static_cast<int>(model_.selected_rows().size());
    if (count < 2) {
        return;
    }
    GCharPtr text(g_strdup_printf(_("Are you sure you want to delete the %d selected items?\nBe "
                                    "aware that the change might not be visible if items are "
                                    "behind other ones."),
                                  count));
    gtk_label_set_text(GTK_LABEL(lookup_widget(dialog, "label_delete_def_request")), text.get());
}

// --- Drops from the browser ---

void PanelEditorWindow::on_drag_data_received(GtkWidget *, GdkDragContext *, gint x, gint y,
                                              GtkSelectionData *data, guint info, guint)
{
    if (data == nullptr || data->length <= 0 || data->length > 8) {
        return;
    }
    const std::string text(reinterpret_cast<const char *>(data->data), data->length);
    char *end = nullptr;
    const long item = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || item < 0 || item >= kMaxItems) {
        return;
    }
    GErrorPtr error;
    if (!model_.drop(info == 1, static_cast<int>(item), x >> zoom_, (y >> zoom_) - kComposeAreaTop,
                     error.out())) {
        if (error) {
            refuse(error.message());
        }
        return;
    }
    after_operation();
}
