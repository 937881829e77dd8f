#include "editor/paneleditor_window.h"
#include "app/context.h"

#include <cstdlib>
#include <cstring>
#include <gdk/gdkkeysyms.h>

#include "app/app.h"
#include "app/common.h"
#include "app/fileopen.h"
#include "app/i18n.h"
#include "app/mainview.h"
#include "app/options.h"
#include "app/panelmodels_deflist.h"
#include "app/support.h"
#include "base/gref.h"
#include "editor/override_window.h"
#include "editor/panelbrowser.h"
#include "files/fileio.h"
#include "render/compose.h"
#include "render/render.h"

namespace {

struct WindowState
{
    GtkWidget *window = nullptr;
    GtkWidget *area = nullptr; // the canvas's drawing area, from its first configure
    GtkTreeView *list = nullptr;
    GRef<ZbxDefList> defs;
    GRef<GdkPixbuf> canvas;
    int expansion = 0;
    bool transparency = false;
    int alpha = kEditorDefaultAlpha;
    bool syncing = false; // the list's cursor is being set from the editor
    bool show_clashes = false;
    ComposeClashes clashes{};
    int listener = 0;
};
WindowState state;

struct TimeoutState
{
    int count = 0;
    guint timeout_id = 0;
};
TimeoutState blink;

// --- Building ---

class EditorBuilder
{
  public:
    EditorBuilder(GtkWidget *top, GtkTooltips *tips) : top_(top), tips_(tips) {}

    GtkWidget *reg(GtkWidget *widget, const char *name)
    {
        zbx_register_widget(top_, widget, name);
        gtk_widget_show(widget);
        return widget;
    }
    void tip(GtkWidget *widget, const char *text)
    {
        gtk_tooltips_set_tip(tips_, widget, text, nullptr);
    }
    void pack(GtkWidget *box, GtkWidget *child, bool expand, int padding = 0)
    {
        gtk_box_pack_start(GTK_BOX(box), child, expand, expand, padding);
    }

    // A button holding an alignment, a box with a stock image and a
    // mnemonic label, named after the button.
    GtkWidget *action(const char *name, const char *stock, const char *text)
    {
        GtkWidget *button = reg(gtk_button_new(), name);
        const char *stem = name + strlen("button_");
        GtkWidget *alignment =
            reg(gtk_alignment_new(0.5f, 0.5f, 0.0f, 0.0f), named("alignment_", stem));
        gtk_container_add(GTK_CONTAINER(button), alignment);
        GtkWidget *hbox = reg(gtk_hbox_new(FALSE, 2), named("hbox_", stem));
        gtk_container_add(GTK_CONTAINER(alignment), hbox);
        pack(hbox,
             reg(gtk_image_new_from_stock(stock, GTK_ICON_SIZE_BUTTON), named("image_", stem)),
             false);
        GtkWidget *label = reg(gtk_label_new_with_mnemonic(text), named("label_", stem));
        gtk_label_set_mnemonic_widget(GTK_LABEL(label), button);
        pack(hbox, label, false);
        return button;
    }

    GtkWidget *arrow(const char *name, const char *image, const char *stock)
    {
        GtkWidget *button = reg(gtk_button_new(), name);
        gtk_container_add(GTK_CONTAINER(button),
                          reg(gtk_image_new_from_stock(stock, GTK_ICON_SIZE_BUTTON), image));
        return button;
    }

