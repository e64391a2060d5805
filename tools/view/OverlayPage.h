// A page that overlays several takes on one timeline: a skeleton and its
// markers, or two versions of one take. Each take is imported and evaluated
// in a scene of its own, one after another; the page then draws them
// together, each node knowing its take, and plays them frame by frame in
// step, by frame number or by time from each take's start.
#pragma once

#include <string>
#include <vector>

#include "view/PlayerPage.h"

namespace tovview {

enum class TakeAlignment {
    kFrame,  // equal frame numbers play together
    kTime,   // equal times from each take's first frame play together
};

// A take evaluated while its scene was current: its outline (whose scene
// nodes are not to be used after) and every node's position at every frame
// of the outline, frames x nodes x 3 floats.
struct EvaluatedTake {
    TakeOutline outline;
    std::string title;
    std::vector<float> positions;
};

// Every position of `outline`'s take, as the page writes them.
bool EvaluateTake(const TakeOutline& outline, std::vector<float>& positions, std::string& error);

// How `takes` play together unless asked otherwise: by frame number when
// their frame rates agree, else by time.
TakeAlignment DefaultAlignment(const std::vector<EvaluatedTake>& takes);

// The outline of the page of `takes`: their nodes one after another (each
// with its take, parents and links moved with it), their spans, and the
// page's frames at the first take's frame rate: by frame, from the lowest
// first frame to the highest last; by time, as long as the longest take.
TakeOutline MergeTakes(const std::vector<EvaluatedTake>& takes, TakeAlignment alignment);

// The frame of take `span` (counted from its first) that page frame `index`
// of `page` shows, or -1 when the take has none there.
long long TakeFrameAt(const TakeOutline& page, const TakeSpan& span, TakeAlignment alignment,
                      long long index);

// The page of `takes` overlaid, `merged` being MergeTakes' outline of them:
// a take with no frame at a page frame has its nodes there as dropouts.
bool OverlayPageHtml(const std::vector<EvaluatedTake>& takes, const TakeOutline& merged,
                     TakeAlignment alignment, const std::string& title, std::string& html,
                     std::string& error);

}  // namespace tovview
