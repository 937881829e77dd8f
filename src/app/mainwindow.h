// The main window: its layout, its lists and previews, and the handlers of
// its menus, lists and buttons. Handlers stay thin: they find what is
// selected, ask what must be asked, call the document's commands or the
// application's file commands, and redraw. Commands that need data do
// nothing until a project is open, and nothing while a load runs.
#pragma once

#include <functional>
#include <gtk/gtk.h>
#include <memory>

#include "app/locations_view.h"
#include "app/mainview.h"
#include "base/gref.h"
#include "editor/placement.h"
#include "files/fileio.h"
#include "ui/context.h"
#include "ui/panelmodels_deflist.h"

class Application;

class MainWindow
{
  public:
    // Builds the window with every widget, list and signal connection, not
    // shown.
    MainWindow(Application &app, UiContext &context);
    ~MainWindow();
    MainWindow(const MainWindow &) = delete;
    MainWindow &operator=(const MainWindow &) = delete;

    GtkWidget *window() const { return window_; }
    // The widget registered under name on the window.
    GtkWidget *widget(const char *name) const;
    MainPreviews &previews() { return previews_; }
    LocationList &locations() { return *locations_; }
    // The definition list shown beside the panels (of the selected panel).
    ZbxDefList *panel_defs() const { return defs_.get(); }

    // --- What is selected (exactly one row) ---
    bool selected_location(int *number) const;
    bool selected_object(int *index) const;
    // The selected panel and its preview colour.
    bool selected_panel(int *index, int *colour = nullptr) const;
    // The definition selected in the definition list.
    bool selected_panel_def(PanelDef *def) const;
    // Moves a list's cursor to a row (in item order, whatever order the list
    // is sorted in), which selects it and runs the list's cursor handler.
    void select_row(const char *view_name, int row);

    // --- What the application tells the window ---
    void set_status(const char *text);
    // Writes object `index` as a PNG image a paint program edits (and the
    // grabber reads back as the same object); the status bar says where.
    bool export_object_image(int index, const char *path);
    // The text beside the status bar: how much of the file's limit the
    // project takes ("59 % used, 12,480 bytes free"), in bold beside a
    // warning icon when less than 5 % is left; empty with no project.
    const char *size_text() const;
    // The reader's progress: the bar's fraction (pending events are handled,
    // so that the window stays drawn) and the phase's text.
    void show_progress(double fraction);
    void show_action(const char *text);
    // While a load runs the main loop the window takes no command.
    void set_commands_sensitive(bool sensitive);
    // The window title and the Edit menu, after a change of the project,
    // its history or its file.
    void update_title(const char *project_name);
    // Applies the loaded options (incremental rendering, clash view,
    // position, kept on the screen).
    void apply_options();
    // The clash view was switched (here or in the editor): the menu item
    // follows and the previews redraw.
    void set_show_clashes(bool on);
    // The data was discarded: previews back to the backdrop.
    void reset_previews();
    // The bar above the lists that says the project's file was changed on
    // disk, with two answers: answer(true) for the first (reload), false for
    // the second. A new one replaces the one shown.
    void show_file_changed(const char *text, const char *reload, const char *keep,
                           std::function<void(bool)> answer);
    void hide_file_changed();
    // The bar, or null while none is shown.
    GtkWidget *file_changed_bar() const { return file_changed_bar_; }

    // --- Commands the tests reach directly ---
    // Stores the selected panel, over its preview colour, into the selected
    // location: one step, "Store as location N". Fails with "Please first
    // select a panel" or "Please first select a location".
    bool store_location(GError **error);
    // Asks whether to clear the selected record; on yes empties it (one
    // step, "Clear location N").
    void clear_location_record();
    // Runs the references dialog with the text until it is answered; a
    // double click on a line naming a panel or a location shows that one.
    void show_references(const char *text);
    // Brings a panel into view: the Panels page, the panel selected and
    // scrolled to in the panel list.
    void show_panel(int panel);
    // Selects a location in the location list and scrolls to it.
    void show_location(int number);

  private:
    void build();
    void connect_signals();
    void render_panel(GdkPixbuf *canvas, int *colour, ComposeClashes *clashes);
    bool commands_allowed() const;
    void show_error(const char *text);
    void say_exported(const char *what, int number, const char *path,
                      const std::vector<FileioNote> &notes = {});
    bool context_press(GtkWidget *view, const GdkEventButton *event,
                       bool (MainWindow::*selected)(int *) const,
                       GtkWidget *(MainWindow::*create)());
    bool context_key(bool (MainWindow::*selected)(int *) const, GtkWidget *(MainWindow::*create)());
    void popup(GtkWidget *menu, guint button, guint32 time);
    void show_references_of_selected(bool (MainWindow::*selected)(int *) const);
    bool delete_selected(bool (MainWindow::*selected)(int *) const);
    bool selected_object_index(int *index) const { return selected_object(index); }
    bool selected_panel_index(int *index) const { return selected_panel(index); }
    GtkWidget *popup_object_menu();
    GtkWidget *popup_panel_menu();
    GtkWidget *popup_location_menu();
    bool selected_location_panel(int *panel) const;
    void edit_location_panel();
    void follow(const DocEvent &event);
    void show_size();

