#include "view/MarkerLinks.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
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

// Found links: each marker to those of its three nearest neighbours that
// keep their distance (markers on one segment), then the segments so formed
// joined where a joint turns them.
constexpr std::size_t kNearest = 3;
// A pair keeps its distance when the band its distance stays in (10th to
// 90th percentile) is within 1.5% of the take's spacing: a few millimetres
// of skin and noise on a body, whatever the take's unit.
constexpr double kSegmentBand = 0.015;
// Two segments are joined by a pair whose band is within 15% of its
// distance: a thigh marker to the pelvis across the hip.
constexpr double kJointBand = 0.15;
// Pairs further apart than 0.8 of the spacing are linked only as one
// marker's nearest: no lines across the body.
constexpr double kNearSpacing = 0.8;
// A pair counts when both are seen together in 3 sampled frames, however
// many frames either is missing.
constexpr std::size_t kLeastTogether = 3;
constexpr std::size_t kLeastSampleFrames = 120;
constexpr std::size_t kMostSampleFrames = 5000;
// Sampled frames times pairs of markers: the distances worked out.
constexpr std::size_t kMostPairFrames = 20'000'000;
constexpr std::size_t kMostInferred = 500;

// How far apart two markers stay across the frames both are seen.
struct PairDistance {
    int a = 0, b = 0;
    double mean = 0.0;
    double band = 0.0;  // from the 10th to the 90th percentile
};

// The distances of every pair of markers seen together in enough frames.
std::vector<PairDistance> PairDistances(const std::vector<float>& xyz, std::size_t frames,
                                        std::size_t markers) {
    std::vector<PairDistance> pairs;
    std::vector<double> apart;
    apart.reserve(frames);
    for (std::size_t i = 0; i < markers; ++i) {
        for (std::size_t j = i + 1; j < markers; ++j) {
            apart.clear();
            double sum = 0.0;
            for (std::size_t f = 0; f < frames; ++f) {
                const float* p = &xyz[3 * (f * markers + i)];
                const float* q = &xyz[3 * (f * markers + j)];
                if (std::isnan(p[0]) || std::isnan(q[0]))
                    continue;
                apart.push_back(
                    std::hypot(double(p[0]) - q[0], double(p[1]) - q[1], double(p[2]) - q[2]));
                sum += apart.back();
            }
            if (apart.size() < kLeastTogether)
                continue;
            const double mean = sum / static_cast<double>(apart.size());
            if (!(mean > 0.0))
                continue;
            const auto at = [&apart](double fraction) {
                const auto k = static_cast<std::ptrdiff_t>(
                    std::lround(fraction * static_cast<double>(apart.size() - 1)));
                std::nth_element(apart.begin(), apart.begin() + k, apart.end());
                return apart[static_cast<std::size_t>(k)];
            };
            const double low = at(0.1), high = at(0.9);
            pairs.push_back({static_cast<int>(i), static_cast<int>(j), mean, high - low});
        }
    }
    return pairs;
}

// The take's spacing: the median of its pairs' mean distances.
double Spacing(std::vector<PairDistance> pairs) {
    const auto middle = pairs.begin() + static_cast<std::ptrdiff_t>(pairs.size() / 2);
    std::nth_element(pairs.begin(), middle, pairs.end(),
                     [](const PairDistance& x, const PairDistance& y) { return x.mean < y.mean; });
    return middle->mean;
}

// The pairs near enough to be linked, nearest first: within kNearSpacing of
// the spacing, or one marker's nearest.
std::vector<PairDistance> NearPairs(const std::vector<PairDistance>& pairs, std::size_t markers) {
    const double reach = kNearSpacing * Spacing(pairs);
    std::vector<double> nearest(markers, INFINITY);
    for (const PairDistance& pair : pairs) {
        nearest[pair.a] = std::min(nearest[pair.a], pair.mean);
        nearest[pair.b] = std::min(nearest[pair.b], pair.mean);
    }
    std::vector<PairDistance> near;
    for (const PairDistance& pair : pairs) {
        if (pair.mean <= reach || pair.mean == nearest[pair.a] || pair.mean == nearest[pair.b]) {
            near.push_back(pair);
        }
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const PairDistance& x, const PairDistance& y) { return x.mean < y.mean; });
    return near;
}

// Groups of markers joined so far, each known by one of its markers.
class MarkerGroups {
  public:
    explicit MarkerGroups(std::size_t markers) : leader_(markers) {
        for (std::size_t i = 0; i < markers; ++i)
            leader_[i] = static_cast<int>(i);
    }
    int Leader(int marker) {
        while (leader_[marker] != marker)
            marker = leader_[marker] = leader_[leader_[marker]];
        return marker;
    }
    // False when the two are in one group already.
    bool Join(int a, int b) {
        const int la = Leader(a), lb = Leader(b);
        if (la == lb)
            return false;
        leader_[la] = lb;
        return true;
    }

  private:
    std::vector<int> leader_;
};

// Each marker to those of its three nearest neighbours (`near`, nearest
// first) whose distance stays within the segment band.
void LinkSegments(const std::vector<PairDistance>& near, double band, std::size_t markers,
                  std::set<TakeLink>& kept) {
    std::vector<std::size_t> linked(markers, 0);
    for (const PairDistance& pair : near) {
        if (pair.band > band)
            continue;
        if (linked[pair.a] < kNearest || linked[pair.b] < kNearest)
            kept.insert({pair.a, pair.b});
        ++linked[pair.a];
        ++linked[pair.b];
    }
}

// The groups `kept` makes joined by pairs between them: first those whose
// distance stays within the segment band, steadiest first (the arm to the
// shoulder it hangs from rather than to the hip it passes), then those whose
// distance stays within the joint band of itself, nearest first.
void JoinSegments(const std::vector<PairDistance>& near, double band, std::size_t markers,
                  std::set<TakeLink>& kept) {
    MarkerGroups groups(markers);
    for (const auto& [a, b] : kept)
        groups.Join(a, b);
    std::vector<PairDistance> steady;
    std::copy_if(near.begin(), near.end(), std::back_inserter(steady),
                 [band](const PairDistance& pair) { return pair.band <= band; });
    std::stable_sort(steady.begin(), steady.end(),
                     [](const PairDistance& x, const PairDistance& y) { return x.band < y.band; });
    for (const PairDistance& pair : steady) {
        if (groups.Join(pair.a, pair.b))
            kept.insert({pair.a, pair.b});
    }
    for (const PairDistance& pair : near) {
        if (pair.band <= kJointBand * pair.mean && groups.Join(pair.a, pair.b)) {
            kept.insert({pair.a, pair.b});
        }
    }
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
    if (frames < kLeastTogether || markers < 2 || xyz.size() < 3 * frames * markers)
        return {};
    const std::vector<PairDistance> pairs = PairDistances(xyz, frames, markers);
    if (pairs.empty())
        return {};
    const std::vector<PairDistance> near = NearPairs(pairs, markers);
    std::set<TakeLink> kept;
    const double band = kSegmentBand * Spacing(pairs);
    LinkSegments(near, band, markers, kept);
    JoinSegments(near, band, markers, kept);
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
    const std::size_t pairs = markers.size() * (markers.size() - 1) / 2;
    const std::size_t frames =
        std::min({count, kMostSampleFrames, std::max(kLeastSampleFrames, kMostPairFrames / pairs)});
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
