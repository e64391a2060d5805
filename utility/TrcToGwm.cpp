#include "utility/TrcToGwm.h"

#include <algorithm>
#include <optional>

#include "brindle/sdk/TextCodec.h"
#include "brindle/sdk/TextFileWriter.h"
#include "utility/GWMWriter.h"
#include "utility/RowPipe.h"

using Outcome = GwmFileResult::Outcome;

// One source: read a row at a time and written as it is read. The GWM file
// is begun once the reader knows the header and the markers (the filter is
// applied and the target chosen then) and finished after the last row.
class TrcToGwmConversion::FileRun : public TRCRowSink {
public:
    FileRun(TRCFile& trc, const ConvertGWMSettings& settings, const MarkerNameMap& map,
            GwmRunObserver& observer, GwmFileResult& result, bool writerThread)
        : trc_(trc), settings_(settings), map_(map), observer_(observer), result_(result),
          stream_(file_, settings), writerThread_(writerThread) {}

    bool Begin(const TRCFile& /*file*/) override {
        begun_ = true;
        if (settings_.Filter) map_.ApplyFilter(trc_);
        result_.markers = trc_.GetNumMarkers();
        if (!ChooseTarget()) return false;
        const std::string dateTime = GWMDateTimeText();
        if (!file_.Open(result_.target)) return Fail(Outcome::kNotWritten, file_.Error());
        opened_ = true;
        stream_.Begin(trc_, GWMBaseName(result_.target), dateTime);
        result_.written = stream_.MarkersWritten();
        result_.frames = stream_.Frames();
        if (writerThread_) {
            pipe_.emplace(trc_.GetNumMarkers(),
                          [this](std::span<const TRCSample> samples) { return WriteRow(samples); });
        }
        return true;
    }

    bool Row(std::span<const TRCSample> samples) override {
        return pipe_ ? pipe_->Push(samples) : WriteRow(samples);
    }

    // After the read: the rest of the file written and put in place, or
    // dropped. The outcome is in the result.
    void Complete() {
        if (!begun_ && !Begin(trc_)) return;
        if (pipe_) pipe_->Finish();
        if (!opened_) return;
        result_.rows = stream_.RowsSeen();
        if (file_.Failed()) return Drop(Outcome::kNotWritten, file_.Error());
        if (static_cast<std::int64_t>(result_.rows) < result_.frames && !observer_.MayPad(result_)) {
            return Drop(Outcome::kPaddingRefused, 0);
        }
        stream_.Finish();
        if (file_.Failed()) return Drop(Outcome::kNotWritten, file_.Error());
        if (!observer_.Keep(result_)) return Drop(Outcome::kNotKept, 0);
        if (!file_.Close()) return Drop(Outcome::kNotWritten, file_.Error());
        result_.outcome = Outcome::kWritten;
    }

    void Drop(Outcome outcome, int error) {
        if (pipe_) pipe_->Finish();
        if (opened_) file_.Discard();
        opened_ = false;
        Fail(outcome, error);
    }

    bool Stopped() const { return result_.outcome != Outcome::kWritten; }

private:
    bool WriteRow(std::span<const TRCSample> samples) {
        stream_.Row(samples);
        // A file that has stopped taking bytes needs no more rows.
        return !file_.Failed();
    }

    bool ChooseTarget() {
        if (settings_.TRCName && settings_.Batch) {
            result_.target = BatchTarget(settings_.OutputPath, result_.source);
        } else if (settings_.TRCName) {
            result_.target = TargetBesideSource(result_.source);
        } else if (!observer_.ChooseTarget(result_.source, result_.target)) {
            result_.target.clear();
            return Fail(Outcome::kTargetDeclined, 0);
        }
        return true;
    }

    bool Fail(Outcome outcome, int error) {
        result_.outcome = outcome;
        result_.writeError = error;
        return false;
    }