  private:
    const char *named(const char *prefix, const char *stem)
    {
        name_.reset(g_strconcat(prefix, stem, nullptr));
        return name_.get();
    }
    GtkWidget *top_;
    GtkTooltips *tips_;
    GCharPtr name_;
};

void connect(GtkWidget *window, const char *name, const char *signal, GCallback handler)
{
    g_signal_connect(lookup_widget(window, name), signal, handler, nullptr);
}

// --- Keeping the window in step with the editor ---

GtkWidget *widget(const char *name)
{
    return state.window != nullptr ? lookup_widget(state.window, name) : nullptr;
}

// Puts the list's cursor on the editor's selection (or clears it).
void sync_cursor()
{
    if (state.list == nullptr) {
        return;
    }
    state.syncing = true;
    const int row = paneleditor_selected_row();
    GtkTreeSelection *selection = gtk_tree_view_get_selection(state.list);
    if (row >= 0) {
        GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
        gtk_tree_view_set_cursor(state.list, path, nullptr, FALSE);
        gtk_tree_path_free(path);
    } else {
        gtk_tree_selection_unselect_all(selection);
    }
    state.syncing = false;
}

void after_operation()
{
    paneleditor_reset_click_depth();
    sync_cursor();
    paneleditor_refresh();
}

void follow(const DocEvent &event)
{
    if (event.what == DocChange::HistoryChanged || event.what == DocChange::PreviewChanged ||
        state.window == nullptr || !GTK_WIDGET_VISIBLE(state.window)) {
        return;
    }
    if (paneleditor_panel() != zbx_def_list_panel(state.defs.get())) {
        zbx_def_list_set_panel(state.defs.get(), paneleditor_panel());
    }
    sync_cursor();
    paneleditor_refresh();
}

void move(int dx, int dy)
{
    // The document's report re-renders when it moved.
    paneleditor_item_move(dx, dy);
    paneleditor_reset_click_depth();
}

void zoom(GtkButton *button, int expansion)
{
    if (!gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)) || state.window == nullptr) {
        return;
    }
    state.expansion = expansion;
    GtkWidget *area = widget("drawingarea_panel_editor_location");
    const bool shown = GTK_WIDGET_VISIBLE(state.window);
    gtk_widget_hide(state.window);
    gtk_widget_set_size_request(area, back_width << expansion, back_height << expansion);
    if (shown) {
        gtk_widget_show(state.window);
    }
    paneleditor_reset_click_depth();
}

} // namespace

