#include "cli/report/ImportWarnings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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
    for (SceneNode* node : Scene::Current().Nodes()) {
        const SeenKeys keys = KeysOf(*node);
        before_.emplace(node, HeldKeys{brindle::host::KeyBlock(keys.position),
                                       brindle::host::KeyBlock(keys.rotation),
                                       brindle::host::KeyBlock(keys.scale)});
    }
}

ImportWarnings::SeenKeys ImportWarnings::KeysOf(SceneNode& node) {
    // Read through the const tracks: reading tells no controller of a change.
    const auto& tm = std::as_const(node).Transform();
    return {tm.Position().Track().Keys(), tm.Rotation().Track().Keys(), tm.Scale().Track().Keys()};
}

namespace {

using Span = std::pair<TimeValue, TimeValue>;

void Widen(std::optional<Span>& span, TimeValue first, TimeValue last) {
    if (!span) span.emplace(first, last);
    span->first = std::min(span->first, first);
    span->second = std::max(span->second, last);
}

template <typename Value>
bool SameTimes(std::span<const brindle::host::Key<Value>> a,
               std::span<const brindle::host::Key<Value>> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const auto& x, const auto& y) { return x.time == y.time; });
}

// The span of all of `keys`.
template <typename Value>
void WidenByAll(std::optional<Span>& span, std::span<const brindle::host::Key<Value>> keys) {
    if (!keys.empty()) Widen(span, keys.front().time, keys.back().time);
}

// The span of the keys of `now` whose value differs from `before`'s, key
// by key (both hold keys at the same times).
template <typename Value>
void WidenByChanged(std::optional<Span>& span, std::span<const brindle::host::Key<Value>> before,
                    std::span<const brindle::host::Key<Value>> now) {
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (std::memcmp(&before[i].value, &now[i].value, sizeof(Value)) != 0) {
            Widen(span, now[i].time, now[i].time);
        }
    }
}

}  // namespace

std::optional<ImportWarnings::Span> ImportWarnings::KeyedSpan() const {
    std::optional<Span> span;
    for (SceneNode* node : Scene::Current().Nodes()) {
        const SeenKeys now = KeysOf(*node);
        const auto held = before_.find(node);
        if (held != before_.end()) {
            const SeenKeys was{held->second.position, held->second.rotation, held->second.scale};
            if (SameTimes(was.position, now.position) && SameTimes(was.rotation, now.rotation) &&
                SameTimes(was.scale, now.scale)) {
                WidenByChanged(span, was.position, now.position);
                WidenByChanged(span, was.rotation, now.rotation);
                WidenByChanged(span, was.scale, now.scale);
                continue;
            }
        }
        WidenByAll(span, now.position);
        WidenByAll(span, now.rotation);
        WidenByAll(span, now.scale);
    }
    return span;
}

void ImportWarnings::Tell(const OperationReport& import, bool newScene,
                          const std::optional<Frames>& keyedInPlace) const {
    TellKeysOutsideRange(keyedInPlace);
    if (newScene) TellFrameRate(import.frameRate);
}

void ImportWarnings::TellKeysOutsideRange(const std::optional<Frames>& keyedInPlace) const {
    const TimeValue tpf = Scene::Current().TicksPerFrame();
    auto span = KeyedSpan();
    if (keyedInPlace) Widen(span, keyedInPlace->first * tpf, keyedInPlace->second * tpf);
    if (!span) return;
    const Interval range = brindle::host::HostInterface().GetAnimRange();
    if (span->first >= range.Start() && span->second <= range.End()) return;
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
