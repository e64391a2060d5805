// tovfileio about: show the module's About box.
#include <memory>
#include <string>

#include "brindle/host/ui/UiDriver.h"
#include "brindle/sdk/PluginClasses.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/run/CommandLineDriver.h"
#include "cli/commands/Commands.h"
#include "cli/run/PluginRunner.h"
#include "tovfileio/module/ClassIds.h"

namespace {

int RunAbout(const CommandIO& io) {
    // Every plug-in of the module shows the same box; the HTR importer's is shown.
    PluginRunner runner(io, "about");
    const auto importer = runner.Create<SceneImport>(kImportHtrClassId);
    if (!importer) return kExitFailed;
    // Show what the box holds, then press its OK button.
    CommandLineDriver driver(io);
    driver.OnDialogOpened([&io, &driver](const brindle::host::DialogView& dialog) {
        io.Out(tovfileio::EncodeUtf8(dialog.title) + "\n");
        int okButton = IDOK;
        for (const auto& control : dialog.controls) {
            if (control.kind == ControlKind::Bitmap) {
                io.Out("  [picture]\n");
            } else if (control.kind == ControlKind::Label) {
                io.Out("  " + tovfileio::EncodeUtf8(control.text) + "\n");
            } else if (control.kind == ControlKind::DefaultButton) {
                io.Out("  [" + tovfileio::EncodeUtf8(control.text) + "]\n");
                okButton = control.id;
            }
        }
        driver.Queue({brindle::host::DialogAction::Kind::Click, okButton, {}});
    });
    const PluginRun run = runner.Run(PluginOperation::Interactive(), driver, [&] {
        importer->ShowAbout(brindle::host::MainWindow());
        return 0;  // the box has no result of its own
    });
    return run.Succeeded() ? kExitOk : kExitFailed;
}

}  // namespace

void AddAboutCommand(CLI::App& app, CommandContext& context) {
    CLI::App* command = context.AddCommand(app, "about", "show the module's About box",
                                           [&context] { return RunAbout(context.IO()); });
    command->footer(
        "Shows the texts of the module's About box, as its importers and exporter\n"
        "show it in Brindle.");
}
