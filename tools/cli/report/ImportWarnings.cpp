#include "cli/report/ImportWarnings.h"

#include <algorithm>
#include <cstdio>

#include "brindle/host/scene/HostInterface.h"


using brindle::host::Scene;
using brindle::host::SceneNode;

namespace {

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

void ImportWarnings::Tell(const OperationReport& import, bool newScene) const {
    TellKeysOutsideRange();
    if (newScene) TellFrameRate(import.frameRate);
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

void ImportWarnings::TellFrameRate(std::int32_t fileRate) const {
    const int scene = Scene::Current().FrameRate();
    if (fileRate <= 0 || fileRate == scene) return;
    Warn("the file's " + std::to_string(fileRate) + " frames a second are keyed one a frame into " +
         "a new scene of " + std::to_string(scene) + " frames a second: the capture plays at " +
         Number(100.0 * scene / fileRate) + "% of its speed; --set-fps gives the scene the file's rate");
}

void ImportWarnings::Warn(const std::string& text) const {
    io_.Err("tovfileio " + command_ + ": warning: " + text + "\n");
}
