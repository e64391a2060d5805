#include "view/PlayerPage.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <unordered_map>

#include "brindle/host/scene/Base64Floats.h"
#include "brindle/host/scene/Objects.h"
#include "json/JsonWriter.h"
#include "tovfileio/text/TextCodec.h"
#include "view/PlayerPageSources.h"

namespace tovview {
namespace {

using brindle::host::Scene;
using brindle::host::SceneNode;

long long FloorDiv(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::string UnitsOf(const Scene& scene) {
    if (const char* name = scene.SystemUnitName())
        return name;
    char text[48];
    std::snprintf(text, sizeof text, "%g mm", scene.SystemUnitMillimetres());
    return text;
}

// The platforms' corners, and their forces and centres of pressure frame
// by frame as base64 floats (PagePlates::kFloatsPerSample a platform).
void WritePlates(JsonWriter& json, const PagePlates& plates) {
    json.LineBreak().Key("plates").BeginObject();
    json.Key("forceUnit").String(plates.forceUnit);
    json.Key("lengthPerForce").Double(plates.lengthPerForce);
    json.Key("unitsPerMetre").Double(plates.unitsPerMetre);
    json.Key("corners").BeginArray();
    for (std::size_t p = 0; p < plates.Count(); ++p) {
        json.BeginArray();
        for (std::size_t c = 0; c < 12; ++c) json.Double(plates.corners[12 * p + c]);
        json.EndArray();
    }
    json.EndArray();
    std::string samples;
    brindle::host::AppendBase64Floats(samples, plates.samples.data(), plates.samples.size());
    json.LineBreak().Key("samples").String(samples);
    json.EndObject();
}

// The take's JSON up to the opening quote of the positions, and what closes
// it: the positions are written after it frame by frame. The strings are
// escaped for the script element the JSON sits in, and each node, the takes,
// the links and the positions start a line of their own.
std::string TakeHead(const TakeOutline& outline, const std::string& title) {
    JsonWriter json(JsonWriter::Escapes::kScript);
    json.BeginObject();
    json.Key("title").String(title);
    json.Key("units").String(outline.units);
    json.Key("frameRate").Int(outline.frameRate);
    json.Key("firstFrame").Int(outline.firstFrame);
    json.Key("frameCount").Int(outline.frameCount);
    json.Key("startTime").Double(outline.startSeconds);
    json.Key("nodes").BeginArray();
    for (std::size_t i = 0; i < outline.nodes.size(); ++i) {
        const TakeOutline::Node& node = outline.nodes[i];
        if (i > 0) json.LineBreak();
        json.BeginObject();
        json.Key("name").String(node.name);
        json.Key("parent").Int(node.parent);
        json.Key("marker").Bool(node.marker);
        if (!outline.takes.empty()) json.Key("take").Int(node.take);
        if (node.side != Side::kNone) json.Key("side").String(SideWord(node.side));
        if (!node.filled.empty()) {
            json.Key("filled").BeginArray();
            for (const FilledRun& run : node.filled) {
                json.BeginArray().Int(run.first).Int(run.last).String(run.method).EndArray();
            }
            json.EndArray();
        }
        json.EndObject();
    }
    json.EndArray();
    if (!outline.takes.empty()) {
        json.LineBreak().Key("alignedBy").String(outline.byTime ? "time" : "frame");
        json.LineBreak().Key("takes").BeginArray();
        for (const TakeSpan& span : outline.takes) {
            json.BeginObject();
            json.Key("title").String(span.title);
            json.Key("frameRate").Int(span.frameRate);
            json.Key("firstFrame").Int(span.firstFrame);
            json.Key("frameCount").Int(span.frameCount);
            json.Key("pageFrames").BeginArray().Int(span.pageFirst).Int(span.pageLast).EndArray();
            json.EndObject();
        }
        json.EndArray();
    }
    if (HasForces(outline)) WritePlates(json, outline.plates);
    json.LineBreak().Key("links").BeginArray();
    for (const TakeLink& link : outline.links) {
        json.BeginArray().Int(link.first).Int(link.second).EndArray();
    }
    json.EndArray();
    json.LineBreak().Key("positions");
    return json.Text() + '"';
}
constexpr std::string_view kTakeTail = "\"}";

// The page from the take's closing tag on: with the script that shows
// filled samples when the take has some, and the one that draws force
// platforms when it has those.
std::string_view AfterTake(const TakeOutline& outline) {
    if (HasForces(outline)) {
        return HasFilledFrames(outline) ? page::kAfterFilledForcesTake : page::kAfterForcesTake;
    }
    return HasFilledFrames(outline) ? page::kAfterFilledTake : page::kAfterTake;
}

// The page up to the take's opening tag, chosen as AfterTake is.
std::string_view PageHead(const TakeOutline& outline) {
    if (HasForces(outline)) {
        return HasFilledFrames(outline) ? page::kBeforeFilledForcesTake : page::kBeforeForcesTake;
    }
    return HasFilledFrames(outline) ? page::kBeforeFilledTake : page::kBeforeTake;
}

// The page up to the take, with the outline's note as a line of its own
// under the facts the script fills in, in the colour of the page's accents.
std::string BeforeTake(const TakeOutline& outline) {
    std::string before(PageHead(outline));
    if (outline.note.empty())
        return before;
    constexpr std::string_view facts = "<p id=\"facts\"></p>";
    const std::size_t at = before.find(facts);
    if (at == std::string::npos)
        return before;
    std::string note = "\n  <p id=\"note\" style=\"margin:2px 0 0;color:#f0a030\">";
    for (const char c : outline.note) {
        switch (c) {
            case '<':
                note += "&lt;";
                break;
            case '>':
                note += "&gt;";
                break;
            case '&':
                note += "&amp;";
                break;
            default:
                note += c;
        }
    }
    note += "</p>";
    before.insert(at + facts.size(), note);
    return before;
}

// Base64 characters of one frame: three floats a node, 12 bytes, which are
// 16 characters with no padding, so frames encoded one by one join into
// the encoding of the whole.
std::uint64_t FrameCharacters(const TakeOutline& outline) {
    return 16 * outline.nodes.size();
}

// A marker's position (relative to its parent) at `t` is the origin exactly:
// where the TRC importer keys a frame in which the marker was not seen, and
// where it stays after a last such key.
bool AtOrigin(SceneNode& node, TimeValue t) {
    const Point3 position = node.Transform().Position().Evaluate(t);
    return position.x == 0.0f && position.y == 0.0f && position.z == 0.0f;
}

}  // namespace

bool HasFilledFrames(const TakeOutline& outline) {
    return std::any_of(outline.nodes.begin(), outline.nodes.end(),
                       [](const TakeOutline::Node& node) { return !node.filled.empty(); });
}

bool HasForces(const TakeOutline& outline) { return !outline.plates.Empty(); }

bool OutlineTake(Scene& scene, TakeOutline& outline, std::string& error) {
    outline = TakeOutline();
    // Depth first from the root, children in their order, with a stack of
    // our own: a hierarchy of any depth cannot overflow the call stack.
    std::unordered_map<const SceneNode*, int> bones;
    std::vector<SceneNode*> pending(scene.Root().Children().rbegin(),
                                    scene.Root().Children().rend());
    while (!pending.empty()) {
        SceneNode* node = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), node->Children().rbegin(), node->Children().rend());
        brindle::host::SceneObject* object = node->HeldObject();
        const std::string kind = object != nullptr ? brindle::host::ObjectKind(*object) : "";
        if (kind != "bone" && kind != "sphere" && kind != "point")
            continue;
        TakeOutline::Node drawn;
        drawn.node = node;
        drawn.name = tovfileio::EncodeUtf8(node->Name());
        drawn.marker = kind != "bone";
        drawn.side = SideOfName(drawn.name);
        if (!drawn.marker) {
            const auto parent = bones.find(node->Parent());
            if (parent != bones.end())
                drawn.parent = parent->second;
            bones[node] = static_cast<int>(outline.nodes.size());
        }
        outline.nodes.push_back(std::move(drawn));
    }
    if (outline.nodes.empty()) {
        error = "the scene holds no bones or markers; there is nothing to play";
        return false;
    }
    outline.ticksPerFrame = scene.TicksPerFrame();
    outline.frameRate = scene.FrameRate();
    outline.units = UnitsOf(scene);
    if (scene.AnimationRange()) {
        const long long start = scene.AnimationRange()->Start();
        const long long end = std::max<long long>(start, scene.AnimationRange()->End());
        outline.firstFrame = FloorDiv(start, outline.ticksPerFrame);
        outline.frameCount = FloorDiv(end, outline.ticksPerFrame) - outline.firstFrame + 1;
    } else {
        outline.firstFrame = FloorDiv(scene.Time(), outline.ticksPerFrame);
        outline.frameCount = 1;
    }
    // The scene's own clock: frame 0 at 0 s.
    outline.startSeconds = static_cast<double>(outline.firstFrame) / std::max(outline.frameRate, 1);
    return true;
}

