#include "view/OverlayPage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tovview {
namespace {

// A take's filled `runs`, numbered as the take numbers its frames, as the
// page numbers the frames that show them: the same by frame; by time, the
// page frames that show a frame of the run, and none when no page frame
// does (a take of a higher frame rate).
std::vector<FilledRun> FilledOnPage(const TakeOutline& page, const TakeSpan& span,
                                    TakeAlignment alignment, const std::vector<FilledRun>& runs) {
    if (alignment == TakeAlignment::kFrame) return runs;
    std::vector<FilledRun> onPage;
    for (const FilledRun& run : runs) {
        FilledRun shown{0, 0, run.method};
        bool anyShown = false;
        for (long long index = std::max(0LL, span.pageFirst); index <= span.pageLast; ++index) {
            const long long frame = span.firstFrame + TakeFrameAt(page, span, alignment, index);
            if (frame < run.first || frame > run.last) continue;
            if (!anyShown) shown.first = page.firstFrame + index;
            shown.last = page.firstFrame + index;
            anyShown = true;
        }
        if (anyShown) onPage.push_back(std::move(shown));
    }
    return onPage;
}

}  // namespace

bool EvaluateTake(const TakeOutline& outline, std::vector<float>& positions, std::string& error) {
    positions.clear();
    positions.reserve(static_cast<std::size_t>(outline.frameCount) * 3 * outline.nodes.size());
    std::vector<float> frame;
    for (long long f = 0; f < outline.frameCount; ++f) {
        if (!NodePositionsAt(outline, outline.firstFrame + f, frame, error)) return false;
        positions.insert(positions.end(), frame.begin(), frame.end());
    }
    return true;
}

TakeOutline MergeTakes(const std::vector<EvaluatedTake>& takes, TakeAlignment alignment) {
    TakeOutline page;
    if (takes.empty()) return page;
    const TakeOutline& lead = takes.front().outline;
    page.frameRate = lead.frameRate;
    page.ticksPerFrame = lead.ticksPerFrame;
    page.units = lead.units;
    page.firstFrame = lead.firstFrame;
    page.startSeconds = lead.startSeconds;
    page.byTime = alignment == TakeAlignment::kTime;
    long long last = lead.firstFrame + lead.frameCount - 1;
    for (std::size_t k = 0; k < takes.size(); ++k) {
        const TakeOutline& take = takes[k].outline;
        const int offset = static_cast<int>(page.nodes.size());
        for (TakeOutline::Node node : take.nodes) {
            node.node = nullptr;
            if (node.parent >= 0) node.parent += offset;
            node.take = static_cast<int>(k);
            page.nodes.push_back(std::move(node));
        }
        for (const auto& [a, b] : take.links) page.links.emplace_back(a + offset, b + offset);
        page.takes.push_back({takes[k].title, take.frameRate, take.firstFrame, take.frameCount});
        if (!take.note.empty()) page.note += (page.note.empty() ? "" : "; ") + takes[k].title + ": " + take.note;
        if (alignment == TakeAlignment::kFrame) {
            page.firstFrame = std::min(page.firstFrame, take.firstFrame);
            last = std::max(last, take.firstFrame + take.frameCount - 1);
        } else if (take.frameCount > 0 && take.frameRate > 0) {
            // The page frame at which this take's last frame plays.
            const auto end = static_cast<long long>(std::floor(
                static_cast<double>(take.frameCount - 1) * page.frameRate / take.frameRate));
            last = std::max(last, page.firstFrame + end);
        }
    }
    page.frameCount = last - page.firstFrame + 1;
    // The page keeps the first take's clock, from wherever its frames start.
    if (page.frameRate > 0) {
        page.startSeconds += static_cast<double>(page.firstFrame - lead.firstFrame) / page.frameRate;
    }
    // The page frames each take shows frames at: one run, as the take's
    // frames go up with the page's. The page tells a marker missing from
    // its take's frames from one whose take has no frame there by them.
    for (TakeSpan& span : page.takes) {
        for (long long index = 0; index < page.frameCount; ++index) {
            if (TakeFrameAt(page, span, alignment, index) < 0) continue;
            if (span.pageFirst < 0) span.pageFirst = index;
            span.pageLast = index;
        }
    }
    for (TakeOutline::Node& node : page.nodes) {
        if (!node.filled.empty()) node.filled = FilledOnPage(page, page.takes[node.take], alignment, node.filled);
    }
    return page;
}

TakeAlignment DefaultAlignment(const std::vector<EvaluatedTake>& takes) {
    const bool sameRate = std::all_of(takes.begin(), takes.end(), [&](const EvaluatedTake& take) {
        return take.outline.frameRate == takes.front().outline.frameRate;
    });
    return sameRate ? TakeAlignment::kFrame : TakeAlignment::kTime;
}

long long TakeFrameAt(const TakeOutline& page, const TakeSpan& span, TakeAlignment alignment,
                      long long index) {
    long long frame = -1;
    if (alignment == TakeAlignment::kFrame) {
        frame = page.firstFrame + index - span.firstFrame;
    } else if (page.frameRate > 0) {
        frame = std::llround(static_cast<double>(index) * span.frameRate / page.frameRate);
    }
    return frame >= 0 && frame < span.frameCount ? frame : -1;
}

bool OverlayPageHtml(const std::vector<EvaluatedTake>& takes, const TakeOutline& merged,
                     TakeAlignment alignment, const std::string& title, std::string& html,
                     std::string& error) {
    const auto frame = [&](long long index, std::vector<float>& xyz, std::string&) {
        xyz.clear();
        for (std::size_t k = 0; k < takes.size(); ++k) {
            const std::size_t floats = 3 * takes[k].outline.nodes.size();
            const long long at = TakeFrameAt(merged, merged.takes[k], alignment, index);
            if (at < 0) {
                xyz.insert(xyz.end(), floats, std::numeric_limits<float>::quiet_NaN());
                continue;
            }
            const float* first = takes[k].positions.data() + static_cast<std::size_t>(at) * floats;
            xyz.insert(xyz.end(), first, first + floats);
        }
        return true;
    };
    return PlayerPageHtml(merged, title, frame, html, error);
}

}  // namespace tovview
