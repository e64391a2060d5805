#include "cli/commands/GwmConversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextWriter.h"
#include "cli/files/FileSizeLimit.h"
#include "cli/report/FindingReport.h"
#include "cli/files/InterruptCleanup.h"
#include "cli/run/LockWait.h"
#include "cli/files/OutputFile.h"
#include "cli/run/PluginRunner.h"
#include "cli/run/Progress.h"
#include "cli/files/ReadLimits.h"
#include "tovfileio/gwm/MarkerNameMap.h"
#include "tovfileio/gwm/GWMWriter.h"
#include "tovfileio/text/FrameCounts.h"
#include "tovfileio/gwm/TrcToGwm.h"
#include "tovfileio/module/ResourceIds.h"
#include "tovfileio/text/FileKinds.h"

using namespace tovfileio;

namespace {

using Outcome = GwmFileResult::Outcome;


int Report(const CommandIO& io, const std::string& file, const std::string& message) {
    io.Err(file + ": " + message + "\n");
    return kExitFailed;
}

std::string Utf8(const std::wstring& text) { return tovfileio::EncodeUtf8(text); }

// The conversion as the command line runs it: every source's outcome said
// on standard error, in the user's names.
class CommandRun : public GwmRunObserver {
public:
    CommandRun(const CommandIO& io, const GwmCommand& command, Warnings& warnings)
        : io_(io), command_(command), warnings_(warnings) {}

    // `source` as the conversion reads it is `shown` to the user.
    void Name(const std::wstring& source, const std::string& shown) { names_[source] = shown; }
    // The file the user's source was looked for as (single file).
    void SetTried(const std::string& tried) { tried_ = tried; }
    void SetTarget(const std::wstring& target, const std::string& shown) {
        target_ = target;
        targetName_ = shown;
    }
    // A batch: its log, and the number of sources it takes.
    void SetBatch(tovfileio::TextWriter* log, std::size_t taken) {
        log_ = log;
        taken_ = taken;
    }
    void SetOutputLimit(std::uint64_t limit, const FileSizeLimit* sizeLimit) {
        limit_ = limit;
        sizeLimit_ = sizeLimit;
    }

    bool Cancelled() override { return InterruptAsCancel::Requested(); }
    // Each line reaches the log as its file is done, so a run that is
    // killed leaves the lines of the files it did.
    void Log(const std::string& line) override {
        if (log_ == nullptr) return;
        log_->Write(line);
        log_->Flush();
    }
    bool ChooseTarget(const std::wstring& /*source*/, std::wstring& target) override {
        target = target_;
        return !target.empty();
    }
    ReadObserver* Findings(const std::wstring& /*source*/) override {
        findings_.Clear();
        warnedFor_ = nullptr;
        return &findings_;
    }
    void SourceRefused(const GwmFileResult& file) override {
        const std::string context = RefusalContext(findings_, ShownSource(file), tried_);
        Report(io_, ShownSource(file), Utf8(file.readerMessage) + (context.empty() ? "" : " " + context));
    }
    bool MayPad(const GwmFileResult& file) override;
    bool Keep(const GwmFileResult& file) override;
    void FileDone(const GwmFileResult& file) override;

    std::size_t Converted() const { return converted_; }
    std::size_t Failed() const { return failed_; }
    std::size_t Warned() const { return warned_; }
    // The findings of the last source read, and whether a GWM file could
    // not be written for want of disk or permission.
    const FindingList& Found() const { return findings_; }
    bool WriteFailed() const { return writeFailed_; }

private:
    std::string ShownSource(const GwmFileResult& file) const {
        const auto found = names_.find(file.source);
        return found != names_.end() ? found->second : Utf8(file.source);
    }
    std::string ShownTarget(const GwmFileResult& file) const {
        return !targetName_.empty() ? targetName_ : Utf8(file.target);
    }
    void ReportNotWritten(const GwmFileResult& file);
    // The warnings of a file read whole, said once.
    void Warn(const GwmFileResult& file);

