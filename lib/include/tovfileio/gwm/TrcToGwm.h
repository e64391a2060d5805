// The TRC-to-GWM conversion, one file or a batch, without any user
// interface: sources, the settings and the marker-name map in; a GWM file
// per source, the batch log's lines and a record per file out. Each file is
// read once, a row at a time, and written as it is read. The utility
// panel's "Convert TRC to GWM" and `tovfileio convert` both run it; what
// differs between them (dialogs, messages, progress, cancel, what to do
// with a file the reader refuses) comes in through the observer and the
// policy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tovfileio/text/ReadFinding.h"
#include "tovfileio/trc/TRCFile.h"
#include "tovfileio/gwm/ConvertGWMSettings.h"
#include "tovfileio/gwm/MarkerNameMap.h"

namespace tovfileio {

// The most files one batch converts; further sources are not taken.
constexpr std::size_t kMaxGwmBatchFiles = 1000;

// The name of the batch log in the output folder.
inline constexpr wchar_t kGwmBatchLogName[] = L"ConvertGWMLog.txt";

// What becomes of a source the TRC reader refuses.
enum class RefusedSource {
    kStopRun,        // the run ends (the panel's single conversion)
    kConvertAnyway,  // its message is logged and what was read is written (the panel's batch)
    kSkip,           // its message is logged, no GWM file is written, the run goes on
};

// How one source fared.
struct GwmFileResult {
    enum class Outcome {
        kWritten,          // the GWM file is in place
        kRefused,          // the reader refused the source; nothing written
        kTargetDeclined,   // no target was chosen
        kFramesUnnumbered, // its frames run past the GWM frame numbers; nothing written
        kNotWritten,       // the GWM file could not be made or written whole
        kPaddingRefused,   // the observer would not pad the frames the file lacks
        kNotKept,          // written whole, then dropped at the observer's word
        kCancelled,        // its target, a FIFO, was given up at the process's stop
                           // rule (StopWaitingWhen), waiting for a reader or for room
    };
    std::wstring source;
    std::wstring target;         // empty when none was chosen
    std::wstring readerMessage;  // the reader's message; empty when it read the file
    Outcome outcome = Outcome::kWritten;
    int writeError = 0;          // kNotWritten: the system's error number
    std::uint32_t markers = 0;   // markers of the TRC file
    std::uint32_t written = 0;   // markers written (included by the map)
    std::uint64_t rows = 0;      // data rows read
    std::int64_t frames = 0;     // frames of the GWM file (the header's count)
};

struct GwmRunResult {
    bool completed = false;  // every source taken was written
    bool cancelled = false;  // stopped by the observer before a file, or a file kCancelled
    std::size_t taken = 0;   // sources taken (a batch takes at most kMaxGwmBatchFiles)
    std::vector<GwmFileResult> files;
};

// What the caller adds to a run. Every call has a default that does nothing
// or lets the run go on.
class GwmRunObserver {
public:
    virtual ~GwmRunObserver() = default;
    // Asked before each file; true stops the run there.
    virtual bool Cancelled() { return false; }
    // The run's progress in percent: 0 at the start, after each file, 100 at
    // the end (not when cancelled).
    virtual void Progress(int percent) { static_cast<void>(percent); }
    // A line of the batch log, UTF-8, with its line end.
    virtual void Log(const std::string& line) { static_cast<void>(line); }
    // The target of `source` when the settings do not name it after the
    // source (the save dialog); false declines, which ends the run.
    virtual bool ChooseTarget(const std::wstring& source, std::wstring& target) {
        static_cast<void>(source);
        static_cast<void>(target);
        return false;
    }
    // The reader refused `source` with `message` (kStopRun and kSkip).
    virtual void SourceRefused(const GwmFileResult& file) { static_cast<void>(file); }
    // Told what the reader finds in `source`; null for nothing.
    virtual ReadObserver* Findings(const std::wstring& source) {
        static_cast<void>(source);
        return nullptr;
    }
    // The file's rows are written and `file.frames` exceeds them: true pads
    // the rest with dropouts, false drops the file.
    virtual bool MayPad(const GwmFileResult& file) {
        static_cast<void>(file);
        return true;
    }
    // The file is written whole and not yet in place: false drops it.
    virtual bool Keep(const GwmFileResult& file) {
        static_cast<void>(file);
        return true;
    }
    // A file is done with, whatever its outcome.
    virtual void FileDone(const GwmFileResult& file) { static_cast<void>(file); }
};

class TrcToGwmConversion {
public:
    // Formats and writes each GWM file on a second thread while its source
    // is read (off by default: the module runs on the host's thread alone).
    void WriteOnAnotherThread(bool on) { writerThread_ = on; }

