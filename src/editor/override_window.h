// The colour override window: three rows of "colour override with colour"
// and an "Enable this override" check button each, editing the overrides of
// the panel editor's selected object placement. One of the editor's
// dialogs: built with it, shown modal over it, applied when closed.
#pragma once

#include <array>
#include <gtk/gtk.h>

#include "base/gref.h"
#include "editor/override.h"
#include "editor/paneleditor.h"
#include "ui/context.h"

class OverrideWindow
{
  public:
    // Builds the window, hidden, over parent (the editor's window).
    OverrideWindow(UiContext &context, PanelEditor &editor, GtkWindow *parent);
    // Destroys the window.
    ~OverrideWindow();
    OverrideWindow(const OverrideWindow &) = delete;
    OverrideWindow &operator=(const OverrideWindow &) = delete;

    GtkWidget *window() const { return window_; }
    // "Colo_ur overrides...": shows the stored bytes of the selected object
    // placement; false, with nothing shown, for a panel placement or none.
    bool open();
    // Combo box k: 0..2 the colours replaced in rows 1..3, 3..5 their
    // replacements.
    GtkComboBox *combo_box(int k) const;
    // The rows as the window shows them.
    OverrideRows rows() const;

  private:
    GtkWidget *create_combo_box();
    GtkToggleButton *check_button(int row) const;
    int colour_of(int k) const;
    // Shows three stored bytes; each row's check button is ticked exactly
    // when its two colours differ.
    void show_bytes(const int overrides[kOverrideRows]);

    gboolean on_delete(GtkWidget *window, GdkEvent *event);
    void on_combo_changed(GtkComboBox *combo);

    PanelEditor &editor_;
    GtkWidget *window_ = nullptr;
    GRef<GtkListStore> colours_;
    std::array<GtkWidget *, 2 * kOverrideRows> combo_boxes_{};
};
