// The main window's signal handlers: find what is selected, ask what must
// be asked, call the module, redraw. Commands that need data do nothing
// until a project is open, and nothing while a load runs.
#include <algorithm>
#include <gdk/gdkkeysyms.h>
#include <string>
#include <vector>

#include "app/about.h"
#include "app/application.h"
#include "app/mainwindow.h"
#include "files/object_file.h"
#include "items/itemwrapper.h"
#include "items/references.h"
#include "ui/builder.h"
#include "ui/common.h"

// A single press of button 3 selects the row under the pointer, then opens
// the menu for it; other presses go on as usual.
bool MainWindow::context_press(GtkWidget *view, const GdkEventButton *event,
                               bool (MainWindow::*selected)(int *) const,
                               GtkWidget *(MainWindow::*create)())
{
    if (event->type != GDK_BUTTON_PRESS || event->button != 3) {
        return false;
    }
    if (app_.is_busy()) {
        return true;
    }
    GtkTreePath *path = nullptr;
    if (!gtk_tree_view_get_path_at_pos(GTK_TREE_VIEW(view), static_cast<int>(event->x),
                                       static_cast<int>(event->y), &path, nullptr, nullptr,
                                       nullptr)) {
        return true;
    }
    gtk_widget_grab_focus(view);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(view), path, nullptr, FALSE);
    gtk_tree_path_free(path);
    int index = -1;
    if ((this->*selected)(&index)) {
        popup((this->*create)(), event->button, event->time);
    }
    return true;
}

bool MainWindow::context_key(bool (MainWindow::*selected)(int *) const,
                             GtkWidget *(MainWindow::*create)())
{
    int index = -1;
    if (app_.is_busy() || !(this->*selected)(&index)) {
        return false;
    }
    popup((this->*create)(), 0, gtk_get_current_event_time());
    return true;
}

void MainWindow::show_references_of_selected(bool (MainWindow::*selected)(int *) const)
{
    int index = -1;
    if (!commands_allowed() || !(this->*selected)(&index)) {
        return;
    }
    show_references(references_report(document_.project(), index).c_str());
}

// Deletes the selected item when nothing refers to it, with every later
// item and the locations renumbered; otherwise says that it is in use.
bool MainWindow::delete_selected(bool (MainWindow::*selected)(int *) const)
{
    int index = -1;
    if (!commands_allowed() || !(this->*selected)(&index)) {
        return false;
    }
    GErrorPtr error;
    if (!itemwrapper_delete_unused_item(document_, index, error.out())) {
        show_error(error.message());
        return false;
    }
    return true;
}

// --- Window and menus ---

gboolean MainWindow::on_delete_event(GtkWidget *, GdkEvent *)
{
    // The window stays: the application takes it down once the main loop
    // has ended.
    app_.request_quit();
    return TRUE;
}

void MainWindow::on_new_activate(GtkMenuItem *)
{
    if (!app_.is_busy() && app_.ask_save_changes()) {
        app_.new_project();
    }
}

void MainWindow::on_open_activate(GtkMenuItem *)
{
    if (app_.is_busy() || !app_.ask_save_changes()) {
        return;
    }
    std::string path;
    if (context_.choosers.open_zembrix_file(&path)) {
        app_.open_project(path.c_str());
    }
}

void MainWindow::on_save_activate(GtkMenuItem *)
{
    if (!commands_allowed()) {
        return;
    }
    app_.save_project_to_current();
    app_.save_options();
}

void MainWindow::on_save_as_activate(GtkMenuItem *)
{
    if (commands_allowed()) {
        app_.save_project_as();
    }
}

void MainWindow::on_recent_item_activated(GtkRecentChooser *chooser)
{
    GCharPtr uri(gtk_recent_chooser_get_current_uri(chooser));
    GCharPtr path(uri ? g_filename_from_uri(uri.get(), nullptr, nullptr) : nullptr);
    if (path && !app_.is_busy() && app_.ask_save_changes()) {
        app_.open_project(path.get());
    }
}

