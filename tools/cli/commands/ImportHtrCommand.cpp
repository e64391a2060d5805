// tovfileio import-htr: the module's HTR importer run on a scene document,
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

struct ImportHtrOptions {
    SceneImportRequest request{"import-htr", kImportHtrClassId, tovfileio::FileKind::kHtr};
    std::optional<bool> apply, endEffectors, keyBase, animate, tcb;
    std::optional<std::string> size;
    TimeFlags time;
};

constexpr TimeFlagTexts kTimeFlags{"--all", "all frames", "the file's frames FROM to TO",
                                   "frames added to every key time", "global scale of lengths",
                                   true};

void QueueDialogFlags(const ImportHtrOptions& o, DialogFlagDriver& driver) {
    auto wide = [](const std::string& text) { return tovfileio::DecodeUtf8(text); };
    // Apply mode disables the size and the end effectors: like a person, set
    // them with Create chosen, then choose the mode wanted, or the one the
    // dialog opened with.
    const bool createControls = o.size || o.endEffectors;
    if (createControls) {
        driver.Choose(IDC_HTR_CREATE, "");
        if (o.size) driver.Type(IDC_SEGMENT_SIZE, wide(*o.size), "--size");
        if (o.endEffectors) driver.Check(IDC_END_EFFECTORS, *o.endEffectors, "--end-effectors");
    }
    if (o.apply) {
        driver.Choose(*o.apply ? IDC_HTR_APPLY : IDC_HTR_CREATE, *o.apply ? "--apply" : "--create");
    } else if (createControls) {
        driver.ChooseAsOpened(IDC_HTR_CREATE, IDC_HTR_APPLY);
    }
    if (o.keyBase) driver.Check(IDC_BASE_POSITION, *o.keyBase, "--key-base");
    if (o.animate) driver.Check(IDC_ANIMATION, *o.animate, "--animate");
    if (o.tcb) driver.Choose(*o.tcb ? IDC_TCB : IDC_EULER, *o.tcb ? "--tcb" : "--euler");
    QueueTimeFlags(o.time, kTimeFlags, driver);
}

int RunImportHtr(const ImportHtrOptions& options, const CommandIO& io) {
    return RunSceneImport(
        options.request, [&options](DialogFlagDriver& driver) { QueueDialogFlags(options, driver); }, io);
}

}  // namespace

void AddImportHtrCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<ImportHtrOptions>();
    CLI::App* command = context.AddCommand(
        app, "import-htr", "import an HTR file into a scene as an animated skeleton",
        [&context, options] { return RunImportHtr(*options, context.IO()); });
    ImportHtrOptions& o = *options;
    AddSceneImportOptions(*command, o.request, "IN.htr", "the HTR file");
    AddSwitch(*command, o.apply, "--apply", "--create",
              "put the motion on the selected skeleton / build a new one");
    command->add_option("--size", o.size, "segment size (thickness factor of the bones)");
    AddSwitch(*command, o.endEffectors, "--end-effectors", "--no-end-effectors",
              "add an end-effector bone under every leaf");
    AddSwitch(*command, o.keyBase, "--key-base", "--no-key-base", "key the base position");
    AddSwitch(*command, o.animate, "--animate", "--no-animate", "key the frames");
    AddSwitch(*command, o.tcb, "--tcb", "--euler", "rotation controller");
    AddTimeFlags(*command, o.time, kTimeFlags);
    command->footer(SceneImportFooter("", "import-htr"));
}