    const CommandIO& io_;
    const GwmCommand& command_;
    Warnings& warnings_;
    std::map<std::wstring, std::string> names_;
    std::wstring target_;
    std::string targetName_;
    std::string tried_;
    tovfileio::TextWriter* log_ = nullptr;
    std::size_t taken_ = 1;
    std::uint64_t limit_ = 0;
    const FileSizeLimit* sizeLimit_ = nullptr;
    FindingList findings_;
    const GwmFileResult* warnedFor_ = nullptr;
    std::uint64_t fileWarnings_ = 0;
    std::size_t converted_ = 0, failed_ = 0, warned_ = 0;
    bool writeFailed_ = false;
};

bool CommandRun::MayPad(const GwmFileResult& file) {
    Warn(file);
    const auto header = static_cast<std::uint64_t>(std::max<std::int64_t>(file.frames, 0));
    const std::uint64_t held = file.rows;
    const std::uint64_t padding = header - held;
    if (!command_.padAnyway && ClaimsTooManyFrames(header, held)) {
        Report(io_, ShownSource(file),
               "the header gives " + std::to_string(header) + " frames but the file holds " +
                   std::to_string(held) + ": writing them would pad " + std::to_string(padding) +
                   " frames; nothing written (--frames header writes them)");
        return false;
    }
    // A frame is at least its number, a tab, "DROPOUT\t" per marker and a
    // blank line.
    const std::uint64_t bytes = padding * (4 + 8 * std::uint64_t{file.written});
    if (limit_ != 0 && bytes > limit_) {
        Report(io_, ShownTarget(file), OutputTooLarge(limit_, bytes));
        return false;
    }
    return true;
}

void CommandRun::Warn(const GwmFileResult& file) {
    if (warnedFor_ == &file) return;
    warnedFor_ = &file;
    const std::string shown = ShownSource(file);
    const std::uint64_t before = warnings_.Count();
    warnings_.AddFindings(shown, findings_.All());
    if (command_.settings.Filter && file.written == 0 && file.markers > 0) {
        warnings_.Add(command_.mnm, "names none of the markers of " + shown +
                                        "; the GWM file holds no marker");
    }
    if (file.frames >= 0 && file.rows > static_cast<std::uint64_t>(file.frames)) {
        warnings_.Add(shown, "only the first " + std::to_string(file.frames) + " of the " +
                                 std::to_string(file.rows) +
                                 " frames held are written (a GWM file has the header's frame count)");
    }
    fileWarnings_ = warnings_.Count() - before;
    if (fileWarnings_ > 0) ++warned_;
}

bool CommandRun::Keep(const GwmFileResult& file) {
    Warn(file);
    if (fileWarnings_ == 0 || !command_.strict) return true;
    Report(io_, ShownSource(file),
           Counted(fileWarnings_, "warning", "warnings") + ", failures with --strict; nothing written");
    return false;
}

void CommandRun::ReportNotWritten(const GwmFileResult& file) {
    if (file.target.empty()) {
        Report(io_, ShownSource(file), "no target for its GWM file");
        return;
    }
    const bool tooLarge = sizeLimit_ != nullptr && sizeLimit_->Reached();
    writeFailed_ = !tooLarge;
    std::string why = tooLarge ? OutputTooLarge(limit_, 0) : NotWrittenWhole(file.writeError);
    // A batch stops at a file it cannot write.
    if (log_ != nullptr) {
        why += "; the batch stopped at " + ShownSource(file) + " (" + std::to_string(converted_) +
               " of " + std::to_string(taken_) + " files converted)";
    }
    Report(io_, ShownTarget(file), why);
}

void CommandRun::FileDone(const GwmFileResult& file) {
    switch (file.outcome) {
        case Outcome::kWritten: ++converted_; return;
        case Outcome::kCancelled: return;  // the run's interruption says it
        case Outcome::kFramesUnnumbered:
            Report(io_, ShownSource(file), Utf8(kGwmFramesUnnumbered) + "; nothing written");
            break;
        case Outcome::kNotWritten:
        case Outcome::kTargetDeclined: ReportNotWritten(file); break;
        default: break;  // said when it happened
    }
    ++failed_;
}

bool LoadMap(const GwmCommand& command, MarkerNameMap& map, const CommandIO& io) {
    return LoadMarkerNameMap(command.mnm, map, io);
}

}  // namespace

bool OutputFolderReady(const std::string& folder, const CommandIO& io) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        Report(io, folder, "The folder could not be made (" +
                               (error ? error.message() : std::string(std::strerror(errno))) + ")");
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        Report(io, folder, "is not a folder; --batch writes its files into the folder -o names");
        return false;
    }
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        Report(io, folder, "The folder could not be written in (" + std::string(std::strerror(errno)) + ")");
        return false;
    }
    return true;
}