    // Converts `sources` (at most kMaxGwmBatchFiles with `settings.Batch`,
    // else the first) as the settings say; the map renames and filters the
    // markers when `settings.Filter` is on.
    //
    // A batch that skips refused sources converts up to `jobs` files at
    // once, each read and written on a thread of its own. The observer still
    // hears of the files one at a time and in the order of `sources`, as a
    // run of one job tells it: a file's findings reach it once the file is
    // read, then its outcome; a file written before its turn is put in place
    // only at its turn, and dropped unseen when the run ended before then.
    // Cancelled() is asked before each file is started; the files already
    // started are finished, but for a target that no one reads (a FIFO),
    // which is given up at the process's stop rule (StopWaitingWhen) and
    // cancels the run.
    GwmRunResult Run(const std::vector<std::wstring>& sources, const ConvertGWMSettings& settings,
                     const MarkerNameMap& map, RefusedSource refused, GwmRunObserver& observer,
                     unsigned jobs = 1);

    // Where a batch writes the GWM file of `source`: the output folder and
    // the source's base name with ".gwm". A single file named after its
    // source goes beside it: the source's last three characters become
    // "gwm".
    static std::wstring BatchTarget(const std::wstring& outputFolder, const std::wstring& source);
    static std::wstring TargetBesideSource(const std::wstring& source);
    // The batch log of `outputFolder`.
    static std::wstring BatchLogPath(const std::wstring& outputFolder);

private:
    class FileRun;
    class JobQueue;

    // Reads a source through `fileRun`, its findings told to `findings`.
    static void ReadSource(TRCFile& trc, FileRun& fileRun, GwmFileResult& file,
                           ReadObserver* findings);
    // What follows the read: the file refused, or finished and put in place;
    // the log and the observer told. False when the run stops after it.
    static bool FinishSource(TRCFile& trc, FileRun& fileRun, GwmFileResult& file,
                             const ConvertGWMSettings& settings, RefusedSource refused,
                             GwmRunObserver& observer);
    static void ReportProgress(GwmRunObserver& observer, std::size_t done, std::size_t taken);
    // One file after another; false when the run stopped or was cancelled.
    bool RunInTurn(const std::vector<std::wstring>& sources, const ConvertGWMSettings& settings,
                   const MarkerNameMap& map, RefusedSource refused, GwmRunObserver& observer,
                   GwmRunResult& run);
    // Up to `jobs` files at once (TrcToGwmJobs.cpp).
    bool RunJobs(const std::vector<std::wstring>& sources, const ConvertGWMSettings& settings,
                 const MarkerNameMap& map, GwmRunObserver& observer, unsigned jobs,
                 GwmRunResult& run);

    // The header of the TRC file being read. It is reset after every file
    // and keeps the camera rate of the last file that gave one, so a source
    // the reader cannot open is written with it.
    TRCFile trc_;
    bool writerThread_ = false;
};

// The separator of folder and name in the paths the conversion builds.
#ifdef _WIN32
inline constexpr wchar_t kGwmPathSeparator = L'\\';
#else
inline constexpr wchar_t kGwmPathSeparator = L'/';
#endif

}  // namespace tovfileio
