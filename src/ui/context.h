// What every window is handed when it is built: the document, the services
// that live for the run, the shared lists, and the shell through which the
// editor and the grabber reach the main window. The application owns all
// of it; a window keeps the reference for its whole life.
#pragma once

#include <gtk/gtk.h>

#include "base/gref.h"
#include "c64/palette.h"
#include "items/document.h"
#include "ui/fileopen.h"
#include "ui/objectmodel.h"
#include "ui/options.h"
#include "ui/panelmodels.h"

// The images every window draws with.
struct SharedImages
{
    PaletteImages palette;
    // The backdrop of every canvas; null when none could be read.
    GRef<GdkPixbuf> backdrop;
};

// The small interface through which the editor and the grabber reach the
// main window, which they never include.
class Shell
{
  public:
    // The window dialogs and the other windows stand over.
    virtual GtkWindow *main_window() const = 0;
    // A panel was edited and its editor closed: the previews show the result.
    virtual void panel_edited(int panel) = 0;
    // Replaces the main window's status text.
    virtual void set_status(const char *text) = 0;
    // The clash view was switched in a window: every window and the options
    // follow.
    virtual void set_show_clashes(bool on) = 0;
    // The cell grid was switched in a window: every window and the options
    // follow.
    virtual void set_show_grid(bool on) = 0;
    // File -> Save, from whichever window the user is in (Control+S).
    virtual void save_project() = 0;
    // The object selected in the main window's object list (-1: none).
    virtual int selected_object() const { return -1; }

  protected:
    ~Shell() = default;
};

struct UiContext
{
    Document &document;
    Options &options;
    Choosers &choosers;
    SharedImages &images;
    ObjectList &objects;
    PanelList &panels;
    Shell &shell;

    GdkPixbuf *backdrop() const { return images.backdrop.get(); }
};
