#include "preview/ScenePreview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "brindle/host/scene/Objects.h"
#include "tovfileio/text/TextCodec.h"
#include "view/KindColours.h"

namespace tovpreview {
namespace {

using brindle::host::Scene;
using brindle::host::SceneNode;

constexpr double kWidth = 800, kHeight = 460;
constexpr double kPanel = 360;  // each view's square
constexpr double kTop = 60;
const double kPanelLeft[2] = {20, 420};
// The views' names, front and side, in the scene's axes and in a Y-up file's.
const char* const kSceneViewNames[2] = {"front (x right, z up)", "side (y right, z up)"};
const char* const kYUpFileViewNames[2] = {"front (x right, y up)", "side (z left, y up)"};
// About how many grid lines a view shows at most: the step is the roundest
// that gives no more.
constexpr double kGridLines = 10;

struct Joint {
    Point3 world;
    int parent = -1;  // index of the joint of a bone parent, or -1
    bool bone = false;
    const SceneNode* node = nullptr;  // whose name a marker shows
};

// A label's box in picture pixels.
struct Box {
    double left, top, right, bottom;
    bool Overlaps(const Box& other) const {
        return left < other.right && other.left < right && top < other.bottom &&
               other.top < bottom;
    }
    bool Inside(const Box& area) const {
        return left >= area.left && right <= area.right && top >= area.top &&
               bottom <= area.bottom;
    }
};

// A label's text at (x, y), its baseline's left end.
struct Label {
    double x = 0, y = 0;
    bool placed = false;
};

std::string NameOf(const Joint& joint) { return tovfileio::EncodeUtf8(joint.node->Name()); }

bool IsMarker(const std::string& kind) { return kind == "sphere" || kind == "point"; }

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return std::string(text) == "-0.0" ? "0.0" : text;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

TimeValue TimeOf(const Scene& scene, int frame) {
    return static_cast<TimeValue>(std::clamp<long long>(
        static_cast<long long>(frame) * scene.TicksPerFrame(), INT32_MIN, INT32_MAX));
}

// The width of `text` (UTF-8) as a label: its characters, not its bytes.
double LabelWidth(const std::string& text) {
    std::size_t characters = 0;
    for (unsigned char c : text) characters += (c & 0xC0) != 0x80 ? 1 : 0;
    return static_cast<double>(characters) * kLabelCharWidth;
}

// The box of a label of `width` whose baseline starts at (x, y): a little
// above the baseline for the capitals, a little below for descenders.
Box LabelBox(double x, double y, double width) {
    return {x, y - (kLabelHeight - 2), x + width, y + 2};
}

// Whether a label's `box` lies inside `area` and overlaps none of `taken`.
bool Free(const Box& box, const Box& area, const std::vector<Box>& taken) {
    return box.Inside(area) && std::none_of(taken.begin(), taken.end(), [&box](const Box& other) {
               return box.Overlaps(other);
           });
}

// The roundest grid step, 1, 2 or 5 times a power of ten, that puts no
// more than kGridLines lines across `span`.
double GridStep(double span) {
    const double target = span / kGridLines;
    const double power = std::pow(10.0, std::floor(std::log10(target)));
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * power >= target * (1 - 1e-9)) return m * power;
    }
    return 10 * power;
}

// The grid lines of a view from `low` over `span`: whole steps from the
// origin, the first and the last. None (the last before the first) when the
// view lies so far from the origin that a step is lost in its numbers.
long long FirstGridLine(double low, double span, double step) {
    const double first = std::ceil(low / step);
    const double last = std::floor((low + span) / step);
    return std::fabs(first) < 1e15 && std::fabs(last) < 1e15 ? static_cast<long long>(first) : 1;
}
long long LastGridLine(double low, double span, double step) {
    const double first = std::ceil(low / step);
    const double last = std::floor((low + span) / step);
    return std::fabs(first) < 1e15 && std::fabs(last) < 1e15 ? static_cast<long long>(last) : 0;
}

// A grid value, `count` steps from zero, written with the decimals it needs
// and no more.
std::string GridNumber(long long count, double step) {
    if (count == 0) return "0";
    char text[48];
    const double value = static_cast<double>(count) * step;
    if (step >= 1e15 || step < 1e-9) {
        std::snprintf(text, sizeof text, "%g", value);
    } else {
        const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
    }
    // 1.0 in steps of 0.2 is written 1.
    std::string number = text;
    if (number.find('.') != std::string::npos && number.find('e') == std::string::npos) {
        number.erase(number.find_last_not_of('0') + 1);
        if (number.back() == '.') number.pop_back();
    }
    return number;
}

