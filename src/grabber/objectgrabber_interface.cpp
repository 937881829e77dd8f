// The object grabber's window: menu, picture area (scrolled where the zoom
// makes it large), transparency choice, palette, selection details, the
// icon view of the project's objects, the grid switch and the zoom buttons.
// Every widget is registered under its name, every control has a tooltip
// and a name for screen readers, and every signal goes to a member of the
// window object.
#include <atk/atk.h>

#include <string>

#include "c64/palette.h"
#include "grabber/objectgrabber.h"
#include "ui/builder.h"
#include "ui/i18n.h"

namespace {

constexpr int kPaletteWidth = 256;
constexpr int kPaletteHeight = 16;
constexpr int kIconsWidth = 420;

// Names a widget for screen readers (what it is, and what it is for) and
// gives it the same use as its tooltip.
void describe(GtkTooltips *tooltips, GtkWidget *widget, const char *name, const char *description)
{
    gtk_tooltips_set_tip(tooltips, widget, description, nullptr);
    AtkObject *accessible = gtk_widget_get_accessible(widget);
    atk_object_set_name(accessible, name);
    atk_object_set_description(accessible, description);
    if (GTK_IS_DRAWING_AREA(widget)) {
        atk_object_set_role(accessible, ATK_ROLE_DRAWING_AREA);
    }
}

GtkWidget *build_menubar(Builder &b, GtkTooltips *tooltips)
{
    GtkWidget *menubar = b.reg(gtk_menu_bar_new(), "menubar_object_grabber");
    GtkWidget *file = b.image_item(menubar, "menuitem_object_grabber_file", _("_File"),
                                   "image_menuitem_object_grabber_file", "gtk-floppy");
    GtkWidget *menu = b.reg(gtk_menu_new(), "menuitem_object_grabber_file_menu");
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(file), menu);
    GtkWidget *open = b.image_item(menu, "menuitem_object_grabber_open_hires", _("Open picture"),
                                   "image_menuitem_object_grabber_open_hires", "gtk-open");
    gtk_tooltips_set_tip(tooltips, file, _("Open a picture"), nullptr);
    gtk_tooltips_set_tip(tooltips, open,
                         _("Open a C64 multicolour picture, or an image (PNG, GIF, BMP) matched to "
                           "the C64's colours, to grab objects from"),
                         nullptr);
    return menubar;
}