    // --- Handlers ---
    gboolean on_delete_event(GtkWidget *widget, GdkEvent *event);
    void on_new_activate(GtkMenuItem *item);
    void on_open_activate(GtkMenuItem *item);
    void on_recent_item_activated(GtkRecentChooser *chooser);
    void on_save_activate(GtkMenuItem *item);
    void on_save_as_activate(GtkMenuItem *item);
    void on_close_activate(GtkMenuItem *item);
    void on_restore_backup_activate(GtkMenuItem *item);
    void on_export_preview_activate(GtkMenuItem *item);
    void on_quit_activate(GtkMenuItem *item);
    void on_undo_activate(GtkMenuItem *item);
    void on_redo_activate(GtkMenuItem *item);
    void on_incremental_rendering_activate(GtkMenuItem *item);
    void on_show_clashes_toggled(GtkCheckMenuItem *item);
    void on_about_activate(GtkMenuItem *item);
    void on_resources_activate(GtkMenuItem *item);
    gboolean on_focus_press(GtkWidget *widget, GdkEventButton *event);

    gboolean on_location_preview_configure(GtkWidget *area, GdkEventConfigure *event);
    gboolean on_location_preview_expose(GtkWidget *area, GdkEventExpose *event);
    void on_locations_cursor_changed(GtkTreeView *view);
    void on_locations_row_activated(GtkTreeView *view, GtkTreePath *path,
                                    GtkTreeViewColumn *column);
    gboolean on_locations_press(GtkWidget *view, GdkEventButton *event);
    gboolean on_locations_popup_menu(GtkWidget *view);
    void on_location_edit_panel_activate(GtkMenuItem *item);
    void on_location_show_panel_activate(GtkMenuItem *item);
    void on_show_location_panel_clicked(GtkButton *button);
    void on_clear_location_record_clicked(GtkButton *button);

    gboolean on_object_preview_configure(GtkWidget *area, GdkEventConfigure *event);
    gboolean on_object_preview_expose(GtkWidget *area, GdkEventExpose *event);
    gboolean on_object_palette_configure(GtkWidget *area, GdkEventConfigure *event);
    gboolean on_object_palette_expose(GtkWidget *area, GdkEventExpose *event);
    gboolean on_object_palette_press(GtkWidget *area, GdkEventButton *event);
    void on_objects_cursor_changed(GtkTreeView *view);
    gboolean on_objects_popup_menu(GtkWidget *view);
    gboolean on_objects_press(GtkWidget *view, GdkEventButton *event);
    void on_objects_row_activated(GtkTreeView *view, GtkTreePath *path, GtkTreeViewColumn *column);
    void on_import_clicked(GtkButton *button);
    void on_export_clicked(GtkButton *button);
    void on_launch_grabber_clicked(GtkButton *button);

    gboolean on_panel_preview_configure(GtkWidget *area, GdkEventConfigure *event);
    gboolean on_panel_preview_expose(GtkWidget *area, GdkEventExpose *event);
    gboolean on_panel_palette_configure(GtkWidget *area, GdkEventConfigure *event);
    gboolean on_panel_palette_expose(GtkWidget *area, GdkEventExpose *event);
    gboolean on_panel_palette_press(GtkWidget *area, GdkEventButton *event);
    void on_panels_cursor_changed(GtkTreeView *view);
    gboolean on_panels_popup_menu(GtkWidget *view);
    gboolean on_panels_press(GtkWidget *view, GdkEventButton *event);
    void on_panels_row_activated(GtkTreeView *view, GtkTreePath *path, GtkTreeViewColumn *column);
    void on_panel_defs_cursor_changed(GtkTreeView *view);
    void on_panel_edit_clicked(GtkButton *button);
    void on_panel_store_clicked(GtkButton *button);
    void on_new_panel_clicked(GtkButton *button);

    void on_zoom_1_clicked(GtkButton *button);
    void on_zoom_2_clicked(GtkButton *button);
    gboolean on_preview_scroll(GtkWidget *area, GdkEventScroll *event);
    gboolean on_key_press(GtkWidget *window, GdkEventKey *event);
    // Zooms the previews in (+1) or out (-1) through the radio buttons.
    void zoom_by(int step);
    static void keep_on_screen(GtkWidget *window, GtkAllocation *allocation, gpointer self);

    gboolean on_references_press(GtkWidget *view, GdkEventButton *event);
    void on_object_find_references_activate(GtkMenuItem *item);
    void on_object_delete_activate(GtkMenuItem *item);
    void on_panel_find_references_activate(GtkMenuItem *item);
    void on_panel_delete_activate(GtkMenuItem *item);
    void on_object_export_image_activate(GtkMenuItem *item);

    Application &app_;
    UiContext &context_;
    Document &document_;
    GtkWidget *window_ = nullptr;
    GRef<ZbxDefList> defs_;
    ModelView objects_view_;
    ModelView panels_view_;
    ModelView defs_view_;
    std::unique_ptr<LocationList> locations_;
    // "Items therein" as text, with typed positions.
    std::unique_ptr<PlacementColumns> placement_columns_;
    MainPreviews previews_;
    int listener_ = 0;
    // Whether the status bar said that the oldest undo steps were dropped
    // (once per project).
    bool said_history_trimmed_ = false;
    GtkWidget *file_changed_bar_ = nullptr;
    std::function<void(bool)> file_changed_answer_;
};
