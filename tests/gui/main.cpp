// The window tests: GTK first, then GoogleTest. Runs under Xvfb.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

int main(int argc, char **argv)
{
    // Keep the user's own settings out of the tests: the configuration
    // folder is read once per process, so it is set before anything asks.
    char folder[] = "/tmp/zbx-gui-tests-XXXXXX";
    if (g_mkdtemp(folder) == nullptr) {
        return 1;
    }
    g_setenv("XDG_CONFIG_HOME", folder, TRUE);
    // The file chooser records recent files below the data folder.
    g_setenv("XDG_DATA_HOME", folder, TRUE);
    // Backups of saved projects go below the state folder.
    g_setenv("XDG_STATE_HOME", folder, TRUE);
    g_setenv("NO_AT_BRIDGE", "1", TRUE);

    // A display server that was just started may not answer yet.
    bool up = false;
    for (int tries = 0; tries < 100 && !(up = gtk_init_check(&argc, &argv)); tries++) {
        g_usleep(50 * 1000);
    }
    if (!up) {
        g_printerr("no display to run the window tests on\n");
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();

    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
}
