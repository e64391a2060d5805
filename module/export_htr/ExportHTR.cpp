#include "export_htr/ExportHTR.h"

#include "export_htr/ExportHTRDialog.h"
#include "export_htr/ExportHTROptions.h"
#include "tovfileio/module/FilePaths.h"
#include "plugin/HostModes.h"
#include "plugin/MessageReporter.h"
#include "resources/ModuleResources.h"

const wchar_t* ExportHTR::Ext(int n) { return n == 0 ? L"HTR" : L""; }

int ExportHTR::DoExport(const wchar_t* name, ExpInterface* exporter, Interface* host,
                        BOOL suppressPrompts, DWORD /*options*/) {
    if (host == nullptr) return 0;
    try {
        host_ = host;
        exporter_ = exporter;
        path_ = name != nullptr ? name : L"";
        const int result = RunExport(suppressPrompts);
        record_.EndUnsaid(result == 1);
        htr_.Reset();
        htr_.ClearSegments();
        return result;
    } catch (const std::exception&) {
        htr_.Reset();
        htr_.ClearSegments();
        MessageReporter::Module().Report(GetResourceStringAsMSTR(IDS_EXPORT_OUT_OF_MEMORY),
                                         GetResourceStringAsMSTR(IDS_EXPORT_HTR_ERROR));
        record_.Refused(IDS_EXPORT_OUT_OF_MEMORY);
        return 0;
    }
}

int ExportHTR::RunExport(BOOL suppressPrompts) {
    // Animate and set-key mode stay suspended, and the progress display open,
    // until this returns, whichever way it returns.
    HostModesSuspended modes;
    ProgressDisplay progress(*host_, L"Tovelund ExportHTR");
    ExportHTROptions& options = ExportHTROptions::Module();
    const std::wstring file = record_.Start(path_, HtrFileFor);

    const Interval range = host_->GetAnimRange();
    const int tpf = GetTicksPerFrame();
    options.startFrame = range.Start() / tpf;
    options.endFrame = range.End() / tpf;

    if (suppressPrompts == FALSE) {
        // Anything but OK (Cancel, or a dialog that could not run) writes nothing.
        if (RunExportHTRDialog(host_->GetMainWindow(), options) != 1) {
            record_.Cancelled();
            return 1;
        }
    }
    if (!FramesNumbered() || !BuildFromScene()) return 0;
    progress.Update(90);
    const std::wstring error = htr_.Write(file);
    if (!error.empty()) {
        MessageReporter::Module().Report(error, GetResourceStringAsMSTR(IDS_EXPORT_HTR_ERROR));
        record_.FileRefused(error, 0);
        return 0;
    }
    progress.Update(100);
    return 1;
}
