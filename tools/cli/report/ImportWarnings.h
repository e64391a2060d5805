// What an import leaves in a scene that a person would otherwise find only
// later, said as warnings after it succeeded: keys outside the animation
// range the import set (an export over the range would write frames of
// nothing; in apply mode too, where keys are set over existing ones), and a new
// scene whose frame rate is not the file's (the capture plays too fast or
// too slow). The module's behaviour is not changed, only made visible.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "brindle/host/scene/Scene.h"
#include "cli/files/CommandIO.h"
#include "tovfileio/module/PluginReports.h"

class ImportWarnings {
public:
    // Notes what the keys of the current scene are before the import.
    ImportWarnings(const CommandIO& io, std::string command);

    // Frames FROM to TO of the scene.
    using Frames = std::pair<int, int>;

    // After a successful import into the current scene, of which the
    // importer's record says what the file held; `newScene` when no
    // document held the scene before; `keyedInPlace`: the frames an apply
    // keyed over existing keys, which may hold the values they had.
    void Tell(const OperationReport& import, bool newScene,
              const std::optional<Frames>& keyedInPlace = std::nullopt) const;

private:
    using Span = std::pair<TimeValue, TimeValue>;
    // A node's keys, position, rotation and scale: held, as they were
    // before the import, or seen in place.
    template <template <typename> class Keys>
    struct NodeKeys {
        Keys<brindle::host::Key<Point3>> position;
        Keys<brindle::host::Key<Quat>> rotation;
        Keys<brindle::host::Key<Point3>> scale;
    };
    template <typename Key>
    using ConstSpan = std::span<const Key>;
    using HeldKeys = NodeKeys<brindle::host::KeyBlock>;
    using SeenKeys = NodeKeys<ConstSpan>;

    static SeenKeys KeysOf(brindle::host::SceneNode& node);
    // The times of the first and last key of the nodes the import made or
    // keyed; none when it keyed nothing. A node whose keys changed in
    // number or span counts whole; one whose keys kept their times (an
    // apply over frames it had) counts the keys whose values changed.
    std::optional<Span> KeyedSpan() const;
    void TellKeysOutsideRange(const std::optional<Frames>& keyedInPlace) const;
    void TellFrameRate(std::int32_t fileRate) const;
    void Warn(const std::string& text) const;

    const CommandIO& io_;
    std::string command_;
    std::unordered_map<const brindle::host::SceneNode*, HeldKeys> before_;
};
