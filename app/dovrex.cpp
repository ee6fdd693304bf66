#include "shell/ui/DesktopProgram.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    // Every window reports its own failures; this guard keeps anything that escapes them
    // from ending the program with an uncaught exception.
    try {
        return dovrex::ui::RunDesktop(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dovrex: %s\n", e.what());
    } catch (...) {
        std::fputs("dovrex: unexpected error\n", stderr);
    }
    return 1;
}
