// Must not build: the editor reaches the main window only through the shell.
#include "app/mainwindow.h"

int zbx_layer_probe_editor()
{
    return 0;
}
