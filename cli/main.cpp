#include "cli/CommandIO.h"
#include "cli/InterruptCleanup.h"

int main(int argc, char** argv) {
    InstallInterruptCleanup();
    const Arguments args(argv + 1, argv + argc);
    return RunTovfileio(args, CommandIO{});
}
