// tovfileio info: what a motion-capture file holds.
#include <memory>
#include <new>
#include <string>

#include "brindle/sdk/TextCodec.h"
#include "cli/Commands.h"
#include "cli/FileFormat.h"
#include "cli/HtrSummary.h"
#include "cli/TrcSummary.h"
#include "htr/HTRFile.h"
#include "trc/TRCFile.h"

namespace {

const char kInfoFooter[] =
    "For an HTR file: the header values, the number of segments, the hierarchy\n"
    "as an indented tree, the frames, the first frame and the duration (frames /\n"
    "frame rate, in seconds). For a TRC file: the header values, the data rows\n"
    "read against the header's frame count, the duration (rows / data rate) and\n"
    "every marker with its samples and dropouts.\n"
    "\n"
    "The format follows the extension (.htr, .trc, any letter case), else the\n"
    "content: a file starting with \"PathFileType\" is TRC. As when importing,\n"
    "\".htr\" is appended to an HTR path that does not end in it, and \".TRC\" to\n"
    "a TRC path without a three-letter extension.\n"
    "\n"
    "A file that cannot be read is reported as FILE: MESSAGE on standard error;\n"
    "the other files are still shown and the exit status is 1.";

struct InfoOptions {
    bool json = false;
    std::vector<std::string> files;
};

// Reads one file and writes its report; false when it could not be read.
bool ShowFile(const std::string& file, bool json, const CommandIO& io) {
    std::wstring message;
    if (DetectFileFormat(file) == FileFormat::Trc) {
        TRCFile trc;
        message = trc.Read(TextCodec::PathToWide(file));
        if (message.empty()) {
            io.Out(json ? TrcJson(file, trc) : DescribeTrc(file, trc));
            return true;
        }
    } else {
        HTRFile htr;
        message = htr.Read(TextCodec::PathToWide(file));
        if (message.empty()) {
            io.Out(json ? HtrJson(file, htr) : DescribeHtr(file, htr));
            return true;
        }
    }
    io.Err(file + ": " + TextCodec::EncodeUtf8(message) + "\n");
    return false;
}

int RunInfo(const InfoOptions& options, const CommandIO& io) {
    int status = kExitOk;
    for (const std::string& file : options.files) {
        if (!ShowFile(file, options.json, io)) status = kExitFailed;
        std::fflush(io.out);
    }
    return status;
}

}  // namespace

void AddInfoCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* command = context.AddCommand(app, "info", "show what each file holds",
                                           [options, &context] { return RunInfo(*options, context.IO()); });
    command->add_flag("--json", options->json, "one JSON object per file, one per line");
    command->add_option("FILE", options->files, "the files to read")->required();
    command->footer(kInfoFooter);
}
