// Signal handlers of the main window: find the widgets, call the module,
// redraw. Commands that need data do nothing until a project file is
// loaded, and nothing while a load runs.
#include "app/callbacks.h"
#include "app/context.h"

#include "app/about.h"
#include "app/app.h"
#include "app/common.h"
#include "app/fileopen.h"
#include "app/interface.h"
#include "app/locations_view.h"
#include "app/mainview.h"
#include "app/modelview.h"
#include "app/objectmodel.h"
#include "app/options.h"
#include "app/panelmodels_view.h"
#include "app/support.h"
#include "base/gref.h"
#include "editor/paneleditor_window.h"
#include "files/object_file.h"
#include "items/itemwrapper.h"
#include "items/references.h"

namespace {

bool commands_allowed()
{
    return app_file_loaded() && !app_is_busy();
}

GtkWidget *main_widget(const char *name)
{
    return lookup_widget(window_main, name);
}

void show_error(const char *text)
{
    common_message_dialog(GTK_WINDOW(window_main), text, GTK_MESSAGE_ERROR);
}

void show_error(const GErrorPtr &error)
{
    show_error(error.message());
}

// " Exported object 3 to PATH" in the status bar.
void say_exported(const char *what, int number, const char *path)
{
    GCharPtr shown(g_filename_display_name(path));
    GCharPtr text(g_strdup_printf(" Exported %s %d to %s", what, number, shown.get()));
    app_set_status(text.get());
}

// Moves the cursor of a list to a row (numbered in item order, whatever
// order the list is sorted in), which selects it and runs the list's
// cursor handler.
void select_row(const char *view_name, int row)
{
    GtkTreeView *view = GTK_TREE_VIEW(main_widget(view_name));
    GtkTreePath *path = modelview_view_path(view, row);
    if (path == nullptr) {
        return;
    }
    gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
    gtk_tree_view_scroll_to_cell(view, path, nullptr, FALSE, 0.0f, 0.0f);
    gtk_tree_path_free(path);
}

gboolean destroy_menu(gpointer menu)
{
    gtk_widget_destroy(GTK_WIDGET(menu));
    return FALSE;
}

// Pops a context menu up; it is destroyed once it has closed and its item
// (if any) has run.
void popup(GtkWidget *menu, guint button, guint32 time)
{
    g_signal_connect(menu, "deactivate", G_CALLBACK(+[](GtkMenuShell *shell, gpointer) {
                         g_idle_add(destroy_menu, shell);
                     }),
                     nullptr);
    gtk_menu_popup(GTK_MENU(menu), nullptr, nullptr, nullptr, nullptr, button, time);
}

// A single press of button 3 opens the menu for the row already selected
// (the press does not move the selection); other presses go on as usual.
gboolean context_press(const GdkEventButton *event, gboolean (*selected)(int *),
                       GtkWidget *(*create)())
{
    if (event->type != GDK_BUTTON_PRESS || event->button != 3) {
        return FALSE;
    }
    int index = -1;
    if (!app_is_busy() && selected(&index)) {
        popup(create(), event->button, event->time);
    }
    return TRUE;
}

gboolean context_key(gboolean (*selected)(int *), GtkWidget *(*create)())
{
    int index = -1;
    if (app_is_busy() || !selected(&index)) {
        return FALSE;
    }
    popup(create(), 0, gtk_get_current_event_time());
    return TRUE;
}

void show_references_of_selected(gboolean (*selected)(int *))
{
    int index = -1;
    if (!commands_allowed() || !selected(&index)) {
        return;
    }
    mainview_show_references(references_report(app_document().project(), index).c_str());
}

// Deletes the selected item when nothing refers to it, with every later
// item and the locations renumbered; otherwise says that it is in use.
bool delete_selected(gboolean (*selected)(int *))
{
    int index = -1;
    if (!commands_allowed() || !selected(&index)) {
        return false;
    }
    GErrorPtr error;
    if (!itemwrapper_delete_unused_item(app_document(), index, error.out())) {
        show_error(error);
        return false;
    }
    return true;
}

} // namespace

