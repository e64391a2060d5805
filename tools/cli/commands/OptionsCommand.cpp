// tovfileio options: what the module's dialogs remember between runs, shown
// as the flags of the commands that run them, and forgetting it.
#include <memory>
#include <string>
#include <vector>

#include "brindle/host/registry/RegistryStore.h"
#include "cli/commands/Commands.h"
#include "json/JsonWriter.h"
#include "cli/run/PluginRunner.h"
#include "cli/run/RememberedOptions.h"
#include "cli/report/SafeText.h"

namespace {

using brindle::host::RegistryStore;

struct OptionsOptions {
    std::vector<std::string> commands;  // none: every command that remembers
    bool json = false;
    bool reset = false;
};

// What the plug-in of one command tells of the options its dialog
// remembers.
struct Remembered {
    std::wstring section;
    std::vector<RememberedFlag> flags;
};

template <class Base>
bool AskPlugin(PluginRunner& runner, const Class_ID& id, const std::string& command,
               Remembered& remembered) {
    const auto plugin = runner.Create<Base>(id);
    const PluginOperations* operations = plugin ? OperationsOf(*plugin) : nullptr;
    if (operations == nullptr) return false;
    remembered.section = operations->RememberedOptionsSection();
    remembered.flags = RememberedFlags(command, *operations);
    return true;
}

// While it lives, the settings are read from their file and kept in memory:
// the module opens its sections as it loads, and reading what they hold
// must change nothing in the person's file. Destroy the runner first.
class SettingsReadOnly {
public:
    SettingsReadOnly() : file_(RegistryStore::Instance().FilePath()) {
        RegistryStore::Instance().KeepInMemory();
    }
    ~SettingsReadOnly() { RegistryStore::Instance().UseFile(file_); }
    SettingsReadOnly(const SettingsReadOnly&) = delete;
    SettingsReadOnly& operator=(const SettingsReadOnly&) = delete;
    const std::string& File() const { return file_; }

private:
    std::string file_;
};

// Asks the module; false, with the reason said, when it cannot tell.
bool AskModule(PluginRunner& runner, const std::string& command, Remembered& remembered) {
    bool exporter = false;
    const Class_ID id = RememberingPlugin(command, exporter);
    return exporter ? AskPlugin<SceneExport>(runner, id, command, remembered)
                    : AskPlugin<SceneImport>(runner, id, command, remembered);
}

std::string JsonLine(const std::string& command, const std::string& settings,
                     const Remembered& remembered) {
    JsonWriter json;
    json.BeginObject();
    json.Key("command").String(command);
    json.Key("settings").String(settings);
    json.Key("section").String(remembered.section);
    json.Key("remembered").BeginArray();
    for (const RememberedFlag& flag : remembered.flags) {
        for (const std::string& arg : flag.args) json.String(arg);
    }
    json.EndArray();
    json.EndObject();
    return json.Text() + "\n";
}

// A remembered --range is the choice of a range, not its frames: the
// dialog starts FROM and TO at each file's first and last frame.
std::string RangeNote(const std::vector<RememberedFlag>& flags) {
    for (const RememberedFlag& flag : flags) {
        if (!flag.args.empty() && flag.args.front() == "--range") {
            return "  (the range's FROM and TO are not remembered: each run starts them at the file's "
                   "first and last frame)\n";
        }
    }
    return std::string();
}

int Show(const OptionsOptions& options, const CommandIO& io) {
    const SettingsReadOnly settings;
    const std::string& file = settings.File();
    PluginRunner runner(io, "options");
    std::string text;
    if (!options.json) {
        text = "settings: " + (file.empty() ? "in memory only" : Escaped(file)) + "\n";
    }
    for (const std::string& command : options.commands) {
        Remembered remembered;
        if (!AskModule(runner, command, remembered)) return kExitFailed;
        if (options.json) {
            text += JsonLine(command, file, remembered);
        } else {
            text += command + ": " +
                    (remembered.flags.empty() ? "the defaults" : FlagsText(remembered.flags)) + "\n";
            text += RangeNote(remembered.flags);
        }
    }
    io.Out(text);
    return kExitOk;
}

int Reset(const OptionsOptions& options, const CommandIO& io) {
    RegistryStore& store = RegistryStore::Instance();
    std::vector<std::wstring> sections;
    {
        // The module names the sections.
        const SettingsReadOnly settings;
        PluginRunner runner(io, "options");
        for (const std::string& command : options.commands) {
            Remembered remembered;
            if (!AskModule(runner, command, remembered)) return kExitFailed;
            sections.push_back(remembered.section);
        }
    }
    bool removed = false;
    for (const std::wstring& section : sections) removed = store.RemoveKey(section) || removed;
    // The save merges: it removes the sections from the file as it is now,
    // and keeps what other runs saved meanwhile. A file that did not read
    // whole (damaged, unreadable, beyond the store's limits, no regular
    // file) may hold them where they were not read: it is saved over, as
    // a damaged one is, or the save says why it cannot be.
    const bool saved = (!removed && !store.FoundDamaged()) || store.Save();
    SaySettingsNotice(io, "options");
    if (!saved) {
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
