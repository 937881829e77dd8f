// The main window's handlers and what they read: the selected rows, the
// location commands, the title, the progress bar and the status bar.
#include "app/mainwindow.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/about.h"
#include "app/application.h"
#include "base/error.h"
#include "files/object_file.h"
#include "items/itemwrapper.h"
#include "items/references.h"
#include "ui/builder.h"
#include "ui/common.h"
#include "ui/i18n.h"

namespace {

// Events handled per progress report at most: a source that is always
// ready must not hold the load.
constexpr int kEventsPerReport = 1000;

// Keeps a stored position on the screen: a position saved on a larger
// screen (or another monitor layout) must not hide the window.
void clamp_to_screen(GtkWindow *window, int *x, int *y)
{
    constexpr int kVisible = 64;
    GdkScreen *screen = gtk_window_get_screen(window);
    const int width = gdk_screen_get_width(screen);
    const int height = gdk_screen_get_height(screen);
    *x = std::clamp(*x, 0, std::max(0, width - kVisible));
    *y = std::clamp(*y, 0, std::max(0, height - kVisible));
}

GtkWidget *new_button(const char *stock, const char *label)
{
    GtkWidget *button = gtk_button_new_with_mnemonic(label);
    gtk_button_set_image(GTK_BUTTON(button), gtk_image_new_from_stock(stock, GTK_ICON_SIZE_BUTTON));
    gtk_widget_set_can_default(button, TRUE);
    return button;
}

GtkWidget *create_dialog_clear_record(GtkWindow *parent)
{
    GtkWidget *dialog = gtk_dialog_new();
    gtk_widget_set_name(dialog, "dialog_clear_record");
    gtk_window_set_title(GTK_WINDOW(dialog), _("Confirm"));
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_MOUSE);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);

    GtkWidget *label = gtk_label_new(_("Are you sure you want to\nclear the selected record?"));
    gtk_misc_set_padding(GTK_MISC(label), 3, 3);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), label, TRUE, TRUE,
                       0);

    GtkWidget *cancel = new_button("gtk-no", _("_No"));
    GtkWidget *ok = new_button("gtk-yes", _("_Yes"));
    gtk_button_box_set_layout(GTK_BUTTON_BOX(gtk_dialog_get_action_area(GTK_DIALOG(dialog))),
                              GTK_BUTTONBOX_END);
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), cancel, GTK_RESPONSE_NO);
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), ok, GTK_RESPONSE_YES);

    ui_name_toplevel(dialog, "dialog_clear_record", nullptr);
    ui_register_widget(dialog, label, "label_clear_record_request");
    ui_register_widget(dialog, ok, "button_clear_record_ok");
    ui_register_widget(dialog, cancel, "button_clear_record_cancel");
    gtk_widget_show_all(gtk_dialog_get_content_area(GTK_DIALOG(dialog)));
    gtk_widget_show_all(gtk_dialog_get_action_area(GTK_DIALOG(dialog)));
    return dialog;
}

// Whatever destroys the window (the program itself takes it down only
// after the main loop) ends the run.
void on_window_destroy(GtkWidget *, gpointer window)
{
    *static_cast<GtkWidget **>(window) = nullptr;
    if (gtk_main_level() > 0) {
        gtk_main_quit();
    }
}

gboolean destroy_menu(gpointer menu)
{
    gtk_widget_destroy(GTK_WIDGET(menu));
    return FALSE;
}

void on_menu_deactivate(GtkMenuShell *shell, gpointer)
{
    g_idle_add(destroy_menu, shell);
}

} // namespace

