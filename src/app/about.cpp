// The About and Resources dialogs.
#include "app/about.h"

#include "base/gref.h"
#include "ui/builder.h"
#include "ui/i18n.h"
#include "ui/icon.h"

namespace {

// The compiler's own name and version: clang also claims an old gcc.
#if defined(__clang__)
constexpr const char *kCompiler = "clang";
constexpr int kCompilerVersion[3] = {__clang_major__, __clang_minor__, __clang_patchlevel__};
#else
constexpr const char *kCompiler = "gcc";
constexpr int kCompilerVersion[3] = {__GNUC__, __GNUC_MINOR__, __GNUC_PATCHLEVEL__};
#endif

} // namespace

std::string about_version_text()
{
    return std::string("Zembrix version ") + ZBX_VERSION;
}

std::string about_feature_text()
{
    GCharPtr text(g_strdup_printf("Zembrix file format support: Version 2\n"
                                  "Target game: Quorvane\n"
                                  "\n"
                                  "Graphic format: Enforced C64 multicolor\n"
                                  "\n"
                                  "Supported picture formats (object grabber):\n"
                                  "- Advanced Art Studio\n"
                                  "- Artist 64\n"
                                  "- Blazing Paddles\n"
                                  "- Koala Painter\n"
                                  "- Vidcom 64\n"
                                  "\n"
                                  "Compiled with %s version: %d.%d.%d\n"
                                  "GTK+ runtime in use: %u.%u.%u",
                                  kCompiler, kCompilerVersion[0], kCompilerVersion[1],
                                  kCompilerVersion[2], gtk_major_version, gtk_minor_version,
                                  gtk_micro_version));
    return text.get();
}

GtkWidget *about_show_about(GtkWindow *parent)
{
    GtkWidget *dialog = gtk_dialog_new_with_buttons(
        _("Zembrix - About"), parent,
        static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), nullptr,
        nullptr);
    ui_name_toplevel(dialog, "dialog_about", nullptr);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);

    GtkWidget *box = gtk_vbox_new(FALSE, 0);
    gtk_container_set_border_width(GTK_CONTAINER(box), 6);
    gtk_box_pack_start(GTK_BOX(GTK_DIALOG(dialog)->vbox), box, FALSE, FALSE, 0);

    GtkWidget *version = gtk_label_new(nullptr);
    GCharPtr markup(g_markup_printf_escaped("<span size=\"xx-large\"><b>%s</b></span>",
                                            about_version_text().c_str()));
    gtk_label_set_markup(GTK_LABEL(version), markup.get());
    gtk_label_set_justify(GTK_LABEL(version), GTK_JUSTIFY_CENTER);
    gtk_misc_set_padding(GTK_MISC(version), 5, 5);
    ui_register_widget(dialog, version, "label_about_version");
    gtk_box_pack_start(GTK_BOX(box), version, FALSE, FALSE, 0);

    GRef<GdkPixbuf> icon(gdk_pixbuf_new_from_xpm_data(const_cast<const char **>(program_icon_xpm)));
    GtkWidget *image = gtk_image_new_from_pixbuf(icon.get());
    gtk_misc_set_padding(GTK_MISC(image), 0, 5);
    ui_register_widget(dialog, image, "image_about_icon");
    gtk_box_pack_start(GTK_BOX(box), image, FALSE, FALSE, 0);

    GtkWidget *features = gtk_label_new(nullptr);
    markup.reset(g_markup_printf_escaped("%s", about_feature_text().c_str()));
    gtk_label_set_markup(GTK_LABEL(features), markup.get());
    gtk_label_set_justify(GTK_LABEL(features), GTK_JUSTIFY_CENTER);
    gtk_misc_set_padding(GTK_MISC(features), 5, 5);
    ui_register_widget(dialog, features, "label_about_features");
    gtk_box_pack_start(GTK_BOX(box), features, FALSE, FALSE, 0);

    GtkWidget *ok = gtk_dialog_add_button(GTK_DIALOG(dialog), "gtk-ok", GTK_RESPONSE_OK);
    ui_register_widget(dialog, ok, "button_about_ok");
    gtk_widget_grab_focus(ok);

    g_signal_connect_swapped(dialog, "response", G_CALLBACK(gtk_widget_destroy), dialog);
    gtk_widget_show_all(dialog);
    return dialog;
}

std::string about_resources_text(const char *path, const Document &document)
{
    GCharPtr name(path != nullptr ? g_filename_display_basename(path)
                                  : g_strdup("(none currently opened)"));
    const int objects = path != nullptr ? document.count_objects() : 0;
    const int panels = path != nullptr ? document.count_panels() : 0;
    GCharPtr text(g_strdup_printf("Zembrix filename: %s\nObjects/panels: %d/%d\n\n", name.get(),
                                  objects, panels));
    return text.get();
}

GtkWidget *about_show_resources(GtkWindow *parent, const char *path, const Document &document)
{
    GtkWidget *dialog = gtk_message_dialog_new(parent, GTK_DIALOG_DESTROY_WITH_PARENT,
                                               GTK_MESSAGE_INFO, GTK_BUTTONS_CLOSE, "%s",
                                               about_resources_text(path, document).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), "Zembrix - Resources in use");
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    g_signal_connect_swapped(dialog, "response", G_CALLBACK(gtk_widget_destroy), dialog);
    gtk_widget_show(dialog);
    return dialog;
}
