// The command line of tovfileio: one CLI11 application with a subcommand per
// command.
#include <algorithm>
#include <new>

#include "cli/commands/Commands.h"
#include "cli/files/SourceDateEpoch.h"
#include "cli/commands/UsageHints.h"
#include "tovfileio/Version.h"

namespace {

const char kVersion[] = "tovfileio " TOVFILEIO_VERSION;

// Every command, in the order the help lists them.
void AddCommands(CLI::App& app, CommandContext& context) {
    AddInfoCommand(app, context);
    AddConvertCommand(app, context);
    AddRepairCommand(app, context);
    AddPluginsCommand(app, context);
    AddAboutCommand(app, context);
    AddSceneCommand(app, context);
    AddImportHtrCommand(app, context);
    AddImportTrcCommand(app, context);
    AddUtilityCommands(app, context);
    // The panel's conversion writes GWM files, as convert does.
    RequireUsableSourceDateEpoch(*app.get_subcommand("utility"));
    AddExportHtrCommand(app, context);
    AddRoundtripCommand(app, context);
    AddGltfCommand(app, context);
    AddPreviewCommand(app, context);
    AddViewCommand(app, context);
    AddOptionsCommand(app, context);
}

bool IsCommand(CLI::App& app, const std::string& name) {
    const auto commands = app.get_subcommands({});
    return std::any_of(commands.begin(), commands.end(),
                       [&](const CLI::App* command) { return command->check_name(name); });
}

// "tovfileio" and the names of the commands that were being parsed.
std::string CommandPath(const CLI::App& app) {
    std::string path = app.get_name();
    for (const CLI::App* sub : app.get_subcommands()) path += " " + sub->get_name();
    return path;
}

}  // namespace

CLI::App* CommandContext::AddCommand(CLI::App& app, const std::string& name,
                                     const std::string& description, std::function<int()> body) {
    CLI::App* command = app.add_subcommand(name, description);
    command->callback([this, body = std::move(body)] { chosen_ = body; });
    return command;
}

int CommandContext::UsageError(const std::string& command, const std::string& what) const {
    io_.Err("tovfileio " + command + ": " + what + "\nTry 'tovfileio " + command + " --help'.\n");
    return kExitUsage;
}

int RunTovfileio(const Arguments& args, const CommandIO& io) {
    try {
        CommandContext context(io);
        CLI::App app(
            "Motion-capture files (HTR, TRC, C3D, BVH, GWM, CSV, glTF) for the Brindle\n"
            "animation host and for a lab: read, converted, cleaned and viewed, from the\n"
            "command line.",
            "tovfileio");
        app.set_version_flag("-V,--version", kVersion);
        app.require_subcommand(1);
        app.footer("'tovfileio COMMAND --help' shows the options of a command.");
        app.get_formatter()->column_width(34);
        AddCommands(app, context);
        if (!args.empty() && !args.front().empty() && args.front()[0] != '-' &&
            !IsCommand(app, args.front())) {
            const std::string nearest = NearestCommand(app, args.front());
            io.Err("tovfileio: unknown command '" + args.front() + "'" +
                   (nearest.empty() ? "" : " (did you mean " + nearest + "?)") +
                   "\nTry 'tovfileio --help'.\n");
            return kExitUsage;
        }
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        try {
            app.parse(reversed);
        } catch (const CLI::CallForHelp&) {
            io.Out(app.help());
            return kExitOk;
        } catch (const CLI::CallForAllHelp&) {
            io.Out(app.help("", CLI::AppFormatMode::All));
            return kExitOk;
        } catch (const CLI::CallForVersion& version) {
            io.Out(std::string(version.what()) + "\n");
            return kExitOk;
        } catch (const CLI::ParseError& error) {
            // CLI11 lists left-over arguments last first, as it takes them.
            const std::string unexpected =
                dynamic_cast<const CLI::ExtrasError*>(&error) ? UnexpectedArguments(app) : "";
            const std::string path = CommandPath(app);
            io.Err(path + ": " + (unexpected.empty() ? error.what() : unexpected) + "\nTry '" +
                   path + " --help'.\n");
            return kExitUsage;
        }
        return context.Chosen() ? context.Chosen()() : kExitUsage;
    } catch (const std::bad_alloc&) {
        io.Err("tovfileio: out of memory\n");
        return kExitFailed;
    } catch (const std::exception& error) {
        io.Err(std::string("tovfileio: ") + error.what() + "\n");
        return kExitFailed;
    }
}
