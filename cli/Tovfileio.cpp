// The command dispatcher of tovfileio.
#include <new>

#include "cli/CommandIO.h"

namespace {

const char kVersion[] = "tovfileio 3.2.1\n";

const char kHelp[] =
    "Usage: tovfileio COMMAND [OPTIONS] [ARGUMENTS]\n"
    "\n"
    "Motion-capture files (HTR skeletal motion, TRC marker trajectories) for the\n"
    "Brindle animation host, from the command line.\n"
    "\n"
    "Commands:\n"
    "  info FILE...   show what each file holds (--json for scripts)\n"
    "  convert IN OUT HTR to HTR with units converted, or TRC to GWM\n"
    "  plugins        load the Brindle module and list its plug-in classes\n"
    "  about          show the module's About box\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help; 'tovfileio COMMAND --help' for a command\n"
    "  -V, --version  show the version\n";

}  // namespace

int RunTovfileio(const Arguments& args, const CommandIO& io) {
    try {
        if (args.empty()) {
            io.Err(std::string("tovfileio: no command given\n") + "Try 'tovfileio --help'.\n");
            return kExitUsage;
        }
        const std::string& command = args.front();
        const Arguments rest(args.begin() + 1, args.end());
        if (command == "-h" || command == "--help" || command == "help") {
            io.Out(kHelp);
            return kExitOk;
        }
        if (command == "-V" || command == "--version") {
            io.Out(kVersion);
            return kExitOk;
        }
        if (command == "info") return RunInfoCommand(rest, io);
        if (command == "convert") return RunConvertCommand(rest, io);
        if (command == "plugins") return RunPluginsCommand(rest, io);
        if (command == "about") return RunAboutCommand(rest, io);
        io.Err("tovfileio: unknown command '" + command + "'\nTry 'tovfileio --help'.\n");
        return kExitUsage;
    } catch (const std::bad_alloc&) {
        io.Err("tovfileio: out of memory\n");
        return kExitFailed;
    }
}