void MainWindow::on_restore_backup_activate(GtkMenuItem *)
{
    app_.choose_backup();
}

void MainWindow::on_close_activate(GtkMenuItem *)
{
    if (!app_.is_busy() && app_.ask_save_changes()) {
        app_.close_project();
    }
}

void MainWindow::on_export_preview_activate(GtkMenuItem *)
{
    static constexpr const char *kWhat[PREVIEW_COUNT] = {"location", "object", "panel"};
    const MainPreview which = previews_.focus();
    int number = -1;
    if (!commands_allowed()) {
        return;
    }
    if (!previews_.shown_item(which, &number)) {
        GCharPtr text(g_strdup_printf(" Select a %s to export its preview", kWhat[which]));
        set_status(text.get());
        return;
    }
    GCharPtr suggested(g_strdup_printf("%s_%d.png", kWhat[which], number));
    std::string path;
    if (!context_.choosers.save_png_file(suggested.get(), &path)) {
        return;
    }
    GErrorPtr error;
    std::vector<FileioNote> notes;
    if (!previews_.export_png(which, path.c_str(), &notes, error.out())) {
        show_error(error.message());
        return;
    }
    say_exported(kWhat[which], number, path.c_str(), notes);
}

gboolean MainWindow::on_focus_press(GtkWidget *widget, GdkEventButton *)
{
    previews_.set_focus(static_cast<MainPreview>(
        GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "zbx-preview"))));
    return FALSE;
}

void MainWindow::on_undo_activate(GtkMenuItem *)
{
    if (commands_allowed()) {
        document_.undo();
    }
}

void MainWindow::on_redo_activate(GtkMenuItem *)
{
    if (commands_allowed()) {
        document_.redo();
    }
}

void MainWindow::on_quit_activate(GtkMenuItem *)
{
    app_.request_quit();
}

void MainWindow::on_incremental_rendering_activate(GtkMenuItem *item)
{
    context_.options.set_incremental_rendering(
        gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item)) != FALSE);
    app_.save_options();
}

void MainWindow::on_show_clashes_toggled(GtkCheckMenuItem *item)
{
    app_.set_show_clashes(gtk_check_menu_item_get_active(item) != FALSE);
}

void MainWindow::on_about_activate(GtkMenuItem *)
{
    about_show_about(GTK_WINDOW(window_));
}

void MainWindow::on_resources_activate(GtkMenuItem *)
{
    about_show_resources(GTK_WINDOW(window_), app_.file_loaded() ? app_.project_path() : nullptr,
                         document_);
}

// --- Locations ---

gboolean MainWindow::on_location_preview_configure(GtkWidget *area, GdkEventConfigure *)
{
    previews_.configure(PREVIEW_LOCATION, area);
    return TRUE;
}

gboolean MainWindow::on_location_preview_expose(GtkWidget *area, GdkEventExpose *event)
{
    return previews_.paint(PREVIEW_LOCATION, area, &event->area) ? TRUE : FALSE;
}

void MainWindow::on_locations_cursor_changed(GtkTreeView *)
{
    if (!app_.is_busy()) {
        previews_.show_location(context_.options.incremental_rendering());
    }
}

// A location's panel, when the location is selected and elects one.
bool MainWindow::selected_location_panel(int *panel) const
{
    int number = -1;
    if (!selected_location(&number)) {
        return false;
    }
    const ZbxLocationRecord record = document_.location(number);
    if (document_.item_kind(record.panel) != ZbxItemKind::Panel) {
        return false;
    }
    *panel = record.panel;
    return true;
}

void MainWindow::edit_location_panel()
{
    int number = -1;
    int panel = -1;
    if (commands_allowed() && selected_location(&number) && selected_location_panel(&panel)) {
        app_.editor().open(panel, document_.location(number).colour);
    }
}

void MainWindow::on_locations_row_activated(GtkTreeView *view, GtkTreePath *path,
                                            GtkTreeViewColumn *)
{
    // The row activated is the one edited, selected or not.
    gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
    edit_location_panel();
}

