// tovfileio import-trc: the module's TRC importer run on a scene document,
// with the options dialog answered by the command line.
#include <optional>
#include <string>
#include <vector>

#include "tovfileio/text/TextCodec.h"
#include "cli/commands/Commands.h"
#include "cli/run/DialogFlags.h"
#include "cli/run/RememberedOptions.h"
#include "cli/run/SceneImport.h"
#include "tovfileio/module/ClassIds.h"
#include "tovfileio/module/ResourceIds.h"

namespace {

struct ImportTrcOptions {
    SceneImportRequest request{"import-trc", kImportTrcClassId, tovfileio::FileKind::kTrc};
    std::optional<bool> apply, sphere, selectedOnly, rootNode;
    std::optional<std::string> size;
    TimeFlags time;
};

constexpr TimeFlagTexts kTimeFlags{"--all", "all frames", "the file's frames FROM to TO",
                                   "frames added to every key time",
                                   "global scale of positions and sizes", true};

void QueueDialogFlags(const ImportTrcOptions& o, DialogFlagDriver& driver) {
    auto wide = [](const std::string& text) { return tovfileio::DecodeUtf8(text); };
    // Create mode alone enables the geometry, the size and the root node,
    // apply mode alone "Selected Items Only": like a person, set each with
    // its mode chosen, then choose the mode wanted, or the one the dialog
    // opened with.
    const bool createControls = o.sphere || o.size || o.rootNode;
    const bool applyControls = o.selectedOnly.has_value();
    if (createControls) {
        driver.Choose(IDC_TRC_CREATE, "");
        if (o.sphere) {
            driver.Choose(*o.sphere ? IDC_SPHERE : IDC_POINT, *o.sphere ? "--sphere" : "--point");
        }
        if (o.size) driver.Type(IDC_SEGMENT_SIZE, wide(*o.size), "--size");
        if (o.rootNode) driver.Check(IDC_ROOT_NODE, *o.rootNode, "--root-node");
    }
    if (applyControls) {
        driver.Choose(IDC_TRC_APPLY, "");
        driver.Check(IDC_SELECTED_ONLY, *o.selectedOnly, "--selected-only");
    }
    if (o.apply) {
        driver.Choose(*o.apply ? IDC_TRC_APPLY : IDC_TRC_CREATE, *o.apply ? "--apply" : "--create");
    } else if (createControls || applyControls) {
        driver.ChooseAsOpened(IDC_TRC_CREATE, IDC_TRC_APPLY);
    }
    QueueTimeFlags(o.time, kTimeFlags, driver);
}

int RunImportTrc(const ImportTrcOptions& options, const CommandIO& io) {
    return RunSceneImport(
        options.request, [&options](DialogFlagDriver& driver) { QueueDialogFlags(options, driver); }, io);
}

}  // namespace

void AddImportTrcCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<ImportTrcOptions>();
    CLI::App* command = context.AddCommand(
        app, "import-trc", "import a TRC file into a scene as animated marker objects",
        [&context, options] { return RunImportTrc(*options, context.IO()); });
    ImportTrcOptions& o = *options;
    AddSceneImportOptions(*command, o.request, "IN.trc", "the TRC file");
    AddSwitch(*command, o.apply, "--apply", "--create",
              "key nodes of the markers' names in the selection / create a marker each");
    AddSwitch(*command, o.sphere, "--sphere", "--point", "created markers: spheres or points");
    AddSwitch(*command, o.selectedOnly, "--selected-only", "--no-selected-only",
              "apply mode: skip markers without a node");
    AddSwitch(*command, o.rootNode, "--root-node", "--no-root-node",
              "link the markers under a \"TRCCloud\" dummy");
    command->add_option("--size", o.size, "size of created markers and of the dummy");
    AddTimeFlags(*command, o.time, kTimeFlags);
    command->footer(SceneImportFooter(" A marker's dropouts are keyed at the origin, as the file holds\n"
                                      "no position for them.",
                                      "import-trc"));
}
