#include "view/MarkerLinks.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <unordered_map>

#include "tovfileio/text/TextCodec.h"

namespace tovview {
namespace {

// The standard marker set's links, each side's written once with its left
// codes: a code starting with 'L' stands for its right twin too.
struct CodeLink {
    const char* a;
    const char* b;
    bool sided;
};
constexpr CodeLink kStandardLinks[] = {
    {"LFHD", "RFHD", false}, {"LBHD", "RBHD", false},  {"LFHD", "LBHD", true},
    {"C7", "T10", false},    {"C7", "CLAV", false},    {"CLAV", "STRN", false},
    {"T10", "SACR", false},  {"C7", "LSHO", true},     {"CLAV", "LSHO", true},
    {"LSHO", "LELB", true},  {"LELB", "LILB", true},   {"LELB", "LWRA", true},
    {"LELB", "LWRB", true},  {"LWRA", "LWRB", true},   {"LWRA", "LFIN", true},
    {"LWRB", "LFIN", true},  {"LWRI", "LWRE", true},   {"LELB", "LWRI", true},
    {"LFWT", "RFWT", false}, {"LBWT", "RBWT", false},  {"LFWT", "LBWT", true},
    {"SACR", "LBWT", true},  {"LFWT", "LKNE", true},   {"LKNE", "LKNI", true},
    {"LKNE", "LANK", true},  {"LANK", "LHEL", true},   {"LANK", "LMT5", true},
    {"LHEL", "LMT5", true},  {"LMT5", "LTOE", true},   {"LHEL", "LMTI", true},
    {"LMTI", "LTOE", true},  {"LPRPB", "LPRPM", true}, {"LPRPM", "LPRPT", true},
};

std::string RightTwin(const char* code) {
    return "R" + std::string(code + 1);
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A line's two names: split at its first tab, or at white space.
bool SplitLink(const std::string& line, NamedLink& link) {
    const std::size_t tab = line.find('\t');
    std::string a, b;
    if (tab != std::string::npos) {
        a = Trimmed(line.substr(0, tab));
        b = Trimmed(line.substr(tab + 1));
    } else {
        const std::size_t gap = line.find(' ');
        if (gap == std::string::npos)
            return false;
        a = Trimmed(line.substr(0, gap));
        b = Trimmed(line.substr(gap + 1));
        if (b.find(' ') != std::string::npos)
            return false;
    }
    if (a.empty() || b.empty() || b.find('\t') != std::string::npos)
        return false;
    link = {a, b};
    return true;
}

// A marker is linked to those of its three nearest neighbours whose
// distance from it stays within 5% of its mean: markers on one segment do,
// markers on two segments a joint turns do not.
constexpr std::size_t kNearest = 3;
constexpr double kTolerance = 0.05;
constexpr std::size_t kSampleFrames = 120;
constexpr std::size_t kMostInferred = 500;

// How far apart two markers stay across the frames they are seen together.
struct Spread {
    std::size_t together = 0;
    double sum = 0.0, low = INFINITY, high = 0.0;
};

Spread SpreadOf(const std::vector<float>& xyz, std::size_t frames, std::size_t markers,
                std::size_t i, std::size_t j) {
    Spread spread;
    for (std::size_t f = 0; f < frames; ++f) {
        const float* a = &xyz[3 * (f * markers + i)];
        const float* b = &xyz[3 * (f * markers + j)];
        if (std::isnan(a[0]) || std::isnan(b[0]))
            continue;
        const double d = std::hypot(double(a[0]) - b[0], double(a[1]) - b[1], double(a[2]) - b[2]);
        ++spread.together;
        spread.sum += d;
        spread.low = std::min(spread.low, d);
        spread.high = std::max(spread.high, d);
    }
    return spread;
}

}  // namespace

bool ReadLinkFile(const std::string& path, std::vector<NamedLink>& links, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot be read";
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string text = Trimmed(line);
        if (text.empty() || text[0] == '#')
            continue;
        NamedLink link;
        if (!SplitLink(text, link)) {
            error = "line " + std::to_string(number) +
                    ": a link is two marker names, split by a tab or a blank";
            return false;
        }
        links.push_back(std::move(link));
    }
    if (in.bad()) {
        error = "cannot be read";
        return false;
    }
    return true;
}

std::vector<NamedLink> StandardLinks(const tovfileio::MarkerNameMap& map) {
    std::unordered_map<std::string, std::string> nodeOf;
    for (const auto& entry : map.Entries()) {
        nodeOf.emplace(tovfileio::EncodeUtf8(entry.gwmName), tovfileio::EncodeUtf8(entry.trcName));
    }
    std::vector<NamedLink> links;
    auto add = [&](const std::string& a, const std::string& b) {
        const auto na = nodeOf.find(a), nb = nodeOf.find(b);
        if (na != nodeOf.end() && nb != nodeOf.end())
            links.emplace_back(na->second, nb->second);
    };
    for (const CodeLink& link : kStandardLinks) {
        add(link.a, link.b);
        if (!link.sided)
            continue;
        add(link.a[0] == 'L' ? RightTwin(link.a) : link.a,
            link.b[0] == 'L' ? RightTwin(link.b) : link.b);
    }
    return links;
}

std::vector<TakeLink> LinksByName(const TakeOutline& outline, const std::vector<NamedLink>& named,
                                  std::vector<std::string>& unknown) {
    std::unordered_map<std::string, int> markers;
    for (std::size_t i = 0; i < outline.nodes.size(); ++i) {
        if (outline.nodes[i].marker)
            markers.emplace(outline.nodes[i].name, static_cast<int>(i));
    }
    std::set<TakeLink> seen;
    std::vector<TakeLink> links;
    for (const NamedLink& link : named) {
        const auto a = markers.find(link.first), b = markers.find(link.second);
        for (const auto& [found, name] : {std::pair{a, link.first}, std::pair{b, link.second}}) {
            if (found == markers.end() &&
                std::find(unknown.begin(), unknown.end(), name) == unknown.end()) {
                unknown.push_back(name);
            }
        }
        if (a == markers.end() || b == markers.end() || a->second == b->second)
            continue;
        const TakeLink ordered = std::minmax(a->second, b->second);
        if (seen.insert(ordered).second)
            links.push_back(ordered);
    }
    return links;
}

std::vector<TakeLink> RigidLinks(const std::vector<float>& xyz, std::size_t frames,
                                 std::size_t markers) {
    if (frames < 2 || markers < 2 || xyz.size() < 3 * frames * markers)
        return {};
    // Each marker's neighbours seen with it often enough: mean distance,
    // the neighbour, and whether their distance held.
    struct Neighbour {
        double mean;
        std::size_t other;
        bool held;
        bool operator<(const Neighbour& b) const { return mean < b.mean; }
    };
    std::vector<std::vector<Neighbour>> neighbours(markers);
    const std::size_t least = std::max<std::size_t>(2, (frames + 1) / 2);
    for (std::size_t i = 0; i < markers; ++i) {
        for (std::size_t j = i + 1; j < markers; ++j) {
            const Spread spread = SpreadOf(xyz, frames, markers, i, j);
            if (spread.together < least)
                continue;
            const double mean = spread.sum / static_cast<double>(spread.together);
            if (!(mean > 0.0))
                continue;
            const bool held = spread.high - spread.low <= kTolerance * mean;
            neighbours[i].push_back({mean, j, held});
            neighbours[j].push_back({mean, i, held});
        }
    }
    std::set<TakeLink> kept;
    for (std::size_t i = 0; i < markers; ++i) {
        auto& mine = neighbours[i];
        const std::size_t nearest = std::min(kNearest, mine.size());
        std::partial_sort(mine.begin(), mine.begin() + static_cast<std::ptrdiff_t>(nearest),
                          mine.end());
        for (std::size_t k = 0; k < nearest; ++k) {
            if (!mine[k].held)
                continue;
            kept.insert(std::minmax(static_cast<int>(i), static_cast<int>(mine[k].other)));
        }
    }
    return {kept.begin(), kept.end()};
}

bool InferredLinks(const TakeOutline& outline, std::vector<TakeLink>& links, std::string& error) {
    links.clear();
    std::vector<int> markers;
    for (std::size_t i = 0; i < outline.nodes.size(); ++i) {
        if (outline.nodes[i].marker)
            markers.push_back(static_cast<int>(i));
    }
    if (markers.size() < 2 || markers.size() > kMostInferred || outline.frameCount < 2)
        return true;
    const auto count = static_cast<std::size_t>(outline.frameCount);
    const std::size_t frames = std::min(kSampleFrames, count);
    std::vector<float> sampled, all;
    sampled.reserve(3 * frames * markers.size());
    for (std::size_t s = 0; s < frames; ++s) {
        const long long offset = static_cast<long long>(s * (count - 1) / (frames - 1));
        if (!NodePositionsAt(outline, outline.firstFrame + offset, all, error))
            return false;
        for (const int node : markers) {
            sampled.insert(sampled.end(), &all[3 * node], &all[3 * node] + 3);
        }
    }
    for (const auto& [a, b] : RigidLinks(sampled, frames, markers.size())) {
        links.emplace_back(markers[a], markers[b]);
    }
    return true;
}

}  // namespace tovview
