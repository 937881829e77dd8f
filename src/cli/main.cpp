// zembrix-cli: the editor's core on the command line, for build pipelines
// and version control. No display is needed.
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/cli.h"

int main(int argc, char *argv[])
{
    std::setlocale(LC_ALL, "");
    // Past a file-size limit, writes fail and are reported instead of the
    // signal ending the program halfway through.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) {
        cli_print_usage(stderr);
        return 1;
    }
    if (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "version") == 0) {
        std::printf("zembrix-cli %s\n", ZBX_VERSION);
        return cli_close_stdout(0);
    }
    // "help COMMAND" is "COMMAND --help".
    if (std::strcmp(argv[1], "help") == 0 && argc == 3 && cli_find_command(argv[2]) != nullptr) {
        char help[] = "--help";
        char *args[] = {argv[2], help, nullptr};
        return cli_close_stdout(cli_find_command(argv[2])->run(2, args));
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        if (argc > 2 && std::strcmp(argv[1], "help") == 0) {
            return cli_fail(std::string("Unknown command: ") + argv[2] +
                            " (run \"zembrix-cli --help\" for the list)");
        }
        cli_print_usage(stdout);
        return cli_close_stdout(0);
    }
    const CliCommand *command = cli_find_command(argv[1]);
    if (command == nullptr) {
        return cli_fail(std::string("Unknown command: ") + argv[1] +
                        " (run \"zembrix-cli --help\" for the list)");
    }
    return cli_close_stdout(command->run(argc - 1, argv + 1));
}
