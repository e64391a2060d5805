// tovfileio options: what the module's dialogs remember between runs, shown
// as the flags of the commands that run them, and forgetting it.
#include <memory>
#include <string>
#include <vector>

#include "brindle/host/registry/RegistryStore.h"
#include "cli/commands/Commands.h"
#include "cli/report/JsonWriter.h"
#include "cli/run/RememberedOptions.h"
#include "cli/report/SafeText.h"

namespace {

using brindle::host::RegistryStore;

struct OptionsOptions {
    std::vector<std::string> commands;  // none: every command that remembers
    bool json = false;
    bool reset = false;
};

std::string JsonLine(const std::string& command, const std::vector<RememberedFlag>& remembered) {
    JsonWriter json;
    json.BeginObject();
    json.Key("command").String(command);
    json.Key("settings").String(RegistryStore::Instance().FilePath());
    json.Key("section").String(RememberedSection(command));
    json.Key("remembered").BeginArray();
    for (const RememberedFlag& flag : remembered) {
        for (const std::string& arg : flag.args) json.String(arg);
    }
    json.EndArray();
    json.EndObject();
    return json.Text() + "\n";
}

int Show(const OptionsOptions& options, const CommandIO& io) {
    const std::string& file = RegistryStore::Instance().FilePath();
    std::string text;
    if (!options.json) {
        text = "settings: " + (file.empty() ? "in memory only" : Escaped(file)) + "\n";
    }
    for (const std::string& command : options.commands) {
        const std::vector<RememberedFlag> remembered = RememberedFlags(command);
        if (options.json) {
            text += JsonLine(command, remembered);
        } else {
            text += command + ": " + (remembered.empty() ? "the defaults" : FlagsText(remembered)) +
                    "\n";
        }
    }
    io.Out(text);
    return kExitOk;
}

int Reset(const OptionsOptions& options, const CommandIO& io) {
    RegistryStore& store = RegistryStore::Instance();
    bool removed = false;
    for (const std::string& command : options.commands) {
        removed = store.RemoveKey(RememberedSection(command)) || removed;
    }
    // The save merges: it removes the sections from the file as it is now,
    // and keeps what other runs saved meanwhile.
    if (removed && !store.Save()) {
        io.Err("tovfileio options: the settings were not saved: " + store.TakeSaveError() + "\n");
        return kExitFailed;
    }
    std::string text;
    for (const std::string& command : options.commands) text += command + ": forgotten\n";
    io.Out(text);
    return kExitOk;
}

int RunOptions(OptionsOptions options, const CommandIO& io) {
    if (options.commands.empty()) options.commands = RememberingCommands();
    return options.reset ? Reset(options, io) : Show(options, io);
}

}  // namespace

void AddOptionsCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<OptionsOptions>();
    CLI::App* command = context.AddCommand(
        app, "options", "show or forget the dialog options remembered between runs",
        [&context, options] { return RunOptions(*options, context.IO()); });
    command
        ->add_option("COMMAND", options->commands,
                     "the commands whose options to show or forget (default: all)")
        ->check(CLI::IsMember(RememberingCommands()));
    CLI::Option* json = command->add_flag("--json", options->json, "one JSON object per command");
    command->add_flag("--reset", options->reset, "forget the remembered options")->excludes(json);
    command->footer(
        "The dialogs of import-htr, import-trc and export-htr remember what OK\n"
        "accepted in the settings file, $BRINDLE_REGISTRY_FILE, else\n"
        "brindle/registry.reg in $XDG_CONFIG_HOME or ~/.config (section\n"
        "Software\\Tovelund\\TOVFileIO\\Brindle\\ImportHTR, ImportTRC or ExportHTR).\n"
        "Each later run's dialog starts from them: an option not given keeps its\n"
        "remembered value. This shows, as each command's flags, the remembered\n"
        "values that differ from the module's defaults; --reset forgets them, so\n"
        "the dialogs start from the defaults again.");
}
