#include "cli/files/CommandIO.h"
#include "cli/files/FileSizeLimit.h"
#include "cli/files/InterruptCleanup.h"

int main(int argc, char** argv) {
    InstallInterruptCleanup();
    HandleFileSizeLimitSignal();
    RemoveLeftoversOfEndedRuns();
    const Arguments args(argv + 1, argv + argc);
    return RunTovfileio(args, CommandIO{});
}
