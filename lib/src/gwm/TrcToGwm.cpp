#include "tovfileio/gwm/TrcToGwm.h"

#include <algorithm>
#include <optional>

#include "tovfileio/text/FileKinds.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextFiles.h"
#include "tovfileio/gwm/GWMWriter.h"
#include "TrcToGwmFileRun.h"

namespace tovfileio {

using Outcome = GwmFileResult::Outcome;

namespace {

// Whether the run goes on after a file with this outcome: a file that
// cannot be written, whose target was not chosen or that was cancelled
// ends it.
bool RunGoesOn(Outcome outcome) {
    return outcome != Outcome::kNotWritten && outcome != Outcome::kTargetDeclined &&
           outcome != Outcome::kCancelled;
}

void LogHeader(GwmRunObserver& observer, std::size_t files) {
    observer.Log("Tovelund TOVFileIO TRC to GWM Batch Conversion Log\n");
    observer.Log(GWMDateTimeText() + "\n");
    observer.Log("Processing " + std::to_string(files) + " files...\n");
}

}  // namespace

void TrcToGwmConversion::ReadSource(TRCFile& trc, FileRun& fileRun, GwmFileResult& file,
                                    ReadObserver* findings) {
    TRCReadOptions read;
    read.findings = findings;
    read.rows = &fileRun;
    file.readerMessage = trc.Read(file.source, read);
}

bool TrcToGwmConversion::FinishSource(TRCFile& trc, FileRun& fileRun, GwmFileResult& file,
                                      const ConvertGWMSettings& settings, RefusedSource refused,
                                      GwmRunObserver& observer) {
    const bool refusedHere =
        !file.readerMessage.empty() && refused != RefusedSource::kConvertAnyway;
    if (!file.readerMessage.empty() && settings.Batch && refused != RefusedSource::kStopRun) {
        observer.Log(EncodeUtf8(file.source + L": " + file.readerMessage + L"\n"));
    }
    bool goOn = true;
    if (refusedHere) {
        fileRun.Drop(Outcome::kRefused, 0);
        observer.SourceRefused(file);
        goOn = refused == RefusedSource::kSkip;
    } else {
        if (!fileRun.Stopped() || !file.readerMessage.empty()) fileRun.Complete();
        goOn = RunGoesOn(file.outcome);
    }
    file.rows = trc.GetNumRows();
    if (file.outcome == Outcome::kWritten && settings.Batch) {
        observer.Log(EncodeUtf8(L"file: " + file.source + L" done.\n"));
    }
    if (file.outcome == Outcome::kFramesUnnumbered && settings.Batch) {
        observer.Log(EncodeUtf8(file.source + L": " + kGwmFramesUnnumbered + L"\n"));
    }
    observer.FileDone(file);
    trc.Reset();
    return goOn;
}

GwmRunResult TrcToGwmConversion::Run(const std::vector<std::wstring>& sources,
                                     const ConvertGWMSettings& settings, const MarkerNameMap& map,
                                     RefusedSource refused, GwmRunObserver& observer,
                                     unsigned jobs) {
    GwmRunResult run;
    run.taken = std::min(sources.size(), settings.Batch ? kMaxGwmBatchFiles : std::size_t{1});
    if (settings.Batch) LogHeader(observer, run.taken);
    observer.Progress(0);
    const bool parallel = jobs > 1 && settings.Batch && refused == RefusedSource::kSkip;
    const bool goOn = parallel ? RunJobs(sources, settings, map, observer, jobs, run)
                               : RunInTurn(sources, settings, map, refused, observer, run);
    if (run.cancelled) return run;
    observer.Progress(100);
    run.completed = goOn && std::all_of(run.files.begin(), run.files.end(), [](const GwmFileResult& f) {
                        return f.outcome == Outcome::kWritten;
                    });
    return run;
}

bool TrcToGwmConversion::RunInTurn(const std::vector<std::wstring>& sources,
                                   const ConvertGWMSettings& settings, const MarkerNameMap& map,
                                   RefusedSource refused, GwmRunObserver& observer,
                                   GwmRunResult& run) {
    bool goOn = true;
    for (std::size_t i = 0; i < run.taken && goOn; ++i) {
        if (observer.Cancelled()) {
            run.cancelled = true;
            return false;
        }
        GwmFileResult& file = run.files.emplace_back();
        file.source = sources[i];
        FileRun fileRun(trc_, settings, map, observer, file, writerThread_);
        ReadSource(trc_, fileRun, file, observer.Findings(file.source));
        goOn = FinishSource(trc_, fileRun, file, settings, refused, observer);
        if (file.outcome == Outcome::kCancelled) run.cancelled = true;
        if (goOn) ReportProgress(observer, i, run.taken);
    }
    return goOn;
}

void TrcToGwmConversion::ReportProgress(GwmRunObserver& observer, std::size_t done,
                                        std::size_t taken) {
    observer.Progress(static_cast<int>(static_cast<float>(done) / static_cast<float>(taken) * 100.0f));
}

std::wstring TrcToGwmConversion::BatchTarget(const std::wstring& outputFolder,
                                             const std::wstring& source) {
    return outputFolder + kGwmPathSeparator + GWMBaseName(source) +
           PathToWide(KindInfo(FileKind::kGwm).extension);
}

std::wstring TrcToGwmConversion::TargetBesideSource(const std::wstring& source) {
    return source.substr(0, source.size() >= 3 ? source.size() - 3 : 0) + L"gwm";
}

std::wstring TrcToGwmConversion::BatchLogPath(const std::wstring& outputFolder) {
    return outputFolder + kGwmPathSeparator + kGwmBatchLogName;
}

}  // namespace tovfileio
