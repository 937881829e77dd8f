// The colour override window: three rows of "colour override with colour"
// and an "Enable this override" check button each, editing the overrides of
// the panel editor's selected object placement. One of the editor's
// dialogs: built with it, shown modal over it. While it is open the editor
// draws the placement as the rows stand; closing the window applies them as
// one step, Escape closes it leaving the placement as it was. The colour
// lists show the colours the object shows first, in bold and marked.
#pragma once

#include <array>
#include <functional>
#include <gtk/gtk.h>

#include "base/gref.h"
#include "editor/override.h"
#include "editor/paneleditor.h"
#include "ui/context.h"

class OverrideWindow
{
  public:
    // Builds the window, hidden, over parent (the editor's window). changed
    // runs whenever what the editor draws changes: a row changed, or the
    // window closed either way.
    OverrideWindow(UiContext &context, PanelEditor &editor, GtkWindow *parent,
                   std::function<void()> changed = {});
    // Destroys the window.
    ~OverrideWindow();
    OverrideWindow(const OverrideWindow &) = delete;
    OverrideWindow &operator=(const OverrideWindow &) = delete;

    GtkWidget *window() const { return window_; }
    // "Colo_ur overrides...": shows the stored bytes of the selected object
    // placement, the object's colours first in the lists; false, with
    // nothing shown, for a panel placement or none.
    bool open();
    // Combo box k: 0..2 the colours replaced in rows 1..3, 3..5 their
    // replacements.
    GtkComboBox *combo_box(int k) const;
    // Picks colour (0..15) in combo box k, wherever its list shows it.
    void set_colour(int k, int colour);
    // The rows as the window shows them.
    OverrideRows rows() const;
    // The colours in the order the lists show them, and how many of them,
    // from the top, the object shows.
    const std::array<int, 16> &listed_colours() const { return listed_; }
    int used_colours() const { return used_; }

  private:
    GtkWidget *create_combo_box();
    GtkToggleButton *check_button(int row) const;
    int colour_of(int k) const;
    // Lists the colours the object shows first, then the others.
    void list_colours(int object);
    // Shows three stored bytes; each row's check button is ticked exactly
    // when its two colours differ.
    void show_bytes(const int overrides[kOverrideRows]);
    // The editor draws the rows as they stand.
    void preview();
    // Hides the window; the editor draws the document again.
    void close();

    gboolean on_delete(GtkWidget *window, GdkEvent *event);
    gboolean on_key_press(GtkWidget *window, GdkEventKey *event);
    void on_combo_changed(GtkComboBox *combo);
    void on_check_toggled(GtkToggleButton *button);

    UiContext &context_;
    PanelEditor &editor_;
    std::function<void()> changed_;
    GtkWidget *window_ = nullptr;
    GRef<GtkListStore> colours_;
    std::array<GtkWidget *, 2 * kOverrideRows> combo_boxes_{};
    std::array<int, 16> listed_{};
    int used_ = 0;
    // The window is being filled from the placement: no preview yet.
    bool loading_ = false;
};
