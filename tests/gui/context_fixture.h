// Real services for building one window on its own, without the rest of
// the application: a document, options in a fresh configuration folder,
// choosers, the images with the source tree's backdrop, the shared lists,
// and a shell that records what the window asked of the main window.
#pragma once

#include <string>
#include <vector>

#include "base/gref.h"
#include "files/resources.h"
#include "support/bytes.h"
#include "support/paths.h"
#include "ui/context.h"

class RecordingShell final : public Shell
{
  public:
    GtkWindow *main_window() const override { return parent; }
    void panel_edited(int panel) override { edited.push_back(panel); }
    void set_status(const char *text) override { status = text; }
    void set_show_clashes(bool on) override { clashes.push_back(on); }
    void set_show_grid(bool on) override { grids.push_back(on); }
    void save_project() override { saves++; }
    int selected_object() const override { return object; }

    GtkWindow *parent = nullptr;
    std::vector<int> edited;
    std::string status;
    std::vector<bool> clashes;
    std::vector<bool> grids;
    int saves = 0;
    // The object the main window's list would have selected.
    int object = -1;
};

struct TestContext
{
    TestContext()
    {
        const std::vector<std::string> backdrop = {zbx_source_path("resources/background.png")};
        images.backdrop.reset(resources_load_backdrop(backdrop, nullptr));
        choosers.set_examples_folder(zbx_source_path("resources/examples"));
    }

    ZbxTempDir config;
    Document document;
    Options options{config.dir().c_str()};
    Choosers choosers{options};
    SharedImages images;
    ObjectList objects{document};
    PanelList panels{document};
    RecordingShell shell;
    UiContext context{document, options, choosers, images, objects, panels, shell};
};