    TRCFile& trc_;
    const ConvertGWMSettings& settings_;
    const MarkerNameMap& map_;
    GwmRunObserver& observer_;
    GwmFileResult& result_;
    TextFile::Writer file_;
    GWMStream stream_;
    bool writerThread_;
    std::optional<RowPipe> pipe_;
    bool begun_ = false;
    bool opened_ = false;
};

namespace {

// Whether the run goes on after a file with this outcome: a file that
// cannot be written, or whose target was not chosen, ends it.
bool RunGoesOn(Outcome outcome) {
    return outcome != Outcome::kNotWritten && outcome != Outcome::kTargetDeclined;
}

void LogHeader(GwmRunObserver& observer, std::size_t files) {
    observer.Log("Tovelund TOVFileIO TRC to GWM Batch Conversion Log\n");
    observer.Log(GWMDateTimeText() + "\n");
    observer.Log("Processing " + std::to_string(files) + " files...\n");
}

}  // namespace

GwmRunResult TrcToGwmConversion::Run(const std::vector<std::wstring>& sources,
                                     const ConvertGWMSettings& settings, const MarkerNameMap& map,
                                     RefusedSource refused, GwmRunObserver& observer) {
    GwmRunResult run;
    run.taken = std::min(sources.size(), settings.Batch ? kMaxGwmBatchFiles : std::size_t{1});
    if (settings.Batch) LogHeader(observer, run.taken);
    observer.Progress(0);
    bool goOn = true;
    for (std::size_t i = 0; i < run.taken && goOn; ++i) {
        if (observer.Cancelled()) {
            run.cancelled = true;
            return run;
        }
        GwmFileResult& file = run.files.emplace_back();
        file.source = sources[i];
        FileRun fileRun(trc_, settings, map, observer, file, writerThread_);
        TRCReadOptions read;
        read.findings = observer.Findings(file.source);
        read.rows = &fileRun;
        file.readerMessage = trc_.Read(file.source, read);
        const bool refusedHere = !file.readerMessage.empty() && refused != RefusedSource::kConvertAnyway;
        if (!file.readerMessage.empty() && settings.Batch && refused != RefusedSource::kStopRun) {
            observer.Log(TextCodec::EncodeUtf8(file.source + L": " + file.readerMessage + L"\n"));
        }
        if (refusedHere) {
            fileRun.Drop(Outcome::kRefused, 0);
            observer.SourceRefused(file);
            goOn = refused == RefusedSource::kSkip;
        } else if (!fileRun.Stopped() || !file.readerMessage.empty()) {
            fileRun.Complete();
            goOn = RunGoesOn(file.outcome);
        } else {
            goOn = RunGoesOn(file.outcome);
        }
        file.rows = trc_.GetNumRows();
        if (file.outcome == Outcome::kWritten && settings.Batch) {
            observer.Log(TextCodec::EncodeUtf8(L"file: " + file.source + L" done.\n"));
        }
        observer.FileDone(file);
        trc_.Reset();
        if (goOn) {
            observer.Progress(static_cast<int>(static_cast<float>(i) /
                                               static_cast<float>(run.taken) * 100.0f));
        }
    }
    observer.Progress(100);
    run.completed = goOn && std::all_of(run.files.begin(), run.files.end(), [](const GwmFileResult& f) {
                        return f.outcome == Outcome::kWritten;
                    });
    return run;
}

std::wstring TrcToGwmConversion::BatchTarget(const std::wstring& outputFolder,
                                             const std::wstring& source) {
    return outputFolder + kGwmPathSeparator + GWMBaseName(source) + L".gwm";
}

std::wstring TrcToGwmConversion::TargetBesideSource(const std::wstring& source) {
    return source.substr(0, source.size() >= 3 ? source.size() - 3 : 0) + L"gwm";
}

std::wstring TrcToGwmConversion::BatchLogPath(const std::wstring& outputFolder) {
    return outputFolder + kGwmPathSeparator + kGwmBatchLogName;
}
