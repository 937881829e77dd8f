// What accessibility tools (screen readers, GUI test tools) find: a name
// and a tooltip for every control of every window. (Tables whose rows follow the data: the
// end-to-end scripts count and pick rows through them.)
#include "window_support.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

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

// What a user points at or moves through: each needs a name that a screen
// reader reads and a tooltip that tells everyone what it does. A drawing
// area counts whatever role it was given; ATK_ROLE_MENU is an item of the
// menu bar, ATK_ROLE_LAYERED_PANE an icon view.
bool is_control(AtkRole role, GtkWidget *widget)
{
    static constexpr AtkRole kControls[] = {ATK_ROLE_PUSH_BUTTON,
                                            ATK_ROLE_TOGGLE_BUTTON,
                                            ATK_ROLE_RADIO_BUTTON,
                                            ATK_ROLE_CHECK_BOX,
                                            ATK_ROLE_MENU,
                                            ATK_ROLE_MENU_ITEM,
                                            ATK_ROLE_CHECK_MENU_ITEM,
                                            ATK_ROLE_RADIO_MENU_ITEM,
                                            ATK_ROLE_DRAWING_AREA,
                                            ATK_ROLE_COMBO_BOX,
                                            ATK_ROLE_TABLE,
                                            ATK_ROLE_TREE_TABLE,
                                            ATK_ROLE_LAYERED_PANE};
    return (widget != nullptr && GTK_IS_DRAWING_AREA(widget)) ||
           std::find(std::begin(kControls), std::end(kControls), role) != std::end(kControls);
}

// Every control below `object` without a name (or, with tips, a tooltip), as
// "role "name" in window: what is missing". The rows, cells and icons of a
// list and the menu of a combo box belong to it and are not looked at.
void undescribed_below(AtkObject *object, const std::string &window, bool tips,
                       std::vector<std::string> *out)
{
    const AtkRole role = atk_object_get_role(object);
    GtkWidget *widget = GTK_IS_ACCESSIBLE(object) ? GTK_ACCESSIBLE(object)->widget : nullptr;
    if (is_control(role, widget)) {
        const char *name = atk_object_get_name(object);
        GCharPtr tip(widget != nullptr ? gtk_widget_get_tooltip_text(widget) : nullptr);
        std::string missing;
        if (name == nullptr || *name == '\0') {
            missing += " no name";
        }
        // Menus name what they do; the desktop shows no tooltips on them.
        const bool menu = role == ATK_ROLE_MENU || role == ATK_ROLE_MENU_ITEM ||
                          role == ATK_ROLE_CHECK_MENU_ITEM || role == ATK_ROLE_RADIO_MENU_ITEM;
        if (tips && !menu && (tip == nullptr || *tip == '\0')) {
            missing += " no tooltip";
        }
        if (!missing.empty()) {
            out->push_back(std::string(atk_role_get_name(role)) + " \"" + (name ? name : "") +
                           "\" in " + window + ":" + missing);
        }
        // A menu's items are controls of their own.
        if (role != ATK_ROLE_MENU && role != ATK_ROLE_MENU_ITEM) {
            return;
        }
    }
    for (int i = 0; i < atk_object_get_n_accessible_children(object); i++) {
        if (AtkObject *child = atk_object_ref_accessible_child(object, i)) {
            undescribed_below(child, window, tips, out);
            g_object_unref(child);
        }
    }
}

// Every control of these windows (shown for the walk) that lacks a name,
// or with tips a tooltip.
std::vector<std::string> undescribed_controls(const std::vector<GtkWidget *> &windows, bool tips)
{
    std::vector<std::string> found;
    for (GtkWidget *window : windows) {
        gtk_widget_show_all(window);
        pump_events();
        undescribed_below(gtk_widget_get_accessible(window),
                          gtk_window_get_title(GTK_WINDOW(window)), tips, &found);
    }
    return found;
}

} // namespace

TEST_F(Accessibility, EveryControlOfEveryWindowHasANameAndATooltip)
{
    EXPECT_EQ(
        undescribed_controls({window_main, app->editor().window(), app->grabber().window(),
                              app->editor().overrides().window(), app->editor().browser().window()},
                             true),
        std::vector<std::string>{});
}
