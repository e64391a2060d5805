// What a scene must keep to for the host's exports to make sense of it: a
// system unit of a sane size, times whose differences the host's tick
// arithmetic can hold, an animation range that runs forwards over no more
// frames than an export can walk, and finite numbers. Whatever reads a scene
// from outside (the scene document today) checks what it read against these
// rules before the scene is touched; each function gives the reason a value
// breaks its rule, in words, or an empty string.
#pragma once

#include <cstdint>
#include <string>

#include "brindle/sdk/Animation.h"

namespace brindle::host {

// A system unit is between a nanometre and a thousand kilometres, wider than
// any unit a scene is modelled in; beyond that, lengths turned into
// millimetres or metres soon leave the float range (a unit of 1e308 mm once
// gave a glTF file of infinities).
constexpr double kMinSystemUnitMm = 1e-6;
constexpr double kMaxSystemUnitMm = 1e9;

// Every time of a scene lies within 2^30 ticks (62 hours) of time 0, so that
// the difference of any two times is a tick count too (the glTF writer
// shifts keys by the earliest one, an export offsets frames).
constexpr TimeValue kMaxTickDistance = TimeValue{1} << 30;

// An animation range may hold this many frames whatever its keys (9 hours at
// 30 frames a second): an HTR export keeps 64 bytes a bone for each frame in
// memory and writes at least 65, so a million frames of a 60-bone skeleton
// take about 4 GB in memory and as much on disk, the most a scene should
// cost for a range alone. A range may hold more frames when one controller
// holds as many keys (an imported capture keys every frame): its export then
// costs in proportion to the document that holds the keys.
constexpr std::uint64_t kRangeFramesAllowed = 1000000;

// Why `millimetres` cannot be a system unit; empty when it can.
std::string SystemUnitProblem(double millimetres);

// Why `tick` cannot be a time of a scene; empty when it can.
std::string TickProblem(TimeValue tick);

// Why [start, end] cannot be the animation range of a scene of
// `ticksPerFrame` whose most keyed controller holds `mostKeys` keys; empty
// when it can.
std::string RangeProblem(TimeValue start, TimeValue end, int ticksPerFrame, std::uint64_t mostKeys);

// Why `value` cannot be held by a scene (it is infinite or not a number);
// empty when it can.
std::string NumberProblem(double value);

}  // namespace brindle::host