MainWindow::MainWindow(Application &app, UiContext &context)
    : app_(app), context_(context), document_(context.document), previews_(context, *this)
{
    build();
    g_signal_connect(window_, "destroy", G_CALLBACK(on_window_destroy), &window_);
    ui_attach_icon(window_);
    objects_view_.reset(GTK_TREE_VIEW(widget("treeview_main_objects")));
    modelview_add_number_column(objects_view_.get(), _("Object ID"), OBJ_COL_INDEX);
    context_.objects.show_in(objects_view_.get());
    panels_view_.reset(GTK_TREE_VIEW(widget("treeview_main_panels")));
    modelview_add_number_column(panels_view_.get(), _("Panel ID"), PANEL_COL_INDEX);
    context_.panels.show_in(panels_view_.get());
    defs_.reset(zbx_def_list_new(&document_, -1));
    defs_view_.reset(GTK_TREE_VIEW(widget("treeview_main_panel_defs")));
    placement_columns_ = std::make_unique<PlacementColumns>(
        defs_view_.get(), document_, [this](const char *text) { set_status(text); });
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(defs_view_.get())),
                        _("Items therein"));
    gtk_tree_view_set_model(defs_view_.get(), GTK_TREE_MODEL(defs_.get()));
    locations_ = std::make_unique<LocationList>(document_, context_.images.palette,
                                                GTK_TREE_VIEW(widget("treeview_main_locations")));
    listener_ = document_.add_listener([this](const DocEvent &event) { follow(event); });
    connect_signals();
    // Realise the drawing areas of both notebook pages, so that their
    // canvases exist before any file is opened.
    GtkWidget *notebook = widget("notebook_secondary_controls");
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 1);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 0);
}

MainWindow::~MainWindow()
{
    document_.remove_listener(listener_);
    previews_.stop_drawing();
    if (defs_view_.get() != nullptr) {
        gtk_tree_view_set_model(defs_view_.get(), nullptr);
    }
    if (window_ != nullptr) {
        GtkWidget *window = window_;
        g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(on_window_destroy),
                                             &window_);
        window_ = nullptr;
        gtk_widget_destroy(window);
    }
}

GtkWidget *MainWindow::widget(const char *name) const
{
    return window_ != nullptr ? lookup_widget(window_, name) : nullptr;
}

// The definitions shown follow the selected panel; the size follows the
// data.
void MainWindow::follow(const DocEvent &event)
{
    if (event.what != DocChange::PreviewChanged && event.what != DocChange::HistoryChanged) {
        show_size();
    }
    if (event.what == DocChange::HistoryChanged &&
        document_.history_trimmed() != said_history_trimmed_) {
        said_history_trimmed_ = document_.history_trimmed();
        if (said_history_trimmed_) {
            set_status(_("The oldest steps were dropped from the undo history to keep it within "
                         "its memory bound."));
        }
    }
    int index = -1;
    if ((event.what == DocChange::Reset || event.what == DocChange::ItemDeleted) &&
        !selected_panel(&index)) {
        zbx_def_list_set_panel(defs_.get(), -1);
    }
}

// --- What is selected ---

bool MainWindow::selected_location(int *number) const
{
    return locations_ != nullptr && locations_->selected(number);
}

bool MainWindow::selected_object(int *index) const
{
    GtkTreeModel *model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(objects_view_.get(), &model, &iter)) {
        return false;
    }
    *index = modelview_get_int(model, &iter, OBJ_COL_INDEX);
    return true;
}

bool MainWindow::selected_panel(int *index, int *colour) const
{
    GtkTreeModel *model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(panels_view_.get(), &model, &iter)) {
        return false;
    }
    *index = modelview_get_int(model, &iter, PANEL_COL_INDEX);
    if (colour != nullptr) {
        *colour = modelview_get_int(model, &iter, PANEL_COL_COLOUR);
    }
    return true;
}

bool MainWindow::selected_panel_def(PanelDef *def) const
{
    GtkTreeModel *model = nullptr;
    GtkTreeIter iter;
    if (!modelview_get_selected_row(defs_view_.get(), &model, &iter) || !ZBX_IS_DEF_LIST(model)) {
        return false;
    }
    ZbxDefList *list = ZBX_DEF_LIST(model);
    const PanelDef *row = zbx_def_list_row(list, zbx_def_list_iter_row(list, &iter));
    if (row == nullptr) {
        return false;
    }
    *def = *row;
    return true;
}

