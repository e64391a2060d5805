#include "cli/CommandIO.h"

int main(int argc, char** argv) {
    const Arguments args(argv + 1, argv + argc);
    return RunTovfileio(args, CommandIO{});
}