// --- Window and menus ---

gboolean on_window_main_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    // FALSE lets the window close; its destruction ends the main loop.
    return app_request_quit() ? FALSE : TRUE;
}

void on_new_activate(GtkMenuItem *, gpointer)
{
    if (!app_is_busy() && app_ask_save_changes()) {
        app_new_project();
    }
}

void on_open_activate(GtkMenuItem *, gpointer)
{
    if (app_is_busy() || !app_ask_save_changes()) {
        return;
    }
    char *chosen = nullptr;
    if (!fileopen_open_zembrix_file(&chosen)) {
        return;
    }
    GCharPtr path(chosen);
    app_open_project(path.get());
}

void on_save_activate(GtkMenuItem *, gpointer)
{
    if (!commands_allowed()) {
        return;
    }
    app_save_project_to_current();
    options_save_to_file();
}

void on_save_as_activate(GtkMenuItem *, gpointer)
{
    if (commands_allowed()) {
        app_save_project_as();
    }
}

void on_recentchoosermenu_main_item_activated(GtkRecentChooser *chooser, gpointer)
{
    GCharPtr uri(gtk_recent_chooser_get_current_uri(chooser));
    GCharPtr path(uri ? g_filename_from_uri(uri.get(), nullptr, nullptr) : nullptr);
    if (path && !app_is_busy() && app_ask_save_changes()) {
        app_open_project(path.get());
    }
}

void on_close_activate(GtkMenuItem *, gpointer)
{
    if (!app_is_busy() && app_ask_save_changes()) {
        app_close_project();
    }
}

void on_menuitem_export_preview_activate(GtkMenuItem *, gpointer)
{
    static constexpr const char *kWhat[PREVIEW_COUNT] = {"location", "object", "panel"};
    const MainPreview which = mainview_get_focus();
    int number = -1;
    if (!commands_allowed()) {
        return;
    }
    if (!mainview_shown_item(which, &number)) {
        GCharPtr text(g_strdup_printf(" Select a %s to export its preview", kWhat[which]));
        app_set_status(text.get());
        return;
    }
    GCharPtr suggested(g_strdup_printf("%s_%d.png", kWhat[which], number));
    char *chosen = nullptr;
    if (!fileopen_save_png_file(suggested.get(), &chosen)) {
        return;
    }
    GCharPtr path(chosen);
    GErrorPtr error;
    if (!mainview_export_preview(which, path.get(), error.out())) {
        show_error(error);
        return;
    }
    say_exported(kWhat[which], number, path.get());
}

gboolean on_preview_focus_button_press_event(GtkWidget *, GdkEventButton *, gpointer user_data)
{
    mainview_set_focus(static_cast<MainPreview>(GPOINTER_TO_INT(user_data)));
    return FALSE;
}

void on_undo_activate(GtkMenuItem *, gpointer)
{
    if (commands_allowed()) {
        app_document().undo();
    }
}

void on_redo_activate(GtkMenuItem *, gpointer)
{
    if (commands_allowed()) {
        app_document().redo();
    }
}

void on_quit_activate(GtkMenuItem *, gpointer)
{
    if (app_request_quit()) {
        gtk_main_quit();
    }
}

void on_menuitem_incremental_rendering_activate(GtkMenuItem *menuitem, gpointer)
{
    options_set_incremental_rendering(
        gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(menuitem)) ? 1 : 0);
    options_save_to_file();
}

void on_menuitem_show_clashes_toggled(GtkCheckMenuItem *item, gpointer)
{
    const bool on = gtk_check_menu_item_get_active(item) != FALSE;
    common_set_show_clashes(on);
    mainview_set_show_clashes(on);
}

void on_about_activate(GtkMenuItem *, gpointer)
{
    about_show_about();
}

void on_menuitem_resources_activate(GtkMenuItem *, gpointer)
{
    about_show_resources();
}

// --- Locations ---

gboolean on_drawingarea_main_location_preview_configure_event(GtkWidget *widget,
                                                              GdkEventConfigure *, gpointer)
{
    mainview_configure_preview(PREVIEW_LOCATION, widget);
    return TRUE;
}

