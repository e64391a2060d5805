#include "cli/report/FileTake.h"

#include <algorithm>
#include <vector>

#include "tovfileio/text/TextCodec.h"
#include "cli/run/FreshImport.h"
#include "tovfileio/module/FilePaths.h"
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
        if (row_++ != wanted_) return true;
        for (std::size_t m = 0; m < row.size() && m < names_.size(); ++m) {
            if (!row[m].valid) unseen_.insert(names_[m]);
        }
        return true;
    }
    std::unordered_set<std::wstring> Unseen() { return std::move(unseen_); }

private:
    std::optional<int> frame_;
    std::int64_t wanted_ = -1;
    std::int64_t row_ = 0;
    std::vector<std::wstring> names_;
    std::unordered_set<std::wstring> unseen_;
};

}  // namespace

void ReadTake(const std::string& path, std::optional<int> frame, FileTake& take) {
    const std::wstring wide = tovfileio::PathToWide(path);
    if (FreshImportKind(path, {}) == tovfileio::FileKind::kTrc) {
        TRCFile file;
        UnseenAtFrame rows(frame);
        if (!file.Read(TrcFileFor(wide), {&take.findings, &rows}).empty()) return;
        take.first = file.GetStartFrame();
        take.frames = std::min<std::int64_t>(file.GetNumFrames(), file.GetNumRows());
        take.unseen = rows.Unseen();
    } else {
        HTRFile file;
        if (!file.Read(HtrFileFor(wide), &take.findings).empty()) return;
        take.first = file.GetFirstFrame();
        take.frames = std::min(file.GetNumFrames(), file.FramesHeld());
    }
    take.read = true;
}
