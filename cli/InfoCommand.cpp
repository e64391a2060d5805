// tovfileio info: what a motion-capture file holds.
#include <new>
#include <string>

#include "brindle/sdk/TextCodec.h"
#include "cli/CommandIO.h"
#include "cli/FileFormat.h"
#include "cli/HtrSummary.h"
#include "cli/TrcSummary.h"
#include "htr/HTRFile.h"
#include "trc/TRCFile.h"

namespace {

const char kInfoHelp[] =
    "Usage: tovfileio info [--json] FILE...\n"
    "\n"
    "Reads each FILE and shows what it holds. For an HTR file: the header\n"
    "values, the number of segments, the hierarchy as an indented tree, the\n"
    "frames, the first frame and the duration (frames / frame rate, in seconds).\n"
    "For a TRC file: the header values, the data rows read against the header's\n"
    "frame count, the duration (rows / data rate) and every marker with its\n"
    "samples and dropouts.\n"
    "\n"
    "The format follows the extension (.htr, .trc, any letter case), else the\n"
    "content: a file starting with \"PathFileType\" is TRC. As when importing,\n"
    "\".htr\" is appended to an HTR path that does not end in it, and \".TRC\" to\n"
    "a TRC path without a three-letter extension.\n"
    "\n"
    "Options:\n"
    "  --json      one JSON object per file, one per line\n"
    "  -h, --help  show this help\n"
    "\n"
    "A file that cannot be read is reported as FILE: MESSAGE on standard error;\n"
    "the other files are still shown and the exit status is 1.\n";

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

}  // namespace

int RunInfoCommand(const Arguments& args, const CommandIO& io) {
    bool json = false;
    bool optionsEnded = false;
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            io.Out(kInfoHelp);
            return kExitOk;
        } else if (!optionsEnded && arg == "--json") {
            json = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            io.Err("tovfileio info: unknown option '" + arg +
                   "'\nTry 'tovfileio info --help'.\n");
            return kExitUsage;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        io.Err("tovfileio info: no file given\nTry 'tovfileio info --help'.\n");
        return kExitUsage;
    }
    int status = kExitOk;
    for (const std::string& file : files) {
        if (!ShowFile(file, json, io)) status = kExitFailed;
        std::fflush(io.out);
    }
    return status;
}