GtkWidget *create_window_panel_editor()
{
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    zbx_name_toplevel(window, "window_panel_editor", _("Zembrix - Panel editor"));
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    GtkTooltips *tooltips = gtk_tooltips_new();
    zbx_register_object(window, tooltips, "tooltips");
    EditorBuilder b(window, tooltips);

    GtkWidget *top = b.reg(gtk_vbox_new(FALSE, 0), "vbox_panel_editor_top_most");
    gtk_container_add(GTK_CONTAINER(window), top);
    GtkWidget *work = b.reg(gtk_hbox_new(FALSE, 0), "hbox_panel_editor_work_area");
    b.pack(top, work, true);

    // The canvas and the controls below it.
    GtkWidget *pane = b.reg(gtk_vbox_new(FALSE, 0), "vbox_panel_editor_drawing_pane");
    b.pack(work, pane, false);
    GtkWidget *frame = b.reg(gtk_frame_new(nullptr), "frame_panel_editor_location");
    gtk_container_set_border_width(GTK_CONTAINER(frame), 2);
    b.pack(pane, frame, false);
    GtkWidget *area = b.reg(gtk_drawing_area_new(), "drawingarea_panel_editor_location");
    gtk_widget_set_size_request(area, back_width, back_height);
    GTK_WIDGET_SET_FLAGS(area, GTK_CAN_FOCUS);
    gtk_widget_add_events(area, GDK_POINTER_MOTION_MASK | GDK_POINTER_MOTION_HINT_MASK |
                                    GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                    GDK_KEY_PRESS_MASK);
    gtk_container_add(GTK_CONTAINER(frame), area);

    GtkWidget *controls = b.reg(gtk_hbox_new(FALSE, 0), "hbox_panel_editor_drawing_controls");
    b.pack(pane, controls, false);
    GtkWidget *align =
        b.reg(gtk_alignment_new(0.5f, 0.5f, 0.0f, 0.0f), "alignment_panel_editor_drawing_cursors");
    gtk_alignment_set_padding(GTK_ALIGNMENT(align), 4, 2, 0, 0);
    b.pack(controls, align, true);
    GtkWidget *cross = b.reg(gtk_table_new(3, 3, FALSE), "table_panel_editor_drawing_cursors");
    gtk_container_add(GTK_CONTAINER(align), cross);
    struct
    {
        const char *name, *image, *stock;
        int column, row;
    } const arrows[] = {
        {"button_panel_editor_curs_up", "image_panel_editor_up", "gtk-go-up", 1, 0},
        {"button_panel_editor_curs_down", "image_panel_editor_down", "gtk-go-down", 1, 2},
        {"button_panel_editor_curs_left", "image_panel_editor_left", "gtk-go-back", 0, 1},
        {"button_panel_editor_curs_right", "image_panel_editor_right", "gtk-go-forward", 2, 1},
    };
    for (const auto &a : arrows) {
        gtk_table_attach(GTK_TABLE(cross), b.arrow(a.name, a.image, a.stock), a.column,
                         a.column + 1, a.row, a.row + 1, GTK_FILL, GTK_FILL, 0, 0);
    }

    GtkWidget *options = b.reg(gtk_vbox_new(FALSE, 0), "vbox_panel_editor_drawing_options");
    gtk_box_pack_start(GTK_BOX(controls), options, FALSE, FALSE, 3);
    GtkWidget *zoom_box = b.reg(gtk_hbox_new(FALSE, 0), "hbox_panel_editor_drawing_options_zoom");
    b.pack(options, zoom_box, false);
    b.pack(zoom_box,
           b.reg(gtk_label_new(_("Zoom level:")), "label_panel_editor_drawing_options_zoom_level"),
           false);
    GSList *group = nullptr;
    for (auto [name, text] : {std::pair{"radiobutton_panel_editor_zoom_1", "1X"},
                              std::pair{"radiobutton_panel_editor_zoom_2", "2X"},
                              std::pair{"radiobutton_panel_editor_zoom_4", "4X"}}) {
        GtkWidget *radio = b.reg(gtk_radio_button_new_with_label(group, _(text)), name);
        group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(radio));
        b.pack(zoom_box, radio, false);
    }
    GtkWidget *blink_button = b.reg(gtk_check_button_new_with_label(_(
                                        "Blink frame around selected\nitem for better visibility")),
                                    "checkbutton_panel_editor_blink_frame");
    b.tip(blink_button, _("If enabled, the frame around the currently selected item will change "
                          "color for improved visibility"));
    b.pack(options, blink_button, false);
    GtkWidget *reverse = b.reg(
        gtk_check_button_new_with_label(_("Select closer items first\nwhen two or more overlap")),
        "checkbutton_panel_editor_select_reverse");
    b.tip(reverse, _("If enabled, overlapping items will be selected from the closest to the "
                     "farthest (default is the other way around)"));
    b.pack(options, reverse, false);
    GtkWidget *clashes = b.reg(gtk_check_button_new_with_mnemonic(_("Show colour _clashes")),
                               "checkbutton_panel_editor_show_clashes");
    b.tip(clashes, _("Frame the cells where the three-colour rule changes the picture"));
    b.pack(options, clashes, false);

    // The list and the actions.
    GtkWidget *defs_actions = b.reg(gtk_hbox_new(FALSE, 0), "hbox_panel_editor_defs_and_actions");
    b.pack(work, defs_actions, true);
    GtkWidget *defs = b.reg(gtk_vbox_new(FALSE, 0), "vbox_panel_editor_defs");
    b.pack(defs_actions, defs, true);
    GtkWidget *scrolled =
        b.reg(gtk_scrolled_window_new(nullptr, nullptr), "scrolledwindow_panel_editor_defs");
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
    b.pack(defs, scrolled, true);
    GtkWidget *list = b.reg(gtk_tree_view_new(), "treeview_panel_editor_panel_defs");
    gtk_tree_view_set_rules_hint(GTK_TREE_VIEW(list), TRUE);
    gtk_container_add(GTK_CONTAINER(scrolled), list);
    GtkWidget *transparency_box =
        b.reg(gtk_hbox_new(FALSE, 0), "hbox_panel_editor_transparency_controls");
    b.pack(defs, transparency_box, false);
    GtkWidget *transparency =
        b.reg(gtk_check_button_new_with_label(_("Transparent if disabled. Alpha:")),
              "checkbutton_panel_editor_transparency");
    b.tip(transparency, _("If enabled items that are disabled will be rendered using the selected "
                          "alpha value rather than being hidden"));
    gtk_box_pack_start(GTK_BOX(transparency_box), transparency, FALSE, FALSE, 2);
    GtkObject *adjustment = gtk_adjustment_new(kEditorDefaultAlpha, 0, 255, 1, 10, 0);
    GtkWidget *alpha = b.reg(gtk_spin_button_new(GTK_ADJUSTMENT(adjustment), 1, 0),
                             "spinbutton_panel_editor_alpha");
    gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(alpha), TRUE);
    b.tip(alpha, _("Alpha value for disabled items"));
    b.pack(transparency_box, alpha, false);

    GtkWidget *actions = b.reg(gtk_vbox_new(FALSE, 0), "vbox_panel_editor_actions");
    b.pack(defs_actions, actions, true);
    struct
    {
        const char *name, *stock, *text;
        GCallback handler;
    } const buttons[] = {
        {"button_panel_editor_add_new_def", "gtk-new", _("_Add new..."),
         G_CALLBACK(on_button_panel_editor_add_new_def_clicked)},
        {"button_panel_editor_move_def_to_back", "gtk-goto-top", _("Move to _back"),
         G_CALLBACK(on_button_panel_editor_move_def_to_back_clicked)},
        {"button_panel_editor_move_def_farther", "gtk-go-up", _("Move fa_rther"),
         G_CALLBACK(on_button_panel_editor_move_def_farther_clicked)},
        {"button_panel_editor_move_def_closer", "gtk-go-down", _("Move _closer"),
         G_CALLBACK(on_button_panel_editor_move_def_closer_clicked)},
        {"button_panel_editor_bring_def_to_front", "gtk-goto-bottom", _("Bring to fr_ont"),
         G_CALLBACK(on_button_panel_editor_bring_def_to_front_clicked)},
        {"button_panel_editor_clone_def", "gtk-copy", _("Clo_ne"),
         G_CALLBACK(on_button_panel_editor_clone_def_clicked)},
        {"button_panel_editor_color_override", "gtk-select-color", _("Colo_ur overrides..."),
         G_CALLBACK(on_button_panel_editor_color_override_clicked)},
        {"button_panel_editor_delete_def", "gtk-delete", _("De_lete"),
         G_CALLBACK(on_button_panel_editor_delete_def_clicked)},
    };
    for (const auto &button : buttons) {
        GtkWidget *w = b.action(button.name, button.stock, button.text);
        b.pack(actions, w, false);
        g_signal_connect(w, "clicked", button.handler, nullptr);
    }

    GtkWidget *status = b.reg(gtk_statusbar_new(), "statusbar_panel_editor");
    gtk_statusbar_set_has_resize_grip(GTK_STATUSBAR(status), FALSE);
    b.pack(top, status, false);

    // Signals.
    g_signal_connect(window, "delete_event", G_CALLBACK(on_window_panel_editor_delete_event),
                     nullptr);
    g_signal_connect(window, "show", G_CALLBACK(on_window_panel_editor_show), nullptr);
    g_signal_connect(window, "key_press_event", G_CALLBACK(on_window_panel_editor_key_press_event),
                     nullptr);
    const char *da = "drawingarea_panel_editor_location";
    connect(window, da, "expose_event", G_CALLBACK(on_drawingarea_panel_editor_expose_event));
    connect(window, da, "configure_event", G_CALLBACK(on_drawingarea_panel_editor_configure_event));
    connect(window, da, "button_press_event",
            G_CALLBACK(on_drawingarea_location_button_press_event));
    connect(window, da, "button_release_event",
            G_CALLBACK(on_drawingarea_panel_editor_button_release_event));
    connect(window, da, "motion_notify_event",
            G_CALLBACK(on_drawingarea_panel_editor_motion_notify_event));
    connect(window, da, "key_press_event", G_CALLBACK(on_drawingarea_panel_editor_key_press_event));
    connect(window, "button_panel_editor_curs_up", "clicked",
            G_CALLBACK(on_button_panel_editor_curs_up_clicked));
    connect(window, "button_panel_editor_curs_down", "clicked",
            G_CALLBACK(on_button_panel_editor_curs_down_clicked));
    connect(window, "button_panel_editor_curs_left", "clicked",
            G_CALLBACK(on_button_panel_editor_curs_left_clicked));
    connect(window, "button_panel_editor_curs_right", "clicked",
            G_CALLBACK(on_button_panel_editor_curs_right_clicked));
    connect(window, "radiobutton_panel_editor_zoom_1", "clicked",
            G_CALLBACK(on_radiobutton_panel_editor_zoom_1_clicked));
    connect(window, "radiobutton_panel_editor_zoom_2", "clicked",
            G_CALLBACK(on_radiobutton_panel_editor_zoom_2_clicked));
    connect(window, "radiobutton_panel_editor_zoom_4", "clicked",
            G_CALLBACK(on_radiobutton_panel_editor_zoom_4_clicked));
    connect(window, "checkbutton_panel_editor_blink_frame", "toggled",
            G_CALLBACK(on_checkbutton_panel_editor_blink_frame_toggled));
    connect(window, "checkbutton_panel_editor_show_clashes", "toggled",
            G_CALLBACK(on_checkbutton_panel_editor_show_clashes_toggled));
    connect(window, "checkbutton_panel_editor_select_reverse", "toggled",
            G_CALLBACK(on_checkbutton_panel_editor_select_reverse_toggled));
    connect(window, "treeview_panel_editor_panel_defs", "cursor_changed",
            G_CALLBACK(on_treeview_panel_editor_panel_defs_cursor_changed));
    connect(window, "checkbutton_panel_editor_transparency", "toggled",
            G_CALLBACK(on_checkbutton_panel_editor_transparency_toggled));
    connect(window, "spinbutton_panel_editor_alpha", "changed",
            G_CALLBACK(on_spinbutton_panel_editor_alpha_changed));
    return window;
}