void MainWindow::select_row(const char *view_name, int row)
{
    GtkTreeView *view = GTK_TREE_VIEW(widget(view_name));
    GtkTreePath *path = modelview_view_path(view, row);
    if (path == nullptr) {
        return;
    }
    gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
    gtk_tree_view_scroll_to_cell(view, path, nullptr, FALSE, 0.0f, 0.0f);
    gtk_tree_path_free(path);
}

// --- What the application tells the window ---

void MainWindow::set_status(const char *text)
{
    GtkWidget *bar = widget("statusbar_main");
    if (bar == nullptr) {
        return;
    }
    gtk_statusbar_pop(GTK_STATUSBAR(bar), 0);
    gtk_statusbar_push(GTK_STATUSBAR(bar), 0, text);
}

void MainWindow::show_size()
{
    GtkWidget *label = widget("label_main_size");
    GtkWidget *warning = widget("image_main_size_warning");
    if (label == nullptr || warning == nullptr) {
        return;
    }
    if (!document_.is_open()) {
        gtk_label_set_text(GTK_LABEL(label), "");
        gtk_widget_hide(warning);
        return;
    }
    const ProjectSize size = document_.size();
    const std::string text = project_size_text(size);
    if (size.tight()) {
        GCharPtr markup(g_markup_printf_escaped("<b>%s</b>", text.c_str()));
        gtk_label_set_markup(GTK_LABEL(label), markup.get());
        gtk_widget_show(warning);
    } else {
        gtk_label_set_text(GTK_LABEL(label), text.c_str());
        gtk_widget_hide(warning);
    }
}

const char *MainWindow::size_text() const
{
    GtkWidget *label = widget("label_main_size");
    return label != nullptr ? gtk_label_get_text(GTK_LABEL(label)) : "";
}

void MainWindow::show_progress(double fraction)
{
    if (GtkWidget *bar = widget("progressbar_main_zembrix_decode")) {
        gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), CLAMP(fraction, 0.0, 1.0));
    }
    for (int n = 0; n < kEventsPerReport && gtk_events_pending(); n++) {
        gtk_main_iteration();
    }
}

void MainWindow::show_action(const char *text)
{
    if (GtkWidget *bar = widget("progressbar_main_zembrix_decode")) {
        gtk_progress_bar_set_text(GTK_PROGRESS_BAR(bar), text);
    }
}

void MainWindow::set_commands_sensitive(bool sensitive)
{
    // The contents as a whole: the progress bar still shows.
    if (GtkWidget *contents = window_ != nullptr ? gtk_bin_get_child(GTK_BIN(window_)) : nullptr) {
        gtk_widget_set_sensitive(contents, sensitive);
    }
}

void MainWindow::update_title(const char *project_name)
{
    std::string title = _("Zembrix");
    if (document_.is_open()) {
        title = (document_.is_modified() ? "*" : "") + title + " - " + project_name;
    }
    gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
    auto set_item = [this](const char *name, const char *verb, const char *step, bool sensitive) {
        GtkWidget *item = widget(name);
        GCharPtr label(sensitive ? g_strdup_printf("%s %s", verb, step) : g_strdup(verb));
        gtk_image_menu_item_set_use_stock(GTK_IMAGE_MENU_ITEM(item), FALSE);
        gtk_menu_item_set_use_underline(GTK_MENU_ITEM(item), TRUE);
        gtk_menu_item_set_label(GTK_MENU_ITEM(item), label.get());
        gtk_widget_set_sensitive(item, sensitive);
    };
    set_item("undo", _("_Undo"), document_.undo_name(), document_.can_undo());
    set_item("redo", _("_Redo"), document_.redo_name(), document_.can_redo());
}