// Bones and markers with their world positions at `t`, but for the markers
// of `unseen`; dummies and other helpers only carry their children. False,
// with `error` naming the node, when a position is not a finite number.
bool GatherJoints(Scene& scene, TimeValue t, int frame, const UnseenMarkers& unseen,
                  std::vector<Joint>& joints, std::string& error) {
    // Bones only: only a bone's parent is looked up.
    std::unordered_map<const SceneNode*, int> index;
    joints.reserve(scene.Nodes().size());
    for (SceneNode* node : scene.Nodes()) {
        brindle::host::SceneObject* object = node->HeldObject();
        const std::string kind = object != nullptr ? brindle::host::ObjectKind(*object) : "";
        if (kind != "bone" && !IsMarker(kind)) continue;
        if (IsMarker(kind) && unseen.count(node) != 0) continue;
        Joint joint;
        joint.world = node->GetNodeTM(t, nullptr).GetTrans();
        joint.node = node;
        if (!std::isfinite(joint.world.x) || !std::isfinite(joint.world.y) ||
            !std::isfinite(joint.world.z)) {
            error = "node \"" + NameOf(joint) + "\": its position at frame " + std::to_string(frame) +
                    " is not a finite number; nothing drawn";
            return false;
        }
        joint.bone = kind == "bone";
        if (joint.bone) index[node] = static_cast<int>(joints.size());
        joints.push_back(joint);
    }
    for (SceneNode* node : scene.Nodes()) {
        const auto at = index.find(node);
        if (at == index.end() || !joints[at->second].bone) continue;
        const auto parent = index.find(node->Parent());
        if (parent != index.end() && joints[parent->second].bone) {
            joints[at->second].parent = parent->second;
        }
    }
    return true;
}

// About what the picture of `joints` takes, a little more rather than less,
// so that the text is built in one allocation: in each view a bone has a
// line and a dot, a marker a dot and its name, and the grid some lines.
std::size_t PictureBytes(const std::vector<Joint>& joints) {
    std::size_t bytes = 8192;
    for (const Joint& joint : joints) {
        bytes += 2 * (joint.bone ? 200 : 130 + joint.node->Name().size());
    }
    return bytes;
}

// Places each marker's label where it overprints no label in `taken`, and
// adds it there; the labels of bones stay unplaced. `dots` are the joints'
// places in the view, `area` the view's square. Returns how many marker
// labels found no place.
std::size_t PlaceLabels(const std::vector<Joint>& joints,
                        const std::vector<std::pair<double, double>>& dots, const Box& area,
                        std::vector<Box>& taken, std::vector<Label>& labels) {
    std::size_t left = 0;
    labels.assign(joints.size(), Label{});
    for (std::size_t i = 0; i < joints.size(); ++i) {
        if (joints[i].bone) continue;
        const double width = LabelWidth(NameOf(joints[i]));
        const auto [x, y] = dots[i];
        // Up right of the dot first, then below it, then on its left, then
        // level with it.
        const std::pair<double, double> places[] = {
            {x + 4, y - 4},         {x + 4, y + 9},         {x - 4 - width, y - 4},
            {x - 4 - width, y + 9}, {x + 5, y + 3},         {x - 5 - width, y + 3},
        };
        for (const auto& [px, py] : places) {
            const Box box = LabelBox(px, py, width);
            if (!Free(box, area, taken)) continue;
            taken.push_back(box);
            labels[i] = {px, py, true};
            break;
        }
        if (!labels[i].placed) ++left;
    }
    return left;
}

}  // namespace

UnseenMarkers KeyedDropouts(Scene& scene, int frame) {
    const TimeValue t = TimeOf(scene, frame);
    UnseenMarkers unseen;
    for (SceneNode* node : scene.Nodes()) {
        brindle::host::SceneObject* object = node->HeldObject();
        if (object == nullptr || !IsMarker(brindle::host::ObjectKind(*object))) continue;
        const auto& track = node->Transform().Position().Track();
        bool exact = false;
        const std::ptrdiff_t key = track.Before(t, exact);
        if (exact && track[static_cast<std::size_t>(key)].value == Point3(0, 0, 0)) {
            unseen.insert(node);
        }
    }
    return unseen;
}

