#include "editor/paneleditor_window.h"

#include <algorithm>
#include <cstdlib>
#include <gdk/gdkkeysyms.h>
#include <string>
#include <vector>

#include "editor/paneleditor_layout.h"
#include "files/fileio.h"
#include "render/canvas.h"
#include "render/render.h"
#include "ui/builder.h"
#include "ui/common.h"
#include "ui/i18n.h"

namespace {

const char *const kZoomButtons[] = {"radiobutton_panel_editor_zoom_1",
                                    "radiobutton_panel_editor_zoom_2",
                                    "radiobutton_panel_editor_zoom_4"};

struct Arrow
{
    const char *name;
    int dx;
    int dy;
};
const Arrow kArrows[] = {
    {"button_panel_editor_curs_up", 0, -kEditorCell},
    {"button_panel_editor_curs_down", 0, kEditorCell},
    {"button_panel_editor_curs_left", -kEditorCell, 0},
    {"button_panel_editor_curs_right", kEditorCell, 0},
};

} // namespace

PanelEditorWindow::PanelEditorWindow(UiContext &context)
    : context_(context), model_(context.document), window_(paneleditor_create_window()),
      area_(lookup_widget(window_, "drawingarea_panel_editor_location")),
      list_(GTK_TREE_VIEW(lookup_widget(window_, "treeview_panel_editor_panel_defs"))),
      defs_(zbx_def_list_new(&context.document, -1)),
      browser_(context, model_, GTK_WINDOW(window_), [this] { back_from_browser(); }),
      overrides_(context, model_, GTK_WINDOW(window_), [this] { refresh(); })
{
    set_up_list();
    connect_signals();
    set_up_selection();
    connect_view_signals();
    ui_attach_icon(window_);
    listener_ = context_.document.add_listener([this](const DocEvent &event) { follow(event); }, 1);
}

PanelEditorWindow::~PanelEditorWindow()
{
    stop_blinking();
    if (owns_clipboard_) {
        // A clipboard manager may keep the placements; this window goes.
        GtkClipboard *clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
        gtk_clipboard_store(clipboard);
        gtk_clipboard_clear(clipboard);
    }
    context_.document.remove_listener(listener_);
    gtk_widget_destroy(window_);
}

GtkWidget *PanelEditorWindow::widget(const char *name) const
{
    return lookup_widget(window_, name);
}

void PanelEditorWindow::set_up_list()
{
    struct
    {
        const char *title;
        int column;
        EditorFlag flag;
        bool objects_only;
    } const toggles[] = {
        {_("Enabled"), DEF_COL_ENABLED, EditorFlag::Enabled, false},
        {_("Mirror"), DEF_COL_MIRROR, EditorFlag::Mirror, true},
        {_("Colour override"), DEF_COL_HAS_OVERRIDES, EditorFlag::Overrides, true},
    };
    for (const auto &t : toggles) {
        GtkCellRenderer *cell = gtk_cell_renderer_toggle_new();
        g_object_set(cell, "xalign", 0.5, nullptr);
        g_object_set_data(G_OBJECT(cell), "flag", GINT_TO_POINTER(static_cast<int>(t.flag)));
        ui_connect<&PanelEditorWindow::on_flag_toggled>(cell, "toggled", this);
        GtkTreeViewColumn *column =
            gtk_tree_view_column_new_with_attributes(t.title, cell, "active", t.column, nullptr);
        if (t.objects_only) {
            gtk_tree_view_column_add_attribute(column, cell, "visible", DEF_COL_IS_OBJECT);
        }
        gtk_tree_view_column_set_alignment(column, 0.5f);
        gtk_tree_view_append_column(list_, column);
    }
    placement_columns_ = std::make_unique<PlacementColumns>(
        list_, context_.document, [this](const char *text) { push_status("refused", text); });
    // Not the main window's "Item": a screen reader tells the two apart.
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(list_)), _("Placements"));
    gtk_tree_view_set_model(list_, GTK_TREE_MODEL(defs_.get()));
}

