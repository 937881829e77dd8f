// What accessibility tools (screen readers, GUI test tools) find: a name
// for every control. (Tables whose rows follow the data: the end-to-end
// scripts count and pick rows through them.)
#include "window_support.h"

namespace {

class Accessibility : public WindowAtWork
{
  protected:
    // The toolkit's accessibility module, as GTK_MODULES=gail loads it.
    static void SetUpTestSuite()
    {
        g_object_set(gtk_settings_get_default(), "gtk-modules", "gail", nullptr);
    }
};

// Every control below `object` that a screen reader cannot name, as
// "role in window".
void unnamed_controls(AtkObject *object, const std::string &window, std::vector<std::string> *out)
{
    const AtkRole role = atk_object_get_role(object);
    const char *name = atk_object_get_name(object);
    if ((role == ATK_ROLE_PUSH_BUTTON || role == ATK_ROLE_RADIO_BUTTON ||
         role == ATK_ROLE_CHECK_BOX || role == ATK_ROLE_MENU_ITEM ||
         role == ATK_ROLE_DRAWING_AREA || role == ATK_ROLE_TABLE) &&
        (name == nullptr || *name == '\0')) {
        out->push_back(std::string(atk_role_get_name(role)) + " in " + window);
    }
    for (int i = 0; i < atk_object_get_n_accessible_children(object); i++) {
        if (AtkObject *child = atk_object_ref_accessible_child(object, i)) {
            unnamed_controls(child, window, out);
            g_object_unref(child);
        }
    }
}
} // namespace

TEST_F(Accessibility, EveryControlOfEveryWindowHasAName)
{
    std::vector<std::string> unnamed;
    for (GtkWidget *window : {window_main, app->grabber().window(), app->editor().window()}) {
        gtk_widget_show_all(window);
        pump_events();
        unnamed_controls(gtk_widget_get_accessible(window),
                         gtk_window_get_title(GTK_WINDOW(window)), &unnamed);
    }
    EXPECT_EQ(unnamed, std::vector<std::string>{});
}
