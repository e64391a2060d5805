// tovfileio scene: what a scene document holds.
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "brindle/host/scene/Scene.h"
#include "brindle/host/scene/SceneDocument.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/commands/Commands.h"
#include "cli/report/SafeText.h"

namespace {

using brindle::host::Scene;
using brindle::host::SceneNode;

const char kSceneFooter[] =
    "Reads a scene document (the binary form the host saves, or JSON) and\n"
    "shows its settings and its node tree: each node indented under its\n"
    "parent, with its object's kind and the keys of its position, rotation\n"
    "and scale controllers. Trees deeper than 32 levels show the depth in\n"
    "brackets instead of indenting further. With --json, the scene as a JSON\n"
    "document, whichever form the file holds: text to read or compare, which\n"
    "loads as the same scene.\n"
    "\n"
    "A file that cannot be read is reported on standard error; the exit\n"
    "status is then 1.";

// Indentation stops growing here, so a deep tree prints in linear space.
constexpr std::size_t kMaxIndent = 32;

struct SceneOptions {
    bool json = false;
    std::string file;
};

std::string Keys(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " key" : " keys");
}

void DescribeNode(SceneNode& node, std::size_t depth, std::string& out) {
    if (depth > kMaxIndent) {
        out.append(2 * kMaxIndent, ' ');
        out += "[depth " + std::to_string(depth) + "] ";
    } else {
        out.append(2 * depth, ' ');
    }
    out += EscapedName(node.Name());
    out += "  ";
    out += node.HeldObject() != nullptr ? brindle::host::ObjectKind(*node.HeldObject()) : "none";
    const auto& transform = std::as_const(node).Transform();
    out += "  position " + Keys(transform.Position().Track().Size());
    out += ", rotation " + Keys(transform.Rotation().Track().Size());
    out += transform.Rotation().Kind() == brindle::host::ControllerClass::kTCB ? " (tcb)" : " (euler_xyz)";
    out += ", scale " + Keys(transform.Scale().Track().Size());
    out += '\n';
}

// A time in ticks as the frame it falls on, as a person counts a take: a
// whole frame, or to the thousandth of one between frames.
std::string FrameOf(std::int64_t ticks, std::int64_t ticksPerFrame) {
    if (ticksPerFrame <= 0) return std::to_string(ticks) + " ticks";
    if (ticks % ticksPerFrame == 0) return std::to_string(ticks / ticksPerFrame);
    char text[48];
    std::snprintf(text, sizeof text, "%.3f", double(ticks) / double(ticksPerFrame));
    std::string frame = text;
    while (frame.back() == '0') frame.pop_back();
    return frame;
}

std::string DescribeScene(Scene& scene) {
    std::string out;
    out += "frame rate       " + std::to_string(scene.FrameRate()) + "\n";
    out += "ticks per frame  " + std::to_string(scene.TicksPerFrame()) + "\n";
    char unit[64];
    std::snprintf(unit, sizeof unit, "%.17g", scene.SystemUnitMillimetres());
    out += std::string("system unit      ") + unit + " mm\n";
    const std::int64_t tpf = scene.TicksPerFrame();
    out += "time             frame " + FrameOf(scene.Time(), tpf) + " (tick " +
           std::to_string(scene.Time()) + ")\n";
    out += "animation range  ";
    if (const auto& range = scene.AnimationRange()) {
        out += "frames " + FrameOf(range->Start(), tpf) + " to " + FrameOf(range->End(), tpf) +
               " (ticks " + std::to_string(range->Start()) + " to " + std::to_string(range->End()) +
               ")\n";
    } else {
        out += "not set\n";
    }
    out += "nodes            " + std::to_string(scene.Nodes().size()) + "\n";
    // Depth first, children in their order, with an explicit stack so a
    // deep tree cannot overflow the call stack.
    std::vector<std::pair<SceneNode*, std::size_t>> stack;
    const auto& top = scene.Root().Children();
    for (auto at = top.rbegin(); at != top.rend(); ++at) stack.emplace_back(*at, 0);
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        DescribeNode(*node, depth, out);
        const auto& children = node->Children();
        for (auto at = children.rbegin(); at != children.rend(); ++at) {
            stack.emplace_back(*at, depth + 1);
        }
    }
    return out;
}

int RunScene(const SceneOptions& options, const CommandIO& io) {
    auto scene = std::make_unique<Scene>();
    std::string error;
    if (!brindle::host::LoadSceneDocument(options.file, *scene, error)) {
        io.Err("tovfileio scene: " + error + "\n");
        return kExitFailed;
    }
    io.Out(options.json ? brindle::host::SceneToJson(*scene) : DescribeScene(*scene));
    if (std::fflush(io.out) != 0 || std::ferror(io.out) != 0) {
        io.Err(std::string("tovfileio scene: cannot write the output: ") + std::strerror(errno) +
               "\n");
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

void AddSceneCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<SceneOptions>();
    CLI::App* command =
        context.AddCommand(app, "scene", "show what a scene document holds",
                           [options, &context] { return RunScene(*options, context.IO()); });
    command->add_flag("--json", options->json, "the scene as a JSON document");
    command->add_option("FILE", options->file, "the scene document")->required();
    command->footer(kSceneFooter);
}
