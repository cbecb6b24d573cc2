#include <cstdio>

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "usage: torvane-cli <command> ...\n");
    return 2;
}
