#include "cli/RunCli.h"

#include <iostream>

int main(int argc, char** argv) {
    return dovrex::cli::RunCli(argc, argv, std::cin, std::cout, std::cerr);
}