gboolean MainWindow::on_locations_press(GtkWidget *view, GdkEventButton *event)
{
    return context_press(view, event, &MainWindow::selected_location_panel,
                         &MainWindow::popup_location_menu);
}

gboolean MainWindow::on_locations_popup_menu(GtkWidget *)
{
    return context_key(&MainWindow::selected_location_panel, &MainWindow::popup_location_menu);
}

void MainWindow::on_location_edit_panel_activate(GtkMenuItem *)
{
    edit_location_panel();
}

void MainWindow::on_location_show_panel_activate(GtkMenuItem *)
{
    int panel = -1;
    if (selected_location_panel(&panel)) {
        show_panel(panel);
    }
}

void MainWindow::on_show_location_panel_clicked(GtkButton *)
{
    on_location_show_panel_activate(nullptr);
}

void MainWindow::on_clear_location_record_clicked(GtkButton *)
{
    if (commands_allowed()) {
        clear_location_record();
    }
}

// --- Objects page ---

gboolean MainWindow::on_object_preview_configure(GtkWidget *area, GdkEventConfigure *)
{
    previews_.configure(PREVIEW_OBJECT, area);
    return TRUE;
}

gboolean MainWindow::on_object_preview_expose(GtkWidget *area, GdkEventExpose *event)
{
    return previews_.paint(PREVIEW_OBJECT, area, &event->area) ? TRUE : FALSE;
}

gboolean MainWindow::on_object_palette_configure(GtkWidget *area, GdkEventConfigure *)
{
    previews_.set_palette_area(PALETTE_OBJECT, area);
    return FALSE;
}

gboolean MainWindow::on_object_palette_expose(GtkWidget *area, GdkEventExpose *event)
{
    return previews_.paint_palette(PALETTE_OBJECT, area, &event->area) ? TRUE : FALSE;
}

gboolean MainWindow::on_object_palette_press(GtkWidget *area, GdkEventButton *event)
{
    if (app_.is_busy()) {
        return FALSE;
    }
    previews_.set_palette_area(PALETTE_OBJECT, area);
    return previews_.pick_colour(PALETTE_OBJECT, event) ? TRUE : FALSE;
}

void MainWindow::on_objects_cursor_changed(GtkTreeView *)
{
    previews_.render_object();
    previews_.queue_redraw(PREVIEW_OBJECT);
}

gboolean MainWindow::on_objects_popup_menu(GtkWidget *)
{
    return context_key(&MainWindow::selected_object_index, &MainWindow::popup_object_menu);
}

gboolean MainWindow::on_objects_press(GtkWidget *view, GdkEventButton *event)
{
    return context_press(view, event, &MainWindow::selected_object_index,
                         &MainWindow::popup_object_menu);
}

void MainWindow::on_import_clicked(GtkButton *)
{
    if (!commands_allowed()) {
        return;
    }
    std::string path;
    if (!context_.choosers.open_object_file(&path)) {
        return;
    }
    GErrorPtr error;
    std::vector<uint8_t> record;
    if (!objfile_read(path.c_str(), &record, error.out()) ||
        !itemwrapper_import_object(document_, record, error.out())) {
        show_error(error.message());
        return;
    }
    select_row("treeview_main_objects", document_.count_objects() - 1);
}

void MainWindow::on_export_clicked(GtkButton *)
{
    int index = -1;
    if (!commands_allowed() || !selected_object(&index)) {
        return;
    }
    GCharPtr suggested(g_strdup_printf("object_%d.zbxobject", index));
    std::string path;
    if (!context_.choosers.save_object_file(suggested.get(), &path)) {
        return;
    }
    GErrorPtr error;
    std::vector<FileioNote> notes;
    if (!objfile_write(path.c_str(), document_.object_record(index), &notes, error.out())) {
        show_error(error.message());
        return;
    }
    say_exported("object", index, path.c_str(), notes);
}