GtkWidget *create_dialog_delete_def()
{
    GtkWidget *dialog = gtk_dialog_new();
    zbx_name_toplevel(dialog, "dialog_delete_def", _("Confirm deletion"));
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_MOUSE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    if (state.window != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(state.window));
    }
    EditorBuilder b(dialog, nullptr);
    GtkWidget *vbox = b.reg(GTK_DIALOG(dialog)->vbox, "vbox_delete_def_top_most");
    GtkWidget *label =
        b.reg(gtk_label_new(_("Are you sure you want to delete the current item?\nBe aware that "
                              "the change might not be visible if the item is behind other ones.")),
              "label_delete_def_request");
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_misc_set_padding(GTK_MISC(label), 3, 3);
    b.pack(vbox, label, false);
    GtkWidget *buttons = b.reg(GTK_DIALOG(dialog)->action_area, "hbuttonbox_delete_def");
    gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_SPREAD);
    struct
    {
        const char *name, *stock, *text;
        int response;
    } const answers[] = {
        {"button_delete_def_yes", "gtk-apply", _("Yes"), GTK_RESPONSE_YES},
        {"button_delete_def_yes_all", "gtk-yes", _("Yes for all"), GTK_RESPONSE_APPLY},
        {"button_delete_def_no", "gtk-no", _("No"), GTK_RESPONSE_NO},
    };
    for (const auto &answer : answers) {
        GtkWidget *button = b.action(answer.name, answer.stock, answer.text);
        gtk_dialog_add_action_widget(GTK_DIALOG(dialog), button, answer.response);
        GTK_WIDGET_SET_FLAGS(button, GTK_CAN_DEFAULT);
    }
    return dialog;
}

