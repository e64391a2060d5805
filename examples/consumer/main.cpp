// Reads HTR and TRC files with the installed file libraries and prints what
// they hold: for an HTR file its segments, frames and rate, for a TRC file its
// markers and rows; where a file reads otherwise than it means, the reader's
// warnings in the library's words. Exit status 1 when a file cannot be read.
#include <cstdio>
#include <string>
#include <string_view>

#include <tovfileio/htr/HTRFile.h>
#include <tovfileio/text/FindingText.h>
#include <tovfileio/text/TextCodec.h>
#include <tovfileio/trc/TRCFile.h>

namespace {

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Prints each finding that shifts or misreads data as "PATH: warning: TEXT".
class Warnings : public tovfileio::ReadObserver {
public:
    explicit Warnings(const char* path) : path_(path) {}
    void Found(const tovfileio::ReadFinding& finding) override {
        if (!tovfileio::IsWarning(finding)) return;
        std::fprintf(stderr, "%s: warning: %s\n", path_, tovfileio::FindingText(finding).c_str());
    }

private:
    const char* path_;
};

bool Refused(const char* path, const std::wstring& message) {
    if (message.empty()) return false;
    std::fprintf(stderr, "%s: %s\n", path, tovfileio::EncodeUtf8(message).c_str());
    return true;
}

bool Show(const char* path) {
    Warnings warnings(path);
    if (EndsWith(path, ".trc") || EndsWith(path, ".TRC")) {
        tovfileio::TRCFile trc;
        tovfileio::TRCReadOptions options;
        options.findings = &warnings;
        if (Refused(path, trc.ReadFile(path, options))) return false;
        std::printf("%s: %u markers, %u rows at %d frames per second\n", path,
                    trc.GetNumMarkers(), trc.GetNumRows(), trc.GetDataRate());
        return true;
    }
    tovfileio::HTRFile htr;
    if (Refused(path, htr.ReadFile(path, &warnings))) return false;
    const tovfileio::HTRSegment* root = htr.RootSegment();
    std::printf("%s: %u segments (root %s), %u frames at %d frames per second\n", path,
                htr.SegmentCount(), root != nullptr ? tovfileio::EncodeUtf8(root->Name()).c_str() : "none",
                htr.GetNumFrames(), htr.GetDataFrameRate());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: htr_summary FILE.htr|FILE.trc...\n");
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        if (!Show(argv[i])) status = 1;
    }
    return status;
}
