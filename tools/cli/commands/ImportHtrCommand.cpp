// tovfileio import-htr: the module's HTR importer run on a scene document,
// with the options dialog answered by the command line.
#include <memory>

#include "cli/commands/Commands.h"
#include "cli/run/DialogFlags.h"
#include "cli/run/SceneImport.h"
#include "tovfileio/module/ClassIds.h"

void AddImportHtrCommand(CLI::App& app, CommandContext& context) {
    auto request = std::make_shared<SceneImportRequest>(
        "import-htr", kImportHtrClassId, tovfileio::FileKind::kHtr, ImportHtrFlags());
    CLI::App* command = context.AddCommand(
        app, "import-htr", "import an HTR file into a scene as an animated skeleton",
        [&context, request] { return RunSceneImport(*request, context.IO()); });
    AddSceneImportOptions(*command, *request, "IN.htr", "the HTR file");
    command->footer(SceneImportFooter("", "import-htr"));
}
