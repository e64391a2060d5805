#include "cli/report/ImportWarnings.h"

#include <algorithm>
#include <cstdio>

#include "brindle/host/scene/HostInterface.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/module/FilePaths.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

using brindle::host::Scene;
using brindle::host::SceneNode;

namespace {

// Stops a TRC read once the header is read.
class HeaderOnly : public TRCRowSink {
public:
    bool Begin(const TRCFile&) override { return false; }
    bool Row(std::span<const TRCSample>) override { return false; }
};

// The frames a second the file's header gives; none when it cannot be read.
std::optional<int> FileFrameRate(const std::string& input, FileFormat format) {
    const std::wstring path = tovfileio::PathToWide(input);
    if (format == FileFormat::Trc) {
        TRCFile file;
        HeaderOnly stop;
        TRCReadOptions options;
        options.rows = &stop;
        if (!file.Read(TrcFileFor(path), options).empty()) return std::nullopt;
        return file.GetDataRate();
    }
    HTRFile file;
    if (!file.ReadHeader(HtrFileFor(path)).empty()) return std::nullopt;
    return file.GetDataFrameRate();
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

}  // namespace

ImportWarnings::ImportWarnings(const CommandIO& io, std::string command)
    : io_(io), command_(std::move(command)) {
    for (SceneNode* node : Scene::Current().Nodes()) before_.emplace(node, MarksOf(*node));
}

template <typename Track>
ImportWarnings::TrackMark ImportWarnings::MarkOf(const Track& track) {
    if (track.Empty()) return {};
    return {track.Size(), track[0].time, track[track.Size() - 1].time};
}

ImportWarnings::NodeMarks ImportWarnings::MarksOf(SceneNode& node) {
    auto& tm = node.Transform();
    return {MarkOf(tm.Position().Track()), MarkOf(tm.Rotation().Track()),
            MarkOf(tm.Scale().Track())};
}

std::optional<std::pair<TimeValue, TimeValue>> ImportWarnings::KeyedSpan() const {
    std::optional<std::pair<TimeValue, TimeValue>> span;
    for (SceneNode* node : Scene::Current().Nodes()) {
        const NodeMarks now = MarksOf(*node);
        const auto was = before_.find(node);
        if (was != before_.end() && was->second == now) continue;
        for (const TrackMark& mark : now) {
            if (mark.keys == 0) continue;
            if (!span) span.emplace(mark.first, mark.last);
            span->first = std::min(span->first, mark.first);
            span->second = std::max(span->second, mark.last);
        }
    }
    return span;
}

void ImportWarnings::Tell(const std::string& input, FileFormat format, bool newScene) const {
    TellKeysOutsideRange();
    if (newScene) TellFrameRate(input, format);
}

void ImportWarnings::TellKeysOutsideRange() const {
    const auto span = KeyedSpan();
    if (!span) return;
    const Interval range = brindle::host::HostInterface().GetAnimRange();
    if (span->first >= range.Start() && span->second <= range.End()) return;
    const TimeValue tpf = Scene::Current().TicksPerFrame();
    auto frame = [tpf](TimeValue t) { return std::to_string(t / tpf); };
    Warn("the import keyed frames " + frame(span->first) + " to " + frame(span->second) +
         " but the animation range is " + frame(range.Start()) + " to " + frame(range.End()) +
         ": frames outside it are not played, and export-htr --slider writes the range");
}

void ImportWarnings::TellFrameRate(const std::string& input, FileFormat format) const {
    const int scene = Scene::Current().FrameRate();
    const std::optional<int> file = FileFrameRate(input, format);
    if (!file || *file <= 0 || *file == scene) return;
    Warn("the file's " + std::to_string(*file) + " frames a second are keyed one a frame into " +
         "a new scene of " + std::to_string(scene) + " frames a second: the capture plays at " +
         Number(100.0 * scene / *file) + "% of its speed; --set-fps gives the scene the file's rate");
}

void ImportWarnings::Warn(const std::string& text) const {
    io_.Err("tovfileio " + command_ + ": warning: " + text + "\n");
}