void MainWindow::on_launch_grabber_clicked(GtkButton *)
{
    if (commands_allowed()) {
        app_.grabber().show();
    }
}

// --- Panels page ---

gboolean MainWindow::on_panel_preview_configure(GtkWidget *area, GdkEventConfigure *)
{
    previews_.configure(PREVIEW_PANEL, area);
    return TRUE;
}

gboolean MainWindow::on_panel_preview_expose(GtkWidget *area, GdkEventExpose *event)
{
    return previews_.paint(PREVIEW_PANEL, area, &event->area) ? TRUE : FALSE;
}

gboolean MainWindow::on_panel_palette_configure(GtkWidget *area, GdkEventConfigure *)
{
    previews_.set_palette_area(PALETTE_PANEL, area);
    return FALSE;
}

gboolean MainWindow::on_panel_palette_expose(GtkWidget *area, GdkEventExpose *event)
{
    return previews_.paint_palette(PALETTE_PANEL, area, &event->area) ? TRUE : FALSE;
}

gboolean MainWindow::on_panel_palette_press(GtkWidget *area, GdkEventButton *event)
{
    if (app_.is_busy()) {
        return FALSE;
    }
    previews_.set_palette_area(PALETTE_PANEL, area);
    return previews_.pick_colour(PALETTE_PANEL, event) ? TRUE : FALSE;
}

void MainWindow::on_panels_cursor_changed(GtkTreeView *)
{
    if (app_.is_busy()) {
        return;
    }
    int index = -1;
    if (selected_panel(&index)) {
        zbx_def_list_set_panel(defs_.get(), index);
    }
    previews_.render_panel(context_.options.incremental_rendering());
    previews_.queue_redraw(PREVIEW_PANEL);
    previews_.queue_palette_redraw(PALETTE_PANEL);
}

gboolean MainWindow::on_panels_popup_menu(GtkWidget *)
{
    return context_key(&MainWindow::selected_panel_index, &MainWindow::popup_panel_menu);
}

gboolean MainWindow::on_panels_press(GtkWidget *view, GdkEventButton *event)
{
    return context_press(view, event, &MainWindow::selected_panel_index,
                         &MainWindow::popup_panel_menu);
}

void MainWindow::on_panel_defs_cursor_changed(GtkTreeView *)
{
    // The frame moves to the newly selected definition.
    if (!app_.is_busy()) {
        previews_.refresh_panel();
    }
}

void MainWindow::on_panel_edit_clicked(GtkButton *)
{
    int index = -1;
    int colour = 0;
    if (commands_allowed() && selected_panel(&index, &colour)) {
        app_.editor().open(index, colour);
    }
}

namespace {
// Whether `column` is the list's last, its "Used" column.
bool is_used_column(GtkTreeView *view, GtkTreeViewColumn *column)
{
    GList *all = gtk_tree_view_get_columns(view);
    const bool last = all != nullptr && g_list_last(all)->data == column;
    g_list_free(all);
    return last;
}
} // namespace

// A double click on an object's "Used" cell lists where it is used.
void MainWindow::on_objects_row_activated(GtkTreeView *view, GtkTreePath *path,
                                          GtkTreeViewColumn *column)
{
    gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
    if (is_used_column(view, column)) {
        show_references_of_selected(&MainWindow::selected_object_index);
    }
}

// A double click on a panel lists where it is used (on its "Used" cell) or
// opens it in the editor.
void MainWindow::on_panels_row_activated(GtkTreeView *view, GtkTreePath *path,
                                         GtkTreeViewColumn *column)
{
    gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
    if (is_used_column(view, column)) {
        show_references_of_selected(&MainWindow::selected_panel_index);
    } else {
        on_panel_edit_clicked(nullptr);
    }
}

void MainWindow::on_panel_store_clicked(GtkButton *)
{
    if (!commands_allowed()) {
        return;
    }
    GErrorPtr error;
    if (!store_location(error.out())) {
        show_error(error.message());
    }
}

