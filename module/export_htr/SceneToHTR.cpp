// The selected bone hierarchy as an HTR model: segments in depth-first
// order, their base position from the pose the importer stored on the bones
// or from the current pose, and their motion frame by frame, turned from the
// host's Z-up axes and system unit into the file's Y-up axes and millimetres
// (the reverse of the importer's conversion). The frames are taken once
// every segment is made, a frame at a time with the nodes in the same order,
// so each node's world matrix is composed with its parent's, already kept
// by the host for that frame.
#include <utility>
#include <vector>

#include "export_htr/ExportHTR.h"
#include "export_htr/ExportHTROptions.h"
#include "export_htr/ScenePlacement.h"
#include "tovfileio/math/TOVRotation.h"
#include "tovfileio/text/FrameCounts.h"
#include "plugin/MessageReporter.h"
#include "resources/ModuleResources.h"

using namespace tovfileio;

namespace {

using htrexport::AxisReturn;
using htrexport::FileTranslation;
using htrexport::Matrix;
using htrexport::Placement;
using htrexport::PlaceAt;
using htrexport::Scaled;

bool IsBone(INode* node) {
    Object* object = node != nullptr ? node->GetObjectRef() : nullptr;
    return object != nullptr && object->ClassID() == BONE_OBJ_CLASSID;
}

float BoneLengthParameter(INode* node) {
    IParamBlock2* block = node->GetObjectRef()->GetParamBlock(0);
    return block != nullptr ? block->GetFloat(3, 0) : 0.0f;
}

// The seven "HTRBase" properties the importer wrote, when all are there.
bool SavedPose(INode* node, float values[7]) {
    static const wchar_t* const kKeys[7] = {L"HTRBaseTransX", L"HTRBaseTransY", L"HTRBaseTransZ",
                                            L"HTRBaseRotX",   L"HTRBaseRotY",   L"HTRBaseRotZ",
                                            L"HTRBaseLength"};
    for (int i = 0; i < 7; ++i) {
        if (!node->GetUserPropFloat(kKeys[i], values[i])) return false;
    }
    return true;
}

}  // namespace

HTRSegment* ExportHTR::ExportBone(INode* node, HTRSegment* parent, bool& skipped) {
    const ExportHTROptions& options = ExportHTROptions::Module();
    const bool root = parent == nullptr;
    skipped = false;
    // End effectors mark a tip; they are not segments of the file.
    const std::wstring name = node->GetName();
    if (name.find(L"Effector") != std::wstring::npos) {
        skipped = true;
        return nullptr;
    }
    HTRSegment segment(name);
    segment.SetRoot(root);
    // The same for every bone, and several matrix products to make.
    static const AxisReturn axes;
    const bool relative = !root || !options.parentTransforms;

    float pose[7];
    if (options.savedPose && SavedPose(node, pose)) {
        segment.SetBaseTranslation(pose[0], pose[1], pose[2]);
        segment.SetBaseRotation(TOVEulerRotation<double>(pose[3], pose[4], pose[5]));
        segment.SetBoneLength(pose[6]);
        // A reference length of 0 (an end segment's may be) gives no scale to
        // measure against: reference scale 0, whose frames the writer reports
        // as scale 1.
        const double parameter = BoneLengthParameter(node);
        segment.SetReferenceScale(pose[6] != 0.0f && parameter != 0.0
                                      ? double(pose[6]) / parameter
                                      : 0.0);
    } else {
        const TimeValue now = host_->GetTime();
        const Matrix3 world = node->GetNodeTM(now);
        INode* parentNode = node->GetParentNode();
        if (!(node->GetObjectTM(now) == world) ||
            !(parentNode->GetObjectTM(now) == parentNode->GetNodeTM(now))) {
            MessageReporter::Module().Report(GetResourceStringAsMSTR(IDS_BONE_PREFIX) + name +
                                                 GetResourceStringAsMSTR(IDS_OBJECT_OFFSET),
                                             GetResourceStringAsMSTR(IDS_EXPORT_HTR_ERROR));
        }
        const Placement p = PlaceAt(node, now, relative);
        segment.SetBaseTranslation(Scaled(FileTranslation(p.translation, root), p.parentScale));
        segment.SetBaseRotation(TOVEulerRotation<double>(axes(p.rotation, root)));
        const float length = BoneLengthParameter(node) * p.parentScale * p.scale.x;
        segment.SetBoneLength(length);
        segment.SetReferenceScale(p.scale.x * p.parentScale);
    }
    htr_.SetNormalizeScaleFactors(true);

    FrameSource frames{node, nullptr, parent, root, relative, Matrix(), segment.BaseTranslation()};
    if (options.animate) {
        std::int64_t first = 0, last = 0;
        FramesToExport(first, last);
        // FramesNumbered has checked that it fits.
        htr_.SetFirstFrame(static_cast<std::int32_t>(first + options.offset));
        frameFirst_ = first;
        frameLast_ = last;
        frames.baseInverse = Matrix(segment.BaseRotation()).Transposed();
    }

    HTRSegment* stored = AddNewSegment(segment);
    if (stored == nullptr) {
        MessageReporter::Module().Report(GetResourceStringAsMSTR(IDS_DUPLICATE_BONE_NAMES),
                                         GetResourceStringAsMSTR(IDS_EXPORT_HTR_ERROR));
        return nullptr;
    }
    if (parent != nullptr) stored->SetParent(parent);
    if (options.animate) {
        frames.segment = stored;
        if (frameLast_ >= frameFirst_) {
            stored->ReserveFrames(static_cast<std::size_t>(frameLast_ - frameFirst_ + 1));
        }
        frameSources_.push_back(frames);
    }
    ++segmentsAdded_;
    host_->ProgressUpdate(static_cast<int>(90.0f * static_cast<float>(segmentsAdded_) /
                                           static_cast<float>(htr_.SegmentCount())));
    return stored;
}

