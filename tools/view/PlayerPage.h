// A scene as one self-contained HTML page that plays its animation: bones
// drawn as lines from joint to joint, markers as dots, under a camera the
// viewer orbits, with play and pause and a time slider. The page's markup,
// style and script are the files of view/page/, built into the program; the
// take (names, parents and the world position of every drawn node at every
// frame of the animation range) goes into the page as JSON, the positions as
// base64 of little-endian 32-bit floats.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "brindle/host/scene/Scene.h"
#include "view/NodeSide.h"
#include "view/PagePlates.h"

namespace tovview {

// Two of the page's nodes joined by a line: indices into TakeOutline::nodes.
using TakeLink = std::pair<int, int>;

// One take of a page that overlays several: its file's name, frame rate
// and frames, and the page frames (counted from 0) that show one of them,
// from `pageFirst` to `pageLast` (-1 and -2 when none do).
struct TakeSpan {
    std::string title;  // UTF-8
    int frameRate = 30;
    long long firstFrame = 0;
    long long frameCount = 0;
    long long pageFirst = -1;
    long long pageLast = -2;
};

// Frames `first` to `last` of a marker, numbered as the page numbers them,
// whose positions a gap fill gave, by `method` ("rigid", "spline").
struct FilledRun {
    long long first = 0;
    long long last = 0;
    std::string method;

    bool operator==(const FilledRun&) const = default;
};

// What the page draws: the scene's bones and markers (spheres and point
// helpers) in hierarchy order, parents before children, and the frames of
// the animation range (the scene's current frame alone when it has none).
struct TakeOutline {
    struct Node {
        brindle::host::SceneNode* node = nullptr;
        std::string name;  // UTF-8
        int parent = -1;   // index of the bone a bone is drawn from, or -1
        bool marker = false;
        int take = 0;  // index into `takes` on a page of several
        Side side = Side::kNone;  // the side its name says, drawn in that side's colour
        // A marker's filled frames, drawn as rings; a page with none anywhere
        // is the page as it always was.
        std::vector<FilledRun> filled;
    };
    std::vector<Node> nodes;
    long long firstFrame = 0;
    long long frameCount = 0;
    int ticksPerFrame = 1;
    int frameRate = 30;
    // The time in seconds of the first frame, as the file gives it (see
    // FileTime.h); the page counts on from it at the frame rate.
    double startSeconds = 0;
    std::string units;  // the scene's system unit: "mm", "cm", or "2.5 mm"
    // A line under the page's facts, UTF-8 ("frames 1-250 hold no marker;
    // starts at 251"); a page without one is the page as it always was.
    std::string note;
    // Lines drawn between markers (see MarkerLinks.h); none by default.
    std::vector<TakeLink> links;
    // The takes of a page that overlays several (OverlayPage.h); empty for
    // a page of one. They play together by time from each one's start when
    // `byTime`, else by frame number.
    std::vector<TakeSpan> takes;
    bool byTime = false;
    // The force platforms drawn under the take; a page with none is the
    // page as it always was.
    PagePlates plates;
};

// Whether some node of `outline` has filled frames.
bool HasFilledFrames(const TakeOutline& outline);

// Whether `outline` draws force platforms.
bool HasForces(const TakeOutline& outline);

// The nodes and frames of `scene`'s take. False, with `error` saying so,
// when the scene holds nothing to draw.
bool OutlineTake(brindle::host::Scene& scene, TakeOutline& outline, std::string& error);

// The bytes the page of `outline` takes, from the nodes and frames alone,
// before anything is evaluated: so that a command can refuse a page out of
// proportion to its input before it builds it.
std::uint64_t PlayerPageBytes(const TakeOutline& outline, const std::string& title);

// The world position of every node of `outline` at frame `number`, three
// floats a node in `xyz`, NaN for a marker not seen there (see below).
// False, with `error` naming the node and frame, when a position is not a
// finite number or does not fit a 32-bit float.
bool NodePositionsAt(const TakeOutline& outline, long long number, std::vector<float>& xyz,
                     std::string& error);

// The page of `outline` (whose nodes are evaluated in their scene) in `html`, `title` (the file
// shown, as the user named it) as its caption. False, with `error` naming the node and frame, when
// a position is not a finite number or does not fit a 32-bit float: the page would draw nothing
// sensible, so nothing is made.
//
// A marker whose position relative to its parent is the origin exactly at
// a frame is a dropout there, as the TRC importer keys one, and is not
// drawn at that frame; its position is held as NaN.
bool PlayerPageHtml(const TakeOutline& outline, const std::string& title, std::string& html,
                    std::string& error);

// The positions of page frame `index` (counted from 0), three floats a node
// of the outline in `xyz`; false, with `error` said, when they cannot be.
using FramePositions =
    std::function<bool(long long index, std::vector<float>& xyz, std::string& error)>;

// The page of `outline` with its positions from `positions` rather than
// evaluated in a scene.
bool PlayerPageHtml(const TakeOutline& outline, const std::string& title,
                    const FramePositions& positions, std::string& html, std::string& error);

}  // namespace tovview