void MainWindow::on_new_panel_clicked(GtkButton *)
{
    if (!commands_allowed()) {
        return;
    }
    GErrorPtr error;
    if (!itemwrapper_new_empty_panel(document_, error.out())) {
        show_error(error ? error.message() : "No room for additional panels");
        return;
    }
    select_row("treeview_main_panels", document_.count_panels() - 1);
}

// --- Zoom ---

void MainWindow::on_zoom_1_clicked(GtkButton *button)
{
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) {
        previews_.set_expansion(0);
    }
}

void MainWindow::on_zoom_2_clicked(GtkButton *button)
{
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) {
        previews_.set_expansion(1);
        // The window grows: once it has its new size, it is moved where the
        // screen shows all of it.
        g_signal_handlers_disconnect_by_func(window_, reinterpret_cast<gpointer>(keep_on_screen),
                                             this);
        g_signal_connect(window_, "size-allocate", G_CALLBACK(keep_on_screen), this);
    }
}

void MainWindow::keep_on_screen(GtkWidget *window, GtkAllocation *allocation, gpointer self)
{
    g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(keep_on_screen), self);
    GdkScreen *screen = gtk_window_get_screen(GTK_WINDOW(window));
    int x = 0;
    int y = 0;
    gtk_window_get_position(GTK_WINDOW(window), &x, &y);
    const int right = gdk_screen_get_width(screen) - allocation->width;
    const int bottom = gdk_screen_get_height(screen) - allocation->height;
    if (x > right || y > bottom) {
        gtk_window_move(GTK_WINDOW(window), std::max(0, std::min(x, right)),
                        std::max(0, std::min(y, bottom)));
    }
}

void MainWindow::zoom_by(int step)
{
    const char *button = step > 0 ? "radiobutton_main_zoom_level2" : "radiobutton_main_zoom_level1";
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget(button)), TRUE);
}

// Control+wheel over a preview zooms; the wheel alone scrolls it.
gboolean MainWindow::on_preview_scroll(GtkWidget *, GdkEventScroll *event)
{
    const int step = common_zoom_scroll_step(event);
    if (step != 0) {
        zoom_by(step);
    }
    return (event->state & GDK_CONTROL_MASK) != 0;
}

// Control+plus and Control+minus zoom.
gboolean MainWindow::on_key_press(GtkWidget *, GdkEventKey *event)
{
    const int step = common_zoom_key_step(event);
    if (step == 0) {
        return FALSE;
    }
    zoom_by(step);
    return TRUE;
}

// --- Popup menus ---

void MainWindow::on_object_find_references_activate(GtkMenuItem *)
{
    show_references_of_selected(&MainWindow::selected_object_index);
}

void MainWindow::on_object_delete_activate(GtkMenuItem *)
{
    delete_selected(&MainWindow::selected_object_index);
}

void MainWindow::on_object_export_image_activate(GtkMenuItem *)
{
    int index = -1;
    if (!commands_allowed() || !selected_object(&index)) {
        return;
    }
    GCharPtr suggested(g_strdup_printf("object_%d.png", index));
    std::string path;
    if (context_.choosers.save_png_file(suggested.get(), &path)) {
        export_object_image(index, path.c_str());
    }
}

bool MainWindow::export_object_image(int index, const char *path)
{
    std::vector<uint8_t> png;
    GErrorPtr error;
    std::vector<FileioNote> notes;
    if (!objfile_encode_png(document_.object_record(index), 2, &png, error.out()) ||
        !fileio_write_file(path, png, &notes, error.out())) {
        show_error(error.message());
        return false;
    }
    say_exported("object", index, path, notes);
    return true;
}

void MainWindow::on_panel_find_references_activate(GtkMenuItem *)
{
    show_references_of_selected(&MainWindow::selected_panel_index);
}

void MainWindow::on_panel_delete_activate(GtkMenuItem *)
{
    delete_selected(&MainWindow::selected_panel_index);
}
