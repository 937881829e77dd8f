// Start-up in its fixed order, the program icon and the quit question.
#include "app/app.h"

#include <initializer_list>

#include "app/common.h"
#include "app/i18n.h"
#include "app/icon.h"
#include "app/interface.h"
#include "app/mainview.h"
#include "app/options.h"
#include "app/support.h"
#include "c64/palette.h"
#include "files/fileopen.h"
#include "gref.h"
#include "items/objects.h"
#include "items/panels.h"
#include "models/locations.h"
#include "models/objectmodel.h"
#include "models/panelmodels.h"

#ifdef ZBX_MAC_INTEGRATION
#include <gtkosxapplication.h>
#endif

GtkWidget *window_main = nullptr;
GtkWidget *window_object_grabber = nullptr;
GtkWidget *window_panel_editor = nullptr;
GtkWidget *window_browser = nullptr;
GtkWidget *window_color_overrides = nullptr;

namespace {

constexpr const char *kQuitQuestion = "Are you sure you want to quit?";

#ifdef ZBX_MAC_INTEGRATION
struct MacState
{
    GtkosxApplication *main = nullptr;
    GtkosxApplication *object_grabber = nullptr;
};
MacState mac;

gboolean termination_cb(GtkosxApplication *, gpointer)
{
    return app_request_quit() ? FALSE : TRUE;
}

// Hands a window's menu bar to the global menu bar.
void install_menu_bar(GtkosxApplication *application, GtkWidget *window, const char *menubar)
{
    GtkWidget *bar = lookup_widget(window, menubar);
    gtk_widget_hide(bar);
    gtkosx_application_set_menu_bar(application, GTK_MENU_SHELL(bar));
    gtkosx_application_set_use_quartz_accelerators(application, TRUE);
}

void install_global_menu_bars()
{
    mac.main = GTKOSX_APPLICATION(g_object_new(GTKOSX_TYPE_APPLICATION, nullptr));
    gtk_widget_hide(window_main);
    install_menu_bar(mac.main, window_main, "menubar_main");
    gtk_widget_hide(lookup_widget(window_main, "quit"));
    gtkosx_application_insert_app_menu_item(mac.main, lookup_widget(window_main, "about"), 0);
    gtkosx_application_insert_app_menu_item(mac.main, gtk_separator_menu_item_new(), 1);
    gtkosx_application_insert_app_menu_item(mac.main,
                                            lookup_widget(window_main, "menuitem_preferences"), 2);
    gtkosx_application_ready(mac.main);
    g_signal_connect(mac.main, "NSApplicationBlockTermination", G_CALLBACK(termination_cb),
                     nullptr);
    gtk_widget_show(window_main);

    if (window_object_grabber != nullptr) {
        mac.object_grabber = GTKOSX_APPLICATION(g_object_new(GTKOSX_TYPE_APPLICATION, nullptr));
        install_menu_bar(mac.object_grabber, window_object_grabber, "menubar_object_grabber");
        gtkosx_application_ready(mac.object_grabber);
    }
}
#endif

} // namespace

void attach_icon_to_window(GtkWidget *window)
{
    if (window == nullptr) {
        return;
    }
    GRef<GdkPixbuf> icon(gdk_pixbuf_new_from_xpm_data(const_cast<const char **>(program_icon_xpm)));
    if (icon) {
        gtk_window_set_icon(GTK_WINDOW(window), icon.get());
    }
}

void app_request_attention()
{
#ifdef ZBX_MAC_INTEGRATION
    if (mac.main != nullptr) {
        gtkosx_application_attention_request(mac.main, CRITICAL_REQUEST);
    }
#endif
}

gboolean app_confirm_quit()
{
    if (!common_get_user_confirmation(kQuitQuestion)) {
        return FALSE;
    }
    options_save_to_file();
    return TRUE;
}

void app_startup()
{
    // The palette images and both (empty) item tables exist before any window.
    palette_module_init();
    objects_module_init();
    panels_module_init();
    mainview_module_init();
    fileopen_module_init();
    app_files_module_init();

    window_main = create_window_main();

    GError *error = nullptr;
    if (!common_load_background_pixbuf(&error)) {
        common_message_dialog(GTK_WINDOW(window_main), error->message, GTK_MESSAGE_ERROR);
        g_clear_error(&error);
    }

    gtk_widget_show(window_main);
    g_signal_connect(window_main, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

    // The object grabber, panel editor, browser and colour overrides windows
    // are built here, hidden, in that order.

    for (GtkWidget *window : {window_main, window_object_grabber, window_panel_editor,
                              window_color_overrides, window_browser}) {
        attach_icon_to_window(window);
    }

    // The list models, attached to the main window's views.
    objectmodel_module_init(window_main);
    panelmodels_module_init(window_main);
    locations_module_init(window_main);
    // The modules of the other windows start here, in order: panel editor,
    // icon views, object grabber, browser, colour overrides.

    // Realise the drawing areas of both notebook pages, so that their
    // canvases exist before any file is opened.
    GtkWidget *notebook = lookup_widget(window_main, "notebook_secondary_controls");
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 1);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 0);

    if (window_panel_editor != nullptr) {
        for (const char *name :
             {"checkbutton_panel_editor_transparency", "spinbutton_panel_editor_alpha"}) {
            if (GtkWidget *widget = lookup_widget(window_panel_editor, name)) {
                gtk_widget_set_sensitive(widget, FALSE);
            }
        }
    }

    gtk_window_set_title(GTK_WINDOW(window_main), _("Zembrix"));

    options_module_init();
    common_adjust_from_options();

#ifdef ZBX_MAC_INTEGRATION
    install_global_menu_bars();
#endif
}

void app_shutdown()
{
#ifdef ZBX_MAC_INTEGRATION
    if (mac.main != nullptr) {
        g_object_unref(mac.main);
    }
    if (mac.object_grabber != nullptr) {
        g_object_unref(mac.object_grabber);
    }
    mac = MacState{};
#endif
}
