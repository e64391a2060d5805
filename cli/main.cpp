#include "cli/CommandIO.h"
#include "cli/FileSizeLimit.h"
#include "cli/InterruptCleanup.h"

int main(int argc, char** argv) {
    InstallInterruptCleanup();
    HandleFileSizeLimitSignal();
    RemoveLeftoversOfEndedRuns();
    const Arguments args(argv + 1, argv + argc);
    return RunTovfileio(args, CommandIO{});
}
