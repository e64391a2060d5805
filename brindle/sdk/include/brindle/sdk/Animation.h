// The host's time, its animation modes and its units.
//
// Time is counted in ticks, 4800 a second; frame f lies at f x ticks per
// frame. Animate mode decides what setting a controller's value does: with it
// on a key is made (or replaced) at the time given, with it off the value is
// set without a key. Animate and set-key mode can be suspended and resumed;
// suspensions nest, and each resume restores what its suspend found.
#pragma once

#include <cstdint>

#include "brindle/sdk/BrindleWindows.h"

using TimeValue = std::int32_t;
constexpr TimeValue TIME_TICKSPERSEC = 4800;
constexpr TimeValue TIME_NegInfinity = INT32_MIN;
constexpr TimeValue TIME_PosInfinity = INT32_MAX;

// A span of time, both ends included.
class Interval {
public:
    constexpr Interval() = default;
    constexpr Interval(TimeValue start, TimeValue end) : start_(start), end_(end) {}
    constexpr TimeValue Start() const { return start_; }
    constexpr TimeValue End() const { return end_; }
    void Set(TimeValue start, TimeValue end) {
        start_ = start;
        end_ = end;
    }
    constexpr bool operator==(const Interval& o) const {
        return start_ == o.start_ && end_ == o.end_;
    }

private:
    TimeValue start_ = 0;
    TimeValue end_ = 0;
};

// Ticks per frame at the scene's frame rate.
int GetTicksPerFrame();
// Sets the scene's frame rate (frames a second); rates that do not divide a
// second into whole ticks of at least one are refused.
void SetFrameRate(int rate);
int GetFrameRate();

// Animate mode.
void AnimateOn();
void AnimateOff();
BOOL Animating();
void SuspendAnimate();
void ResumeAnimate();
// Set-key mode.
BOOL GetSetKeyMode();
void SuspendSetKeyMode();
void ResumeSetKeyMode();

// Unit types of GetMasterScale.
constexpr int UNITS_INCHES = 0;
constexpr int UNITS_FEET = 1;
constexpr int UNITS_MILES = 2;
constexpr int UNITS_MILLIMETERS = 3;
constexpr int UNITS_CENTIMETERS = 4;
constexpr int UNITS_METERS = 5;
constexpr int UNITS_KILOMETERS = 6;
// How many units of `type` one system unit is.
double GetMasterScale(int type);
