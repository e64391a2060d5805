#include "cli/run/FileTake.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "tovfileio/text/TextCodec.h"
#include "cli/files/InputFile.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

// Keeps, of the rows of a TRC file, only which markers were not seen in the
// row of one frame: by default the first.
class UnseenAtFrame : public TRCRowSink {
public:
    explicit UnseenAtFrame(std::optional<int> frame) : frame_(frame) {}

    bool Begin(const TRCFile& file) override {
        wanted_ = std::int64_t(frame_.value_or(file.GetStartFrame())) - file.GetStartFrame();
        for (std::uint32_t m = 0; m < file.GetNumMarkers(); ++m) {
            names_.push_back(file.GetMarker(m)->GetName());
        }
        return true;
    }
    bool Row(const TRCRow& row) override {
        if (row_++ == wanted_) unseen_ = UnseenIn(row);
        return true;
    }
    std::unordered_set<std::wstring> Unseen() { return std::move(unseen_); }
    // The markers not seen in `row`, whichever row it is.
    std::unordered_set<std::wstring> UnseenIn(const TRCRow& row) const {
        std::unordered_set<std::wstring> unseen;
        for (std::size_t m = 0; m < row.size() && m < names_.size(); ++m) {
            if (!row[m].valid) unseen.insert(names_[m]);
        }
        return unseen;
    }

private:
    std::optional<int> frame_;
    std::int64_t wanted_ = -1;
    std::int64_t row_ = 0;
    std::vector<std::wstring> names_;
    std::unordered_set<std::wstring> unseen_;
};

// The rows of a TRC file to both the frame's unseen markers and the search
// for how the take stands, keeping the markers unseen where it starts.
class SurveyRows : public TRCRowSink {
public:
    explicit SurveyRows(std::optional<int> frame) : unseen_(frame) {}

    bool Begin(const TRCFile& file) override {
        return unseen_.Begin(file) && standing_.Begin(file);
    }
    bool Row(const TRCRow& row) override {
        const bool started = standing_.Started();
        if (!unseen_.Row(row) || !standing_.Row(row)) return false;
        if (!started && standing_.Started()) unseenAtStart_ = unseen_.UnseenIn(row);
        return true;
    }

    UnseenAtFrame& Unseen() { return unseen_; }
    Standing Result() const { return standing_.Result(); }
    std::unordered_set<std::wstring> UnseenAtStart() { return std::move(unseenAtStart_); }

private:
    UnseenAtFrame unseen_;
    StandingFinder standing_;
    std::unordered_set<std::wstring> unseenAtStart_;
};

// Whether `path` is an existing TRC file, which the importer, ReadTake and
// the search for how a take stands all read as it is.
bool ExistingTrc(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           InputNamed(path).kind == tovfileio::FileKind::kTrc;
}

// The frames of a take shown: those its header gives, as far as the file
// holds them.
std::int64_t ShownFrames(std::int64_t header, std::int64_t held) { return std::min(header, held); }

}  // namespace

SurveyedTake SurveyTake(const std::string& path, std::optional<int> frame) {
    SurveyedTake survey;
    if (!ExistingTrc(path)) return survey;
    survey.surveyed = true;
    TRCFile file;
    SurveyRows rows(frame);
    tovfileio::TRCReadOptions read{&survey.take.findings, &rows};
    read.nanIsDropout = true;
    if (!file.Read(tovfileio::PathToWide(path), read).empty()) return survey;
    survey.take.first = file.GetStartFrame();
    survey.take.frames = ShownFrames(file.GetNumFrames(), file.GetNumRows());
    survey.take.unseen = rows.Unseen().Unseen();
    survey.take.read = true;
    survey.standing = rows.Result();
    const auto* nan = survey.take.findings.Find(tovfileio::ReadFindingCode::kTrcNanDropouts);
    if (nan != nullptr && survey.standing) survey.standing->nanSamples = nan->count;
    survey.unseenAtStart = rows.UnseenAtStart();
    return survey;
}

void ReadTake(const std::string& path, tovfileio::FileKind kind, std::optional<int> frame,
              FileTake& take) {
    const std::wstring wide = tovfileio::PathToWide(path);
    if (kind == tovfileio::FileKind::kTrc) {
        TRCFile file;
        UnseenAtFrame rows(frame);
        if (!file.Read(wide, {&take.findings, &rows}).empty()) return;
        take.first = file.GetStartFrame();
        take.frames = ShownFrames(file.GetNumFrames(), file.GetNumRows());
        take.unseen = rows.Unseen();
    } else {
        HTRFile file;
        if (!file.Read(wide, &take.findings).empty()) return;
        take.first = file.GetFirstFrame();
        take.frames = ShownFrames(file.GetNumFrames(), file.FramesHeld());
    }
    take.read = true;
}

bool MakeShownTake(const std::string& name, std::optional<int> frame, UpChoice up,
                   const CommandIO& io, ImportableCopy& importable, SurveyedTake& shown,
                   std::string& error) {
    shown = SurveyTake(name, frame);
    if (!importable.Make(name, io, error, up, shown.surveyed ? &shown.standing : nullptr)) {
        return false;
    }
    // A copy made on the way (a take turned upright) is what is imported.
    if (!shown.surveyed || importable.Path() != name) {
        shown = SurveyedTake();
        ReadTake(importable.Path(), importable.Kind(), frame, shown.take);
    }
    // The copy, read again, no longer tells what the file's own reader
    // found in it on the way: those are the take's findings.
    if (importable.Copied()) shown.take.findings = importable.ReadFindings();
    return true;
}

std::unordered_set<std::wstring> UnseenAtStart(SurveyedTake& shown, const ImportableCopy& importable,
                                               int frame) {
    if (shown.surveyed) return std::move(shown.unseenAtStart);
    FileTake seen;
    ReadTake(importable.Path(), importable.Kind(), frame, seen);
    return std::move(seen.unseen);
}