gboolean on_drawingarea_main_location_preview_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                           gpointer)
{
    return mainview_paint_preview(PREVIEW_LOCATION, widget, &event->area);
}

void on_treeview_main_locations_cursor_changed(GtkTreeView *, gpointer)
{
    if (app_is_busy()) {
        return;
    }
    render_location_helper(options_get_incremental_rendering());
}

void on_button_main_clear_location_record_clicked(GtkButton *, gpointer)
{
    if (!commands_allowed()) {
        return;
    }
    locations_clear_location_record();
}

// --- Objects page ---

gboolean on_drawingarea_object_controls_object_preview_configure_event(GtkWidget *widget,
                                                                       GdkEventConfigure *,
                                                                       gpointer)
{
    mainview_configure_preview(PREVIEW_OBJECT, widget);
    return TRUE;
}

gboolean on_drawingarea_object_controls_object_preview_expose_event(GtkWidget *widget,
                                                                    GdkEventExpose *event, gpointer)
{
    return mainview_paint_preview(PREVIEW_OBJECT, widget, &event->area);
}

gboolean on_drawingarea_object_controls_object_palette_configure_event(GtkWidget *widget,
                                                                       GdkEventConfigure *,
                                                                       gpointer)
{
    mainview_set_palette_area(PALETTE_OBJECT, widget);
    return FALSE;
}

gboolean on_drawingarea_object_controls_object_palette_expose_event(GtkWidget *widget,
                                                                    GdkEventExpose *event, gpointer)
{
    return mainview_paint_palette(PALETTE_OBJECT, widget, &event->area);
}

gboolean on_drawingarea_object_controls_object_palette_button_press_event(GtkWidget *widget,
                                                                          GdkEventButton *event,
                                                                          gpointer)
{
    if (app_is_busy()) {
        return FALSE;
    }
    mainview_set_palette_area(PALETTE_OBJECT, widget);
    return mainview_pick_colour(PALETTE_OBJECT, event);
}

void on_treeview_main_objects_cursor_changed(GtkTreeView *, gpointer)
{
    mainview_render_object_preview();
    mainview_queue_redraw(PREVIEW_OBJECT);
}

gboolean on_treeview_main_objects_popup_menu(GtkWidget *, gpointer)
{
    return context_key(objectmodel_get_current_object_id, create_popupmenu_object);
}

gboolean on_treeview_main_objects_button_press_event(GtkWidget *, GdkEventButton *event, gpointer)
{
    return context_press(event, objectmodel_get_current_object_id, create_popupmenu_object);
}

void on_button_object_controls_import_clicked(GtkButton *, gpointer)
{
    if (!commands_allowed()) {
        return;
    }
    char *chosen = nullptr;
    if (!fileopen_open_object_file(&chosen)) {
        return;
    }
    GCharPtr path(chosen);
    GErrorPtr error;
    std::vector<uint8_t> record;
    if (!objfile_read(path.get(), &record, error.out()) ||
        !itemwrapper_import_object(app_document(), record, error.out())) {
        show_error(error);
        return;
    }
    select_row("treeview_main_objects", app_document().count_objects() - 1);
}

void on_button_object_controls_export_clicked(GtkButton *, gpointer)
{
    int index = -1;
    if (!commands_allowed() || !objectmodel_get_current_object_id(&index)) {
        return;
    }
    GCharPtr suggested(g_strdup_printf("object_%d.zbxobject", index));
    char *chosen = nullptr;
    if (!fileopen_save_object_file(suggested.get(), &chosen)) {
        return;
    }
    GCharPtr path(chosen);
    GErrorPtr error;
    if (!objfile_write(path.get(), app_document().object_record(index), error.out())) {
        show_error(error);
        return;
    }
    say_exported("object", index, path.get());
}

void on_object_controls_launch_object_grabber_clicked(GtkButton *, gpointer)
{
    if (commands_allowed() && window_object_grabber != nullptr) {
        gtk_widget_show(window_object_grabber);
    }
}

