// The panel editor's widgets, built and named but not connected: the
// window (hidden) and the delete question. PanelEditorWindow gives them
// their behaviour.
#pragma once

#include <gtk/gtk.h>

// The editor's window with every named widget, hidden; the placement list
// has no columns or model yet.
GtkWidget *paneleditor_create_window();
// The delete question over parent, built anew for each time it is asked:
// "Yes" answers GTK_RESPONSE_YES, "Yes for all" GTK_RESPONSE_APPLY and "No"
// GTK_RESPONSE_NO.
GtkWidget *paneleditor_create_delete_question(GtkWindow *parent);

// The most room the canvas's scrolled window takes, so that the window
// fits a 1,280 x 800 screen at every zoom.
// (At 2X the whole screen still shows.)
inline constexpr int kEditorViewMaxWidth = 648;
inline constexpr int kEditorViewMaxHeight = 500;
// Sizes the canvas's scrolled window for a zoom (0, 1 or 2): the whole
// zoomed screen where it fits, else the most room, with scroll bars.
void paneleditor_fit_canvas_view(GtkWidget *scrolled, int zoom);
