#include "cli/ConvertBatch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "brindle/sdk/TextCodec.h"
#include "cli/FileChecks.h"
#include "cli/FileFormat.h"
#include "cli/FileSizeLimit.h"
#include "cli/InterruptCleanup.h"
#include "cli/ModuleConversion.h"
#include "cli/ReadLimits.h"
#include "utility/GWMWriter.h"
#include "utility/MarkerNameMap.h"

namespace {

int Report(const CommandIO& io, const std::string& file, const std::string& message) {
    io.Err(file + ": " + message + "\n");
    return kExitFailed;
}

// The output folder must be a folder we may write in: the module would
// only say that it cannot open its log.
bool OutputFolderUsable(const std::string& folder, std::string& problem) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        problem = "The folder could not be opened (" + std::string(std::strerror(errno)) + ")";
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        problem = "is not a folder; --batch writes its files into the folder -o names";
        return false;
    }
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        problem = "The folder could not be written in (" + std::string(std::strerror(errno)) + ")";
        return false;
    }
    return true;
}

std::string GwmPathFor(const std::string& folder, const std::string& source) {
    return folder + "/" + TextCodec::EncodeUtf8(GWMBaseName(TextCodec::PathToWide(source))) +
           ".gwm";
}

}  // namespace

int RunBatchConversion(const BatchConversion& batch, CommandContext& context) {
    const CommandIO& io = context.IO();
    if (batch.outputFolder.empty()) {
        return context.UsageError("convert", "--batch needs -o OUTDIR, the folder to write into");
    }
    for (const std::string& source : batch.sources) {
        if (source == "-") {
            return context.UsageError("convert",
                                      "standard input (-) cannot be a file of a batch");
        }
    }
    std::string problem;
    if (!OutputFolderUsable(batch.outputFolder, problem)) {
        return Report(io, batch.outputFolder, problem);
    }
    if (!batch.mnm.empty() && !MarkerNameMap().ReadMNMFile(TextCodec::PathToWide(batch.mnm))) {
        // The module stops without a word when the map does not open.
        const std::string reason = WhyNotReadable(batch.mnm);
        return Report(io, batch.mnm, "The file could not be opened (" +
                                         (reason.empty() ? std::string("not readable") : reason) +
                                         ")");
    }
    Warnings warnings(io);
    if (batch.sources.size() > kMaxBatchSources) {
        warnings.Add(batch.sources[kMaxBatchSources],
                     "a batch takes at most " + std::to_string(kMaxBatchSources) +
                         " files; this one and the " +
                         std::to_string(batch.sources.size() - kMaxBatchSources - 1) +
                         " after it are not converted");
    }

    ModuleConversion run;
    run.sources = batch.sources;
    run.outputFolder = batch.outputFolder;
    if (!batch.mnm.empty()) run.mnm = batch.mnm;
    run.settings = batch.settings;
    run.settings.Batch = true;
    run.interruptCancels = true;
    // Every GWM file is held to the limit of the largest source.
    std::uint64_t largest = 0;
    const std::size_t taken = std::min(batch.sources.size(), kMaxBatchSources);
    for (std::size_t i = 0; i < taken; ++i) largest = std::max(largest, FileBytes(batch.sources[i]));
    const std::uint64_t limit = OutputLimit(largest, batch.maxOutput);

    ModuleConversionResult result;
    bool tooLarge = false;
    {
        InterruptAsCancel cancel("\ntovfileio convert: stopping after the file being written\n");
        FileSizeLimit sizeLimit(limit);
        result = RunModuleConversion(run, io, "convert");
        tooLarge = sizeLimit.Reached();
    }
    const std::string log = batch.outputFolder + "/ConvertGWMLog.txt";
    if (result.logMessages > 0) {
        warnings.Add(log, Counted(result.logMessages, "reader message", "reader messages") +
                              " about the sources (their files were written from what was read)");
    }
    if (result.converted) return kExitOk;
    if (result.cancelled) {
        io.Err("tovfileio convert: interrupted: " + std::to_string(result.written) + " of " +
               std::to_string(result.taken) + " files converted; see " + log + "\n");
        return kExitFailed;
    }
    if (result.ran && result.written < result.taken && !result.reported) {
        const std::string& source = batch.sources[result.written];
        const std::string target = GwmPathFor(batch.outputFolder, source);
        const std::string why =
            tooLarge ? OutputTooLarge(limit, 0)
                     : "The file could not be written" +
                           (result.writeError != 0
                                ? " (" + std::string(std::strerror(result.writeError)) + ")"
                                : std::string());
        Report(io, target, why + "; the batch stopped at " + source + " (" +
                               std::to_string(result.written) + " of " +
                               std::to_string(result.taken) + " files converted)");
    }
    return kExitFailed;
}
