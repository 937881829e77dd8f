// The main window's layout, its popup menus and references dialog, and the
// connection of every signal to its handler.
#include <gdk/gdkkeysyms.h>
#include <initializer_list>
#include <string>
#include <utility>

#include "app/application.h"
#include "app/mainwindow.h"
#include "c64/pixbufs.h"
#include "ui/builder.h"
#include "ui/i18n.h"

namespace {

// Sizes of the lists beside the previews (the previews themselves are one
// C64 screen each).
constexpr int kPreviewWidth = kScreenWidth;
constexpr int kPreviewHeight = kScreenHeight;
constexpr int kPaletteWidth = 256;
constexpr int kPaletteHeight = 16;

void attach(GtkWidget *table, GtkWidget *child, int column, int row, GtkAttachOptions x,
            GtkAttachOptions y)
{
    gtk_table_attach(GTK_TABLE(table), child, column, column + 1, row, row + 1, x, y, 0, 0);
}

constexpr auto kFill = GTK_FILL;
constexpr auto kGrow = static_cast<GtkAttachOptions>(GTK_EXPAND | GTK_FILL);
constexpr auto kKeep = static_cast<GtkAttachOptions>(0);

// Open Recent offers the projects Zembrix opened or saved, not every file
// its choosers wrote (exported pictures, object files).
gboolean is_recent_project(const GtkRecentFilterInfo *info, gpointer)
{
    if (g_strcmp0(info->mime_type, kProjectMimeType) != 0 || info->applications == nullptr) {
        return FALSE;
    }
    for (const gchar *const *app = info->applications; *app != nullptr; app++) {
        if (g_strcmp0(*app, kApplicationName) == 0) {
            return TRUE;
        }
    }
    return FALSE;
}

GtkWidget *build_menubar(Builder &b, GtkAccelGroup *accel_group)
{
    GtkWidget *menubar = b.reg(gtk_menu_bar_new(), "menubar_main");

    GtkWidget *file =
        b.menu(menubar, "menuitem_file", _("_File"), "image1", "gtk-floppy", "menuitem_file_menu");
    b.stock_item(file, "new", "gtk-new", accel_group);
    b.stock_item(file, "open", "gtk-open", accel_group);
    // The projects opened or saved lately, newest first.
    GtkWidget *recent =
        b.reg(gtk_menu_item_new_with_mnemonic(_("Open _Recent")), "menuitem_open_recent");
    gtk_container_add(GTK_CONTAINER(file), recent);
    GtkWidget *recent_menu = b.reg(gtk_recent_chooser_menu_new(), "recentchoosermenu_main");
    GtkRecentFilter *ours = gtk_recent_filter_new();
    gtk_recent_filter_add_custom(ours,
                                 static_cast<GtkRecentFilterFlags>(GTK_RECENT_FILTER_MIME_TYPE |
                                                                   GTK_RECENT_FILTER_APPLICATION),
                                 is_recent_project, nullptr, nullptr);
    gtk_recent_chooser_add_filter(GTK_RECENT_CHOOSER(recent_menu), ours);
    gtk_recent_chooser_set_sort_type(GTK_RECENT_CHOOSER(recent_menu), GTK_RECENT_SORT_MRU);
    gtk_recent_chooser_set_limit(GTK_RECENT_CHOOSER(recent_menu), 10);
    gtk_recent_chooser_set_local_only(GTK_RECENT_CHOOSER(recent_menu), TRUE);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(recent), recent_menu);
    b.image_item(file, "menuitem_restore_backup", _("Restore _Backup..."), "image_restore_backup",
                 "gtk-revert-to-saved");
    b.stock_item(file, "save", "gtk-save", accel_group);
    // The toolkit's Save As has no key of its own: give it the usual one.
    gtk_widget_add_accelerator(b.stock_item(file, "save_as", "gtk-save-as", accel_group),
                               "activate", accel_group, GDK_KEY_s,
                               static_cast<GdkModifierType>(GDK_SHIFT_MASK | GDK_CONTROL_MASK),
                               GTK_ACCEL_VISIBLE);
    GtkWidget *export_preview =
        b.image_item(file, "menuitem_export_preview", _("_Export preview as PNG..."),
                     "image_export_preview", "gtk-convert");
    gtk_widget_add_accelerator(export_preview, "activate", accel_group, GDK_KEY_e, GDK_CONTROL_MASK,
                               GTK_ACCEL_VISIBLE);
    b.stock_item(file, "close", "gtk-close", accel_group);
    GtkWidget *separator = b.reg(gtk_separator_menu_item_new(), "separatormenuitem_file");
    gtk_widget_set_sensitive(separator, FALSE);
    gtk_container_add(GTK_CONTAINER(file), separator);
    b.stock_item(file, "quit", "gtk-quit", accel_group);