void paneleditor_window_module_init(GtkWidget *window)
{
    paneleditor_window_cleanup();
    paneleditor_module_init();
    state.window = window;
    if (window == nullptr) {
        return;
    }
    state.list = GTK_TREE_VIEW(lookup_widget(window, "treeview_panel_editor_panel_defs"));
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
        g_object_set_data(G_OBJECT(cell), "column", GINT_TO_POINTER(static_cast<int>(t.flag)));
        g_signal_connect(cell, "toggled", G_CALLBACK(item_toggled), nullptr);
        GtkTreeViewColumn *column =
            gtk_tree_view_column_new_with_attributes(t.title, cell, "active", t.column, nullptr);
        if (t.objects_only) {
            gtk_tree_view_column_add_attribute(column, cell, "visible", DEF_COL_IS_OBJECT);
        }
        gtk_tree_view_column_set_alignment(column, 0.5f);
        gtk_tree_view_append_column(state.list, column);
    }
    GtkCellRenderer *text = gtk_cell_renderer_text_new();
    gtk_tree_view_append_column(state.list, gtk_tree_view_column_new_with_attributes(
                                                _("Item"), text, "text", DEF_COL_ITEM, nullptr));
    // Not the main window's "Item": a screen reader tells the two apart.
    atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(state.list)), _("Placements"));
    state.defs.reset(zbx_def_list_new(-1));
    gtk_tree_view_set_model(state.list, GTK_TREE_MODEL(state.defs.get()));
    state.listener = app_document().add_listener(follow, 1);
}

void paneleditor_window_cleanup()
{
    timeout_stop();
    if (state.listener != 0) {
        app_document().remove_listener(state.listener);
    }
    if (state.list != nullptr && GTK_IS_TREE_VIEW(state.list)) {
        gtk_tree_view_set_model(state.list, nullptr);
    }
    state = WindowState{};
    paneleditor_cleanup();
}