// --- Panels page ---

gboolean on_drawingarea_panel_preview_configure_event(GtkWidget *widget, GdkEventConfigure *,
                                                      gpointer)
{
    mainview_configure_preview(PREVIEW_PANEL, widget);
    return TRUE;
}

gboolean on_drawingarea_panel_preview_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                   gpointer)
{
    return mainview_paint_preview(PREVIEW_PANEL, widget, &event->area);
}

gboolean on_drawingarea_panel_palette_configure_event(GtkWidget *widget, GdkEventConfigure *,
                                                      gpointer)
{
    mainview_set_palette_area(PALETTE_PANEL, widget);
    return FALSE;
}

gboolean on_drawingarea_panel_palette_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                   gpointer)
{
    return mainview_paint_palette(PALETTE_PANEL, widget, &event->area);
}

gboolean on_drawingarea_panel_palette_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                         gpointer)
{
    if (app_is_busy()) {
        return FALSE;
    }
    mainview_set_palette_area(PALETTE_PANEL, widget);
    return mainview_pick_colour(PALETTE_PANEL, event);
}

void on_treeview_main_panels_cursor_changed(GtkTreeView *, gpointer)
{
    if (app_is_busy()) {
        return;
    }
    panelmodels_on_cursor_changed_set_panel_defs_model();
    mainview_render_panel_preview(options_get_incremental_rendering() != 0);
    mainview_queue_redraw(PREVIEW_PANEL);
    mainview_queue_palette_redraw(PALETTE_PANEL);
}

gboolean on_treeview_main_panels_popup_menu(GtkWidget *, gpointer)
{
    return context_key(panelmodels_get_current_panel_index, create_popupmenu_panel);
}

gboolean on_treeview_main_panels_button_press_event(GtkWidget *, GdkEventButton *event, gpointer)
{
    return context_press(event, panelmodels_get_current_panel_index, create_popupmenu_panel);
}

void on_treeview_main_panel_defs_cursor_changed(GtkTreeView *, gpointer)
{
    // The frame moves to the newly selected definition.
    if (!app_is_busy()) {
        mainview_refresh_panel_preview();
    }
}

void on_button_main_panel_edit_clicked(GtkButton *, gpointer)
{
    int index = -1;
    int colour = 0;
    if (!commands_allowed() || !panelmodels_get_current_panel_info(&index, &colour)) {
        return;
    }
    paneleditor_window_open(index, colour);
}

void on_button_main_panel_store_clicked(GtkButton *, gpointer)
{
    if (!commands_allowed()) {
        return;
    }
    GErrorPtr error;
    if (!locations_store_location(error.out())) {
        show_error(error);
    }
}

void on_button_panel_controls_new_clicked(GtkButton *, gpointer)
{
    if (!commands_allowed()) {
        return;
    }
    if (!itemwrapper_new_empty_panel(app_document())) {
        show_error("No room for additional panels");
        return;
    }
    select_row("treeview_main_panels", app_document().count_panels() - 1);
}

// --- Zoom ---

void on_radiobutton_main_zoom_level1_clicked(GtkButton *button, gpointer)
{
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) {
        mainview_set_expansion(0);
    }
}

void on_radiobutton_main_zoom_level2_clicked(GtkButton *button, gpointer)
{
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) {
        mainview_set_expansion(1);
    }
}

// --- Popup menus ---

void on_popupmenu_object_find_all_references_activate(GtkMenuItem *, gpointer)
{
    show_references_of_selected(objectmodel_get_current_object_id);
}

void on_popupmenu_object_delete_activate(GtkMenuItem *, gpointer)
{
    delete_selected(objectmodel_get_current_object_id);
}

void on_popupmenu_panel_find_all_references_activate(GtkMenuItem *, gpointer)
{
    show_references_of_selected(panelmodels_get_current_panel_index);
}

void on_popupmenu_panel_delete_activate(GtkMenuItem *, gpointer)
{
    delete_selected(panelmodels_get_current_panel_index);
}
