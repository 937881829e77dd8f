// The window half of the common helpers: message and confirmation dialogs,
// applying the options to the main window, and the location commands.
#include <algorithm>

#include <initializer_list>
#include <utility>

#include "app/app.h"
#include "app/common.h"
#include "app/i18n.h"
#include "app/options.h"
#include "app/support.h"

namespace {

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

} // namespace

GtkWidget *create_dialog_yes_no_confirmation()
{
    GtkWidget *dialog = gtk_dialog_new();
    zbx_name_toplevel(dialog, "dialog_yes_no_confirmation", _("Confirmation request"));
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    if (window_main != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(window_main));
    }

    GtkWidget *vbox = GTK_DIALOG(dialog)->vbox;
    zbx_register_widget(dialog, vbox, "vbox_yes_no_confirmation");
    gtk_widget_show(vbox);
    GtkWidget *label = gtk_label_new("");
    zbx_register_widget(dialog, label, "label_yes_no_confirmation");
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
    gtk_misc_set_padding(GTK_MISC(label), 5, 5);
    gtk_widget_show(label);
    gtk_box_pack_start(GTK_BOX(vbox), label, FALSE, FALSE, 0);

    GtkWidget *buttons = GTK_DIALOG(dialog)->action_area;
    zbx_register_widget(dialog, buttons, "hbuttonbox_yes_no_confirmation");
    gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_SPREAD);
    gtk_widget_show(buttons);
    struct
    {
        const char *name;
        const char *stock;
        int response;
    } const answers[] = {
        {"button_yes_no_confirmation_yes", "gtk-yes", GTK_RESPONSE_YES},
        {"button_yes_no_confirmation_no", "gtk-no", GTK_RESPONSE_NO},
    };
    for (const auto &answer : answers) {
        GtkWidget *button = gtk_button_new_from_stock(answer.stock);
        zbx_register_widget(dialog, button, answer.name);
        gtk_widget_show(button);
        gtk_dialog_add_action_widget(GTK_DIALOG(dialog), button, answer.response);
        GTK_WIDGET_SET_FLAGS(button, GTK_CAN_DEFAULT);
    }
    return dialog;
}

GtkWidget *common_message_dialog(GtkWindow *parent, const char *text, GtkMessageType type)
{
    GtkWidget *dialog = gtk_message_dialog_new(parent, GTK_DIALOG_DESTROY_WITH_PARENT, type,
                                               GTK_BUTTONS_CLOSE, "%s", text);
    const char *title = "Warning";
    if (type == GTK_MESSAGE_ERROR) {
        title = "Error";
    } else if (type == GTK_MESSAGE_INFO) {
        title = "Information";
    }
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    g_signal_connect_swapped(dialog, "response", G_CALLBACK(gtk_widget_destroy), dialog);
    gtk_widget_show(dialog);
    return dialog;
}

gboolean common_get_user_confirmation(const char *question)
{
    GtkWidget *dialog = create_dialog_yes_no_confirmation();
    gtk_label_set_markup(GTK_LABEL(lookup_widget(dialog, "label_yes_no_confirmation")), question);
    gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    return response == GTK_RESPONSE_YES;
}

void common_set_show_clashes(bool on)
{
    if (on != options_get_show_clashes()) {
        options_set_show_clashes(on);
        options_save_to_file();
    }
    // Both are toggles with an "active" property, which emits nothing when
    // set to what it holds already.
    const std::pair<GtkWidget *, const char *> toggles[] = {
        {window_main, "menuitem_show_clashes"},
        {window_panel_editor, "checkbutton_panel_editor_show_clashes"}};
    for (const auto &[window, name] : toggles) {
        if (window != nullptr) {
            g_object_set(lookup_widget(window, name), "active", on ? TRUE : FALSE, nullptr);
        }
    }
}

void common_adjust_from_options()
{
    if (window_main == nullptr) {
        return;
    }
    GtkWidget *incremental = lookup_widget(window_main, "menuitem_incremental_rendering");
    if (options_get_incremental_rendering() == 1 && incremental != nullptr &&
        !gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(incremental))) {
        // Checks the item; its handler stores the option and saves the file.
        gtk_menu_item_activate(GTK_MENU_ITEM(incremental));
    }
    if (GtkWidget *clashes = lookup_widget(window_main, "menuitem_show_clashes")) {
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(clashes), options_get_show_clashes());
    }
    int x = 0;
    int y = 0;
    if (options_get_window_position(&x, &y)) {
        clamp_to_screen(GTK_WINDOW(window_main), &x, &y);
        gtk_window_move(GTK_WINDOW(window_main), x, y);
    }
}
