#include "cli/commands/BatchConversion.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

#include <sys/stat.h>

#include "cli/commands/BatchReport.h"
#include "cli/commands/BatchWorkers.h"
#include "cli/commands/GwmConversion.h"
#include "cli/files/InputFile.h"
#include "cli/files/InterruptCleanup.h"
#include "tovfileio/text/Phrases.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextWriter.h"

using tovfileio::FileKind;

const char kFormatBatchHelp[] =
    "With --batch --to FORMAT the files (HTR, TRC, C3D, BVH or GWM, mixed as\n"
    "you like) become OUTDIR/NAME.EXT, each as `convert FILE OUTDIR/NAME.EXT\n"
    "--to FORMAT` writes it, with the same options; two files of one NAME are\n"
    "refused before anything is written. Each file's messages, then a line\n"
    "saying how it went, come on standard error in the order given, whatever\n"
    "--jobs runs at once; a last line counts the files converted, refused (the\n"
    "reader refused the file, or FORMAT cannot hold it), failed (a file could\n"
    "not be read or written) and skipped. --report FILE.jsonl writes a JSON\n"
    "line a file: source, output, status, the reader's findings (code and\n"
    "text), bytes, output_bytes and seconds. Every file is converted again\n"
    "unless --resume is given: then a file whose output is there and not older\n"
    "than it is skipped. Ctrl-C stops the batch after the files being written\n"
    "(status 130); an output appears only when whole. The exit status is 0 when\n"
    "no file was refused or failed. --mnm, --offset, --offset-space or\n"
    "--no-filter with --to gwm make it the TRC to GWM batch above.";

namespace {

// The file's size, when it is there.
std::optional<std::uint64_t> SizeOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(status.st_size);
}

std::optional<std::pair<dev_t, ino_t>> IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return std::make_pair(status.st_dev, status.st_ino);
}

// An output a resumed batch keeps: a file that is not empty (a writer puts
// an output in place only when whole) and not older than its source.
bool UpToDate(const std::string& source, const std::string& output) {
    struct stat in {}, out {};
    if (::stat(source.c_str(), &in) != 0 || ::stat(output.c_str(), &out) != 0) return false;
    if (!S_ISREG(out.st_mode) || out.st_size == 0) return false;
    return std::make_pair(out.st_mtim.tv_sec, out.st_mtim.tv_nsec) >=
           std::make_pair(in.st_mtim.tv_sec, in.st_mtim.tv_nsec);
}

// What would make the batch overwrite what it must not: two sources of
// one output, a source replaced by an output, the report by an output or
// a source. Empty when nothing.
std::string Collision(const FormatBatch& batch, const std::vector<std::string>& outputs) {
    std::map<std::string, std::string> byOutput;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto [other, added] = byOutput.emplace(outputs[i], batch.sources[i]);
        if (!added) return other->second + " and " + batch.sources[i] + " would both become " + outputs[i];
    }
    std::map<std::pair<dev_t, ino_t>, std::string> existing;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (const auto identity = IdentityOf(outputs[i])) existing.emplace(*identity, outputs[i]);
    }
    const auto report = batch.report.empty() ? std::nullopt : IdentityOf(batch.report);
    for (const std::string& source : batch.sources) {
        const auto identity = IdentityOf(source);
        if (!identity) continue;
        if (identity == report) return source + " is the report, which the batch writes";
        if (const auto output = existing.find(*identity); output != existing.end()) {
            return source + " would be replaced by the output " + output->second;
        }
    }
    if (byOutput.count(batch.report) != 0 || (report && existing.count(*report) != 0)) {
        return "the report " + batch.report + " is one of the outputs";
    }
    return std::string();
}

// Converts one source in a worker, timed.
BatchFileReport ConvertSource(BatchFileReport report, const ConvertOneFile& convert,
                              const CommandIO& io) {
    const auto start = std::chrono::steady_clock::now();
    ConversionOutcome outcome;
    const int status = convert(report.source, report.output, io, outcome);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    report.seconds = std::round(took.count() * 1e6) / 1e6;
    report.status = status == kExitOk  ? BatchStatus::kConverted
                    : outcome.failed ? BatchStatus::kFailed
                                     : BatchStatus::kRefused;
    report.findings = std::move(outcome.findings);
    if (report.status == BatchStatus::kConverted) report.outputBytes = SizeOf(report.output);
    return report;
}

// What the batch says and reports of its sources, in their order.
class BatchShow {
public:
    BatchShow(const CommandIO& io, tovfileio::TextWriter* report) : io_(io), report_(report) {}

    void Show(const BatchWorkers::Done& done, const std::string& source, const std::string& output) {
        io_.Err(done.messages);
        switch (done.status) {
            case BatchStatus::kConverted: io_.Err(source + ": converted to " + output + "\n"); break;
            case BatchStatus::kSkipped: io_.Err(source + ": skipped, " + output + " is up to date\n"); break;
            default: io_.Err(source + ": " + BatchStatusWord(done.status) + ", " + output + " not written\n");
        }
        ++counts_[static_cast<int>(done.status)];
        if (report_ != nullptr) {
            report_->Write(done.reportLine);
            report_->Flush();
        }
    }
    std::size_t Count(BatchStatus status) const { return counts_[static_cast<int>(status)]; }

private:
    const CommandIO& io_;
    tovfileio::TextWriter* report_;
    std::size_t counts_[4] = {};
};