void PanelEditorWindow::connect_signals()
{
    using W = PanelEditorWindow;
    ui_connect<&W::on_delete>(window_, "delete_event", this);
    ui_connect<&W::on_show>(window_, "show", this);
    ui_connect<&W::on_window_key_press>(window_, "key_press_event", this);
    ui_connect<&W::on_area_expose>(area_, "expose_event", this);
    ui_connect<&W::on_area_configure>(area_, "configure_event", this);
    ui_connect<&W::on_area_button_press>(area_, "button_press_event", this);
    ui_connect<&W::on_area_button_release>(area_, "button_release_event", this);
    ui_connect<&W::on_area_motion>(area_, "motion_notify_event", this);
    ui_connect<&W::on_area_key_press>(area_, "key_press_event", this);
    for (const Arrow &arrow : kArrows) {
        ui_connect<&W::on_arrow_clicked>(window_, arrow.name, "clicked", this);
    }
    for (const char *name : kZoomButtons) {
        ui_connect<&W::on_zoom_clicked>(window_, name, "clicked", this);
    }
    ui_connect<&W::on_blink_toggled>(window_, "checkbutton_panel_editor_blink_frame", "toggled",
                                     this);
    show_clashes_handler_ = ui_connect<&W::on_show_clashes_toggled>(
        window_, "checkbutton_panel_editor_show_clashes", "toggled", this);
    ui_connect<&W::on_select_reverse_toggled>(window_, "checkbutton_panel_editor_select_reverse",
                                              "toggled", this);
    ui_connect<&W::on_transparency_toggled>(window_, "checkbutton_panel_editor_transparency",
                                            "toggled", this);
    ui_connect<&W::on_alpha_changed>(window_, "spinbutton_panel_editor_alpha", "changed", this);
    ui_connect<&W::on_add_clicked>(window_, "button_panel_editor_add_new_def", "clicked", this);
    ui_connect<&W::on_to_back_clicked>(window_, "button_panel_editor_move_def_to_back", "clicked",
                                       this);
    ui_connect<&W::on_farther_clicked>(window_, "button_panel_editor_move_def_farther", "clicked",
                                       this);
    ui_connect<&W::on_closer_clicked>(window_, "button_panel_editor_move_def_closer", "clicked",
                                      this);
    ui_connect<&W::on_to_front_clicked>(window_, "button_panel_editor_bring_def_to_front",
                                        "clicked", this);
    ui_connect<&W::on_clone_clicked>(window_, "button_panel_editor_clone_def", "clicked", this);
    ui_connect<&W::on_overrides_clicked>(window_, "button_panel_editor_color_override", "clicked",
                                         this);
    ui_connect<&W::on_delete_clicked>(window_, "button_panel_editor_delete_def", "clicked", this);
}

// --- Keeping the window in step with the model ---

void PanelEditorWindow::follow(const DocEvent &event)
{
    if (event.what == DocChange::HistoryChanged || event.what == DocChange::PreviewChanged ||
        !GTK_WIDGET_VISIBLE(window_)) {
        return;
    }
    if (model_.panel() != zbx_def_list_panel(defs_.get())) {
        zbx_def_list_set_panel(defs_.get(), model_.panel());
    }
    sync_cursor();
    refresh();
}

void PanelEditorWindow::sync_cursor()
{
    syncing_ = true;
    GtkTreeSelection *selection = gtk_tree_view_get_selection(list_);
    const std::vector<int> &rows = model_.selected_rows();
    if (!rows.empty()) {
        // The cursor on the anchor (where the list's Shift+click starts),
        // then the others.
        const int anchor = model_.is_selected(model_.anchor()) ? model_.anchor() : rows.front();
        GtkTreePath *path = gtk_tree_path_new_from_indices(anchor, -1);
        gtk_tree_view_set_cursor(list_, path, nullptr, FALSE);
        gtk_tree_path_free(path);
        for (int row : rows) {
            path = gtk_tree_path_new_from_indices(row, -1);
            gtk_tree_selection_select_path(selection, path);
            gtk_tree_path_free(path);
        }
    } else {
        gtk_tree_selection_unselect_all(selection);
    }
    syncing_ = false;
    show_selection();
}

void PanelEditorWindow::after_operation()
{
    model_.reset_click_depth();
    sync_cursor();
    // The document's report drew the canvas anew when anything changed.
    gtk_widget_queue_draw(area_);
}

void PanelEditorWindow::move(int dx, int dy)
{
    // The document's report re-renders when it moved.
    model_.move(dx, dy);
    model_.reset_click_depth();
}