GtkWidget *build_picture_controls(Builder &b, GtkTooltips *tooltips)
{
    GtkWidget *vbox =
        b.reg(gtk_vbox_new(FALSE, 0), "vbox_object_grabber_drawing_arean_and_controls");

    GtkWidget *frame = b.reg(gtk_frame_new(nullptr), "frame_object_grabber_object_preview");
    gtk_container_set_border_width(GTK_CONTAINER(frame), 2);
    gtk_box_pack_start(GTK_BOX(vbox), frame, FALSE, FALSE, 0);
    // The picture in a scrolled window, which shows all of it up to the
    // size the zoom buttons allow and scrolls beyond.
    GtkWidget *scrolled = b.reg(gtk_scrolled_window_new(nullptr, nullptr),
                                "scrolledwindow_object_grabber_object_preview");
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER,
                                   GTK_POLICY_NEVER);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_NONE);
    gtk_widget_set_size_request(scrolled, kScreenWidth, kScreenHeight);
    gtk_container_add(GTK_CONTAINER(frame), scrolled);
    GtkWidget *area = b.reg(gtk_drawing_area_new(), "drawingarea_object_grabber_object_preview");
    gtk_widget_set_size_request(area, kScreenWidth, kScreenHeight);
    GTK_WIDGET_SET_FLAGS(area, GTK_CAN_FOCUS);
    gtk_widget_add_events(area, GDK_POINTER_MOTION_MASK | GDK_POINTER_MOTION_HINT_MASK |
                                    GDK_BUTTON_PRESS_MASK | GDK_SCROLL_MASK |
                                    GDK_LEAVE_NOTIFY_MASK);
    gtk_scrolled_window_add_with_viewport(GTK_SCROLLED_WINDOW(scrolled), area);
    gtk_viewport_set_shadow_type(GTK_VIEWPORT(gtk_bin_get_child(GTK_BIN(scrolled))),
                                 GTK_SHADOW_NONE);
    describe(tooltips, area, _("Picture"),
             _("Drag with the left button to select cells; press the right button to grab "
               "them as a new object; Control+wheel zooms"));

    GtkWidget *heading =
        b.reg(gtk_label_new(_("Transparent color:")), "label_object_grabber_transparent_color");
    gtk_misc_set_alignment(GTK_MISC(heading), 0.0f, 0.5f);
    gtk_box_pack_start(GTK_BOX(vbox), heading, FALSE, FALSE, 0);

    GtkWidget *colour0 =
        b.reg(gtk_radio_button_new_with_mnemonic(nullptr, _("Use color 0 of the picture")),
              "radiobutton_object_grabber_transparent_color0");
    gtk_tooltips_set_tip(tooltips, colour0,
                         _("Grabbed objects show the picture's background colour as transparent"),
                         nullptr);
    gtk_box_pack_start(GTK_BOX(vbox), colour0, FALSE, FALSE, 0);

    GtkWidget *row =
        b.reg(gtk_hbox_new(FALSE, 0), "hboxhbox_object_grabber_use_color_from_palette");
    gtk_box_pack_start(GTK_BOX(vbox), row, FALSE, FALSE, 0);
    GtkWidget *custom =
        b.reg(gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(colour0), _("Use: ")),
              "radiobutton_object_grabber_use_custom_color");
    gtk_tooltips_set_tip(tooltips, custom,
                         _("Grabbed objects show the colour picked in the palette as transparent"),
                         nullptr);
    gtk_box_pack_start(GTK_BOX(row), custom, FALSE, FALSE, 0);
    GtkWidget *alignment =
        b.reg(gtk_alignment_new(1.0f, 0.5f, 1.0f, 1.0f), "alignment_object_grabber_palette");
    gtk_container_set_border_width(GTK_CONTAINER(alignment), 2);
    gtk_box_pack_start(GTK_BOX(row), alignment, FALSE, FALSE, 0);
    GtkWidget *palette_frame = b.reg(gtk_frame_new(nullptr), "frame_object_grabber_palette");
    gtk_container_add(GTK_CONTAINER(alignment), palette_frame);
    GtkWidget *palette = b.reg(gtk_drawing_area_new(), "drawingarea_object_grabber_palette");
    gtk_widget_set_size_request(palette, kPaletteWidth, kPaletteHeight);
    gtk_widget_add_events(palette, GDK_BUTTON_PRESS_MASK);
    gtk_container_add(GTK_CONTAINER(palette_frame), palette);
    describe(tooltips, palette, _("Transparent color palette"),
             _("Click a colour to make it transparent in grabbed objects"));

    GtkWidget *details = b.reg(gtk_label_new(""), "label_object_grabber_selection_details");
    gtk_misc_set_alignment(GTK_MISC(details), 1.0f, 0.5f);
    gtk_box_pack_start(GTK_BOX(vbox), details, FALSE, FALSE, 0);
    return vbox;
}