    // Undo and redo name the step they take back or do again.
    GtkWidget *edit = b.menu(menubar, "menuitem_edit", _("E_dit"), "image_edit", "gtk-edit",
                             "menuitem_edit_menu");
    // The toolkit's stock items bring no keys of their own.
    GtkWidget *undo = b.stock_item(edit, "undo", "gtk-undo", accel_group);
    gtk_widget_add_accelerator(undo, "activate", accel_group, GDK_z, GDK_CONTROL_MASK,
                               GTK_ACCEL_VISIBLE);
    GtkWidget *redo = b.stock_item(edit, "redo", "gtk-redo", accel_group);
    gtk_widget_add_accelerator(redo, "activate", accel_group, GDK_z,
                               static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_SHIFT_MASK),
                               GTK_ACCEL_VISIBLE);
    gtk_widget_add_accelerator(redo, "activate", accel_group, GDK_y, GDK_CONTROL_MASK,
                               static_cast<GtkAccelFlags>(0));
    gtk_widget_set_sensitive(undo, FALSE);
    gtk_widget_set_sensitive(redo, FALSE);

    GtkWidget *view = b.menu(menubar, "menuitem_view", _("_View"), "image_view", "gtk-zoom-fit",
                             "menuitem_view_menu");
    gtk_container_add(GTK_CONTAINER(view),
                      b.reg(gtk_check_menu_item_new_with_mnemonic(_("Show colour _clashes")),
                            "menuitem_show_clashes"));

    GtkWidget *preferences = b.menu(menubar, "menuitem_preferences", _("_Preferences"), "image20",
                                    "gtk-preferences", "menuitem_preferences_menu");
    GtkWidget *incremental =
        b.reg(gtk_check_menu_item_new_with_mnemonic(_("_Incremental rendering")),
              "menuitem_incremental_rendering");
    gtk_container_add(GTK_CONTAINER(preferences), incremental);

    GtkWidget *help =
        b.menu(menubar, "menuitem_help", _("_Help"), "image2", "gtk-help", "menuitem_help_menu");
    b.stock_item(help, "about", "gtk-about", accel_group);
    b.image_item(help, "menuitem_resources", _("Resources"), "image3", "gtk-properties");
    return menubar;
}

// A preview: a drawing area of one C64 screen in a scrolled window (which
// shows it whole at 1X and scrolls at 2X where the screen is too small for
// all of it), in a frame inside an alignment. The area tells its use to
// screen readers and, as a tooltip, to everyone.
GtkWidget *preview_area(Builder &b, GtkTooltips *tooltips, const char *stem, const char *frame_name,
                        const char *name, const char *tip)
{
    GtkWidget *alignment = b.reg(gtk_alignment_new(0.5f, 0.5f, 1.0f, 1.0f),
                                 (std::string("alignment_") + stem).c_str());
    gtk_container_set_border_width(GTK_CONTAINER(alignment), 2);
    GtkWidget *frame = b.reg(gtk_frame_new(nullptr), frame_name);
    gtk_container_add(GTK_CONTAINER(alignment), frame);
    GtkWidget *scrolled = b.reg(gtk_scrolled_window_new(nullptr, nullptr),
                                (std::string("scrolledwindow_") + stem).c_str());
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER,
                                   GTK_POLICY_NEVER);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_NONE);
    gtk_container_add(GTK_CONTAINER(frame), scrolled);
    GtkWidget *area = b.reg(gtk_drawing_area_new(), name);
    gtk_widget_set_size_request(area, kPreviewWidth, kPreviewHeight);
    gtk_widget_set_size_request(scrolled, -1, kPreviewHeight);
    gtk_scrolled_window_add_with_viewport(GTK_SCROLLED_WINDOW(scrolled), area);
    gtk_viewport_set_shadow_type(GTK_VIEWPORT(gtk_bin_get_child(GTK_BIN(scrolled))),
                                 GTK_SHADOW_NONE);
    gtk_tooltips_set_tip(tooltips, area, tip, nullptr);
    AtkObject *accessible = gtk_widget_get_accessible(area);
    atk_object_set_role(accessible, ATK_ROLE_DRAWING_AREA);
    atk_object_set_name(accessible, tip);
    gtk_widget_add_events(area, GDK_SCROLL_MASK);
    return alignment;
}

