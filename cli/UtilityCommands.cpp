// tovfileio utility and mnm-create: the module's utility panel on a scene
// document, answered line by line on standard input (a person at a
// terminal or a script). mnm-create presses the panel's "Create" at once.
#include <memory>
#include <optional>
#include <string>

#include "brindle/host/UiDriver.h"
#include "brindle/host/scene/HostInterface.h"
#include "brindle/sdk/PluginClasses.h"
#include "brindle/sdk/TextCodec.h"
#include "cli/Commands.h"
#include "cli/LineDriver.h"
#include "cli/SceneSession.h"
#include "plugin/ClassIds.h"
#include "resources/ModuleResources.h"

namespace {

struct UtilityOptions {
    std::string scene;
    std::optional<std::string> output;  // mnm-create: answers the final save dialog
};

// Opens the panel, runs `work` while it is open, closes it (the settings
// are saved), and saves the scene: picks change node colours.
int RunPanel(const UtilityOptions& options, const CommandIO& io, const std::string& name,
             bool create) {
    SceneSession session(io, name);
    if (!session.Open(options.scene, HostSettings{}, SceneUse::Change)) return kExitFailed;
    auto panel = session.Create<UtilityObj>(kUtilitiesClassId);
    if (!panel) return kExitFailed;
    LineDriver driver(io.in, io.out);
    if (options.output) {
        driver.PresetSaveFile(GetResourceStringAsMSTR(IDS_SELECT_MAPPING_FILE),
                              TextCodec::PathToWide(*options.output));
    }
    // mnm-create is done when the module says the file was written.
    const auto operation = PluginOperation::Interactive(
        create ? GetResourceStringAsMSTR(IDS_MNM_SUCCESS) : std::wstring());
    const PluginRun run = session.Run(operation, driver, [&] {
        panel->BeginEditParams(&brindle::host::HostInterface(), nullptr);
        if (create) {
            brindle::host::DeliverToModeless(
                IDD_UTILITY_PAGE, {brindle::host::DialogAction::Kind::Click, IDC_MNM_CREATE, {}});
        } else {
            brindle::host::RunEvents();
        }
        panel->EndEditParams(&brindle::host::HostInterface(), nullptr);
        return 0;  // the panel has no result of its own
    });
    panel.reset();  // saves the panel's settings
    if (!run.Succeeded()) {
        // The scene keeps the colours of a finished walk only.
        session.Error("no MNM file was written; the scene was not changed");
        return kExitFailed;
    }
    return session.Save() ? kExitOk : kExitFailed;
}

}  // namespace

void AddUtilityCommands(CLI::App& app, CommandContext& context) {
    auto panel = std::make_shared<UtilityOptions>();
    CLI::App* utility = context.AddCommand(
        app, "utility", "use the motion-capture utility panel on a scene, line by line",
        [&context, panel] { return RunPanel(*panel, context.IO(), "utility", false); });
    utility->add_option("--scene", panel->scene, "the scene document")->required();
    utility->footer(
        "The panel is shown as text; each line of standard input is one action:\n"
        "click ID|LABEL, type ID TEXT, and in dialogs enter, escape, close; during a\n"
        "pick, pick NODE (or #HANDLE), right-click, exit; y or n answers questions, a\n"
        "path answers file and folder choosers (an empty line cancels). quit, or the\n"
        "end of input, closes the panel and saves its settings.");

    auto create = std::make_shared<UtilityOptions>();
    CLI::App* mnm = context.AddCommand(
        app, "mnm-create", "make an MNM file by picking a scene's marker nodes, line by line",
        [&context, create] { return RunPanel(*create, context.IO(), "mnm-create", true); });
    mnm->add_option("--scene", create->scene, "the scene document")->required();
    mnm->add_option("OUT.mnm", create->output, "answers the final save dialog");
    mnm->footer(
        "Answers the two wrist-stick questions with y or n, then shows each marker to\n"
        "pick and the scene's nodes: pick NODE, right-click (the same marker again),\n"
        "click Skip (optional markers), click Back, click Abort. Exits with 0 when the\n"
        "file was written.");
}