std::uint64_t PlayerPageBytes(const TakeOutline& outline, const std::string& title) {
    return BeforeTake(outline).size() + TakeHead(outline, title).size() +
           static_cast<std::uint64_t>(outline.frameCount) * FrameCharacters(outline) +
           kTakeTail.size() + AfterTake(outline).size();
}

bool NodePositionsAt(const TakeOutline& outline, long long number, std::vector<float>& xyz,
                     std::string& error) {
    xyz.resize(3 * outline.nodes.size());
    const TimeValue t = static_cast<TimeValue>(
        std::clamp<long long>(number * outline.ticksPerFrame, INT32_MIN, INT32_MAX));
    // Every node at this time before the next: a node's world matrix is
    // composed from its parent's, which the scene keeps for the time last
    // asked, and parents come first.
    for (std::size_t i = 0; i < outline.nodes.size(); ++i) {
        const TakeOutline::Node& drawn = outline.nodes[i];
        float* at = &xyz[3 * i];
        if (drawn.marker && AtOrigin(*drawn.node, t)) {
            std::fill(at, at + 3, std::numeric_limits<float>::quiet_NaN());
            continue;
        }
        const brindle::host::PreciseMatrix world = drawn.node->World(t);
        for (int c = 0; c < 3; ++c) {
            const double value = world.m[3][c];
            if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) {
                error = "node \"" + drawn.name + "\": its position at frame " +
                        std::to_string(number) +
                        (std::isfinite(value) ? " is beyond a 32-bit float"
                                              : " is not a finite number") +
                        "; nothing made";
                return false;
            }
            at[c] = static_cast<float>(value);
        }
    }
    return true;
}

bool PlayerPageHtml(const TakeOutline& outline, const std::string& title, std::string& html,
                    std::string& error) {
    return PlayerPageHtml(
        outline, title,
        [&outline](long long index, std::vector<float>& xyz, std::string& why) {
            return NodePositionsAt(outline, outline.firstFrame + index, xyz, why);
        },
        html, error);
}

bool PlayerPageHtml(const TakeOutline& outline, const std::string& title,
                    const FramePositions& positions, std::string& html, std::string& error) {
    html.clear();
    html.reserve(PlayerPageBytes(outline, title));
    html += BeforeTake(outline);
    html += TakeHead(outline, title);
    std::vector<float> frame;
    for (long long f = 0; f < outline.frameCount; ++f) {
        if (!positions(f, frame, error)) {
            html.clear();
            return false;
        }
        brindle::host::AppendBase64Floats(html, frame.data(), frame.size());
    }
    html += kTakeTail;
    html += AfterTake(outline);
    return true;
}

}  // namespace tovview