void MainWindow::apply_options()
{
    int x = 0;
    int y = 0;
    const bool placed = context_.options.window_position(&x, &y);
    GtkWidget *incremental = widget("menuitem_incremental_rendering");
    if (context_.options.incremental_rendering() &&
        !gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(incremental))) {
        // Checks the item; its handler stores the option and saves the file.
        gtk_menu_item_activate(GTK_MENU_ITEM(incremental));
    }
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget("menuitem_show_clashes")),
                                   context_.options.show_clashes());
    if (placed) {
        clamp_to_screen(GTK_WINDOW(window_), &x, &y);
        gtk_window_move(GTK_WINDOW(window_), x, y);
    }
}

void MainWindow::set_show_clashes(bool on)
{
    // A toggle with an "active" property emits nothing when set to what it
    // holds already.
    g_object_set(widget("menuitem_show_clashes"), "active", on ? TRUE : FALSE, nullptr);
    if (previews_.show_clashes() != on) {
        previews_.set_show_clashes(on);
    }
}

void MainWindow::reset_previews()
{
    previews_.stop_drawing();
    previews_.reset();
}

// --- The location commands ---

bool MainWindow::store_location(GError **error)
{
    int panel = 0;
    int colour = 0;
    if (!selected_panel(&panel, &colour)) {
        zbx_set_error(error, ZbxError::Failed, "Please first select a panel");
        return false;
    }
    int number = -1;
    if (!selected_location(&number)) {
        zbx_set_error(error, ZbxError::Failed, "Please first select a location");
        return false;
    }
    DocumentStep step(document_, "Store as location " + std::to_string(number));
    ZbxLocationRecord record;
    record.panel = static_cast<uint8_t>(panel);
    record.colour = static_cast<uint8_t>(colour);
    if (!document_.set_location(number, record)) {
        zbx_set_error(error, ZbxError::Failed, "Please first select a panel");
        return step.fail();
    }
    return true;
}

void MainWindow::clear_location_record()
{
    int number = -1;
    if (!selected_location(&number)) {
        return;
    }
    GtkWidget *dialog = create_dialog_clear_record(GTK_WINDOW(window_));
    const gint answer = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    if (answer == GTK_RESPONSE_YES && document_.is_open()) {
        DocumentStep step(document_, "Clear location " + std::to_string(number));
        document_.set_location(number, ZbxLocationRecord{});
    }
}

// --- Shared by the handlers ---

bool MainWindow::commands_allowed() const
{
    return app_.file_loaded() && !app_.is_busy();
}

void MainWindow::show_error(const char *text)
{
    common_message_dialog(GTK_WINDOW(window_), text, GTK_MESSAGE_ERROR);
}

// " Exported object 3 to PATH" in the status bar, and what the write could
// not keep of the old file.
void MainWindow::say_exported(const char *what, int number, const char *path,
                              const std::vector<FileioNote> &notes)
{
    GCharPtr text(
        g_strdup_printf(" Exported %s %d to %s", what, number, fileio_display_name(path).c_str()));
    std::string status = text.get();
    for (const FileioNote &note : notes) {
        status += ". " + note.message;
    }
    set_status(status.c_str());
}

// Pops a context menu up; it is destroyed once it has closed and its item
// (if any) has run.
void MainWindow::popup(GtkWidget *menu, guint button, guint32 time)
{
    g_signal_connect(menu, "deactivate", G_CALLBACK(on_menu_deactivate), nullptr);
    gtk_menu_popup(GTK_MENU(menu), nullptr, nullptr, nullptr, nullptr, button, time);
}

// --- Going to what a text names ---