namespace {

ConvertGWMSettings BatchSettings(const GwmCommand& command) {
    ConvertGWMSettings settings = command.settings;
    settings.Batch = true;
    settings.TRCName = true;
    settings.OutputPath = tovfileio::PathToWide(command.outputFolder);
    return settings;
}

// "tovfileio convert: 7 of 8 files converted, 1 failed, 2 with warnings".
void Summarise(const CommandIO& io, const CommandRun& run, std::size_t taken) {
    io.Err("tovfileio convert: " + std::to_string(run.Converted()) + " of " +
           Counted(taken, "file", "files") + " converted, " + std::to_string(run.Failed()) +
           " failed, " + std::to_string(run.Warned()) + " with warnings\n");
}

// Runs the batch with Ctrl-C as cancel, the output limit and a progress bar.
GwmRunResult RunBatch(const GwmCommand& command, const MarkerNameMap& map, CommandRun& observer,
                      std::uint64_t& limit, const CommandIO& io) {
    std::vector<std::wstring> sources;
    std::uint64_t largest = 0, total = 0;
    for (const std::string& source : command.sources) {
        sources.push_back(tovfileio::PathToWide(source));
        observer.Name(sources.back(), source);
        largest = std::max(largest, FileBytes(source));
        total += FileBytes(source);
    }
    limit = OutputLimit(largest, command.maxOutput);
    InterruptAsCancel cancel("\ntovfileio convert: stopping after the file being written\n");
    FileSizeLimit sizeLimit(limit);
    observer.SetOutputLimit(limit, &sizeLimit);
    Progress progress(io.err, total, ProcessBytesRead, "converting");
    TrcToGwmConversion conversion;
    conversion.WriteOnAnotherThread(command.jobs == 1);
    return conversion.Run(sources, BatchSettings(command), map, RefusedSource::kSkip, observer,
                          command.jobs);
}

}  // namespace

// The device and inode of an existing file, or none.
std::optional<std::pair<dev_t, ino_t>> FileIdentity(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return std::make_pair(status.st_dev, status.st_ino);
}

// What the batch would overwrite that it must not: two sources made into
// one GWM file, a source replaced by a GWM file or by the log. Empty when
// nothing; said before anything is written.
std::string Collision(const GwmCommand& command) {
    const std::size_t taken = std::min(command.sources.size(), kMaxGwmBatchFiles);
    const std::wstring folder = tovfileio::PathToWide(command.outputFolder);
    std::map<std::wstring, std::string> byTarget;
    std::map<std::pair<dev_t, ino_t>, std::string> existingTargets;
    for (std::size_t i = 0; i < taken; ++i) {
        const std::string& source = command.sources[i];
        const std::wstring target = TrcToGwmConversion::BatchTarget(folder, tovfileio::PathToWide(source));
        const auto [other, added] = byTarget.emplace(target, source);
        if (added) {
            if (const auto identity = FileIdentity(Utf8(target))) existingTargets.emplace(*identity, source);
        } else if (FileIdentity(other->second) != FileIdentity(source)) {
            return other->second + " and " + source + " would both become " + Utf8(target);
        }
    }
    const auto log = FileIdentity(Utf8(TrcToGwmConversion::BatchLogPath(folder)));
    for (std::size_t i = 0; i < taken; ++i) {
        const auto identity = FileIdentity(command.sources[i]);
        if (!identity) continue;
        if (identity == log) return command.sources[i] + " is the batch's log, which the batch replaces";
        if (const auto maker = existingTargets.find(*identity); maker != existingTargets.end()) {
            return command.sources[i] + " would be replaced by the GWM file of " + maker->second;
        }
    }
    return std::string();
}