// "tovfileio convert: 5 of 8 files converted, 1 refused, 1 failed, 1 skipped".
std::string Summary(const BatchShow& show, std::size_t taken) {
    return "tovfileio convert: " + std::to_string(show.Count(BatchStatus::kConverted)) + " of " +
           tovfileio::Counted(taken, "file", "files") + " converted, " +
           std::to_string(show.Count(BatchStatus::kRefused)) + " refused, " +
           std::to_string(show.Count(BatchStatus::kFailed)) + " failed, " +
           std::to_string(show.Count(BatchStatus::kSkipped)) + " skipped\n";
}

// A source a resumed batch keeps as it is.
BatchWorkers::Done Skipped(std::size_t index, BatchFileReport report) {
    report.status = BatchStatus::kSkipped;
    report.outputBytes = SizeOf(report.output);
    return {index, report.status, BatchReportLine(report), std::string()};
}

// Starts the sources in order, as many at once as --jobs says, and shows
// each once those before it are shown; false when Ctrl-C stopped it.
bool ConvertAll(const FormatBatch& batch, const std::vector<std::string>& outputs,
                const ConvertOneFile& convert, BatchShow& show) {
    InterruptAsCancel cancel("\ntovfileio convert: stopping after the files being written\n");
    std::vector<std::optional<BatchWorkers::Done>> done(outputs.size());
    BatchWorkers workers(batch.jobs);
    std::size_t next = 0, shown = 0;
    while (shown < outputs.size()) {
        for (; next < outputs.size() && !workers.Full() && !InterruptAsCancel::Requested(); ++next) {
            BatchFileReport report;
            report.source = batch.sources[next];
            report.output = outputs[next];
            report.bytes = SizeOf(batch.sources[next]).value_or(0);
            if (batch.resume && UpToDate(batch.sources[next], outputs[next])) {
                done[next] = Skipped(next, report);
                continue;
            }
            workers.Start(
                next, [&convert, report](const CommandIO& io) { return ConvertSource(report, convert, io); },
                report);
        }
        if (!workers.Idle()) {
            BatchWorkers::Done finished = workers.WaitOne();
            done[finished.index] = std::move(finished);
        }
        for (; shown < outputs.size() && done[shown]; ++shown) {
            show.Show(*done[shown], batch.sources[shown], outputs[shown]);
        }
        if (workers.Idle() && shown == next && InterruptAsCancel::Requested()) break;
    }
    return shown == outputs.size();
}

}  // namespace

std::string BatchOutputPath(const std::string& folder, const std::string& source, FileKind kind) {
    std::string stem = BaseName(source);
    if (const std::size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
    return folder + (folder.back() == '/' ? "" : "/") + stem + tovfileio::KindInfo(kind).extension;
}

int RunFormatBatch(const FormatBatch& batch, const ConvertOneFile& convert, CommandContext& context) {
    const CommandIO& io = context.IO();
    std::vector<std::string> outputs;
    for (const std::string& source : batch.sources) {
        outputs.push_back(BatchOutputPath(batch.outputFolder, source, batch.to));
    }
    if (const std::string collision = Collision(batch, outputs); !collision.empty()) {
        return context.UsageError("convert", collision + "; nothing converted");
    }
    if (!OutputFolderReady(batch.outputFolder, io)) return kExitFailed;
    // Each line reaches the report as its source is done, so a batch that
    // is killed leaves the lines of the sources it did.
    tovfileio::TextWriter report;
    if (!batch.report.empty() && !report.OpenInPlace(tovfileio::PathToWide(batch.report))) {
        io.Err(batch.report + ": The report could not be written (" + std::strerror(report.Error()) + ")\n");
        return kExitFailed;
    }
    BatchShow show(io, batch.report.empty() ? nullptr : &report);
    const bool whole = ConvertAll(batch, outputs, convert, show);
    bool reported = true;
    if (!batch.report.empty() && !report.Commit()) {
        io.Err(batch.report + ": The report could not be written (" + std::strerror(report.Error()) + ")\n");
        reported = false;
    }
    const std::size_t done = show.Count(BatchStatus::kConverted) + show.Count(BatchStatus::kRefused) +
                             show.Count(BatchStatus::kFailed) + show.Count(BatchStatus::kSkipped);
    if (!whole) {
        io.Err("tovfileio convert: interrupted: " + std::to_string(done) + " of " +
               tovfileio::Counted(outputs.size(), "file", "files") + " done\n");
    }
    io.Err(Summary(show, outputs.size()));
    if (!whole) return kExitInterrupted;
    const bool all = show.Count(BatchStatus::kRefused) == 0 && show.Count(BatchStatus::kFailed) == 0;
    return all && reported ? kExitOk : kExitFailed;
}
