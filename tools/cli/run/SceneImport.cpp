#include "cli/run/SceneImport.h"

#include <cwchar>
#include <optional>

#include <sys/stat.h>

#include "brindle/host/scene/HostInterface.h"
#include "cli/files/InputFile.h"
#include "tovfileio/convert/Conversion.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/report/ImportRefusal.h"
#include "cli/report/RepairReport.h"
#include "cli/report/SafeText.h"
#include "cli/report/ImportWarnings.h"
#include "cli/files/ReadLimits.h"
#include "cli/run/RememberedOptions.h"
#include "tovfileio/module/ResourceIds.h"

void AddSceneImportOptions(CLI::App& command, SceneImportRequest& request, const char* inputName,
                           const char* inputHelp) {
    request.parsed = &command;
    command.add_option(inputName, request.input, inputHelp)->required();
    command.add_option("--scene", request.scene, "the scene document (created when missing)")
        ->required();
    AddHostSettingOptions(command, request.host);
    command.add_flag("--suppress-prompts", request.suppressPrompts,
                     "import without the dialog, with the importer's defaults (the\n"
                     "remembered options are loaded by the dialog only)");
    request.flags.Declare(command);
}

std::string SceneImportFooter(const std::string& more, const std::string& command) {
    return "The dialog options act on the importer's dialog as clicks and typing would,\n"
           "then OK is pressed. Messages of the importer appear as 'TITLE: TEXT' on\n"
           "standard error. The scene document is written only when the import\n"
           "succeeded." +
           more + "\n\n" + RememberedHelp(command);
}

namespace {

// For a file of a format the importers do not read (BVH, C3D, GWM): which
// conversion makes it importable, and with which command. Empty for a file
// the importer reads, or that does not exist (the importer says why).
std::string NotImportable(const SceneImportRequest& request) {
    using tovfileio::FileKind;
    struct stat status {};
    if (::stat(request.input.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
    const FileKind kind = KindOfInput(request.input);
    if (kind == FileKind::kHtr || kind == FileKind::kTrc) return {};
    const FileKind target = tovfileio::Converts(kind, request.format)
                                ? request.format
                                : (tovfileio::HoldsMarkers(kind) ? FileKind::kTrc : FileKind::kHtr);
    std::string stem = BaseName(request.input);
    if (const auto dot = stem.rfind('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
    const tovfileio::FileKindInfo& from = tovfileio::KindInfo(kind);
    const char* command = target == FileKind::kTrc ? "import-trc" : "import-htr";
    return request.input + ": " + from.article + " " + from.name + " file; `tovfileio convert " +
           request.input + " " + stem + tovfileio::KindInfo(target).extension +
           "` makes it a file " + command + " imports";
}

// The frames an HTR import over an existing skeleton keyed, as its dialog
// was accepted: Apply over a range keys the file's frames FROM to TO moved
// by the offset, over keys the skeleton may already hold with the same
// values. None for any other import.
std::optional<ImportWarnings::Frames> FramesAppliedInPlace(const CommandLineDriver& driver) {
    const auto& dialog = driver.LastClosed();
    if (!dialog || dialog->templateId != IDD_IMPORT_HTR) return std::nullopt;
    const auto control = [&dialog](int id) -> const brindle::host::ControlView* {
        for (const auto& c : dialog->controls) {
            if (c.id == id) return &c;
        }
        return nullptr;
    };
    const auto number = [&control](int id) {
        const auto* c = control(id);
        return c != nullptr ? static_cast<int>(std::wcstol(c->text.c_str(), nullptr, 10)) : 0;
    };
    const auto* apply = control(IDC_HTR_APPLY);
    const auto* range = control(IDC_FRAME_RANGE);
    if (apply == nullptr || !apply->checked || range == nullptr || !range->checked) return std::nullopt;
    const int offset = number(IDC_FRAME_OFFSET);
    return ImportWarnings::Frames{number(IDC_FROM_FRAME) + offset, number(IDC_TO_FRAME) + offset};
}

}  // namespace

int RunSceneImport(const SceneImportRequest& request, const CommandIO& io) {
    if (const std::string problem = NotImportable(request); !problem.empty()) {
        io.Err(problem + "\n");
        return kExitFailed;
    }
    DialogFlagDriver driver(io, request.command);
    request.flags.Queue(driver);
    if (request.suppressPrompts &&
        driver.RefuseQueuedFlags("--suppress-prompts opens no dialog for it to act on")) {
        return kExitUsage;
    }
    SceneSession session(io, request.command);
    if (!session.Open(request.scene, request.host, SceneUse::CreateOrChange)) return kExitFailed;
    const auto importer = session.Create<SceneImport>(request.importer);
    if (!importer) return kExitFailed;
    PluginOperations* operations = OperationsOf(*importer);
    const auto inPlay = SayRememberedWhenDialogOpens(driver, *request.parsed, operations, io);

    const ImportWarnings warnings(io, request.command);
    session.ShowReading(FileBytes(request.input), request.input);
    const BOOL suppress = request.suppressPrompts ? TRUE : FALSE;
    const PluginRun run =
        session.Run(PluginOperation::Import(operations), driver, [&] {
            return importer->DoImport(tovfileio::PathToWide(request.input).c_str(),
                                      &brindle::host::HostImportInterface(),
                                      &brindle::host::HostInterface(), suppress);
        });
    if (driver.Failed()) return kExitUsage;
    if (!run.Succeeded()) {
        const std::string cause = ImportRefusalCause(run.report, request.input, request.format);
        if (cause.empty()) {
            // The module's message names no place in the file; the reader's
            // cause and its fix do.
            if (const std::string fix = RefusalFix(request.input, request.format); !fix.empty()) {
                io.Err(Escaped(request.input) + ": " + fix + "\n");
            }
        }
        session.Error(cause.empty() ? FailureText(run) : cause + "; the scene was not changed");
        io.Err(RememberedInPlay(request.command, *inPlay));
        return kExitFailed;
    }
    if (!session.Save()) return kExitFailed;
    warnings.Tell(run.report, session.Created() && !request.host.fps, FramesAppliedInPlace(driver));
    return kExitOk;
}
