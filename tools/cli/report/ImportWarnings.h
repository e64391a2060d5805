// What an import leaves in a scene that a person would otherwise find only
// later, said as warnings after it succeeded: keys outside the animation
// range (an export over the range would write frames of nothing), and a new
// scene whose frame rate is not the file's (the capture plays too fast or
// too slow). The module's behaviour is not changed, only made visible.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <unordered_map>

#include "brindle/host/scene/Scene.h"
#include "cli/files/CommandIO.h"
#include "tovfileio/module/PluginReports.h"

class ImportWarnings {
public:
    // Notes what the keys of the current scene are before the import.
    ImportWarnings(const CommandIO& io, std::string command);

    // After a successful import into the current scene, of which the
    // importer's record says what the file held; `newScene` when no
    // document held the scene before.
    void Tell(const OperationReport& import, bool newScene) const;

private:
    struct TrackMark {
        std::size_t keys = 0;
        TimeValue first = 0, last = 0;
        bool operator==(const TrackMark&) const = default;
    };
    using NodeMarks = std::array<TrackMark, 3>;  // position, rotation, scale

    template <typename Track>
    static TrackMark MarkOf(const Track& track);
    static NodeMarks MarksOf(brindle::host::SceneNode& node);
    // The times of the first and last key of the nodes the import made or
    // keyed; none when it keyed nothing.
    std::optional<std::pair<TimeValue, TimeValue>> KeyedSpan() const;
    void TellKeysOutsideRange() const;
    void TellFrameRate(std::int32_t fileRate) const;
    void Warn(const std::string& text) const;

    const CommandIO& io_;
    std::string command_;
    std::unordered_map<const brindle::host::SceneNode*, NodeMarks> before_;
};
