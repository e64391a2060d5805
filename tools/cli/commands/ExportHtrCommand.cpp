// tovfileio export-htr: the module's HTR exporter run on a scene document,
// with the options dialog answered by the command line.
#include <string>

#include "brindle/host/scene/HostInterface.h"
#include "brindle/sdk/PluginClasses.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/commands/Commands.h"
#include "cli/run/DialogFlags.h"
#include "cli/report/ExportRoots.h"
#include "cli/files/HostNames.h"
#include "cli/files/OutputFile.h"
#include "cli/run/RememberedOptions.h"
#include "cli/run/SceneSession.h"
#include "tovfileio/module/ClassIds.h"
#include "tovfileio/text/FileKinds.h"

namespace {

struct ExportHtrOptions {
    std::string output;
    std::string scene;
    HostSettings host;
    bool suppressPrompts = false;
    DialogFlagValues flags{ExportHtrFlags()};
    const CLI::App* parsed = nullptr;  // the command, which knows the flags given
};

int RunExportHtr(const ExportHtrOptions& options, const CommandIO& io) {
    DialogFlagDriver driver(io, "export-htr");
    options.flags.Queue(driver);
    if (options.suppressPrompts &&
        driver.RefuseQueuedFlags("--suppress-prompts opens no dialog for it to act on")) {
        return kExitUsage;
    }
    SceneSession session(io, "export-htr");
    if (!session.Open(options.scene, options.host, SceneUse::Read)) return kExitFailed;
    OutputFile output;
    std::string error;
    if (!output.Resolve(options.output, options.scene, options.scene,
                        tovfileio::KindInfo(tovfileio::FileKind::kHtr).extension, HtrFileNamed, error)) {
        session.Error(options.output + ": " + error);
        return kExitFailed;
    }
    const auto exporter = session.Create<SceneExport>(kExportHtrClassId);
    if (!exporter) return kExitFailed;
    PluginOperations* operations = OperationsOf(*exporter);
    // The output is resolved already: a device or a FIFO is written as named.
    if (operations != nullptr) operations->TakeNamesAsGiven(true);

    const auto inPlay = SayRememberedWhenDialogOpens(driver, *options.parsed, operations, io);
    const PluginRun run =
        session.Run(PluginOperation::Export(operations), driver, [&] {
            return exporter->DoExport(tovfileio::PathToWide(output.WritePath()).c_str(),
                                      &brindle::host::HostExportInterface(),
                                      &brindle::host::HostInterface(),
                                      options.suppressPrompts ? TRUE : FALSE, 0);
        });
    if (driver.Failed()) return kExitUsage;
    if (!run.Succeeded()) {
        const std::string hint = ExportRootHint(run.report);
        session.Error(hint.empty() ? FailureText(run) : hint + "; nothing was written");
        io.Err(RememberedInPlay("export-htr", *inPlay));
        return kExitFailed;
    }
    if (!output.Finish(io, error)) {
        session.Error(output.Name() + ": " + error);
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

void AddExportHtrCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<ExportHtrOptions>();
    CLI::App* command = context.AddCommand(
        app, "export-htr", "export the selected bone hierarchy of a scene as an HTR file",
        [&context, options] { return RunExportHtr(*options, context.IO()); });
    ExportHtrOptions& o = *options;
    o.parsed = command;
    command->add_option("OUT.htr", o.output, "the HTR file to write")->required();
    command->add_option("--scene", o.scene, "the scene document (read, never changed)")
        ->required();
    AddHostSettingOptions(*command, o.host);
    command->add_flag("--suppress-prompts", o.suppressPrompts,
                      "export without the dialog, with the exporter's defaults (the\n"
                      "remembered options are loaded by the dialog only)");
    o.flags.Declare(*command);
    command->footer(
        "The export's root comes from the selection (--select): a bone, or the first\n"
        "bone below the node selected. The dialog options act on the exporter's\n"
        "dialog as clicks and typing would, then OK is pressed. Messages appear as\n"
        "'TITLE: TEXT' on standard error. OUT appears only when written whole; the\n"
        "scene document is never changed.\n\n" + RememberedHelp("export-htr"));
}
