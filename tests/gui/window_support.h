// The window tests' fixture: the editor as the program starts it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "gui_helpers.h"

// The editor as the program starts it: the application with options in a
// fresh configuration folder, the source tree's backdrop and examples, and
// the main window shown.
class WindowAtWork : public testing::Test
{
  protected:
    void SetUp() override
    {
        start();
        // At zoom level 2 the window is tall: keep it all on the screen,
        // where its pixels can be read back.
        gtk_window_move(GTK_WINDOW(window_main), 0, 0);
        show_and_wait(window_main);
    }
    // Starts the editor as the program does.
    void start()
    {
        ApplicationSetup setup;
        setup.config_dir = config.dir();
        setup.state_dir = config.path() + "/state";
        setup.backdrop_candidates = backdrop_candidates;
        setup.examples_folder = zbx_source_path("resources/examples");
        setup.recovery_times = recovery_times;
        app = std::make_unique<Application>(setup);
        window_main = app->main().window();
    }
    // Ends the editor as the program does after its main loop.
    void stop()
    {
        for (const char *title : {"Error", "References", "Confirmation request"}) {
            close_dialogs_titled(title);
        }
        app.reset();
        window_main = nullptr;
        pump_events();
    }
    void TearDown() override { stop(); }

    GtkWidget *widget(const char *name) { return lookup_widget(window_main, name); }
    void activate(const char *item) { gtk_menu_item_activate(GTK_MENU_ITEM(widget(item))); }
    void click(const char *button) { gtk_button_clicked(GTK_BUTTON(widget(button))); }
    void show_page(int page)
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(widget("notebook_secondary_controls")), page);
        pump_events();
    }

    // File -> Open through the real chooser.
    bool open_through_menu(const std::string &path)
    {
        ChooserAnswer answer{"Select a zembrix file", path};
        answer_next_chooser(&answer);
        activate("open");
        pump_events();
        return answer.answered;
    }

    // Waits for the window to take the new size requests.
    void wait_for_width(GtkWidget *area, int width)
    {
        pump_until([&] { return area->allocation.width == width; }, 3000);
        gdk_window_process_all_updates();
        pump_events();
    }

    TempFolder config;
    const std::string options_file = config.path() + "/zbx-decoder/user-qv.ini";
    std::vector<std::string> backdrop_candidates = {zbx_source_path("resources/background.png")};
    RecoveryTimes recovery_times;
    std::unique_ptr<Application> app;
    GtkWidget *window_main = nullptr;
    TempFolder folder;
};