namespace {

// Where the scene's points fall in the two views: one scale for both, so
// that they keep their proportions, each view centred on the joints. View
// v's horizontal axis is 0 (x) or 1 (y); its vertical axis is 2 (z), up.
struct Projection {
    double lo[3] = {0, 0, 0};
    double hi[3] = {0, 0, 0};
    double scale = 1;
    double span = 1;  // the scene units a view spans
    double step = 1;  // between grid lines

    explicit Projection(const std::vector<Joint>& joints) {
        for (std::size_t i = 0; i < joints.size(); ++i) {
            for (int c = 0; c < 3; ++c) {
                const double v = joints[i].world[c];
                lo[c] = i == 0 ? v : std::min(lo[c], v);
                hi[c] = i == 0 ? v : std::max(hi[c], v);
            }
        }
        // A single point, or points closer than a float can tell apart, is
        // drawn in a square of one unit.
        double extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
        if (!(extent >= 1e-6)) extent = 1;
        scale = (kPanel - 40) / extent;
        span = kPanel / scale;
        step = GridStep(span);
    }
    static int Across(int view) { return view == 0 ? 0 : 1; }
    double Middle(int axis) const { return (lo[axis] + hi[axis]) / 2; }
    double X(int view, double value) const {
        return kPanelLeft[view] + kPanel / 2 + (value - Middle(Across(view))) * scale;
    }
    double Y(double value) const { return kTop + kPanel / 2 - (value - Middle(2)) * scale; }
};

// Whether the values across `view` count the other way from the scene's:
// the side view of a Y-up file, whose z is the scene's -y.
bool AcrossMirrored(int view, ViewAxes axes) { return view == 1 && axes == ViewAxes::kYUpFile; }

// The grid of `view`: lines at whole steps from the scene's origin, each
// with its value in `axes` where it overprints no other (the upright ones
// along the bottom, the level ones along the left side), the values' boxes
// added to `taken`.
void AppendGrid(std::string& svg, const Projection& at, int view, ViewAxes axes, const Box& area,
                std::vector<Box>& taken) {
    const double left = kPanelLeft[view];
    std::string gridLabels;
    const long long acrossSign = AcrossMirrored(view, axes) ? -1 : 1;
    auto addValue = [&](long long k, double x, double y) {
        const std::string text = GridNumber(k, at.step);
        const Box box = LabelBox(x, y, LabelWidth(text));
        if (!Free(box, area, taken)) return;
        taken.push_back(box);
        gridLabels += "<text x=\"" + Number(x) + "\" y=\"" + Number(y) +
                      "\" font-size=\"8\" fill=\"#999999\">" + text + "</text>\n";
    };
    const double lowAcross = at.Middle(Projection::Across(view)) - at.span / 2;
    const double lowUp = at.Middle(2) - at.span / 2;
    for (long long k = FirstGridLine(lowAcross, at.span, at.step);
         k <= LastGridLine(lowAcross, at.span, at.step); ++k) {
        const double x = at.X(view, static_cast<double>(k) * at.step);
        svg += "<path d=\"M" + Number(x) + " " + Number(kTop) + "V" + Number(kTop + kPanel) +
               "\" stroke=\"#e4e4e0\"/>\n";
        addValue(acrossSign * k, x + 2, kTop + kPanel - 3);
    }
    for (long long k = FirstGridLine(lowUp, at.span, at.step);
         k <= LastGridLine(lowUp, at.span, at.step); ++k) {
        const double y = at.Y(static_cast<double>(k) * at.step);
        svg += "<path d=\"M" + Number(left) + " " + Number(y) + "H" + Number(left + kPanel) +
               "\" stroke=\"#e4e4e0\"/>\n";
        addValue(k, left + 2, y - 2);
    }
    svg += gridLabels;
}

// The bones' lines, then every joint's dot and each placed marker label.
void AppendJoints(std::string& svg, const std::vector<Joint>& joints, const Projection& at,
                  int view, const std::vector<std::pair<double, double>>& dots,
                  const std::vector<Label>& labels) {
    const int a = Projection::Across(view);
    for (const Joint& joint : joints) {
        if (joint.parent < 0) continue;
        svg += "<line x1=\"" + Number(at.X(view, joints[joint.parent].world[a])) + "\" y1=\"" +
               Number(at.Y(joints[joint.parent].world[2])) + "\" x2=\"" +
               Number(at.X(view, joint.world[a])) + "\" y2=\"" + Number(at.Y(joint.world[2])) +
               "\" stroke=\"" + tovcolours::kBoneHex + "\" stroke-width=\"3\" stroke-linecap=\"round\"/>\n";
    }
    for (std::size_t i = 0; i < joints.size(); ++i) {
        const Joint& joint = joints[i];
        svg += "<circle cx=\"" + Number(dots[i].first) + "\" cy=\"" + Number(dots[i].second) +
               "\" r=\"" + (joint.bone ? "2.5" : "3") + "\" fill=\"" +
               (joint.bone ? "#6b4f00" : tovcolours::kMarkerHex) + "\"/>\n";
        if (labels[i].placed) {
            svg += "<text x=\"" + Number(labels[i].x) + "\" y=\"" + Number(labels[i].y) +
                   "\" font-size=\"8\" fill=\"#3333cc\">" + Escape(NameOf(joint)) + "</text>\n";
        }
    }
}

// One view: its square, grid, title (with the labels left out) and joints.
void AppendView(std::string& svg, const std::vector<Joint>& joints, const Projection& at,
                int view, ViewAxes axes) {
    const double left = kPanelLeft[view];
    const Box area{left, kTop, left + kPanel, kTop + kPanel};
    svg += "<g>\n<rect x=\"" + Number(left) + "\" y=\"" + Number(kTop) + "\" width=\"" +
           Number(kPanel) + "\" height=\"" + Number(kPanel) +
           "\" fill=\"#f7f7f4\" stroke=\"#cccccc\"/>\n";
    std::vector<Box> taken;
    AppendGrid(svg, at, view, axes, area, taken);
    std::vector<std::pair<double, double>> dots(joints.size());
    for (std::size_t i = 0; i < joints.size(); ++i) {
        dots[i] = {at.X(view, joints[i].world[Projection::Across(view)]),
                   at.Y(joints[i].world[2])};
    }
    std::vector<Label> labels;
    const std::size_t leftOut = PlaceLabels(joints, dots, area, taken, labels);
    std::string title = (axes == ViewAxes::kYUpFile ? kYUpFileViewNames : kSceneViewNames)[view];
    if (leftOut > 0) {
        title += ", " + std::to_string(leftOut) + (leftOut == 1 ? " label" : " labels") +
                 " left out where names would overlap";
    }
    svg += "<text x=\"" + Number(left + 6) + "\" y=\"" + Number(kTop + kPanel + 16) +
           "\" font-size=\"11\" fill=\"#555555\">" + title + "</text>\n";
    AppendJoints(svg, joints, at, view, dots, labels);
    svg += "</g>\n";
}

}  // namespace

