// The object grabber's window: menu, picture area, transparency choice,
// palette, selection details, the icon view of the project's objects and
// the zoom buttons. Every widget is registered under its name, and every
// signal goes to a member of the window object.
#include <atk/atk.h>

#include "grabber/objectgrabber.h"
#include "ui/builder.h"
#include "ui/i18n.h"

namespace {

constexpr int kPaletteWidth = 256;
constexpr int kPaletteHeight = 16;
constexpr int kIconsWidth = 420;

// Names a widget for screen readers: what it is, and what it is for.
void describe(GtkWidget *widget, const char *name, const char *description)
{
    AtkObject *accessible = gtk_widget_get_accessible(widget);
    atk_object_set_name(accessible, name);
    atk_object_set_description(accessible, description);
    if (GTK_IS_DRAWING_AREA(widget)) {
        atk_object_set_role(accessible, ATK_ROLE_DRAWING_AREA);
    }
}

GtkWidget *build_menubar(Builder &b)
{
    GtkWidget *menubar = b.reg(gtk_menu_bar_new(), "menubar_object_grabber");
    GtkWidget *file = b.image_item(menubar, "menuitem_object_grabber_file", _("_File"),
                                   "image_menuitem_object_grabber_file", "gtk-floppy");
    GtkWidget *menu = b.reg(gtk_menu_new(), "menuitem_object_grabber_file_menu");
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(file), menu);
    b.image_item(menu, "menuitem_object_grabber_open_hires", _("Open picture"),
                 "image_menuitem_object_grabber_open_hires", "gtk-open");
    return menubar;
}

GtkWidget *build_picture_controls(Builder &b)
{
    GtkWidget *vbox =
        b.reg(gtk_vbox_new(FALSE, 0), "vbox_object_grabber_drawing_arean_and_controls");

    GtkWidget *frame = b.reg(gtk_frame_new(nullptr), "frame_object_grabber_object_preview");
    gtk_container_set_border_width(GTK_CONTAINER(frame), 2);
    gtk_box_pack_start(GTK_BOX(vbox), frame, FALSE, FALSE, 0);
    GtkWidget *area = b.reg(gtk_drawing_area_new(), "drawingarea_object_grabber_object_preview");
    gtk_widget_set_size_request(area, kScreenWidth, kScreenHeight);
    GTK_WIDGET_SET_FLAGS(area, GTK_CAN_FOCUS);
    gtk_widget_add_events(area, GDK_POINTER_MOTION_MASK | GDK_POINTER_MOTION_HINT_MASK |
                                    GDK_BUTTON_PRESS_MASK);
    gtk_container_add(GTK_CONTAINER(frame), area);
    describe(area, _("Picture"),
             _("Drag with the left button to select cells; press the right button to grab "
               "them as a new object"));

    GtkWidget *heading =
        b.reg(gtk_label_new(_("Transparent color:")), "label_object_grabber_transparent_color");
    gtk_misc_set_alignment(GTK_MISC(heading), 0.0f, 0.5f);
    gtk_box_pack_start(GTK_BOX(vbox), heading, FALSE, FALSE, 0);

    GtkWidget *colour0 =
        b.reg(gtk_radio_button_new_with_mnemonic(nullptr, _("Use color 0 of the picture")),
              "radiobutton_object_grabber_transparent_color0");
    gtk_box_pack_start(GTK_BOX(vbox), colour0, FALSE, FALSE, 0);

    GtkWidget *row =
        b.reg(gtk_hbox_new(FALSE, 0), "hboxhbox_object_grabber_use_color_from_palette");
    gtk_box_pack_start(GTK_BOX(vbox), row, FALSE, FALSE, 0);
    GtkWidget *custom =
        b.reg(gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(colour0), _("Use: ")),
              "radiobutton_object_grabber_use_custom_color");
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
    describe(palette, _("Transparent color palette"),
             _("Click a colour to make it transparent in grabbed objects"));

    GtkWidget *details = b.reg(gtk_label_new(""), "label_object_grabber_selection_details");
    gtk_misc_set_alignment(GTK_MISC(details), 1.0f, 0.5f);
    gtk_box_pack_start(GTK_BOX(vbox), details, FALSE, FALSE, 0);
    return vbox;
}

GtkWidget *build_object_icons(Builder &b)
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
    describe(icons, _("Available objects"), _("The objects of the project"));
    return vbox;
}

GtkWidget *build_zoom_controls(Builder &b)
{
    GtkWidget *hbox = b.reg(gtk_hbox_new(FALSE, 4), "hbox_object_grabber_drawing_options_zoom");
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
    Builder b(window);

    GtkWidget *top = b.reg(gtk_vbox_new(FALSE, 0), "vbox_object_grabber_top_most");
    gtk_container_add(GTK_CONTAINER(window), top);
    gtk_box_pack_start(GTK_BOX(top), build_menubar(b), FALSE, FALSE, 0);

    GtkWidget *controls = b.reg(gtk_hbox_new(FALSE, 0), "hbox_object_grabber_top_controls");
    gtk_box_pack_start(GTK_BOX(top), controls, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(controls), build_picture_controls(b), FALSE, FALSE, 3);
    gtk_box_pack_start(GTK_BOX(controls), build_object_icons(b), TRUE, TRUE, 0);

    gtk_box_pack_start(GTK_BOX(top), build_zoom_controls(b), FALSE, FALSE, 0);
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
}