// A palette strip, named and explained like a preview.
GtkWidget *palette_area(Builder &b, GtkTooltips *tooltips, const char *alignment_name,
                        const char *frame_name, const char *name, const char *tip)
{
    GtkWidget *alignment =
        b.drawing_area(alignment_name, frame_name, name, kPaletteWidth, kPaletteHeight, true);
    // The area lies in a frame in the alignment.
    GtkWidget *area = gtk_bin_get_child(GTK_BIN(gtk_bin_get_child(GTK_BIN(alignment))));
    gtk_tooltips_set_tip(tooltips, area, tip, nullptr);
    AtkObject *accessible = gtk_widget_get_accessible(area);
    atk_object_set_role(accessible, ATK_ROLE_DRAWING_AREA);
    atk_object_set_name(accessible, tip);
    return alignment;
}

GtkWidget *build_location_controls(Builder &b, GtkTooltips *tooltips)
{
    GtkWidget *table = b.reg(gtk_table_new(2, 3, FALSE), "table_main_controls");
    gtk_table_set_col_spacings(GTK_TABLE(table), 2);

    attach(table, b.label("label_main_available_locations", _(" Location slots:"), true), 0, 0,
           kFill, kKeep);
    attach(table, b.label("label_main_location_preview", _("Location preview:"), true), 1, 0, kFill,
           kKeep);
    attach(table, b.list("scrolledwindow_main_locations", "treeview_main_locations", 240), 0, 1,
           kGrow, kGrow);
    attach(table,
           preview_area(b, tooltips, "main_location_preview", "frame_main_location_preview",
                        "drawingarea_main_location_preview",
                        _("Location preview: the selected location as the game draws it "
                          "(Control+wheel zooms)")),
           1, 1, kFill, kFill);

    GtkWidget *buttons = b.reg(gtk_vbox_new(FALSE, 2), "vbox_main_location_buttons");
    attach(table, buttons, 2, 1, kFill, kFill);
    gtk_box_pack_start(GTK_BOX(buttons),
                       b.button("button_main_clear_location_record", "main_clear_location_record",
                                "gtk-clear", _("Clear location record"), tooltips,
                                _("Clear the currently selected location record")),
                       FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(buttons),
                       b.button("button_main_location_show_panel", "main_location_show_panel",
                                "gtk-jump-to", _("Show its _panel"), tooltips,
                                _("Select the panel of the selected location in the panel list "
                                  "(double-click a location to edit its panel)")),
                       FALSE, FALSE, 0);
    GtkWidget *info = b.label("label_main_location_info", "", true);
    gtk_misc_set_padding(GTK_MISC(info), 2, 2);
    gtk_box_pack_end(GTK_BOX(buttons), info, FALSE, FALSE, 0);
    return table;
}

GtkWidget *build_object_page(Builder &b, GtkTooltips *tooltips)
{
    GtkWidget *table = b.reg(gtk_table_new(3, 3, FALSE), "table_object_controls");
    gtk_table_set_col_spacings(GTK_TABLE(table), 2);

    attach(table, b.label("label_object_controls_available_objects", _(" Defined objects:"), true),
           0, 0, kFill, kKeep);
    attach(table, b.label("label_object_controls_object_preview", _("Object preview:"), true), 1, 0,
           kFill, kKeep);
    attach(table, b.list("scrolledwindow_main_objects", "treeview_main_objects", 240), 0, 1, kGrow,
           kGrow);
    attach(table,
           preview_area(b, tooltips, "object_controls_object_preview",
                        "frame_object_controls_object_preview",
                        "drawingarea_object_controls_object_preview",
                        _("Object preview: the selected object centred over the preview "
                          "background colour")),
           1, 1, kFill, kFill);

    GtkWidget *buttons = b.reg(gtk_vbox_new(FALSE, 2), "vbox_object_controls_object_buttons");
    attach(table, buttons, 2, 1, kFill, kFill);
    gtk_box_pack_start(GTK_BOX(buttons),
                       b.button("button_object_controls_import", "object_controls_import",
                                "gtk-open", _("_Import single object..."), tooltips,
                                _("Import object from file")),
                       FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(buttons),
                       b.button("button_object_controls_export", "object_controls_export",
                                "gtk-save-as", _("_Export current object..."), tooltips,
                                _("Export the currently selected object to file")),
                       FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(buttons),
                       b.button("_object_controls_launch_object_grabber",
                                "object_controls_launch_object_grabber", "gtk-about",
                                _("Launch _object grabber..."), tooltips,
                                _("Launch the object grabber utility")),
                       FALSE, FALSE, 0);

    attach(table,
           b.label("label_object_controls_object_background_color",
                   _(" Preview background colour:"), true),
           0, 2, kFill, kKeep);
    GtkWidget *palette = palette_area(
        b, tooltips, "alignment_object_controls_object_palette",
        "frame_object_controls_object_palette", "drawingarea_object_controls_object_palette",
        _("Object preview background colour: click a colour to pick it"));
    attach(table, palette, 1, 2, kFill, kKeep);
    return table;
}

