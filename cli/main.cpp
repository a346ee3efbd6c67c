// pictor-cli: the picture operations from the command line (see --help).
#include "cli/Runner.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return pictor::cli::RunCli(args, std::cout, std::cerr);
}