GtkWidget *build_object_icons(Builder &b, GtkTooltips *tooltips)
{
    GtkWidget *vbox = b.reg(gtk_vbox_new(FALSE, 0), "vbox_object_grabber_object_icons");
    GtkWidget *scrolled =
        b.reg(gtk_scrolled_window_new(nullptr, nullptr), "scrolledwindow_object_grabber_objects");
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
    gtk_widget_set_size_request(scrolled, kIconsWidth, -1);
    gtk_box_pack_start(GTK_BOX(vbox), scrolled, TRUE, TRUE, 0);
    GtkWidget *icons = b.reg(gtk_icon_view_new(), "iconview_object_grabber_objects");
    gtk_container_add(GTK_CONTAINER(scrolled), icons);

    GtkWidget *label =
        b.reg(gtk_label_new(_("Available objects")), "label_object_grabber_available_objects");
    gtk_misc_set_padding(GTK_MISC(label), 148, 0);
    gtk_box_pack_start(GTK_BOX(vbox), label, FALSE, FALSE, 0);
    describe(tooltips, icons, _("Available objects"),
             _("The objects of the project; a grabbed object is added at the end"));

    GtkWidget *background_row = b.reg(gtk_hbox_new(FALSE, 4), "hbox_object_grabber_background");
    gtk_box_pack_start(GTK_BOX(vbox), background_row, FALSE, FALSE, 2);
    GtkWidget *background_label = b.reg(gtk_label_new_with_mnemonic(_("Image _background:")),
                                        "label_object_grabber_background");
    gtk_box_pack_start(GTK_BOX(background_row), background_label, FALSE, FALSE, 0);
    GtkWidget *background = b.reg(gtk_combo_box_new_text(), "combobox_object_grabber_background");
    gtk_combo_box_append_text(GTK_COMBO_BOX(background), _("The most used colour"));
    for (int colour = 0; colour < 16; colour++) {
        gtk_combo_box_append_text(
            GTK_COMBO_BOX(background),
            (std::to_string(colour) + " " + palette_get_name_at_index(colour)).c_str());
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(background), 0);
    gtk_label_set_mnemonic_widget(GTK_LABEL(background_label), background);
    gtk_box_pack_start(GTK_BOX(background_row), background, TRUE, TRUE, 0);
    describe(tooltips, background, _("Image background"),
             _("The C64 colour an image's background is taken as (pairs 00): its most used "
               "colour, or the one chosen; a C64 picture keeps its own"));

    GtkWidget *replace_row = b.reg(gtk_hbox_new(FALSE, 4), "hbox_object_grabber_replace");
    gtk_box_pack_start(GTK_BOX(vbox), replace_row, FALSE, FALSE, 2);
    GtkWidget *replace = b.reg(gtk_button_new_with_mnemonic(_("_Replace selected object")),
                               "button_object_grabber_replace");
    gtk_box_pack_start(GTK_BOX(replace_row), replace, FALSE, FALSE, 0);
    describe(tooltips, replace, _("Replace selected object"),
             _("Write the selected cells into the object selected in the main window's object "
               "list, keeping its number: every placement of it draws the new one"));
    GtkWidget *again = b.reg(gtk_check_button_new_with_mnemonic(_("Replace _again on change")),
                             "checkbutton_object_grabber_replace_again");
    gtk_box_pack_start(GTK_BOX(replace_row), again, FALSE, FALSE, 0);
    describe(tooltips, again, _("Replace again on change"),
             _("When the picture's file changes on disk (a paint program saved it), it is read "
               "again; with this on, the last replace is done again too"));
    return vbox;
}

GtkWidget *build_zoom_controls(Builder &b, GtkTooltips *tooltips)
{
    GtkWidget *hbox = b.reg(gtk_hbox_new(FALSE, 4), "hbox_object_grabber_drawing_options_zoom");
    GtkWidget *grid = b.reg(gtk_check_button_new_with_mnemonic(_("Show _grid")),
                            "checkbutton_object_grabber_show_grid");
    gtk_tooltips_set_tip(tooltips, grid,
                         _("Draw the grid of 8 x 8 cells over the picture (also in the panel "
                           "editor)"),
                         nullptr);
    gtk_box_pack_start(GTK_BOX(hbox), grid, FALSE, FALSE, 0);
    GtkWidget *zoom4 = b.reg(gtk_radio_button_new_with_mnemonic(nullptr, _("4X")),
                             "radiobutton_object_grabber_zoom_4");
    gtk_box_pack_end(GTK_BOX(hbox), zoom4, FALSE, FALSE, 0);
    GtkWidget *zoom2 =
        b.reg(gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(zoom4), _("2X")),
              "radiobutton_object_grabber_zoom_2");
    gtk_box_pack_end(GTK_BOX(hbox), zoom2, FALSE, FALSE, 0);
    GtkWidget *zoom1 =
        b.reg(gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(zoom4), _("1X")),
              "radiobutton_object_grabber_zoom_1");
    gtk_box_pack_end(GTK_BOX(hbox), zoom1, FALSE, FALSE, 0);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(zoom1), TRUE);
    gtk_tooltips_set_tip(tooltips, zoom1, _("The picture at its own size (Control+minus)"),
                         nullptr);
    gtk_tooltips_set_tip(tooltips, zoom2,
                         _("Every pixel of the picture doubled (Control+plus, Control+minus, or "
                           "Control+wheel over the picture)"),
                         nullptr);
    gtk_tooltips_set_tip(tooltips, zoom4,
                         _("Every pixel of the picture four times as large; the picture scrolls "
                           "(Control+plus)"),
                         nullptr);
    gtk_box_pack_end(
        GTK_BOX(hbox),
        b.reg(gtk_label_new(_("Zoom level:")), "label_object_grabber_drawing_options_zoom_level"),
        FALSE, FALSE, 0);
    return hbox;
}

} // namespace

