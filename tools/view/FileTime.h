// When a take file says its frames were captured. A TRC file writes the
// time of each frame beside its number; the player shows the time of the
// file's first frame as the file writes it and counts on at the frame rate
// from there. Other files write no time: their first frame is at 0 s.
#pragma once

#include <optional>
#include <string>

namespace tovview {

// The frame a file's first data row is, as its reader numbers it, and the
// time in seconds that row writes.
struct FirstRowTime {
    long long frame = 0;
    double seconds = 0;
};

// The first row's time of the TRC file at `path` (UTF-8); none when the
// file does not read or its first row writes no number as its time.
std::optional<FirstRowTime> TrcFirstRowTime(const std::string& path);

// The time in seconds of frame `frame` of a take of `frameRate` frames a
// second whose file writes `first` for its first row; 0 s at the first
// frame of a file that writes no time.
double FrameSeconds(const std::optional<FirstRowTime>& first, long long firstFrame, long long frame,
                    int frameRate);

}  // namespace tovview