GtkWidget *build_panel_page(Builder &b, GtkTooltips *tooltips)
{
    GtkWidget *table = b.reg(gtk_table_new(3, 3, FALSE), "table_panel_controls");
    gtk_table_set_col_spacings(GTK_TABLE(table), 2);

    GtkWidget *labels = b.reg(gtk_hbox_new(TRUE, 2), "hbox_panel_controls_panel_labels");
    gtk_box_pack_start(
        GTK_BOX(labels),
        b.label("label_panel_controls_available_panels", _(" Defined panels:"), true), TRUE, TRUE,
        0);
    gtk_box_pack_start(GTK_BOX(labels),
                       b.label("label_panel_controls_panel_defs", _("Items therein:"), true), TRUE,
                       TRUE, 0);
    attach(table, labels, 0, 0, kFill, kKeep);
    attach(table, b.label("label_panel_controls_panel_preview", _("Panel preview:"), true), 1, 0,
           kFill, kKeep);

    GtkWidget *lists = b.reg(gtk_hbox_new(FALSE, 2), "hbox_panel_controls_panel_and_def_controls");
    gtk_box_pack_start(GTK_BOX(lists),
                       b.list("scrolledwindow_panel_controls_panels", "treeview_main_panels", 110),
                       TRUE, TRUE, 0);
    gtk_box_pack_start(
        GTK_BOX(lists),
        b.list("scrolledwindow_panel_controls_object_defs", "treeview_main_panel_defs", 260), TRUE,
        TRUE, 0);
    attach(table, lists, 0, 1, kGrow, kGrow);
    attach(table,
           preview_area(b, tooltips, "panel_controls_panel_preview", "frame_panel_preview",
                        "drawingarea_panel_preview",
                        _("Panel preview: the selected panel over its preview colour, the "
                          "selected item framed")),
           1, 1, kFill, kFill);

    GtkWidget *buttons = b.reg(gtk_vbox_new(FALSE, 2), "vbox_panel_controls_panel_buttons");
    attach(table, buttons, 2, 1, kFill, kFill);
    gtk_box_pack_start(GTK_BOX(buttons),
                       b.button("button_main_panel_edit", "main_panel_edit", "gtk-edit",
                                _("_Edit panel..."), tooltips,
                                _("Edit the currently selected panel")),
                       FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(buttons),
                       b.button("button_main_panel_store", "main_panel_store", "gtk-apply",
                                _("Store as location"), tooltips,
                                _("Store the current panel and background colour to the location "
                                  "record selected above")),
                       FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(buttons),
                       b.button("button_panel_controls_new", "panel_controls_new", "gtk-new",
                                _("_New panel"), tooltips,
                                _("Add an empty panel at the end of the item list")),
                       FALSE, FALSE, 0);

    attach(table,
           b.label("label_panel_controls_panel_background_colour",
                   _(" Preview background colour override:"), true),
           0, 2, kFill, kKeep);
    attach(table,
           palette_area(b, tooltips, "alignment_panel_controls_panel_palette",
                        "frame_panel_palette", "drawingarea_panel_palette",
                        _("Panel preview colour: click a colour to preview the panel over it")),
           1, 2, kFill, kKeep);
    return table;
}

