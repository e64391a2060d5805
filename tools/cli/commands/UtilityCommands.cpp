// tovfileio utility and mnm-create: the module's utility panel on a scene
// document, answered line by line on standard input (a person at a
// terminal or a script). mnm-create presses the panel's "Create" at once.
// Ctrl-C is the host's cancel: a conversion stops after the file being
// written, the creator aborts, the panel closes and saves its settings, and
// the command ends with status 130, the scene left as it was.
#include <memory>
#include <optional>
#include <string>

#include "brindle/host/ui/UiDriver.h"
#include "brindle/host/scene/HostInterface.h"
#include "brindle/host/ui/LineDriver.h"
#include "brindle/host/ui/UtilityHost.h"
#include "brindle/sdk/PluginClasses.h"
#include "cli/commands/Commands.h"
#include "cli/files/InterruptCleanup.h"
#include "cli/report/SafeText.h"
#include "cli/run/PanelHints.h"
#include "cli/run/SceneSession.h"
#include "tovfileio/module/ClassIds.h"
#include "tovfileio/module/PluginReports.h"
#include "tovfileio/module/ResourceIds.h"

using namespace tovfileio;

namespace {

struct UtilityOptions {
    std::string scene;
    std::optional<std::string> output;  // mnm-create: answers the final save dialog
    bool autoMatch = false;             // mnm-create: takes name matches unasked
};

constexpr const char* kCancelNotice =
    "\ntovfileio: Ctrl-C: stopping; a file being written is finished first\n";

// Opens the panel, runs `work` while it is open, closes it (the settings
// are saved), and saves the scene: picks change node colours.
int RunPanel(const UtilityOptions& options, const CommandIO& io, const std::string& name,
             bool create) {
    brindle::host::ReopenHost();
    // Taken after the scene is open, so that Ctrl-C during the wait for
    // its lock still ends the command at once; and let go after the module
    // is unloaded with the settings saved.
    std::optional<InterruptAsCancel> cancel;
    SceneSession session(io, name);
    if (!session.Open(options.scene, HostSettings{}, SceneUse::Change)) return kExitFailed;
    auto panel = session.Create<UtilityObj>(kUtilitiesClassId);
    if (!panel) return kExitFailed;
    cancel.emplace(kCancelNotice);
    auto* creator = static_cast<MarkerCreator*>(panel->GetInterface(kMarkerCreatorId));
    const bool autoMatch = create && options.autoMatch;
    if (creator != nullptr) creator->TakeMatchesUnasked(autoMatch);
    // Names from the scene and the files reach the terminal escaped; Ctrl-C is
    // the driver's cancel.
    brindle::host::LineDriver driver(io.in, io.out, tovfileio::Escaped,
                                     InterruptAsCancel::Requested);
    driver.SetHints(PanelHints({creator, autoMatch, session.ModuleText(IDS_BATCH_LOG_FAILED)}));
    if (options.output) {
        driver.PresetSaveFile(L"mnm", tovfileio::PathToWide(*options.output));
    }
    // mnm-create is done when the creator's walk ended with the file written.
    const auto operation = PluginOperation::Interactive(
        create && creator != nullptr ? &creator->LastCreation() : nullptr);
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
    if (InterruptAsCancel::Requested()) {
        session.Error(
            "interrupted: the panel closed with its settings saved; the scene was not changed");
        return kExitInterrupted;
    }
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
        "pick, pick NODE (or #HANDLE), right-click; y or n answers questions, a path\n"
        "answers file and folder choosers (an empty line cancels; a bare name is in\n"
        "the folder the chooser shows). exit closes the host; quit, at any prompt,\n"
        "or the end of input closes the panel and saves its settings. Ctrl-C\n"
        "finishes the file being written, closes the panel and exits with 130.");

    auto create = std::make_shared<UtilityOptions>();
    CLI::App* mnm = context.AddCommand(
        app, "mnm-create", "make an MNM file by picking a scene's marker nodes, line by line",
        [&context, create] { return RunPanel(*create, context.IO(), "mnm-create", true); });
    mnm->add_option("--scene", create->scene, "the scene document")->required();
    mnm->add_option("OUT.mnm", create->output, "answers the final save dialog");
    mnm->add_flag("--auto", create->autoMatch,
                  "take the node of each marker's very name without asking, leave out the\n"
                  "optional markers that have none, and ask for the mandatory rest");
    mnm->footer(
        "Says first which mandatory markers the scene has no node of that name for\n"
        "(y picks others as they come, n abandons). Answers the two wrist-stick\n"
        "questions with y or n (Enter: what the scene's names say), then shows each\n"
        "marker to pick (marker 5 of 43) and the nodes that can be picked: pick NODE,\n"
        "right-click (the same marker again), click Skip (optional markers), click\n"
        "Back, click Abort. A node of the marker's name is offered: Enter takes it;\n"
        "on an optional marker with none, Enter skips. A node another marker holds\n"
        "is refused. quit or Ctrl-C aborts; an existing OUT.mnm is replaced only\n"
        "after a y. Exits with 0 when the file was written.");
}
