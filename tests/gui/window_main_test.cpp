// The main window, its popup menus and file dialogs as built: every named
// widget, its texts and connections, as listed in
// tests/data/gui/main_window.txt.
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/interface.h"
#include "support/bytes.h"
#include "window_support.h"

namespace {

std::string tooltip_of(GtkWidget *widget)
{
    GCharPtr text(gtk_widget_get_tooltip_text(widget));
    return text ? text.get() : "";
}

} // namespace

TEST(MainWindowLayout, EveryNamedWidgetIsFoundFromEveryOtherWithItsTextsAndHandlers)
{
    const std::map<std::string, GtkWidget *(*) ()> builders = {
        {"window_main", create_window_main},
        {"popupmenu_object", create_popupmenu_object},
        {"popupmenu_panel", create_popupmenu_panel},
        {"filechooserdialog_open_file", create_filechooserdialog_open_file},
        {"filechooserdialog_save_file", create_filechooserdialog_save_file},
    };
    // Each section: its builder's top widget and the names listed.
    std::vector<std::pair<GtkWidget *, std::vector<std::string>>> sections;
    int checked = 0;
    for (const std::string &row : zbx_data_rows("gui/main_window.txt")) {
        if (row[0] == '[') {
            GtkWidget *top = builders.at(row.substr(1, row.size() - 2))();
            g_object_ref_sink(top);
            sections.push_back({top, {}});
            continue;
        }
        std::istringstream fields(row);
        std::string name, field;
        std::getline(fields, name, '\t');
        sections.back().second.push_back(name);
        GtkWidget *w = lookup_widget(sections.back().first, name.c_str());
        ASSERT_NE(w, nullptr) << name;
        while (std::getline(fields, field, '\t')) {
            const std::string key = field.substr(0, field.find('='));
            const std::string value = field.substr(field.find('=') + 1);
            SCOPED_TRACE(name + " " + field);
            checked++;
            if (key == "label") {
                EXPECT_EQ(gtk_label_get_text(GTK_LABEL(w)), value);
            } else if (key == "title") {
                EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(w)), value);
            } else if (key == "tooltip") {
                EXPECT_EQ(tooltip_of(w), value);
            } else if (key == "size") {
                int width = 0, height = 0;
                gtk_widget_get_size_request(w, &width, &height);
                EXPECT_EQ(std::to_string(width) + "x" + std::to_string(height), value);
            } else if (key == "clickable") {
                EXPECT_TRUE(gtk_widget_get_events(w) & GDK_BUTTON_PRESS_MASK);
            } else if (key == "on") {
                EXPECT_TRUE(g_signal_has_handler_pending(
                    w, g_signal_lookup(value.c_str(), G_OBJECT_TYPE(w)), 0, FALSE));
            } else {
                ADD_FAILURE() << "unknown field";
            }
        }
    }
    EXPECT_EQ(sections.size(), builders.size());
    EXPECT_GE(checked, 80);
    // Handlers find any widget of their window from the widget they are
    // given, menus through the item they are attached to.
    for (auto &[top, names] : sections) {
        for (const std::string &from : names) {
            GtkWidget *start = lookup_widget(top, from.c_str());
            if (!GTK_IS_WIDGET(start)) {
                continue; // the tooltips object
            }
            for (const std::string &name : names) {
                ASSERT_EQ(lookup_widget(start, name.c_str()), lookup_widget(top, name.c_str()))
                    << name << " from " << from;
            }
        }
        gtk_widget_destroy(top);
        g_object_unref(top);
    }
}