GtkWidget *GrabberWindow::build()
{
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    ui_name_toplevel(window, "window_object_grabber", _("Zembrix - Object grabber"));
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    GtkTooltips *tooltips = gtk_tooltips_new();
    ui_register_object(window, tooltips, "tooltips");
    Builder b(window);

    GtkWidget *top = b.reg(gtk_vbox_new(FALSE, 0), "vbox_object_grabber_top_most");
    gtk_container_add(GTK_CONTAINER(window), top);
    gtk_box_pack_start(GTK_BOX(top), build_menubar(b, tooltips), FALSE, FALSE, 0);

    GtkWidget *controls = b.reg(gtk_hbox_new(FALSE, 0), "hbox_object_grabber_top_controls");
    gtk_box_pack_start(GTK_BOX(top), controls, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(controls), build_picture_controls(b, tooltips), FALSE, FALSE, 3);
    gtk_box_pack_start(GTK_BOX(controls), build_object_icons(b, tooltips), TRUE, TRUE, 0);

    gtk_box_pack_start(GTK_BOX(top), build_zoom_controls(b, tooltips), FALSE, FALSE, 0);
    GtkWidget *status = b.reg(gtk_statusbar_new(), "statusbar_object_grabber");
    gtk_statusbar_set_has_resize_grip(GTK_STATUSBAR(status), FALSE);
    gtk_box_pack_start(GTK_BOX(top), status, FALSE, FALSE, 0);

    return window;
}

void GrabberWindow::connect_signals()
{
    GtkWidget *w = window_.get();
    ui_connect<&GrabberWindow::on_delete_event>(w, "delete_event", this);
    ui_connect<&GrabberWindow::on_key_press_event>(w, "key_press_event", this);
    ui_connect<&GrabberWindow::on_open_picture_activate>(w, "menuitem_object_grabber_open_hires",
                                                         "activate", this);
    const char *area = "drawingarea_object_grabber_object_preview";
    ui_connect<&GrabberWindow::on_picture_configure_event>(w, area, "configure_event", this);
    ui_connect<&GrabberWindow::on_picture_expose_event>(w, area, "expose_event", this);
    ui_connect<&GrabberWindow::on_picture_button_press_event>(w, area, "button_press_event", this);
    ui_connect<&GrabberWindow::on_picture_motion_notify_event>(w, area, "motion_notify_event",
                                                               this);
    ui_connect<&GrabberWindow::on_picture_scroll_event>(w, area, "scroll_event", this);
    ui_connect<&GrabberWindow::on_picture_leave_notify_event>(w, area, "leave_notify_event", this);
    const char *palette = "drawingarea_object_grabber_palette";
    ui_connect<&GrabberWindow::on_palette_expose_event>(w, palette, "expose_event", this);
    ui_connect<&GrabberWindow::on_palette_button_press_event>(w, palette, "button_press_event",
                                                              this);
    ui_connect<&GrabberWindow::on_zoom_4_clicked>(w, "radiobutton_object_grabber_zoom_4", "clicked",
                                                  this);
    ui_connect<&GrabberWindow::on_zoom_2_clicked>(w, "radiobutton_object_grabber_zoom_2", "clicked",
                                                  this);
    ui_connect<&GrabberWindow::on_zoom_1_clicked>(w, "radiobutton_object_grabber_zoom_1", "clicked",
                                                  this);
    ui_connect<&GrabberWindow::on_replace_clicked>(w, "button_object_grabber_replace", "clicked",
                                                   this);
    ui_connect<&GrabberWindow::on_background_changed>(w, "combobox_object_grabber_background",
                                                      "changed", this);
    show_grid_handler_ = ui_connect<&GrabberWindow::on_show_grid_toggled>(
        w, "checkbutton_object_grabber_show_grid", "toggled", this);
}
