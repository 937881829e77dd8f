// zembrix-cli: the editor's core on the command line.
#include <cstdio>

int main(int argc, char *argv[])
{
    (void) argv;
    std::fputs("Usage: zembrix-cli COMMAND [OPTIONS]\n", argc > 1 ? stderr : stdout);
    return argc > 1 ? 1 : 0;
}
