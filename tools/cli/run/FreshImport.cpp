#include "cli/run/FreshImport.h"

#include "brindle/host/scene/HostInterface.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/sdk/PluginClasses.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/run/DialogFlags.h"
#include "cli/report/ImportRefusal.h"
#include "cli/report/RepairReport.h"
#include "cli/run/TemporaryRegistry.h"
#include "tovfileio/module/ClassIds.h"
#include "tovfileio/module/ResourceIds.h"

namespace {

void ChooseHtrOptions(DialogFlagDriver& dialog, bool tcb, const std::wstring& size) {
    dialog.Choose(IDC_HTR_CREATE, "create");
    dialog.Type(IDC_SEGMENT_SIZE, size, "size");
    dialog.Check(IDC_END_EFFECTORS, false, "end effectors");
    dialog.Check(IDC_BASE_POSITION, true, "base position");
    dialog.Check(IDC_ANIMATION, true, "animation");
    dialog.Choose(tcb ? IDC_TCB : IDC_EULER, "rotation controller");
    dialog.Choose(IDC_ALL_FRAMES, "all frames");
    dialog.Type(IDC_FRAME_OFFSET, L"0", "offset");
    dialog.Check(IDC_SET_FRAME_RATE, true, "frame rate");
    dialog.Type(IDC_GLOBAL_SCALE, L"1", "scale");
}

void ChooseTrcOptions(DialogFlagDriver& dialog, const std::wstring& size) {
    dialog.Choose(IDC_TRC_CREATE, "create");
    dialog.Choose(IDC_SPHERE, "sphere");
    dialog.Type(IDC_SEGMENT_SIZE, size, "size");
    dialog.Check(IDC_ROOT_NODE, false, "root node");
    dialog.Choose(IDC_ALL_FRAMES, "all frames");
    dialog.Type(IDC_FRAME_OFFSET, L"0", "offset");
    dialog.Check(IDC_SET_FRAME_RATE, true, "frame rate");
    dialog.Type(IDC_GLOBAL_SCALE, L"1", "scale");
}

}  // namespace

bool ImportIntoFreshScene(SceneSession& session, const CommandIO& io, const std::string& path,
                          tovfileio::FileKind kind, const FreshImportOptions& options) {
    const TemporaryRegistry registry;
    brindle::host::Scene& scene = brindle::host::Scene::Current();
    scene.Clear();
    if (options.systemUnitMm > 0.0) scene.SetSystemUnitMillimetres(options.systemUnitMm);

    const bool trc = kind == tovfileio::FileKind::kTrc;
    const auto importer =
        session.Create<SceneImport>(trc ? kImportTrcClassId : kImportHtrClassId);
    if (!importer) return false;
    PluginOperations* operations = OperationsOf(*importer);
    if (operations != nullptr) operations->TakeNamesAsGiven(true);
    DialogFlagDriver dialog(io, "import");
    if (trc) {
        ChooseTrcOptions(dialog, options.size);
    } else {
        ChooseHtrOptions(dialog, options.tcb, options.size);
    }
    const std::wstring input = tovfileio::PathToWide(path);
    const PluginRun run = session.Run(PluginOperation::Import(operations), dialog, [&] {
        return importer->DoImport(input.c_str(), &brindle::host::HostImportInterface(),
                                  &brindle::host::HostInterface(), FALSE);
    });
    if (!run.Succeeded()) {
        const std::string cause =
            ImportRefusalCause(run.report, path, kind);
        const std::string fix = cause.empty() ? RefusalFix(path, kind) : std::string();
        session.Error(!cause.empty() ? cause
                      : fix.empty()  ? path + ": the import did not succeed"
                                     : path + ": the import did not succeed: " + fix);
        return false;
    }
    return true;
}
