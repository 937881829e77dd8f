// Start-up in its fixed order, the program icon and the quit question.
#include "app/app.h"
#include "app/context.h"

#include <initializer_list>

#include "app/common.h"
#include "app/fileopen.h"
#include "app/i18n.h"
#include "app/icon.h"
#include "app/interface.h"
#include "app/locations_view.h"
#include "app/mainview.h"
#include "app/objectmodel.h"
#include "app/options.h"
#include "app/panelmodels_view.h"
#include "app/support.h"
#include "base/gref.h"
#include "c64/palette.h"
#include "editor/override_window.h"
#include "editor/panelbrowser.h"
#include "editor/paneleditor_window.h"
#include "grabber/objectgrabber.h"
#include "items/document.h"

GtkWidget *window_main = nullptr;
GtkWidget *window_object_grabber = nullptr;
GtkWidget *window_panel_editor = nullptr;
GtkWidget *window_browser = nullptr;
GtkWidget *window_color_overrides = nullptr;

namespace {

constexpr const char *kQuitQuestion = "Are you sure you want to quit?";

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

void app_request_attention() {}

gboolean app_confirm_quit()
{
    if (app_document().is_modified() ? !app_ask_save_changes()
                                     : !common_get_user_confirmation(kQuitQuestion)) {
        return FALSE;
    }
    options_save_to_file();
    return TRUE;
}

void app_startup()
{
    // The palette images and both (empty) item tables exist before any window.
    mainview_module_init();
    fileopen_module_init();
    app_files_module_init();

    window_main = create_window_main();

    GErrorPtr error;
    if (!app_load_backdrop(error.out())) {
        common_message_dialog(GTK_WINDOW(window_main), error.message(), GTK_MESSAGE_ERROR);
    }

    gtk_widget_show(window_main);
    g_signal_connect(window_main, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

    // The object grabber, panel editor, browser and colour overrides windows
    // are built here, hidden, in that order.
    window_object_grabber = create_window_object_grabber();
    window_panel_editor = create_window_panel_editor();
    window_browser = create_window_browser();
    window_color_overrides = create_window_color_overrides();

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
    paneleditor_window_module_init(window_panel_editor);
    iconview_module_init(window_browser);
    objectgrabber_module_init(window_object_grabber);
    panelbrowser_module_init(window_browser);
    override_module_init(window_color_overrides);

    // Realise the drawing areas of both notebook pages, so that their
    // canvases exist before any file is opened.
    GtkWidget *notebook = lookup_widget(window_main, "notebook_secondary_controls");
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 1);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 0);

    app_update_title();

    options_module_init();
    common_adjust_from_options();
}

void app_shutdown()
{
    objectgrabber_cleanup();
    override_cleanup();
    panelbrowser_cleanup();
    for (GtkWidget **window : {&window_color_overrides, &window_browser}) {
        if (*window != nullptr) {
            gtk_widget_destroy(*window);
            *window = nullptr;
        }
    }
    paneleditor_window_cleanup();
    if (window_panel_editor != nullptr) {
        gtk_widget_destroy(window_panel_editor);
        window_panel_editor = nullptr;
    }
    mainview_cleanup();
    locations_cleanup();
    panelmodels_cleanup();
    objectmodel_cleanup();
    app_document().close();
}
