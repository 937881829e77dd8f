// The panel editor's window and its delete question, as widgets.
#include "editor/paneleditor_layout.h"

#include <algorithm>
#include <atk/atk.h>
#include <cstring>
#include <utility>

#include "base/gref.h"
#include "editor/paneleditor.h"
#include "render/canvas.h"
#include "ui/builder.h"
#include "ui/i18n.h"

namespace {

class EditorBuilder
{
  public:
    EditorBuilder(GtkWidget *top, GtkTooltips *tips) : top_(top), tips_(tips) {}

    GtkWidget *reg(GtkWidget *widget, const char *name)
    {
        ui_register_widget(top_, widget, name);
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

// Names a control for screen readers where no label names it.
void name_for_readers(GtkWidget *widget, const char *name)
{
    AtkObject *accessible = gtk_widget_get_accessible(widget);
    atk_object_set_name(accessible, name);
    if (GTK_IS_DRAWING_AREA(widget)) {
        atk_object_set_role(accessible, ATK_ROLE_DRAWING_AREA);
    }
}

} // namespace

void paneleditor_fit_canvas_view(GtkWidget *scrolled, int zoom)
{
    // The border and the frame of the scrolled window.
    const int frame = 8;
    const bool wide = (back_width << zoom) + frame > kEditorViewMaxWidth;
    const bool tall = (back_height << zoom) + frame > kEditorViewMaxHeight;
    // Scroll bars only along an axis that cannot show the whole screen, and
    // there always: an automatic bar would stay once shown.
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled),
                                   wide ? GTK_POLICY_ALWAYS : GTK_POLICY_NEVER,
                                   tall ? GTK_POLICY_ALWAYS : GTK_POLICY_NEVER);
    gtk_widget_set_size_request(scrolled, wide ? kEditorViewMaxWidth : -1,
                                tall ? kEditorViewMaxHeight : -1);
}

