// Keys the base position and the frames of an HTR file onto a bone
// hierarchy: the target node with its segment, then every child segment on
// the first child bone of the same name, depth first.
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "import_htr/AxisChange.h"
#include "import_htr/ImportHTR.h"
#include "plugin/FrameKeys.h"
#include "plugin/HostModes.h"

using namespace tovfileio;

namespace {

bool IsBone(INode* node) {
    Object* object = node->GetObjectRef();
    return object != nullptr && object->ClassID() == BONE_OBJ_CLASSID;
}

// The child bones of one node by name, the first of each name: made when a
// second child segment is looked up, so a chain looks through its one child
// and a node with thousands of children reads them once. The children and
// their names do not change while the motion is keyed.
class ChildBones {
public:
    INode* Named(INode* node, const std::wstring& name) {
        if (lookups_++ == 0) return FirstNamed(node, name);
        if (!indexed_) Index(node);
        const auto found = byName_.find(name);
        return found == byName_.end() ? nullptr : found->second;
    }

private:
    static INode* FirstNamed(INode* node, const std::wstring& name) {
        for (int i = 0; i < node->NumberOfChildren(); ++i) {
            INode* child = node->GetChildNode(i);
            if (IsBone(child) && name == child->GetName()) return child;
        }
        return nullptr;
    }
    void Index(INode* node) {
        indexed_ = true;
        for (int i = 0; i < node->NumberOfChildren(); ++i) {
            INode* child = node->GetChildNode(i);
            if (IsBone(child)) byName_.emplace(child->GetName(), child);
        }
    }

    std::uint32_t lookups_ = 0;
    bool indexed_ = false;
    std::unordered_map<std::wstring_view, INode*> byName_;
};

}  // namespace

bool ImportHTR::KeySegment(INode* node, HTRSegment& segment) {
    const ImportHTROptions& options = ImportHTROptions::Module();
    // The same for every segment, and several matrix products to make.
    static const htrimport::RotationChange change;
    const bool root = segment.IsRoot();
    const std::int64_t tpf = GetTicksPerFrame();
    const std::int64_t start = std::int64_t(options.startFrame) + options.offset;

    Control* transform = node->GetTMController();
    Control* position = transform->GetPositionController();
    Control* rotation = transform->GetRotationController();
    const auto clearFrom = static_cast<TimeValue>(tpf * start);
    const auto clearTo = static_cast<TimeValue>(tpf * (start + framesToKey_));
    DeleteKeysBetween(position, clearFrom, clearTo);
    DeleteKeysBetween(rotation, clearFrom, clearTo);

    if (options.rotationController == 1) {
        auto* tcb = static_cast<Control*>(
            host_->CreateInstance(CTRL_ROTATION_CLASS_ID, TCB_ROTATION_CLASS_ID));
        if (tcb != nullptr) {
            tcb->Copy(rotation);
            if (!transform->SetRotationController(tcb)) delete tcb;
        }
        rotation = transform->GetRotationController();
    }

    AnimateKeys animate;
    // Lengths are divided by the parent's scale, which is the same for every
    // frame: it is taken at the current time, where no key is set below.
    Point3 parentPosition, parentScale;
    Quat parentRotation;
    DecomposeMatrix(node->GetParentNode()->GetNodeTM(host_->GetTime()), parentPosition,
                    parentRotation, parentScale);
    const double k = (1.0 / double(parentScale.x)) * options.scaleFactor;
    auto scaled = [k](const TOVVector3<double>& t) {
        return TOVVector3<double>(t.x() * k, t.y() * k, t.z() * k);
    };

    if (options.keyBasePosition) {
        const TimeValue tb = options.animate ? static_cast<TimeValue>(tpf * (start - 1))
                                             : host_->GetTime();
        const Point3 p = htrimport::HostTranslation(scaled(segment.BaseTranslation()), root);
        if (!position->CanSetValue()) return false;
        position->SetValue(tb, &p, 1, CTRL_ABSOLUTE);
        TOVEulerRotation<double> base;
        base = segment.BaseRotation();
        TOVQuaternion<double> q;
        q.SetFromMatrix(change(htrimport::Matrix(base), root));
        const Quat hostRotation = htrimport::HostQuaternion(q);
        if (!rotation->CanSetValue()) return false;
        rotation->SetValue(tb, &hostRotation, 1, CTRL_ABSOLUTE);
    }

    if (options.animate) {
        const TOVRotationMatrix3<double> base(segment.BaseRotation());
        const std::int64_t firstIndex = std::int64_t(options.startFrame) - htr_.GetFirstFrame();
        for (std::int32_t i = 0; i < framesToKey_; ++i) {
            const auto t = static_cast<TimeValue>(tpf * (start + i));
            // An index before the first frame reads as no motion, as one past the last does.
            const std::int64_t index = firstIndex + i;
            const auto j = index < 0 || index > UINT32_MAX ? UINT32_MAX
                                                           : static_cast<std::uint32_t>(index);
            const Point3 p =
                htrimport::HostTranslation(scaled(segment.FrameTranslationAbsolute(j)), root);
            if (!position->CanSetValue()) return false;
            position->SetValue(t, &p, 1, CTRL_ABSOLUTE);
            TOVQuaternion<double> q;
            const TOVEulerRotation<double> absolute = segment.FrameRotationAbsolute(j, base);
            q.SetFromMatrix(change(htrimport::Matrix(absolute), root));
            const Quat hostRotation = htrimport::HostQuaternion(q);
            if (!rotation->CanSetValue()) return false;
            rotation->SetValue(t, &hostRotation, 1, CTRL_ABSOLUTE);
        }
    }
    return true;
}

bool ImportHTR::ApplyMotion(INode* node, HTRSegment& segment) {
    // The walk keeps its own stack, so a deep hierarchy cannot overflow the
    // call stack; each segment is keyed before its children and counted for
    // the progress display after them.
    struct Step {
        INode* node;
        HTRSegment* segment;
        std::uint32_t nextChild;
        ChildBones bones;
    };
    const float total = static_cast<float>(htr_.SegmentCount());
    std::unordered_set<const HTRSegment*> keyed{&segment};
    if (!KeySegment(node, segment)) return false;
    std::vector<Step> pending;
    pending.push_back({node, &segment, 0, {}});
    while (!pending.empty()) {
        Step& step = pending.back();
        if (step.nextChild < step.segment->ChildCount()) {
            HTRSegment* child = step.segment->Child(static_cast<std::int32_t>(step.nextChild++));
            if (child == nullptr || !keyed.insert(child).second) continue;
            INode* bone = step.bones.Named(step.node, child->Name());
            if (bone == nullptr) continue;
            if (!KeySegment(bone, *child)) return false;
            pending.push_back({bone, child, 0, {}});
            continue;
        }
        ++processedSegments_;
        host_->ProgressUpdate(
            10 + static_cast<int>(90.0f * static_cast<float>(processedSegments_) / total));
        pending.pop_back();
    }
    return true;
}
