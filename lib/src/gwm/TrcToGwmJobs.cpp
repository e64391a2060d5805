// The batch run of several jobs: each job takes the next source, reads it and
// writes its GWM file on its own thread, then waits for the file's turn. The
// observer hears of one file at a time, in the order of the sources: the
// findings recorded during the read, then what the run of one job would say.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tovfileio/gwm/TrcToGwm.h"
#include "tovfileio/text/FindingList.h"
#include "TrcToGwmFileRun.h"

namespace tovfileio {

namespace {

// The observer of a read before its turn: nothing is decided there (a batch
// names its targets after its sources).
class BeforeTurn : public GwmRunObserver {};

}  // namespace

// The sources handed out in order and the turns taken in the same order.
class TrcToGwmConversion::JobQueue {
public:
    JobQueue(const std::vector<std::wstring>& sources, GwmRunObserver& observer,
             GwmRunResult& run)
        : sources_(sources), observer_(observer), run_(run) {}

    // The index of the next source to start; none when the run was cancelled,
    // has ended, or every source is taken.
    std::optional<std::size_t> Next() {
        std::lock_guard lock(mutex_);
        if (ended_ || run_.cancelled || next_ >= run_.taken) return std::nullopt;
        if (observer_.Cancelled()) {
            run_.cancelled = true;
            return std::nullopt;
        }
        return next_++;
    }

    // Runs `finish` when it is source `index`'s turn, unless the run ended
    // before; false ends it. Returns whether `finish` ran.
    template <typename Finish>
    bool TakeTurn(std::size_t index, Finish&& finish) {
        std::unique_lock lock(mutex_);
        turnChanged_.wait(lock, [&] { return turn_ == index; });
        const bool runs = !ended_;
        if (runs && !finish()) ended_ = true;
        ++turn_;
        turnChanged_.notify_all();
        return runs;
    }

    bool Ended() const { return ended_; }

private:
    const std::vector<std::wstring>& sources_;
    GwmRunObserver& observer_;
    GwmRunResult& run_;
    std::mutex mutex_;
    std::condition_variable turnChanged_;
    std::size_t next_ = 0;
    std::size_t turn_ = 0;
    bool ended_ = false;
};

bool TrcToGwmConversion::RunJobs(const std::vector<std::wstring>& sources,
                                 const ConvertGWMSettings& settings, const MarkerNameMap& map,
                                 GwmRunObserver& observer, unsigned jobs, GwmRunResult& run) {
    JobQueue queue(sources, observer, run);
    std::vector<GwmFileResult> done(run.taken);
    std::vector<bool> finished(run.taken, false);
    auto job = [&] {
        TRCFile trc;
        BeforeTurn quiet;
        while (const auto index = queue.Next()) {
            GwmFileResult& file = done[*index];
            file.source = sources[*index];
            FileRun fileRun(trc, settings, map, quiet, file, false);
            // Findings of a file read before its turn, kept for the observer.
            FindingList findings;
            ReadSource(trc, fileRun, file, &findings);
            const bool told = queue.TakeTurn(*index, [&] {
                findings.ReplayTo(observer.Findings(file.source));
                fileRun.UseObserver(observer);
                finished[*index] = true;
                const bool goOn =
                    FinishSource(trc, fileRun, file, settings, RefusedSource::kSkip, observer);
                // Under the queue's lock, which Next reads it under.
                if (file.outcome == GwmFileResult::Outcome::kCancelled) run.cancelled = true;
                if (goOn) ReportProgress(observer, *index, run.taken);
                return goOn;
            });
            if (!told) {
                fileRun.Drop(GwmFileResult::Outcome::kNotKept, 0);
                trc.Reset();
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < jobs; ++i) threads.emplace_back(job);
    for (std::thread& thread : threads) thread.join();
    for (std::size_t i = 0; i < run.taken; ++i) {
        if (finished[i]) run.files.push_back(std::move(done[i]));
    }
    return !queue.Ended() && !run.cancelled;
}

}  // namespace tovfileio
