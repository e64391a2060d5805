// The conversion of one source, shared by the run of one job and the run of
// several: a TRC file read a row at a time and its GWM file written as it is
// read. Private to the conversion.
#pragma once

#include <cerrno>
#include <memory>
#include <new>
#include <optional>

#include "tovfileio/gwm/GWMWriter.h"
#include "tovfileio/text/TextFiles.h"
#include "RowPipe.h"
#include "tovfileio/gwm/TrcToGwm.h"

namespace tovfileio {

// One source: read a row at a time and written as it is read. The GWM file
// is begun once the reader knows the header and the markers (the filter is
// applied and the target chosen then) and finished after the last row.
class TrcToGwmConversion::FileRun : public TRCRowSink {
public:
    using Outcome = GwmFileResult::Outcome;

    FileRun(TRCFile& trc, const ConvertGWMSettings& settings, const MarkerNameMap& map,
            GwmRunObserver& observer, GwmFileResult& result, bool writerThread)
        : trc_(trc), settings_(settings), map_(map), observer_(&observer), result_(result),
          writerThread_(writerThread) {}

    // The observer the rest of the file is decided with from now on.
    void UseObserver(GwmRunObserver& observer) { observer_ = &observer; }

    bool Begin(const TRCFile& /*file*/) override {
        begun_ = true;
        if (settings_.Filter) map_.ApplyFilter(trc_);
        result_.markers = trc_.GetNumMarkers();
        if (!GWMFramesNumbered(trc_)) return Fail(Outcome::kFramesUnnumbered, 0);
        if (!ChooseTarget()) return false;
        const std::string dateTime = GWMDateTimeText();
        int error = 0;
        file_ = TextFiles().CreateOutput(result_.target, error);
        if (!file_) return Fail(Outcome::kNotWritten, error);
        stream_.emplace(*file_, settings_);
        Guarded([&] { stream_->Begin(trc_, GWMBaseName(result_.target), dateTime); });
        result_.written = stream_->MarkersWritten();
        result_.frames = stream_->Frames();
        if (writerThread_) {
            pipe_.emplace(trc_.GetNumMarkers(),
                          [this](const TRCRow& row) { return WriteRow(row); });
        }
        return true;
    }

    bool Row(const TRCRow& row) override { return pipe_ ? pipe_->Push(row) : WriteRow(row); }

    // After the read: the rest of the file written and put in place, or
    // dropped. The outcome is in the result.
    void Complete() {
        if (!begun_ && !Begin(trc_)) return;
        if (pipe_) pipe_->Finish();
        if (!file_) return;
        result_.rows = stream_->RowsSeen();
        if (broken_ != 0) return Drop(Outcome::kNotWritten, broken_);
        if (file_->Failed()) return Drop(Outcome::kNotWritten, file_->Error());
        if (static_cast<std::int64_t>(result_.rows) < result_.frames && !observer_->MayPad(result_)) {
            return Drop(Outcome::kPaddingRefused, 0);
        }
        stream_->Finish();
        if (file_->Failed()) return Drop(Outcome::kNotWritten, file_->Error());
        if (!observer_->Keep(result_)) return Drop(Outcome::kNotKept, 0);
        if (!file_->Commit()) return Drop(Outcome::kNotWritten, file_->Error());
        stream_.reset();
        file_.reset();
        result_.outcome = Outcome::kWritten;
    }

    void Drop(Outcome outcome, int error) {
        if (pipe_) pipe_->Finish();
        stream_.reset();
        file_.reset();
        Fail(outcome, error);
    }

    bool Stopped() const { return result_.outcome != Outcome::kWritten; }

private:
    bool WriteRow(const TRCRow& row) {
        Guarded([&] { stream_->Row(row); });
        // A file that has stopped taking bytes needs no more rows.
        return !file_->Failed();
    }

    // Runs `write`, noting an exception that leaves it before passing it on:
    // the file was cut somewhere in it. The reader turns a lack of memory into
    // its message and the row pipe keeps an exception on its own thread, so
    // the run may go on to Complete, which must then drop the file.
    template <typename Write>
    void Guarded(Write&& write) {
        try {
            write();
        } catch (const std::bad_alloc&) {
            broken_ = ENOMEM;
            throw;
        } catch (...) {
            broken_ = EIO;
            throw;
        }
    }

    bool ChooseTarget() {
        if (settings_.TRCName && settings_.Batch) {
            result_.target = BatchTarget(settings_.OutputPath, result_.source);
        } else if (settings_.TRCName) {
            result_.target = TargetBesideSource(result_.source);
        } else if (!observer_->ChooseTarget(result_.source, result_.target)) {
            result_.target.clear();
            return Fail(Outcome::kTargetDeclined, 0);
        }
        return true;
    }

    bool Fail(Outcome outcome, int error) {
        // A write given up at the process's stop rule is a cancel of the run.
        const bool cancelled = outcome == Outcome::kNotWritten && error == ECANCELED;
        result_.outcome = cancelled ? Outcome::kCancelled : outcome;
        result_.writeError = error;
        return false;
    }

    TRCFile& trc_;
    const ConvertGWMSettings& settings_;
    const MarkerNameMap& map_;
    GwmRunObserver* observer_;
    GwmFileResult& result_;
    std::unique_ptr<TextOutput> file_;  // the GWM file while it is written
    std::optional<GWMStream> stream_;
    bool writerThread_;
    std::optional<RowPipe> pipe_;
    bool begun_ = false;
    int broken_ = 0;  // the error of an exception that cut a write off
};

}  // namespace tovfileio