void paneleditor_window_open(int panel, int colour)
{
    if (state.window == nullptr) {
        return;
    }
    paneleditor_on_panel_edit_clicked(panel, colour);
    zbx_def_list_set_panel(state.defs.get(), paneleditor_panel());
    sync_cursor();
    GtkStatusbar *bar = GTK_STATUSBAR(widget("statusbar_panel_editor"));
    const guint context = gtk_statusbar_get_context_id(bar, "panel");
    gtk_statusbar_pop(bar, context);
    gtk_statusbar_push(bar, context, paneleditor_status_text(panel, colour).c_str());
    if (window_main != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(state.window), GTK_WINDOW(window_main));
    }
    // Starts from the setting the main window shows.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget("checkbutton_panel_editor_show_clashes")),
                                 options_get_show_clashes());
    gtk_widget_show(state.window);
    gtk_window_present(GTK_WINDOW(state.window));
}

GdkPixbuf *paneleditor_get_canvas()
{
    return state.canvas.get();
}

int paneleditor_get_expansion()
{
    return state.expansion;
}

void paneleditor_refresh()
{
    if (!state.canvas) {
        return;
    }
    state.clashes.reset();
    paneleditor_render_location(state.canvas.get(), state.transparency, state.alpha,
                                state.show_clashes ? &state.clashes : nullptr);
    if (state.area != nullptr) {
        gtk_widget_queue_draw(state.area);
    }
}

void paneleditor_set_show_clashes(bool on)
{
    state.show_clashes = on;
    paneleditor_refresh();
}

const ComposeClashes &paneleditor_get_clashes()
{
    return state.clashes;
}

GdkPixbuf *paneleditor_shown_image()
{
    if (!state.canvas) {
        return nullptr;
    }
    return render_shown_image(state.canvas.get(), state.expansion,
                              state.show_clashes ? &state.clashes : nullptr);
}

void paneleditor_export_canvas()
{
    const int panel = paneleditor_panel();
    GRef<GdkPixbuf> image(paneleditor_shown_image());
    if (!image || panel < 0) {
        return;
    }
    GCharPtr suggested(g_strdup_printf("panel_%d.png", panel));
    char *chosen = nullptr;
    if (!fileopen_save_png_file(suggested.get(), &chosen)) {
        return;
    }
    GCharPtr path(chosen);
    std::vector<uint8_t> png;
    GErrorPtr error;
    if (!pixbufs_encode_png(image.get(), &png, error.out()) ||
        !fileio_write_file(path.get(), png, error.out())) {
        common_message_dialog(GTK_WINDOW(state.window), error.message(), GTK_MESSAGE_ERROR);
        return;
    }
    GCharPtr shown(g_filename_display_name(path.get()));
    GCharPtr text(g_strdup_printf(" Exported panel %d to %s", panel, shown.get()));
    GtkStatusbar *bar = GTK_STATUSBAR(widget("statusbar_panel_editor"));
    const guint context = gtk_statusbar_get_context_id(bar, "export");
    gtk_statusbar_pop(bar, context);
    gtk_statusbar_push(bar, context, text.get());
}

void paneleditor_treeview_panel_defs_cursor_changed()
{
    GtkTreeModel *model = nullptr;
    GtkTreeIter iter;
    GtkTreeSelection *selection = gtk_tree_view_get_selection(state.list);
    if (gtk_tree_selection_count_selected_rows(selection) == 1 &&
        gtk_tree_selection_get_selected(selection, &model, &iter) && ZBX_IS_DEF_LIST(model)) {
        paneleditor_select_row(zbx_def_list_iter_row(ZBX_DEF_LIST(model), &iter));
    } else {
        paneleditor_select_row(-1);
    }
}

void paneleditor_draw_rectangle_around_item(GtkWidget *area, int colour_flag, int expansion)
{
    const int row = paneleditor_selected_row();
    ZbxRect box{};
    if (row < 0 ||
        !paneleditor_def_box(app_document().panel_defs(paneleditor_panel())[row], &box)) {
        return;
    }
    common_stroke_item_frame(area, colour_flag, expansion, box);
}