GtkWidget *build_zoom_controls(Builder &b, GtkTooltips *tooltips)
{
    GtkWidget *hbox = b.reg(gtk_hbox_new(FALSE, 4), "hbox_main_zoom_level_controls");
    GtkWidget *level2 =
        b.reg(gtk_radio_button_new_with_mnemonic(nullptr, _("2X")), "radiobutton_main_zoom_level2");
    gtk_box_pack_end(GTK_BOX(hbox), level2, FALSE, FALSE, 0);
    GtkWidget *level1 =
        b.reg(gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(level2), _("1X")),
              "radiobutton_main_zoom_level1");
    gtk_box_pack_end(GTK_BOX(hbox), level1, FALSE, FALSE, 0);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(level1), TRUE);
    gtk_tooltips_set_tip(tooltips, level1, _("Previews at their own size (Control+minus)"),
                         nullptr);
    gtk_tooltips_set_tip(tooltips, level2,
                         _("Previews with every pixel doubled (Control+plus, or Control+wheel "
                           "over a preview)"),
                         nullptr);
    gtk_box_pack_end(GTK_BOX(hbox), b.label("label_main_zoom_level", _("Zoom level:")), FALSE,
                     FALSE, 0);
    return hbox;
}

// The references dialog: a message, a read-only text view
// ("textview_references") and an OK button; the caller fills and runs it.
GtkWidget *create_dialog_references()
{
    GtkWidget *dialog = gtk_dialog_new();
    ui_name_toplevel(dialog, "dialog_references", _("References"));
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_default_size(GTK_WINDOW(dialog), 360, 240);

    Builder b(dialog);
    GtkWidget *vbox = b.reg(GTK_DIALOG(dialog)->vbox, "dialog_vbox_references");
    GtkWidget *label =
        b.label("label_references_message",
                _("Please find below all references to the selected item\n(double-click a line "
                  "to show that panel or location)"));
    gtk_misc_set_padding(GTK_MISC(label), 3, 3);
    gtk_box_pack_start(GTK_BOX(vbox), label, FALSE, FALSE, 0);

    GtkWidget *scrolled =
        b.reg(gtk_scrolled_window_new(nullptr, nullptr), "scrolledwindow_references_text");
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
    gtk_box_pack_start(GTK_BOX(vbox), scrolled, TRUE, TRUE, 0);
    GtkWidget *text = b.reg(gtk_text_view_new(), "textview_references");
    gtk_text_view_set_editable(GTK_TEXT_VIEW(text), FALSE);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(text), FALSE);
    gtk_text_view_set_left_margin(GTK_TEXT_VIEW(text), 2);
    gtk_container_add(GTK_CONTAINER(scrolled), text);

    GtkWidget *actions = b.reg(GTK_DIALOG(dialog)->action_area, "dialog_action_area_references");
    gtk_button_box_set_layout(GTK_BUTTON_BOX(actions), GTK_BUTTONBOX_SPREAD);
    GtkWidget *ok = b.reg(gtk_button_new_with_mnemonic(_("_OK")), "button_references_ok");
    gtk_button_set_image(GTK_BUTTON(ok), gtk_image_new_from_stock("gtk-ok", GTK_ICON_SIZE_BUTTON));
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), ok, GTK_RESPONSE_OK);
    GTK_WIDGET_SET_FLAGS(ok, GTK_CAN_DEFAULT);
    gtk_widget_grab_default(ok);
    return dialog;
}

// A context menu with a find and a delete item, each connected to a
// handler of the window.
template <auto OnFind, auto OnDelete>
GtkWidget *popupmenu(MainWindow *window, const char *menu_name, const char *find_name,
                     const char *find_text, const char *find_image, const char *delete_name,
                     const char *delete_text, const char *delete_image,
                     const char *find_stock = "gtk-find", const char *delete_stock = "gtk-delete")
{
    GtkWidget *menu = gtk_menu_new();
    // The registry keeps the menu alive as long as the menu itself.
    g_object_set_data(G_OBJECT(menu), menu_name, menu);
    Builder b(menu);
    GtkWidget *find = b.image_item(menu, find_name, find_text, find_image, find_stock);
    ui_connect<OnFind>(find, "activate", window);
    GtkWidget *remove = b.image_item(menu, delete_name, delete_text, delete_image, delete_stock);
    ui_connect<OnDelete>(remove, "activate", window);
    gtk_widget_set_name(menu, menu_name);
    return menu;
}

} // namespace

