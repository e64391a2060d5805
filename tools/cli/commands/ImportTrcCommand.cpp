// tovfileio import-trc: the module's TRC importer run on a scene document,
// with the options dialog answered by the command line.
#include <memory>

#include "cli/commands/Commands.h"
#include "cli/run/DialogFlags.h"
#include "cli/run/SceneImport.h"
#include "tovfileio/module/ClassIds.h"

void AddImportTrcCommand(CLI::App& app, CommandContext& context) {
    auto request = std::make_shared<SceneImportRequest>(
        "import-trc", kImportTrcClassId, tovfileio::FileKind::kTrc, ImportTrcFlags());
    CLI::App* command = context.AddCommand(
        app, "import-trc", "import a TRC file into a scene as animated marker objects",
        [&context, request] { return RunSceneImport(*request, context.IO()); });
    AddSceneImportOptions(*command, *request, "IN.trc", "the TRC file");
    command->footer(SceneImportFooter(" A marker's dropouts are keyed at the origin, as the file holds\n"
                                      "no position for them.",
                                      "import-trc"));
}