void on_delete_def_helper()
{
    const bool deleted = paneleditor_delete_with_confirmation([] {
        GtkWidget *dialog = create_dialog_delete_def();
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

// --- The blink timer ---

void timeout_start()
{
    if (blink.timeout_id == 0) {
        blink.timeout_id = g_timeout_add(500, timeout, nullptr);
    }
}

void timeout_stop()
{
    if (blink.timeout_id != 0) {
        g_source_remove(blink.timeout_id);
    }
    blink = TimeoutState{};
}

void timeout_next_tick()
{
    blink.count++;
}

int timeout_get_count()
{
    return blink.count;
}

gboolean timeout(gpointer)
{
    timeout_next_tick();
    if (state.area != nullptr) {
        gtk_widget_queue_draw(state.area);
    }
    return TRUE;
}

// --- Handlers ---

gboolean on_window_panel_editor_delete_event(GtkWidget *window, GdkEvent *, gpointer)
{
    paneleditor_reset_environment();
    sync_cursor();
    gtk_widget_hide(window);
    // The document kept every box right; the main window shows the result.
    if (window_main != nullptr) {
        mainview_after_panel_edit();
    }
    return TRUE;
}

void on_window_panel_editor_show(GtkWidget *, gpointer)
{
    paneleditor_refresh();
}

gboolean on_window_panel_editor_key_press_event(GtkWidget *, GdkEventKey *event, gpointer)
{
    const guint mods = event->state & gtk_accelerator_get_default_mod_mask();
    const guint key = gdk_keyval_to_lower(event->keyval);
    if (paneleditor_is_dragging()) {
        return FALSE;
    }
    if (mods == GDK_CONTROL_MASK && key == GDK_z) {
        app_document().undo();
        return TRUE;
    }
    if (mods == GDK_CONTROL_MASK && key == GDK_e) {
        paneleditor_export_canvas();
        return TRUE;
    }
    if ((mods == (GDK_CONTROL_MASK | GDK_SHIFT_MASK) && key == GDK_z) ||
        (mods == GDK_CONTROL_MASK && key == GDK_y)) {
        app_document().redo();
        return TRUE;
    }
    return FALSE;
}

gboolean on_drawingarea_panel_editor_expose_event(GtkWidget *area, GdkEventExpose *event, gpointer)
{
    if (!state.canvas || area->window == nullptr) {
        return FALSE;
    }
    cairo_t *cr = gdk_cairo_create(area->window);
    gdk_cairo_rectangle(cr, &event->area);
    cairo_clip(cr);
    GRef<GdkPixbuf> shown;
    if (state.show_clashes && state.clashes.any()) {
        // The frames lie on whole pixels of the zoomed picture.
        shown.reset(paneleditor_shown_image());
    } else {
        const double scale = 1 << state.expansion;
        cairo_scale(cr, scale, scale);
    }
    gdk_cairo_set_source_pixbuf(cr, shown ? shown.get() : state.canvas.get(), 0, 0);
    // Each C64 pixel a square block.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_destroy(cr);
    paneleditor_draw_rectangle_around_item(area, timeout_get_count() % 2, state.expansion);
    return TRUE;
}

gboolean on_drawingarea_panel_editor_configure_event(GtkWidget *area, GdkEventConfigure *, gpointer)
{
    if (!state.canvas) {
        state.canvas.reset(canvas_new());
    }
    if (state.area == nullptr) {
        state.area = area;
    }
    paneleditor_refresh();
    return TRUE;
}

gboolean on_drawingarea_location_button_press_event(GtkWidget *area, GdkEventButton *event,
                                                    gpointer)
{
    if (event->type != GDK_BUTTON_PRESS || event->button != 1) {
        return TRUE;
    }
    const int x = static_cast<int>(event->x) >> state.expansion;
    const int y = (static_cast<int>(event->y) >> state.expansion) - kComposeAreaTop;
    gtk_widget_grab_focus(area);
    paneleditor_button_press(x, y);
    sync_cursor();
    paneleditor_refresh();
    return TRUE;
}

gboolean on_drawingarea_panel_editor_button_release_event(GtkWidget *, GdkEventButton *event,
                                                          gpointer)
{
    if (event->button == 3) {
        // The drag ends: its moves are one step.
        paneleditor_motion_handler_reset();
    }
    return TRUE;
}

gboolean on_drawingarea_panel_editor_motion_notify_event(GtkWidget *area, GdkEventMotion *event,
                                                         gpointer)
{
    int x = static_cast<int>(event->x);
    int y = static_cast<int>(event->y);
    GdkModifierType buttons = static_cast<GdkModifierType>(event->state);
    if (event->is_hint) {
        gdk_window_get_pointer(area->window, &x, &y, &buttons);
    }
    if (buttons & GDK_BUTTON3_MASK) {
        paneleditor_motion_handler(x >> state.expansion, (y >> state.expansion) - kComposeAreaTop);
    } else {
        paneleditor_motion_handler_reset();
    }
    paneleditor_reset_click_depth();
    return TRUE;
}

gboolean on_drawingarea_panel_editor_key_press_event(GtkWidget *, GdkEventKey *event, gpointer)
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
        on_delete_def_helper();
        return TRUE;
    default:
        return FALSE;
    }
}

void on_button_panel_editor_curs_up_clicked(GtkButton *, gpointer)
{
    move(0, -kEditorCell);
}

void on_button_panel_editor_curs_down_clicked(GtkButton *, gpointer)
{
    move(0, kEditorCell);
}

void on_button_panel_editor_curs_left_clicked(GtkButton *, gpointer)
{
    move(-kEditorCell, 0);
}

void on_button_panel_editor_curs_right_clicked(GtkButton *, gpointer)
{
    move(kEditorCell, 0);
}

void on_radiobutton_panel_editor_zoom_1_clicked(GtkButton *button, gpointer)
{
    zoom(button, 0);
}

void on_radiobutton_panel_editor_zoom_2_clicked(GtkButton *button, gpointer)
{
    zoom(button, 1);
}

void on_radiobutton_panel_editor_zoom_4_clicked(GtkButton *button, gpointer)
{
    zoom(button, 2);
}

void on_checkbutton_panel_editor_blink_frame_toggled(GtkToggleButton *button, gpointer)
{
    if (gtk_toggle_button_get_active(button)) {
        timeout_start();
    } else {
        timeout_stop();
        if (state.area != nullptr) {
            gtk_widget_queue_draw(state.area);
        }
    }
}

void on_checkbutton_panel_editor_show_clashes_toggled(GtkToggleButton *button, gpointer)
{
    const bool on = gtk_toggle_button_get_active(button) != FALSE;
    common_set_show_clashes(on);
    paneleditor_set_show_clashes(on);
}

void on_checkbutton_panel_editor_select_reverse_toggled(GtkToggleButton *button, gpointer)
{
    paneleditor_set_click_reverse(gtk_toggle_button_get_active(button));
}

void on_treeview_panel_editor_panel_defs_cursor_changed(GtkTreeView *, gpointer)
{
    if (state.syncing) {
        return;
    }
    paneleditor_treeview_panel_defs_cursor_changed();
    paneleditor_refresh();
}

void on_checkbutton_panel_editor_transparency_toggled(GtkToggleButton *button, gpointer)
{
    state.transparency = gtk_toggle_button_get_active(button);
    paneleditor_refresh();
}

void on_spinbutton_panel_editor_alpha_changed(GtkEditable *editable, gpointer)
{
    state.alpha = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(editable));
    paneleditor_refresh();
}