void MainWindow::build()
{
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    window_ = window;
    ui_name_toplevel(window, "window_main", _("Zembrix"));
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);

    Builder b(window);
    GtkAccelGroup *accel_group = gtk_accel_group_new();
    gtk_window_add_accel_group(GTK_WINDOW(window), accel_group);
    ui_register_object(window, accel_group, "accel_group");
    g_object_unref(accel_group);
    GtkTooltips *tooltips = gtk_tooltips_new();
    g_object_ref_sink(tooltips);
    ui_register_object(window, tooltips, "tooltips");
    g_object_unref(tooltips);

    GtkWidget *top = b.reg(gtk_vbox_new(FALSE, 0), "vbox_main_top_most");
    gtk_container_add(GTK_CONTAINER(window), top);
    gtk_box_pack_start(GTK_BOX(top), build_menubar(b, accel_group), FALSE, FALSE, 0);

    GtkWidget *work = b.reg(gtk_vbox_new(FALSE, 2), "vbox_main_work_area");
    gtk_container_set_border_width(GTK_CONTAINER(work), 2);
    gtk_box_pack_start(GTK_BOX(top), work, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(work), build_location_controls(b, tooltips), TRUE, TRUE, 0);

    GtkWidget *notebook = b.reg(gtk_notebook_new(), "notebook_secondary_controls");
    gtk_box_pack_start(GTK_BOX(work), notebook, TRUE, TRUE, 0);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), build_object_page(b, tooltips),
                             b.label("label_object_controls", _("Objects")));
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), build_panel_page(b, tooltips),
                             b.label("label_panel_controls", _("Panels")));

    gtk_box_pack_start(GTK_BOX(work), build_zoom_controls(b, tooltips), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(work),
                       b.reg(gtk_progress_bar_new(), "progressbar_main_zembrix_decode"), FALSE,
                       FALSE, 0);

    const std::pair<const char *, const char *> list_tips[] = {
        {"treeview_main_locations",
         N_("The game's 32 locations: click one to preview it, double-click to edit its panel, "
            "right-click for more")},
        {"treeview_main_objects",
         N_("The project's objects: click one to preview it, double-click its Used cell to see "
            "where it is placed, right-click for more")},
        {"treeview_main_panels",
         N_("The project's panels: click one to preview it, double-click its number to edit it, "
            "right-click for more")},
        {"treeview_main_panel_defs",
         N_("What the panel places, back to front: click one to frame it in the preview, type "
            "into X or Y to move it")},
    };
    for (const auto &[name, tip] : list_tips) {
        gtk_tooltips_set_tip(tooltips, lookup_widget(window, name), _(tip), nullptr);
    }

    // The status row: the messages, and beside them the room left in the
    // project's file, which no message hides.
    GtkWidget *status_row = b.reg(gtk_hbox_new(FALSE, 4), "hbox_main_status");
    gtk_box_pack_start(GTK_BOX(top), status_row, FALSE, FALSE, 0);
    GtkWidget *statusbar = b.reg(gtk_statusbar_new(), "statusbar_main");
    gtk_statusbar_set_has_resize_grip(GTK_STATUSBAR(statusbar), FALSE);
    gtk_box_pack_start(GTK_BOX(status_row), statusbar, TRUE, TRUE, 0);
    GtkWidget *warning =
        b.reg(gtk_image_new_from_stock(GTK_STOCK_DIALOG_WARNING, GTK_ICON_SIZE_MENU),
              "image_main_size_warning");
    gtk_widget_set_no_show_all(warning, TRUE);
    gtk_widget_hide(warning);
    gtk_box_pack_start(GTK_BOX(status_row), warning, FALSE, FALSE, 0);
    GtkWidget *size = b.label("label_main_size", "");
    gtk_misc_set_padding(GTK_MISC(size), 4, 0);
    gtk_box_pack_start(GTK_BOX(status_row), size, FALSE, FALSE, 0);

    for (const char *area :
         {"drawingarea_object_controls_object_palette", "drawingarea_panel_palette"}) {
        gtk_widget_add_events(lookup_widget(window, area), GDK_BUTTON_PRESS_MASK);
    }
}