int RunGwmBatch(const GwmCommand& command, CommandContext& context) {
    const CommandIO& io = context.IO();
    MarkerNameMap map;
    if (!OutputFolderReady(command.outputFolder, io) || !LoadMap(command, map, io)) return kExitFailed;
    if (const std::string collision = Collision(command); !collision.empty()) {
        io.Err("tovfileio convert: " + collision + "; nothing converted\n");
        return kExitFailed;
    }
    Warnings warnings(io);
    if (command.sources.size() > kMaxGwmBatchFiles) {
        warnings.Add(command.sources[kMaxGwmBatchFiles],
                     "a batch takes at most " + std::to_string(kMaxGwmBatchFiles) +
                         " files; this one and the " +
                         std::to_string(command.sources.size() - kMaxGwmBatchFiles - 1) +
                         " after it are not converted");
    }
    const std::wstring logPath = TrcToGwmConversion::BatchLogPath(tovfileio::PathToWide(command.outputFolder));
    // Two batches into one folder take turns: the log and the GWM files are
    // each run's own.
    brindle::host::DocumentLock lock;
    int lockSlot = -1;
    if (!TakeDocumentLock(lock, Utf8(logPath), io, "convert", lockSlot)) return kExitFailed;
    struct Unregister {
        int slot;
        ~Unregister() { UnregisterFromCleanup(slot); }
    } unregister{lockSlot};
    tovfileio::TextWriter log;
    if (!log.OpenInPlace(logPath)) {
        // In the words the utility panel uses for its own batch log.
        const int error = log.Error();
        const std::wstring words = PluginRunner(io, "convert").ModuleText(IDS_BATCH_LOG_FAILED);
        return Report(io, Utf8(logPath), Utf8(words) + " (" + std::strerror(error) + ")");
    }
    CommandRun observer(io, command, warnings);
    observer.SetBatch(&log, std::min(command.sources.size(), kMaxGwmBatchFiles));
    std::uint64_t limit = 0;
    const GwmRunResult run = RunBatch(command, map, observer, limit, io);
    if (run.cancelled) {
        log.Write("Interrupted: " + std::to_string(observer.Converted()) + " of " +
                  std::to_string(run.taken) + " files converted.\n");
        io.Err("tovfileio convert: interrupted: " + std::to_string(observer.Converted()) + " of " +
               std::to_string(run.taken) + " files converted; see " + Utf8(logPath) + "\n");
    }
    const bool logged = log.Commit();
    if (!logged) Report(io, Utf8(logPath), "The log could not be written (" + std::string(std::strerror(log.Error())) + ")");
    Summarise(io, observer, run.taken);
    const bool all = !run.cancelled && observer.Converted() == run.taken;
    return all && logged ? kExitOk : kExitFailed;
}

int RunGwmSingle(const GwmCommand& command, const InputFile& input, const std::string& in,
                 const std::string& out, CommandContext& context) {
    const CommandIO& io = context.IO();
    MarkerNameMap map;
    if (!LoadMap(command, map, io)) return kExitFailed;
    OutputFile output;
    std::string error;
    if (!output.Resolve(out, in, input.ReadPath(), tovfileio::KindInfo(tovfileio::FileKind::kGwm).extension,
                        nullptr, error)) {
        if (command.outcome != nullptr) command.outcome->failed = true;
        return Report(io, output.Name(), error);
    }
    Warnings warnings(io);
    CommandRun observer(io, command, warnings);
    const std::wstring source = tovfileio::PathToWide(input.ReadPath());
    observer.Name(source, in);
    observer.SetTried(input.Tried());
    observer.SetTarget(tovfileio::PathToWide(output.WritePath()), output.Name());
    ConvertGWMSettings settings = command.settings;
    settings.Batch = false;
    settings.TRCName = false;
    const std::uint64_t inputBytes = FileBytes(input.ReadPath());
    const std::uint64_t limit = OutputLimit(inputBytes, command.maxOutput);
    GwmRunResult run;
    {
        FileSizeLimit sizeLimit(output.IsPlainFile() ? limit : 0);
        observer.SetOutputLimit(limit, &sizeLimit);
        Progress progress(io.err, inputBytes, ProcessBytesRead, "converting " + in);
        TrcToGwmConversion conversion;
        conversion.WriteOnAnotherThread(true);
        run = conversion.Run({source}, settings, map, RefusedSource::kSkip, observer);
    }
    if (command.outcome != nullptr) {
        command.outcome->findings = observer.Found().All();
        command.outcome->failed = observer.WriteFailed() || CouldNotRead(observer.Found().All());
    }
    if (observer.Converted() != 1) return kExitFailed;
    if (!output.Finish(io, error)) {
        if (command.outcome != nullptr) command.outcome->failed = true;
        return Report(io, output.Name(), "The file could not be put in place: " + error);
    }
    return kExitOk;
}

bool LoadMarkerNameMap(const std::string& mnm, MarkerNameMap& map, const CommandIO& io) {
    if (mnm.empty() || map.ReadMNMFile(tovfileio::PathToWide(mnm))) return true;
    const std::string reason = WhyNotReadable(mnm);
    Report(io, mnm, Utf8(tovfileio::kFileNotOpened) + " (" +
                        (reason.empty() ? std::string("not readable") : reason) + ")");
    return false;
}
