// The small TRC take the GWM writer's tests convert.
#pragma once

namespace tovtest {

// Two markers over three rows, B missing in row 1; the header claims four
// frames from frame 7, so the fourth row has no samples at all.
inline constexpr char kTwoMarkerTrc[] =
    "PathFileType\t4\t(X/Y/Z)\tx.trc\n"
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\n"
    "100\t120\t4\t2\tmm\t100\t7\n"
    "Frame#\tTime\tA\t\t\tB\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n"
    "7\t0\t1\t2\t3\t4\t5\t6\n8\t0\t-1\t0\t0.5\t\t\t\n9\t0\t1e3\t2\t3\t4\t5\t6\n";

}  // namespace tovtest