void ExportHTR::FramesToExport(std::int64_t& first, std::int64_t& last) const {
    const ExportHTROptions& options = ExportHTROptions::Module();
    first = options.startFrame;
    last = options.endFrame;
    if (!options.range) {
        const Interval range = host_->GetAnimRange();
        const int tpf = GetTicksPerFrame();
        first = range.Start() / tpf;
        last = range.End() / tpf;
    }
}

bool ExportHTR::FramesNumbered() {
    const ExportHTROptions& options = ExportHTROptions::Module();
    if (!options.animate) return true;
    std::int64_t first = 0, last = 0;
    FramesToExport(first, last);
    if (FrameNumbersFit(first + options.offset, last - first + 1)) return true;
    MessageReporter::Module().Report(GetResourceStringAsMSTR(IDS_EXPORT_FRAMES_UNNUMBERED),
                                     GetResourceStringAsMSTR(IDS_EXPORT_HTR_ERROR));
    record_.Refused(IDS_EXPORT_FRAMES_UNNUMBERED);
    return false;
}

HTRSegment* ExportHTR::AddNewSegment(const HTRSegment& segment) {
    if (!HTRFile::NameAllowed(segment.Name()) || names_.count(segment.Name()) != 0) return nullptr;
    HTRSegment* stored = htr_.AppendSegment(segment);
    names_.insert(stored->Name());
    return stored;
}

INode* ExportHTR::RootOf(INode* selected) {
    if (IsBone(selected)) return selected;
    for (int i = 0; i < selected->NumberOfChildren(); ++i) {
        if (IsBone(selected->GetChildNode(i))) return selected->GetChildNode(i);
    }
    return nullptr;
}

void ExportHTR::RefuseForWantOfRoot(int textId) {
    MessageReporter::Module().Report(GetResourceStringAsMSTR(textId),
                                     GetResourceStringAsMSTR(IDS_EXPORT_ERROR));
    record_.Refused(textId);
    std::vector<std::wstring> roots;
    INode* top = host_->GetRootNode();
    for (int i = 0; top != nullptr && i < top->NumberOfChildren(); ++i) {
        INode* node = top->GetChildNode(i);
        if (RootOf(node) != nullptr) roots.emplace_back(node->GetName());
    }
    record_.RootsToSelect(std::move(roots));
}

bool ExportHTR::BuildFromScene() {
    const ExportHTROptions& options = ExportHTROptions::Module();
    if (host_->GetSelNodeCount() == 0) {
        RefuseForWantOfRoot(IDS_SELECT_ROOT_BONE);
        return false;
    }
    INode* root = RootOf(host_->GetSelNode(0));
    if (root == nullptr) {
        RefuseForWantOfRoot(IDS_SELECT_BONE_OBJECT);
        return false;
    }
    segmentsAdded_ = 0;
    names_.clear();
    frameSources_.clear();
    htr_.SetDataFrameRate(TIME_TICKSPERSEC / GetTicksPerFrame());
    htr_.SetCalibrationUnits(kUnitsMillimetres);
    if (options.animate) {
        htr_.SetNumFrames(static_cast<std::uint32_t>(
            std::int64_t(options.endFrame) - options.startFrame + 1));
    }

    // Depth first, children in order, with a stack of our own: each entry
    // is a bone and the stored segment of its parent bone.
    std::vector<std::pair<INode*, HTRSegment*>> pending{{root, nullptr}};
    while (!pending.empty()) {
        auto [node, parent] = pending.back();
        pending.pop_back();
        bool skipped = false;
        HTRSegment* stored = ExportBone(node, parent, skipped);
        if (stored == nullptr) {
            // A root that could not be added ends the build; an end effector
            // or a refused bone below it leaves out only its own branch.
            if (parent == nullptr && !skipped) return false;
            continue;
        }
        for (int i = node->NumberOfChildren(); i-- > 0;) {
            INode* child = node->GetChildNode(i);
            if (IsBone(child)) pending.emplace_back(child, stored);
        }
    }
    ExportFrames();
    frameSources_.clear();
    names_.clear();
    htr_.SetRotationUnits(kRotationDegrees);
    htr_.ScaleTranslations(GetMasterScale(UNITS_MILLIMETERS) * options.scaleFactor);
    return true;
}
