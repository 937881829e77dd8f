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
