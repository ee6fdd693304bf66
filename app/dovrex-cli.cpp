#include "cli/RunCli.h"

int main(int argc, char** argv) { return dovrex::cli::RunCliMain(argc, argv); }
