#include "view/FileTime.h"

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovview {
namespace {

// Stops a TRC read where its rows begin: by then the reader knows the frame
// its first row is and the time that row writes.
class FirstFrameOnly : public tovfileio::TRCRowSink {
public:
    bool Begin(const tovfileio::TRCFile& file) override {
        if (file.RowNumberingStated()) time = FirstRowTime{file.GetStartFrame(), file.RowSeconds(0)};
        return false;
    }
    bool Row(const tovfileio::TRCRow&) override { return false; }

    std::optional<FirstRowTime> time;
};

}  // namespace

std::optional<FirstRowTime> TrcFirstRowTime(const std::string& path) {
    tovfileio::TRCFile file;
    FirstFrameOnly first;
    tovfileio::TRCReadOptions options;
    options.rows = &first;
    if (!file.Read(tovfileio::PathToWide(path), options).empty()) return std::nullopt;
    return first.time;
}

double FrameSeconds(const std::optional<FirstRowTime>& first, long long firstFrame, long long frame,
                    int frameRate) {
    const double rate = frameRate > 0 ? frameRate : 1;
    if (first) return first->seconds + static_cast<double>(frame - first->frame) / rate;
    return static_cast<double>(frame - firstFrame) / rate;
}

}  // namespace tovview
