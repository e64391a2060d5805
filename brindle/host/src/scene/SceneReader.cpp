#include "scene/SceneReader.h"

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scene/DocumentError.h"
#include "scene/DocumentValues.h"
#include "scene/NodeReader.h"
#include "scene/SceneDocumentForm.h"
#include "brindle/sdk/TextCodec.h"

namespace brindle::host {
namespace {

const Json* Member(const Json& object, const char* name) {
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

// An array of the settings (of `size` items when that is not 0).
const Json::array_t& SettingArray(const Json& value, const Place& at, const char* what,
                                  std::size_t size = 0) {
    if (!value.is_array()) {
        at.Fail(std::string(what) + " must be an array, not " + KindName(ScalarOf(value).kind));
    }
    const auto& items = value.get_ref<const Json::array_t&>();
    if (size != 0 && items.size() != size) {
        at.Fail(std::string(what) + " must have " + std::to_string(size) + " elements, not " +
                std::to_string(items.size()));
    }
    return items;
}

long long SettingInteger(const Json& value, const Place& at, const char* what, long long min,
                         long long max) {
    return Integer(ScalarOf(value), at, what, min, max);
}

// Resolves every node's parent (by handle when the node gives
// "parent_handle", else by name, the first node of that name) and checks
// that the parents form a tree.
void ResolveParents(const std::vector<ParentRef>& parents, std::vector<NodePlan>& plans) {
    std::unordered_map<ULONG, std::size_t> byHandle;
    byHandle.reserve(plans.size());
    // Names are looked up only for a node that gives no parent handle.
    std::unordered_map<std::wstring_view, std::size_t> byName;
    const auto where = [&](std::size_t i) { return Place::Node(i, plans[i].name); };
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const auto [at, added] = byHandle.emplace(plans[i].handle, i);
        if (!added) {
            where(i).Fail("handle " + std::to_string(plans[i].handle) + " is taken by node " +
                          std::to_string(at->second + 1));
        }
    }
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const Place at = where(i);
        const ParentRef& parent = parents[i];
        if (parent.field == nullptr || parent.value.kind == ValueKind::Null) continue;
        if (std::string_view(parent.field) == "parent_handle") {
            const auto number = Integer(parent.Value(), at, "parent_handle", 1, 0xFFFFFFFEll);
            const auto found = byHandle.find(static_cast<ULONG>(number));
            if (found == byHandle.end()) {
                at.Fail("parent handle " + std::to_string(number) + " is not a node of the scene");
            }
            plans[i].parent = found->second + 1;
        } else {
            const std::wstring wide = Name(parent.Value(), at, "parent");
            if (byName.empty()) {
                byName.reserve(plans.size());
                for (std::size_t n = 0; n < plans.size(); ++n) byName.emplace(plans[n].name, n);
            }
            const auto found = byName.find(wide);
            if (found == byName.end()) {
                at.Fail("parent \"" + Printable(parent.text) + "\" is not a node of the scene");
            }
            plans[i].parent = found->second + 1;
        }
    }
    CheckParentsFormTree(plans);
}

}  // namespace

void ReadScene(const DocumentTree& tree, ScenePlan& plan) {
    const Json& document = tree.root;
    const Place top{};
    if (!document.is_object()) FailDocument("not a tovfileio scene (not a JSON object)");
    const Json* format = Member(document, "format");
    if (format == nullptr) FailDocument("not a tovfileio scene (no \"format\" field)");
    if (!format->is_string() || format->get_ref<const std::string&>() != kSceneDocumentFormat) {
        FailDocument("not a tovfileio scene (format " + Printable(format->dump()) + ")");
    }
    const Json* version = Member(document, "version");
    if (version == nullptr) FailDocument("no \"version\" field");
    if (!version->is_number_integer()) FailDocument("\"version\" must be an integer");
    if (version->is_number_unsigned() ? version->get<std::uint64_t>() > kSceneDocumentVersion
                                      : version->get<long long>() > kSceneDocumentVersion) {
        FailDocument("version " + version->dump() + " of the scene document is newer than this program (" +
             std::to_string(kSceneDocumentVersion) + ")");
    }
    if (version->get<long long>() < 1) FailDocument("version " + version->dump() + " is not a version");

    if (const Json* rate = Member(document, "frame_rate")) {
        plan.frameRate =
            static_cast<int>(SettingInteger(*rate, top, "frame_rate", 1, TIME_TICKSPERSEC));
    }
    if (const Json* ticks = Member(document, "ticks_per_frame")) {
        const long long given =
            SettingInteger(*ticks, top, "ticks_per_frame", 1, TIME_TICKSPERSEC);
        const long long expected = TIME_TICKSPERSEC / plan.frameRate;
        if (given != expected) {
            FailDocument("ticks_per_frame " + std::to_string(given) + " does not match frame_rate " +
                 std::to_string(plan.frameRate) + " (" + std::to_string(expected) + ")");
        }
    }
    if (const Json* unit = Member(document, "system_unit_mm")) {
        plan.systemUnitMm = Double(ScalarOf(*unit), top, "system_unit_mm");
        if (!(plan.systemUnitMm > 0)) FailDocument("system_unit_mm must be positive");
    }
    if (const Json* time = Member(document, "time")) {
        plan.time =
            static_cast<TimeValue>(SettingInteger(*time, top, "time", INT32_MIN, INT32_MAX));
    }
    if (const Json* range = Member(document, "animation_range"); range && !range->is_null()) {
        const auto& ends = SettingArray(*range, top, "animation_range", 2);
        const auto end = [&](std::size_t i) {
            return static_cast<TimeValue>(
                SettingInteger(ends[i], top, "animation_range", INT32_MIN, INT32_MAX));
        };
        const TimeValue first = end(0);
        plan.range = Interval(first, end(1));
    }
    const auto found = document.find("nodes");
    if (found == document.end()) FailDocument("no \"nodes\" field");
    SettingArray(*found, top, "nodes");
    if (tree.nodeError) std::rethrow_exception(tree.nodeError);
    ResolveParents(tree.parents, plan.nodes);
    CheckPlan(plan);
}

}  // namespace brindle::host