bool ScenePreviewSvg(Scene& scene, int frame, const PreviewCaption& caption,
                     const UnseenMarkers& unseen, std::string& svg, std::string& error) {
    const TimeValue t = TimeOf(scene, frame);
    std::vector<Joint> joints;
    if (!GatherJoints(scene, t, frame, unseen, joints, error)) return false;
    svg.clear();
    svg.reserve(PictureBytes(joints));
    const Projection at(joints);

    const char* unit = scene.SystemUnitName();
    std::string units = unit != nullptr ? unit : Number(scene.SystemUnitMillimetres()) + " mm";
    std::string unseenText;
    if (!unseen.empty()) {
        unseenText = std::to_string(unseen.size()) +
                     (unseen.size() == 1 ? " marker" : " markers") + " not seen at this frame, ";
    }
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(kWidth) + "\" height=\"" +
           Number(kHeight) + "\" viewBox=\"0 0 800 460\" font-family=\"sans-serif\">\n";
    svg += "<rect width=\"800\" height=\"460\" fill=\"#ffffff\"/>\n";
    svg += "<text x=\"20\" y=\"28\" font-size=\"16\">" + Escape(caption.title);
    if (!caption.note.empty()) {
        svg += "<tspan font-size=\"13\" fill=\"#555555\">\u2003" + Escape(caption.note) + "</tspan>";
    }
    svg += "</text>\n";
    svg += "<text x=\"20\" y=\"48\" font-size=\"12\" fill=\"#555555\">frame " +
           std::to_string(frame) + ", units " + Escape(units) + ", " +
           std::to_string(joints.size()) + " objects, " + unseenText + "grid " +
           GridNumber(1, at.step) + " " + Escape(units) + "</text>\n";
    for (int view = 0; view < 2; ++view) AppendView(svg, joints, at, view, caption.axes);
    svg += "</svg>\n";
    return true;
}

}  // namespace tovpreview
