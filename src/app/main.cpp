// Zembrix: the editor for the background graphics of Quorvane.
#include <gtk/gtk.h>
#include <locale.h>

#include "app/app.h"

int main(int argc, char *argv[])
{
    setlocale(LC_ALL, "");
    gtk_init(&argc, &argv);
    app_startup();
    gtk_main();
    app_shutdown();
    return 0;
}