void on_button_panel_editor_add_new_def_clicked(GtkButton *, gpointer)
{
    // The browser supplies the items to insert.
    panelbrowser_show();
}

void on_button_panel_editor_move_def_to_back_clicked(GtkButton *, gpointer)
{
    paneleditor_move_def_to_back();
    after_operation();
}

void on_button_panel_editor_move_def_farther_clicked(GtkButton *, gpointer)
{
    paneleditor_move_def_farther();
    after_operation();
}

void on_button_panel_editor_move_def_closer_clicked(GtkButton *, gpointer)
{
    paneleditor_move_def_closer();
    after_operation();
}

void on_button_panel_editor_bring_def_to_front_clicked(GtkButton *, gpointer)
{
    paneleditor_bring_def_to_front();
    after_operation();
}

void on_button_panel_editor_clone_def_clicked(GtkButton *, gpointer)
{
    paneleditor_clone_def();
    after_operation();
}

void on_button_panel_editor_color_override_clicked(GtkButton *, gpointer)
{
    paneleditor_color_override_edit();
}

void on_button_panel_editor_delete_def_clicked(GtkButton *, gpointer)
{
    on_delete_def_helper();
}

void item_toggled(GtkCellRendererToggle *cell, gchar *path, gpointer)
{
    const auto flag =
        static_cast<EditorFlag>(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(cell), "column")));
    // The document's report re-renders the canvas.
    paneleditor_toggle(atoi(path), flag);
}