void PanelEditorWindow::delete_with_question()
{
    const bool deleted = model_.delete_with_confirmation([this] {
        GtkWidget *dialog = paneleditor_create_delete_question(GTK_WINDOW(window_));
        word_delete_question(dialog);
        const int response = gtk_dialog_run(GTK_DIALOG(dialog));
        gtk_widget_destroy(dialog);
        switch (response) {
        case GTK_RESPONSE_YES:
            return DeleteAnswer::Yes;
        case GTK_RESPONSE_APPLY:
            return DeleteAnswer::YesForAll;
        default:
            return DeleteAnswer::No;
        }
    });
    if (deleted) {
        after_operation();
    }
}

void PanelEditorWindow::back_from_browser()
{
    gtk_window_present(GTK_WINDOW(window_));
    gtk_widget_grab_focus(area_);
    refresh();
}

void PanelEditorWindow::push_status(const char *context, const char *text)
{
    GtkStatusbar *bar = GTK_STATUSBAR(widget("statusbar_panel_editor"));
    const guint id = gtk_statusbar_get_context_id(bar, context);
    gtk_statusbar_pop(bar, id);
    gtk_statusbar_push(bar, id, text);
}

// --- What the application and the tests call ---

void PanelEditorWindow::open(int panel, int colour)
{
    model_.open(panel, colour);
    zbx_def_list_set_panel(defs_.get(), model_.panel());
    sync_cursor();
    push_status("panel", paneleditor_status_text(panel, colour).c_str());
    if (GtkWindow *main = context_.shell.main_window()) {
        gtk_window_set_transient_for(GTK_WINDOW(window_), main);
    }
    // Starts from the setting the main window shows.
    set_show_clashes(context_.options.show_clashes());
    set_show_grid(context_.options.show_grid());
    show_selection();
    gtk_widget_show(window_);
    gtk_window_present(GTK_WINDOW(window_));
}

void PanelEditorWindow::set_show_clashes(bool on)
{
    GtkWidget *check = widget("checkbutton_panel_editor_show_clashes");
    g_signal_handler_block(check, show_clashes_handler_);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), on);
    g_signal_handler_unblock(check, show_clashes_handler_);
    if (on != show_clashes_) {
        show_clashes_ = on;
        refresh();
    }
}

void PanelEditorWindow::refresh()
{
    if (!canvas_) {
        return;
    }
    clashes_.reset();
    model_.render_location(canvas_.get(), context_.backdrop(), transparency_, alpha_,
                           show_clashes_ ? &clashes_ : nullptr);
    gtk_widget_queue_draw(area_);
}

GdkPixbuf *PanelEditorWindow::shown_image() const
{
    if (!canvas_) {
        return nullptr;
    }
    return render_shown_image(canvas_.get(), zoom_, show_clashes_ ? &clashes_ : nullptr);
}

void PanelEditorWindow::export_canvas()
{
    const int panel = model_.panel();
    GRef<GdkPixbuf> image(shown_image());
    if (!image || panel < 0) {
        return;
    }
    GCharPtr suggested(g_strdup_printf("panel_%d.png", panel));
    std::string path;
    if (!context_.choosers.save_png_file(suggested.get(), &path)) {
        return;
    }
    std::vector<uint8_t> png;
    GErrorPtr error;
    std::vector<FileioNote> notes;
    if (!pixbufs_encode_png(image.get(), &png, error.out()) ||
        !fileio_write_file(path.c_str(), png, &notes, error.out())) {
        common_message_dialog(GTK_WINDOW(window_), error.message(), GTK_MESSAGE_ERROR);
        return;
    }
    GCharPtr text(g_strdup_printf(" Exported panel %d to %s", panel,
                                  fileio_display_name(path.c_str()).c_str()));
    std::string status = text.get();
    for (const FileioNote &note : notes) {
        status += ". " + note.message;
    }
    push_status("export", status.c_str());
}

// --- The blink timer ---

void PanelEditorWindow::start_blinking()
{
    if (blink_source_ == 0) {
        blink_source_ = g_timeout_add(
            500,
            [](gpointer self) -> gboolean {
                return static_cast<PanelEditorWindow *>(self)->blink();
            },
            this);
    }
}

