#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("pictor-cli 0.1.0");
        return 0;
    }
    std::fputs("pictor-cli: not yet able to process pictures\n", stderr);
    return 2;
}