void MainWindow::show_panel(int panel)
{
    const std::vector<int> shown = [this] {
        std::vector<int> panels;
        for (int i = 0; i < document_.item_count(); i++) {
            if (document_.item_kind(i) == ZbxItemKind::Panel) {
                panels.push_back(i);
            }
        }
        return panels;
    }();
    const auto at = std::find(shown.begin(), shown.end(), panel);
    if (at == shown.end()) {
        return;
    }
    gtk_notebook_set_current_page(GTK_NOTEBOOK(widget("notebook_secondary_controls")), 1);
    select_row("treeview_main_panels", static_cast<int>(at - shown.begin()));
}

void MainWindow::show_location(int number)
{
    if (number >= 0 && number < kLocationCount && document_.is_open()) {
        select_row("treeview_main_locations", number);
    }
}

// A double click on a line of the references dialog: "Panel 5 ($5): ..."
// shows panel 5, "... elected as location 3 ($3)" location 3; the dialog
// closes.
gboolean MainWindow::on_references_press(GtkWidget *view, GdkEventButton *event)
{
    if (event->type != GDK_2BUTTON_PRESS || event->button != 1) {
        return FALSE;
    }
    int x = 0;
    int y = 0;
    gtk_text_view_window_to_buffer_coords(GTK_TEXT_VIEW(view), GTK_TEXT_WINDOW_TEXT,
                                          static_cast<int>(event->x), static_cast<int>(event->y),
                                          &x, &y);
    GtkTextIter start;
    gtk_text_view_get_iter_at_location(GTK_TEXT_VIEW(view), &start, x, y);
    gtk_text_iter_set_line_offset(&start, 0);
    GtkTextIter end = start;
    gtk_text_iter_forward_to_line_end(&end);
    GCharPtr line(gtk_text_iter_get_text(&start, &end));
    int number = -1;
    if (std::sscanf(line.get(), "Panel was elected as location %d", &number) == 1) {
        show_location(number);
    } else if (std::sscanf(line.get(), "Panel %d", &number) == 1) {
        show_panel(number);
    } else {
        return FALSE;
    }
    gtk_dialog_response(GTK_DIALOG(gtk_widget_get_toplevel(view)), GTK_RESPONSE_OK);
    return TRUE;
}

void MainWindow::show_file_changed(const char *text, const char *reload, const char *keep,
                                   std::function<void(bool)> answer)
{
    hide_file_changed();
    file_changed_answer_ = std::move(answer);
    GtkWidget *bar = gtk_info_bar_new_with_buttons(reload, GTK_RESPONSE_ACCEPT, keep,
                                                   GTK_RESPONSE_REJECT, nullptr);
    gtk_widget_set_name(bar, "infobar_main_file_changed");
    gtk_info_bar_set_message_type(GTK_INFO_BAR(bar), GTK_MESSAGE_WARNING);
    GtkWidget *label = gtk_label_new(text);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_misc_set_alignment(GTK_MISC(label), 0.0f, 0.5f);
    gtk_container_add(GTK_CONTAINER(gtk_info_bar_get_content_area(GTK_INFO_BAR(bar))), label);
    atk_object_set_name(gtk_widget_get_accessible(bar), text);
    g_signal_connect(bar, "response", G_CALLBACK(+[](GtkInfoBar *, gint response, gpointer self) {
                         auto *window = static_cast<MainWindow *>(self);
                         std::function<void(bool)> then = std::move(window->file_changed_answer_);
                         window->hide_file_changed();
                         if (then) {
                             then(response == GTK_RESPONSE_ACCEPT);
                         }
                     }),
                     this);
    GtkWidget *top = widget("vbox_main_top_most");
    gtk_box_pack_start(GTK_BOX(top), bar, FALSE, FALSE, 0);
    // Below the menu bar.
    gtk_box_reorder_child(GTK_BOX(top), bar, 1);
    gtk_widget_show_all(bar);
    file_changed_bar_ = bar;
}

void MainWindow::hide_file_changed()
{
    if (file_changed_bar_ != nullptr) {
        gtk_widget_destroy(file_changed_bar_);
        file_changed_bar_ = nullptr;
    }
}
