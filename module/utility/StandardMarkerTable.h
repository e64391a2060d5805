// The standard markers of the Gaitwork add-on in the order the MNM creator
// asks for them: 43 steps, two of which (the wrists) pick two markers each.
#pragma once

#include <string_view>

constexpr int kMarkerSteps = 43;

struct MarkerStep {
    const wchar_t* code;
    const wchar_t* description;
    // The wrist steps: the second marker, and the pair used with a wrist
    // stick instead (null for every other step).
    const wchar_t* secondCode = nullptr;
    const wchar_t* secondDescription = nullptr;
    const wchar_t* stickCode = nullptr;
    const wchar_t* stickDescription = nullptr;
    const wchar_t* stickSecondCode = nullptr;
    const wchar_t* stickSecondDescription = nullptr;
};

// Step `step` (0 to 42).
const MarkerStep& StandardMarkerStep(int step);
// Whether step `step` may be skipped.
bool IsOptionalMarkerStep(int step);
// The step that picks the left wrist markers, and the right.
constexpr int kLeftWristStep = 10;
constexpr int kRightWristStep = 15;
