#include "preview/ScenePreview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "brindle/host/scene/Objects.h"
#include "brindle/sdk/TextCodec.h"

namespace tovpreview {
namespace {

using brindle::host::Scene;
using brindle::host::SceneNode;

constexpr double kWidth = 800, kHeight = 460;
constexpr double kPanel = 360;  // each view's square
constexpr double kTop = 60;
const double kPanelLeft[2] = {20, 420};
const char* const kViewNames[2] = {"front (x right, z up)", "side (y right, z up)"};

struct Joint {
    Point3 world;
    int parent = -1;  // index of the joint of a bone parent, or -1
    bool bone = false;
    const SceneNode* node = nullptr;  // whose name a marker shows
};

std::string NameOf(const Joint& joint) { return TextCodec::EncodeUtf8(joint.node->Name()); }

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

const char* UnitName(double millimetres) {
    if (millimetres == 1.0) return "mm";
    if (millimetres == 10.0) return "cm";
    if (millimetres == 1000.0) return "m";
    if (millimetres == 25.4) return "in";
    if (millimetres == 304.8) return "ft";
    if (millimetres == 914.4) return "yd";
    return nullptr;
}

// Bones and markers with their world positions at `t`; dummies and other
// helpers only carry their children. False, with `error` naming the node,
// when a position is not a finite number.
bool GatherJoints(Scene& scene, TimeValue t, int frame, std::vector<Joint>& joints,
                  std::string& error) {
    // Bones only: only a bone's parent is looked up.
    std::unordered_map<const SceneNode*, int> index;
    joints.reserve(scene.Nodes().size());
    for (SceneNode* node : scene.Nodes()) {
        brindle::host::SceneObject* object = node->HeldObject();
        const std::string kind = object != nullptr ? brindle::host::ObjectKind(*object) : "";
        if (kind != "bone" && kind != "sphere" && kind != "point") continue;
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
// line and a dot, a marker a dot and its name.
std::size_t PictureBytes(const std::vector<Joint>& joints) {
    std::size_t bytes = 4096;
    for (const Joint& joint : joints) bytes += 2 * (joint.bone ? 200 : 130 + joint.node->Name().size());
    return bytes;
}

}  // namespace

bool ScenePreviewSvg(Scene& scene, int frame, const PreviewCaption& caption, std::string& svg,
                     std::string& error) {
    const TimeValue t = static_cast<TimeValue>(
        std::clamp<long long>(static_cast<long long>(frame) * scene.TicksPerFrame(), INT32_MIN,
                              INT32_MAX));
    std::vector<Joint> joints;
    if (!GatherJoints(scene, t, frame, joints, error)) return false;
    svg.clear();
    svg.reserve(PictureBytes(joints));

    // One scale for both views, so that they keep their proportions.
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (std::size_t i = 0; i < joints.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            const double v = joints[i].world[c];
            lo[c] = i == 0 ? v : std::min(lo[c], v);
            hi[c] = i == 0 ? v : std::max(hi[c], v);
        }
    }
    const double extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2], 1e-9});
    const double scale = (kPanel - 40) / extent;
    // View v: horizontal axis 0 (x) or 1 (y); vertical axis 2 (z), up.
    auto place = [&](int view, const Point3& p, double& x, double& y) {
        const int across = view == 0 ? 0 : 1;
        const double middle = (lo[across] + hi[across]) / 2;
        x = kPanelLeft[view] + kPanel / 2 + (p[across] - middle) * scale;
        y = kTop + kPanel / 2 - (p[2] - (lo[2] + hi[2]) / 2) * scale;
    };

    const char* unit = UnitName(scene.SystemUnitMillimetres());
    std::string units = unit != nullptr ? unit : Number(scene.SystemUnitMillimetres()) + " mm";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(kWidth) + "\" height=\"" +
           Number(kHeight) + "\" viewBox=\"0 0 800 460\" font-family=\"sans-serif\">\n";
    svg += "<rect width=\"800\" height=\"460\" fill=\"#ffffff\"/>\n";
    svg += "<text x=\"20\" y=\"28\" font-size=\"16\">" + Escape(caption.title) + "</text>\n";
    svg += "<text x=\"20\" y=\"48\" font-size=\"12\" fill=\"#555555\">frame " +
           std::to_string(frame) + ", units " + Escape(units) + ", " +
           std::to_string(joints.size()) + " objects, grid " + Number(kPanel / 4 / scale) + " " +
           Escape(units) + "</text>\n";
    for (int view = 0; view < 2; ++view) {
        const double left = kPanelLeft[view];
        svg += "<g>\n<rect x=\"" + Number(left) + "\" y=\"" + Number(kTop) + "\" width=\"" +
               Number(kPanel) + "\" height=\"" + Number(kPanel) +
               "\" fill=\"#f7f7f4\" stroke=\"#cccccc\"/>\n";
        for (int line = 1; line < 4; ++line) {
            const double at = line * kPanel / 4;
            svg += "<path d=\"M" + Number(left + at) + " " + Number(kTop) + "V" +
                   Number(kTop + kPanel) + "M" + Number(left) + " " + Number(kTop + at) + "H" +
                   Number(left + kPanel) + "\" stroke=\"#e4e4e0\"/>\n";
        }
        svg += "<text x=\"" + Number(left + 6) + "\" y=\"" + Number(kTop + kPanel + 16) +
               "\" font-size=\"11\" fill=\"#555555\">" + kViewNames[view] + "</text>\n";
        for (const Joint& joint : joints) {
            if (joint.parent < 0) continue;
            double x1, y1, x2, y2;
            place(view, joints[joint.parent].world, x1, y1);
            place(view, joint.world, x2, y2);
            svg += "<line x1=\"" + Number(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Number(x2) +
                   "\" y2=\"" + Number(y2) + "\" stroke=\"#b8860b\" stroke-width=\"3\" " +
                   "stroke-linecap=\"round\"/>\n";
        }
        for (const Joint& joint : joints) {
            double x, y;
            place(view, joint.world, x, y);
            svg += "<circle cx=\"" + Number(x) + "\" cy=\"" + Number(y) + "\" r=\"" +
                   (joint.bone ? "2.5" : "3") + "\" fill=\"" +
                   (joint.bone ? "#6b4f00" : "#3333cc") + "\"/>\n";
            if (!joint.bone) {
                svg += "<text x=\"" + Number(x + 4) + "\" y=\"" + Number(y - 4) +
                       "\" font-size=\"8\" fill=\"#3333cc\">" + Escape(NameOf(joint)) + "</text>\n";
            }
        }
        svg += "</g>\n";
    }
    svg += "</svg>\n";
    return true;
}

}  // namespace tovpreview
