// The standard markers of the Gaitwork add-on in the order the MNM creator
// asks for them: 43 steps, two of which (the wrists) pick two markers each.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Whether a wrist's markers, as the scene's names give them, say it has a
// stick: true when the stick pair of `step` (kLeftWristStep or
// kRightWristStep) is all there, false when the plain pair is and the
// stick pair is not; none when the names do not tell.
using HasMarkerNode = std::function<bool(const wchar_t* code)>;
std::optional<bool> WristStickByNames(int step, const HasMarkerNode& hasNode);
// The markers the walk cannot pass (its mandatory steps, each wrist's pair
// as `leftStick` and `rightStick` choose) that `hasNode` finds no node
// for, in the walk's order.
std::vector<std::wstring> MandatoryMarkersWithoutNode(bool leftStick, bool rightStick,
                                                      const HasMarkerNode& hasNode);
// Whether `hasNode` finds a node for any marker of the walk, a wrist's
// stick pair included: whether the scene names its nodes as the walk does.
bool AnyMarkerHasNode(const HasMarkerNode& hasNode);