GtkWidget *paneleditor_create_window()
{
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    ui_name_toplevel(window, "window_panel_editor", _("Zembrix - Panel editor"));
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    GtkTooltips *tooltips = gtk_tooltips_new();
    ui_register_object(window, tooltips, "tooltips");
    EditorBuilder b(window, tooltips);

    GtkWidget *top = b.reg(gtk_vbox_new(FALSE, 0), "vbox_panel_editor_top_most");
    gtk_container_add(GTK_CONTAINER(window), top);
    GtkWidget *work = b.reg(gtk_hbox_new(FALSE, 0), "hbox_panel_editor_work_area");
    b.pack(top, work, true);

    // The canvas and the controls below it.
    GtkWidget *pane = b.reg(gtk_vbox_new(FALSE, 0), "vbox_panel_editor_drawing_pane");
    b.pack(work, pane, false);
    // The canvas scrolls where the zoomed screen is larger than the room
    // left for it (paneleditor_fit_canvas_view).
    GtkWidget *view =
        b.reg(gtk_scrolled_window_new(nullptr, nullptr), "scrolledwindow_panel_editor_location");
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(view), GTK_SHADOW_IN);
    gtk_container_set_border_width(GTK_CONTAINER(view), 2);
    b.pack(pane, view, false);
    GtkWidget *area = b.reg(gtk_drawing_area_new(), "drawingarea_panel_editor_location");
    gtk_widget_set_size_request(area, back_width, back_height);
    GTK_WIDGET_SET_FLAGS(area, GTK_CAN_FOCUS);
    gtk_widget_add_events(area, GDK_POINTER_MOTION_MASK | GDK_POINTER_MOTION_HINT_MASK |
                                    GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                    GDK_KEY_PRESS_MASK | GDK_SCROLL_MASK | GDK_LEAVE_NOTIFY_MASK);
    gtk_scrolled_window_add_with_viewport(GTK_SCROLLED_WINDOW(view), area);
    gtk_viewport_set_shadow_type(GTK_VIEWPORT(gtk_bin_get_child(GTK_BIN(view))), GTK_SHADOW_NONE);
    paneleditor_fit_canvas_view(view, 0);
    b.tip(area, _("Click to select (again to reach what lies behind), Control+click to add, "
                  "Shift+click for a range, drag on empty space to band-select, drag a "
                  "selection to move it; Control+wheel zooms"));
    name_for_readers(area, _("Panel canvas"));

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
        const char *tip;
    } const arrows[] = {
        {"button_panel_editor_curs_up", "image_panel_editor_up", "gtk-go-up", 1, 0,
         N_("Move the selection up one cell (Up)")},
        {"button_panel_editor_curs_down", "image_panel_editor_down", "gtk-go-down", 1, 2,
         N_("Move the selection down one cell (Down)")},
        {"button_panel_editor_curs_left", "image_panel_editor_left", "gtk-go-back", 0, 1,
         N_("Move the selection left one cell (Left)")},
        {"button_panel_editor_curs_right", "image_panel_editor_right", "gtk-go-forward", 2, 1,
         N_("Move the selection right one cell (Right)")},
    };
    for (const auto &a : arrows) {
        GtkWidget *button = b.arrow(a.name, a.image, a.stock);
        b.tip(button, _(a.tip));
        name_for_readers(button, _(a.tip));
        gtk_table_attach(GTK_TABLE(cross), button, a.column, a.column + 1, a.row, a.row + 1,
                         GTK_FILL, GTK_FILL, 0, 0);
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
        b.tip(radio, _("Zoom of the canvas (Control+plus, Control+minus, Control+wheel)"));
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
    GtkWidget *grid =
        b.reg(gtk_check_button_new_with_mnemonic(_("Show _grid")), "checkbutton_panel_editor_grid");
    b.tip(grid, _("Draw the grid of 8 x 8 cells over the canvas"));
    b.pack(options, grid, false);

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
    // Room for the flags and "object 12 at 24, 16" with its x and y.
    gtk_widget_set_size_request(scrolled, 440, -1);
    b.pack(defs, scrolled, true);
    GtkWidget *list = b.reg(gtk_tree_view_new(), "treeview_panel_editor_panel_defs");
    gtk_tree_view_set_rules_hint(GTK_TREE_VIEW(list), TRUE);
    b.tip(list, _("The panel's placements, farthest first: Control+click and Shift+click select "
                  "several; type into X or Y to place one"));
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
        const char *name, *stock, *text, *tip;
    } const buttons[] = {
        {"button_panel_editor_add_new_def", "gtk-new", _("_Add new..."),
         N_("Open the browser of objects and panels: double-click one, or drag it onto the "
            "canvas, to place it")},
        {"button_panel_editor_move_def_to_back", "gtk-goto-top", _("Move to _back"),
         N_("Draw the selection before everything else")},
        {"button_panel_editor_move_def_farther", "gtk-go-up", _("Move fa_rther"),
         N_("Draw the selection one place earlier")},
        {"button_panel_editor_move_def_closer", "gtk-go-down", _("Move _closer"),
         N_("Draw the selection one place later")},
        {"button_panel_editor_bring_def_to_front", "gtk-goto-bottom", _("Bring to fr_ont"),
         N_("Draw the selection after everything else")},
        {"button_panel_editor_clone_def", "gtk-copy", _("Clo_ne"),
         N_("Place a copy of the selection (Control+D places one a cell right and down)")},
        {"button_panel_editor_color_override", "gtk-select-color", _("Colo_ur overrides..."),
         N_("Replace up to three colours of the selected object placement")},
        {"button_panel_editor_delete_def", "gtk-delete", _("De_lete"),
         N_("Delete the selected placements (Delete)")},
    };
    for (const auto &button : buttons) {
        GtkWidget *action = b.action(button.name, button.stock, button.text);
        b.tip(action, _(button.tip));
        b.pack(actions, action, false);
    }

    GtkWidget *status_row = b.reg(gtk_hbox_new(FALSE, 6), "hbox_panel_editor_status");
    b.pack(top, status_row, false);
    GtkWidget *status = b.reg(gtk_statusbar_new(), "statusbar_panel_editor");
    gtk_statusbar_set_has_resize_grip(GTK_STATUSBAR(status), FALSE);
    b.pack(status_row, status, true);
    // Fixed widths: the window does not change size as the texts change.
    GtkWidget *selected = b.reg(gtk_label_new(""), "label_panel_editor_selected");
    gtk_label_set_width_chars(GTK_LABEL(selected), 40);
    gtk_label_set_ellipsize(GTK_LABEL(selected), PANGO_ELLIPSIZE_END);
    gtk_misc_set_alignment(GTK_MISC(selected), 0.0f, 0.5f);
    b.pack(status_row, selected, false);
    GtkWidget *pointer = b.reg(gtk_label_new(""), "label_panel_editor_pointer");
    gtk_label_set_width_chars(GTK_LABEL(pointer), 22);
    gtk_misc_set_alignment(GTK_MISC(pointer), 0.0f, 0.5f);
    b.pack(status_row, pointer, false, 4);

    return window;
}

GtkWidget *paneleditor_create_delete_question(GtkWindow *parent)
{
    GtkWidget *dialog = gtk_dialog_new();
    ui_name_toplevel(dialog, "dialog_delete_def", _("Confirm deletion"));
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_MOUSE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    if (parent != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
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