GtkWidget *MainWindow::popup_object_menu()
{
    GtkWidget *menu = popupmenu<&MainWindow::on_object_find_references_activate,
                                &MainWindow::on_object_delete_activate>(
        this, "popupmenu_object", "popupmenu_object_find_all_references",
        _("Find all references to object..."), "image_popupmenu_object_find_all_references",
        "popupmenu_object_delete", _("Delete object"), "imagepopupmenu_object_delete");
    Builder b(menu);
    GtkWidget *image =
        b.image_item(menu, "popupmenu_object_export_image", _("Export object as _image..."),
                     "image_popupmenu_object_export_image", "gtk-save-as");
    ui_connect<&MainWindow::on_object_export_image_activate>(image, "activate", this);
    return menu;
}

GtkWidget *MainWindow::popup_location_menu()
{
    return popupmenu<&MainWindow::on_location_edit_panel_activate,
                     &MainWindow::on_location_show_panel_activate>(
        this, "popupmenu_location", "popupmenu_location_edit_panel", _("_Edit its panel..."),
        "image_popupmenu_location_edit_panel", "popupmenu_location_show_panel",
        _("_Show its panel"), "image_popupmenu_location_show_panel", "gtk-edit", "gtk-jump-to");
}

GtkWidget *MainWindow::popup_panel_menu()
{
    return popupmenu<&MainWindow::on_panel_find_references_activate,
                     &MainWindow::on_panel_delete_activate>(
        this, "popupmenu_panel", "popupmenu_panel_find_all_references",
        _("Find all references to panel..."), "image_popupmenu_panel_find_all_references",
        "popupmenu_panel_delete", _("Delete panel"), "image_popupmenu_panel_delete");
}

void MainWindow::show_references(const char *text)
{
    GtkWidget *dialog = create_dialog_references();
    gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(window_));
    GtkWidget *view = lookup_widget(dialog, "textview_references");
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), text, -1);
    ui_connect<&MainWindow::on_references_press>(view, "button_press_event", this);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