void PanelEditorWindow::stop_blinking()
{
    if (blink_source_ != 0) {
        g_source_remove(blink_source_);
    }
    blink_source_ = 0;
    blink_count_ = 0;
}

gboolean PanelEditorWindow::blink()
{
    blink_count_++;
    gtk_widget_queue_draw(area_);
    return TRUE;
}

// --- Handlers ---

gboolean PanelEditorWindow::on_delete(GtkWidget *, GdkEvent *)
{
    close();
    return TRUE;
}

void PanelEditorWindow::close()
{
    if (!GTK_WIDGET_VISIBLE(window_)) {
        return;
    }
    model_.reset();
    sync_cursor();
    gtk_widget_hide(window_);
    // The document kept every box right; the main window shows the result.
    context_.shell.panel_edited(model_.panel());
}

void PanelEditorWindow::on_show(GtkWidget *)
{
    refresh();
}

gboolean PanelEditorWindow::on_window_key_press(GtkWidget *, GdkEventKey *event)
{
    const guint mods = event->state & gtk_accelerator_get_default_mod_mask();
    const guint key = gdk_keyval_to_lower(event->keyval);
    if (model_.dragging()) {
        return FALSE;
    }
    if (on_view_key_press(event)) {
        return TRUE;
    }
    if (mods == GDK_CONTROL_MASK && key == GDK_z) {
        context_.document.undo();
        return TRUE;
    }
    if (mods == GDK_CONTROL_MASK && key == GDK_e) {
        export_canvas();
        return TRUE;
    }
    if ((mods == (GDK_CONTROL_MASK | GDK_SHIFT_MASK) && key == GDK_z) ||
        (mods == GDK_CONTROL_MASK && key == GDK_y)) {
        context_.document.redo();
        return TRUE;
    }
    return FALSE;
}

gboolean PanelEditorWindow::on_area_expose(GtkWidget *area, GdkEventExpose *event)
{
    GRef<GdkPixbuf> framed;
    if (show_clashes_ && clashes_.any()) {
        // The frames lie on whole pixels of the zoomed picture.
        framed.reset(shown_image());
    }
    if (!common_paint_image(area, framed ? framed.get() : canvas_.get(), &event->area,
                            framed ? 0 : zoom_)) {
        return FALSE;
    }
    if (show_grid_) {
        common_draw_cell_grid(area, &event->area, zoom_, kComposeAreaTop);
    }
    draw_selection(area);
    return TRUE;
}

gboolean PanelEditorWindow::on_area_configure(GtkWidget *, GdkEventConfigure *)
{
    if (!canvas_) {
        canvas_.reset(canvas_new());
    }
    refresh();
    return TRUE;
}

gboolean PanelEditorWindow::on_area_button_press(GtkWidget *area, GdkEventButton *event)
{
    if (event->type != GDK_BUTTON_PRESS || event->button != 1) {
        return TRUE;
    }
    const int x = static_cast<int>(event->x) >> zoom_;
    const int y = (static_cast<int>(event->y) >> zoom_) - kComposeAreaTop;
    gtk_widget_grab_focus(area);
    press_left(x, y, event->state);
    sync_cursor();
    refresh();
    return TRUE;
}

gboolean PanelEditorWindow::on_area_button_release(GtkWidget *, GdkEventButton *event)
{
    if (event->button == 3) {
        // The drag ends: its moves are one step.
        model_.end_drag();
    }
    if (event->button == 1) {
        release_left();
    }
    return TRUE;
}

gboolean PanelEditorWindow::on_area_motion(GtkWidget *area, GdkEventMotion *event)
{
    int x = static_cast<int>(event->x);
    int y = static_cast<int>(event->y);
    GdkModifierType buttons = static_cast<GdkModifierType>(event->state);
    if (event->is_hint) {
        gdk_window_get_pointer(area->window, &x, &y, &buttons);
    }
    show_pointer(x, y);
    if (model_.pressed()) {
        if (buttons & GDK_BUTTON1_MASK) {
            motion_left(x >> zoom_, (y >> zoom_) - kComposeAreaTop);
        } else {
            release_left();
        }
    } else if (buttons & GDK_BUTTON3_MASK) {
        model_.drag_to(x >> zoom_, (y >> zoom_) - kComposeAreaTop);
    } else {
        model_.end_drag();
    }
    if (!model_.pressed()) {
        // A click that waits for the button keeps its place in the cycle.
        model_.reset_click_depth();
    }
    return TRUE;
}

