// Message dialogs. (The quit question: tests/e2e/grab_object.sh, and after
// a load: Commands.NothingThatChangesTheDataRunsWhileALoadIsUnderWay.)
#include "window_support.h"

namespace {

TEST(MessageDialog, TextIsShownVerbatimAndAnyResponseClosesIt)
{
    const char *text = "File \"a%sb.zbx\" <b>50%</b> done";
    bool gone = false;
    GtkWidget *dialog = common_message_dialog(nullptr, text, GTK_MESSAGE_ERROR);
    g_signal_connect(
        dialog, "destroy",
        G_CALLBACK(+[](GtkWidget *, gpointer data) { *static_cast<bool *>(data) = true; }), &gone);
    // It returns at once, shown and modal.
    EXPECT_TRUE(GTK_WIDGET_VISIBLE(dialog));
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
    gchar *shown = nullptr;
    gboolean markup = TRUE;
    g_object_get(dialog, "text", &shown, "use-markup", &markup, nullptr);
    EXPECT_STREQ(shown, text);
    EXPECT_FALSE(markup);
    g_free(shown);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
    EXPECT_TRUE(gone);
}

} // namespace
