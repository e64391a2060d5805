// tovfileio import-trc: the module's TRC importer run on a scene document,
// with the options dialog answered by the command line.
#include <optional>
#include <string>
#include <vector>

#include "brindle/host/scene/HostInterface.h"
#include "brindle/sdk/PluginClasses.h"
#include "brindle/sdk/TextCodec.h"
#include "cli/Commands.h"
#include "cli/DialogFlags.h"
#include "cli/DialogNumbers.h"
#include "cli/ImportFailure.h"
#include "cli/RememberedOptions.h"
#include "cli/SceneSession.h"
#include "plugin/ClassIds.h"
#include "resources/ModuleResources.h"

namespace {

struct ImportTrcOptions {
    std::string input;
    std::string scene;
    HostSettings host;
    bool suppressPrompts = false;
    std::optional<bool> apply, sphere, selectedOnly, rootNode;
    std::optional<std::string> size;
    TimeFlags time;
    const CLI::App* parsed = nullptr;  // the command, which knows the flags given
};

constexpr TimeFlagTexts kTimeFlags{"--all", "all frames", "the file's frames FROM to TO",
                                   "frames added to every key time",
                                   "global scale of positions and sizes", true};

void QueueDialogFlags(const ImportTrcOptions& o, DialogFlagDriver& driver) {
    auto wide = [](const std::string& text) { return TextCodec::DecodeUtf8(text); };
    // Apply mode disables the geometry, the size and the root node, and
    // create mode "Selected Items Only": like a person, set each while its
    // mode is chosen.
    const bool toApply = o.apply.value_or(false);
    if (o.apply && !toApply) driver.Choose(IDC_TRC_CREATE, "--create");
    if (o.sphere) driver.Choose(*o.sphere ? IDC_SPHERE : IDC_POINT, *o.sphere ? "--sphere" : "--point");
    if (o.size) driver.Type(IDC_SEGMENT_SIZE, wide(*o.size), "--size");
    if (o.rootNode) driver.Check(IDC_ROOT_NODE, *o.rootNode, "--root-node");
    if (toApply) driver.Choose(IDC_TRC_APPLY, "--apply");
    if (o.selectedOnly) driver.Check(IDC_SELECTED_ONLY, *o.selectedOnly, "--selected-only");
    QueueTimeFlags(o.time, kTimeFlags, driver);
}

int RunImportTrc(const ImportTrcOptions& options, const CommandIO& io) {
    SceneSession session(io, "import-trc");
    if (!session.Open(options.scene, options.host, SceneUse::CreateOrChange)) return kExitFailed;
    const auto importer = session.Create<SceneImport>(kImportTrcClassId);
    if (!importer) return kExitFailed;

    DialogFlagDriver driver(io, "import-trc");
    QueueDialogFlags(options, driver);
    SayRememberedWhenDialogOpens(driver, *options.parsed, io);
    const PluginRun run =
        session.Run(PluginOperation::Import(options.suppressPrompts), driver, [&] {
            return importer->DoImport(TextCodec::PathToWide(options.input).c_str(),
                                      &brindle::host::HostImportInterface(),
                                      &brindle::host::HostInterface(),
                                      options.suppressPrompts ? TRUE : FALSE);
        });
    if (!run.Succeeded()) {
        const std::string cause = ImportFailureCause(options.input, FileFormat::Trc);
        session.Error(cause.empty() ? FailureText(run) : cause + "; the scene was not changed");
        return kExitFailed;
    }
    return session.Save() ? kExitOk : kExitFailed;
}

}  // namespace

void AddImportTrcCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<ImportTrcOptions>();
    CLI::App* command = context.AddCommand(
        app, "import-trc", "import a TRC file into a scene as animated marker objects",
        [&context, options] { return RunImportTrc(*options, context.IO()); });
    ImportTrcOptions& o = *options;
    o.parsed = command;
    command->add_option("IN.trc", o.input, "the TRC file")->required();
    command->add_option("--scene", o.scene, "the scene document (created when missing)")
        ->required();
    AddHostSettingOptions(*command, o.host);
    command->add_flag("--suppress-prompts", o.suppressPrompts,
                      "import without the dialog, with the importer's defaults (the\n"
                      "remembered options are loaded by the dialog only)");
    AddSwitch(*command, o.apply, "--apply", "--create",
              "key nodes of the markers' names in the selection / create a marker each");
    AddSwitch(*command, o.sphere, "--sphere", "--point", "created markers: spheres or points");
    AddSwitch(*command, o.selectedOnly, "--selected-only", "--no-selected-only",
              "apply mode: skip markers without a node");
    AddSwitch(*command, o.rootNode, "--root-node", "--no-root-node",
              "link the markers under a \"TRCCloud\" dummy");
    command->add_option("--size", o.size, "size of created markers and of the dummy");
    AddTimeFlags(*command, o.time, kTimeFlags);
    CheckDialogNumbers(*command);
    command->footer(
        "The dialog options act on the importer's dialog as clicks and typing would,\n"
        "then OK is pressed. Messages of the importer appear as 'TITLE: TEXT' on\n"
        "standard error. The scene document is written only when the import\n"
        "succeeded. A marker's dropouts are keyed at the origin, as the file holds\n"
        "no position for them.\n\n" + RememberedHelp("import-trc"));
}