gboolean PanelEditorWindow::on_area_key_press(GtkWidget *, GdkEventKey *event)
{
    switch (event->keyval) {
    case GDK_Left:
        move(-kEditorCell, 0);
        return TRUE;
    case GDK_Up:
        move(0, -kEditorCell);
        return TRUE;
    case GDK_Right:
        move(kEditorCell, 0);
        return TRUE;
    case GDK_Down:
        move(0, kEditorCell);
        return TRUE;
    case GDK_Delete:
        delete_with_question();
        return TRUE;
    default:
        return FALSE;
    }
}

void PanelEditorWindow::on_arrow_clicked(GtkButton *button)
{
    for (const Arrow &arrow : kArrows) {
        if (GTK_WIDGET(button) == widget(arrow.name)) {
            move(arrow.dx, arrow.dy);
        }
    }
}

void PanelEditorWindow::on_zoom_clicked(GtkButton *button)
{
    if (!gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) {
        return;
    }
    for (int zoom = 0; zoom < 3; zoom++) {
        if (GTK_WIDGET(button) != widget(kZoomButtons[zoom])) {
            continue;
        }
        zoom_ = zoom;
        gtk_widget_set_size_request(area_, back_width << zoom, back_height << zoom);
        paneleditor_fit_canvas_view(widget("scrolledwindow_panel_editor_location"), zoom);
        model_.reset_click_depth();
        gtk_widget_queue_draw(area_);
    }
}

void PanelEditorWindow::set_zoom(int zoom)
{
    // The radio button's handler sizes the canvas.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget(kZoomButtons[std::clamp(zoom, 0, 2)])),
                                 TRUE);
}

void PanelEditorWindow::on_blink_toggled(GtkToggleButton *button)
{
    if (gtk_toggle_button_get_active(button)) {
        start_blinking();
    } else {
        stop_blinking();
        gtk_widget_queue_draw(area_);
    }
}

void PanelEditorWindow::on_show_clashes_toggled(GtkToggleButton *button)
{
    const bool on = gtk_toggle_button_get_active(button) != FALSE;
    if (on != show_clashes_) {
        show_clashes_ = on;
        refresh();
    }
    // The main window, the other windows and the options follow.
    context_.shell.set_show_clashes(on);
}

void PanelEditorWindow::on_select_reverse_toggled(GtkToggleButton *button)
{
    model_.set_click_reverse(gtk_toggle_button_get_active(button));
}

void PanelEditorWindow::on_transparency_toggled(GtkToggleButton *button)
{
    transparency_ = gtk_toggle_button_get_active(button);
    refresh();
}

void PanelEditorWindow::on_alpha_changed(GtkEditable *editable)
{
    alpha_ = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(editable));
    refresh();
}

void PanelEditorWindow::on_flag_toggled(GtkCellRendererToggle *cell, gchar *path)
{
    const auto flag =
        static_cast<EditorFlag>(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(cell), "flag")));
    // The document's report re-renders the canvas.
    GErrorPtr error;
    if (!model_.toggle(atoi(path), flag, error.out()) && error) {
        refuse(error.message());
    }
}

void PanelEditorWindow::on_add_clicked(GtkButton *)
{
    // The browser supplies the items to insert.
    browser_.show();
}

void PanelEditorWindow::on_to_back_clicked(GtkButton *)
{
    model_.move_to_back();
    after_operation();
}

void PanelEditorWindow::on_farther_clicked(GtkButton *)
{
    model_.move_farther();
    after_operation();
}

void PanelEditorWindow::on_closer_clicked(GtkButton *)
{
    model_.move_closer();
    after_operation();
}

void PanelEditorWindow::on_to_front_clicked(GtkButton *)
{
    model_.bring_to_front();
    after_operation();
}

void PanelEditorWindow::on_clone_clicked(GtkButton *)
{
    GErrorPtr error;
    if (!model_.clone(error.out()) && error) {
        refuse(error.message());
        return;
    }
    after_operation();
}

void PanelEditorWindow::on_overrides_clicked(GtkButton *)
{
    overrides_.open();
}

void PanelEditorWindow::on_delete_clicked(GtkButton *)
{
    delete_with_question();
}