void MainWindow::connect_signals()
{
    GtkWidget *w = window_;
    using M = MainWindow;
    ui_connect<&M::on_delete_event>(w, "delete_event", this);
    ui_connect<&M::on_new_activate>(w, "new", "activate", this);
    ui_connect<&M::on_open_activate>(w, "open", "activate", this);
    ui_connect<&M::on_recent_item_activated>(w, "recentchoosermenu_main", "item-activated", this);
    ui_connect<&M::on_undo_activate>(w, "undo", "activate", this);
    ui_connect<&M::on_redo_activate>(w, "redo", "activate", this);
    ui_connect<&M::on_save_activate>(w, "save", "activate", this);
    ui_connect<&M::on_save_as_activate>(w, "save_as", "activate", this);
    ui_connect<&M::on_close_activate>(w, "close", "activate", this);
    ui_connect<&M::on_restore_backup_activate>(w, "menuitem_restore_backup", "activate", this);
    ui_connect<&M::on_export_preview_activate>(w, "menuitem_export_preview", "activate", this);
    // Export takes the preview last clicked, on itself or on its list.
    const std::pair<const char *, MainPreview> focus_widgets[] = {
        {"drawingarea_main_location_preview", PREVIEW_LOCATION},
        {"treeview_main_locations", PREVIEW_LOCATION},
        {"drawingarea_object_controls_object_preview", PREVIEW_OBJECT},
        {"treeview_main_objects", PREVIEW_OBJECT},
        {"drawingarea_panel_preview", PREVIEW_PANEL},
        {"treeview_main_panels", PREVIEW_PANEL},
        {"treeview_main_panel_defs", PREVIEW_PANEL}};
    for (const auto &[name, which] : focus_widgets) {
        GtkWidget *widget = lookup_widget(w, name);
        gtk_widget_add_events(widget, GDK_BUTTON_PRESS_MASK);
        g_object_set_data(G_OBJECT(widget), "zbx-preview", GINT_TO_POINTER(which));
        ui_connect<&M::on_focus_press>(widget, "button_press_event", this);
    }
    ui_connect<&M::on_quit_activate>(w, "quit", "activate", this);
    ui_connect<&M::on_show_clashes_toggled>(w, "menuitem_show_clashes", "toggled", this);
    ui_connect<&M::on_incremental_rendering_activate>(w, "menuitem_incremental_rendering",
                                                      "activate", this);
    ui_connect<&M::on_about_activate>(w, "about", "activate", this);
    ui_connect<&M::on_resources_activate>(w, "menuitem_resources", "activate", this);

    const char *location = "drawingarea_main_location_preview";
    ui_connect<&M::on_location_preview_configure>(w, location, "configure_event", this);
    ui_connect<&M::on_location_preview_expose>(w, location, "expose_event", this);
    ui_connect<&M::on_locations_cursor_changed>(w, "treeview_main_locations", "cursor_changed",
                                                this);
    ui_connect<&M::on_clear_location_record_clicked>(w, "button_main_clear_location_record",
                                                     "clicked", this);
    ui_connect<&M::on_show_location_panel_clicked>(w, "button_main_location_show_panel", "clicked",
                                                   this);
    ui_connect<&M::on_locations_row_activated>(w, "treeview_main_locations", "row_activated", this);
    ui_connect<&M::on_locations_press>(w, "treeview_main_locations", "button_press_event", this);
    ui_connect<&M::on_locations_popup_menu>(w, "treeview_main_locations", "popup_menu", this);

    const char *object = "drawingarea_object_controls_object_preview";
    ui_connect<&M::on_object_preview_configure>(w, object, "configure_event", this);
    ui_connect<&M::on_object_preview_expose>(w, object, "expose_event", this);
    const char *object_palette = "drawingarea_object_controls_object_palette";
    ui_connect<&M::on_object_palette_configure>(w, object_palette, "configure_event", this);
    ui_connect<&M::on_object_palette_expose>(w, object_palette, "expose_event", this);
    ui_connect<&M::on_object_palette_press>(w, object_palette, "button_press_event", this);
    ui_connect<&M::on_objects_cursor_changed>(w, "treeview_main_objects", "cursor_changed", this);
    ui_connect<&M::on_objects_popup_menu>(w, "treeview_main_objects", "popup_menu", this);
    ui_connect<&M::on_objects_press>(w, "treeview_main_objects", "button_press_event", this);
    ui_connect<&M::on_objects_row_activated>(w, "treeview_main_objects", "row_activated", this);
    ui_connect<&M::on_import_clicked>(w, "button_object_controls_import", "clicked", this);
    ui_connect<&M::on_export_clicked>(w, "button_object_controls_export", "clicked", this);
    ui_connect<&M::on_launch_grabber_clicked>(w, "_object_controls_launch_object_grabber",
                                              "clicked", this);

    const char *panel = "drawingarea_panel_preview";
    ui_connect<&M::on_panel_preview_configure>(w, panel, "configure_event", this);
    ui_connect<&M::on_panel_preview_expose>(w, panel, "expose_event", this);
    const char *panel_palette = "drawingarea_panel_palette";
    ui_connect<&M::on_panel_palette_expose>(w, panel_palette, "expose_event", this);
    ui_connect<&M::on_panel_palette_press>(w, panel_palette, "button_press_event", this);
    ui_connect<&M::on_panel_palette_configure>(w, panel_palette, "configure_event", this);
    ui_connect<&M::on_panels_cursor_changed>(w, "treeview_main_panels", "cursor_changed", this);
    ui_connect<&M::on_panels_popup_menu>(w, "treeview_main_panels", "popup_menu", this);
    ui_connect<&M::on_panels_press>(w, "treeview_main_panels", "button_press_event", this);
    ui_connect<&M::on_panels_row_activated>(w, "treeview_main_panels", "row_activated", this);
    ui_connect<&M::on_panel_defs_cursor_changed>(w, "treeview_main_panel_defs", "cursor_changed",
                                                 this);
    ui_connect<&M::on_panel_edit_clicked>(w, "button_main_panel_edit", "clicked", this);
    ui_connect<&M::on_panel_store_clicked>(w, "button_main_panel_store", "clicked", this);
    ui_connect<&M::on_new_panel_clicked>(w, "button_panel_controls_new", "clicked", this);
    ui_connect<&M::on_zoom_2_clicked>(w, "radiobutton_main_zoom_level2", "clicked", this);
    for (const char *area : {location, object, panel}) {
        ui_connect<&M::on_preview_scroll>(w, area, "scroll_event", this);
    }
    ui_connect<&M::on_key_press>(w, "key_press_event", this);
    ui_connect<&M::on_zoom_1_clicked>(w, "radiobutton_main_zoom_level1", "clicked", this);
}
