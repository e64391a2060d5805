// Reads motion-capture files with the installed file libraries and prints
// what they hold: for a skeleton (HTR, BVH) its segments, frames and rate,
// for a marker take (TRC, C3D, GWM) its markers and rows. The kind of each
// file is told by the libraries' table of formats, and its reader chosen by
// them; where a file reads otherwise than it means, the reader's warnings
// are said in the library's words. Exit status 1 when a file cannot be read.
#include <cstdio>
#include <string>

#include <tovfileio/convert/Takes.h>
#include <tovfileio/text/FileKinds.h>
#include <tovfileio/text/FindingText.h>
#include <tovfileio/text/TextCodec.h>

namespace {

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

bool ShowMarkers(const char* path, tovfileio::FileKind kind, Warnings& warnings) {
    tovfileio::TRCFile take;
    tovfileio::MarkerReadOptions options;
    options.findings = &warnings;
    if (Refused(path, tovfileio::ReadMarkers(path, kind, take, options))) return false;
    std::printf("%s: %s, %u markers, %u rows at %d frames per second\n", path,
                tovfileio::KindInfo(kind).name, take.GetNumMarkers(), take.GetNumRows(),
                take.GetDataRate());
    return true;
}

bool ShowSkeleton(const char* path, tovfileio::FileKind kind, Warnings& warnings) {
    tovfileio::HTRFile skeleton;
    if (Refused(path, tovfileio::ReadSkeleton(path, kind, skeleton, &warnings))) return false;
    const tovfileio::HTRSegment* root = skeleton.RootSegment();
    std::printf("%s: %s, %u segments (root %s), %u frames at %d frames per second\n", path,
                tovfileio::KindInfo(kind).name, skeleton.SegmentCount(),
                root != nullptr ? tovfileio::EncodeUtf8(root->Name()).c_str() : "none",
                skeleton.FramesHeld(), skeleton.GetDataFrameRate());
    return true;
}

bool Show(const char* path) {
    const tovfileio::FileKind kind = tovfileio::KindOfTake(path);
    Warnings warnings(path);
    if (tovfileio::HoldsMarkers(kind)) return ShowMarkers(path, kind, warnings);
    if (tovfileio::HoldsSkeleton(kind)) return ShowSkeleton(path, kind, warnings);
    std::fprintf(stderr, "%s: neither its name nor its first bytes tell a take (%s)\n", path,
                 tovfileio::TakeKindNames().c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: take_summary FILE...\n");
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) status = Show(argv[i]) ? status : 1;
    return status;
}
