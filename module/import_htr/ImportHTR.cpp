#include "import_htr/ImportHTR.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

#include "import_htr/ImportHTRDialog.h"
#include "tovfileio/module/FilePaths.h"
#include "plugin/FrameKeys.h"
#include "tovfileio/text/FrameCounts.h"
#include "plugin/HostModes.h"
#include "plugin/MessageReporter.h"
#include "plugin/FileOpenError.h"
#include "resources/ModuleResources.h"

using namespace tovfileio;

namespace {

bool IsBipedController(const Class_ID& id) {
    return id == BIPSLAVE_CONTROL_CLASS_ID || id == BIPBODY_CONTROL_CLASS_ID ||
           id == BIPED_MASTER_CLASS_ID || id == FOOTPRINT_CLASS_ID;
}

bool IsBone(INode* node) {
    Object* object = node->GetObjectRef();
    return object != nullptr && object->ClassID() == BONE_OBJ_CLASSID;
}

// The name of the dummy over a created skeleton: the file's name between its
// folder (after the last backslash or slash) and its last full stop.
std::wstring DummyName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::size_t start = slash == std::wstring::npos ? 0 : slash + 1;
    std::size_t stop = path.find_last_of(L'.');
    if (stop == std::wstring::npos || stop < start) stop = path.size();
    return path.substr(start, stop - start);
}

}  // namespace

const wchar_t* ImportHTR::Ext(int n) { return n == 0 ? L"HTR" : L""; }

void ImportHTR::Report(int textId, int captionId) const {
    MessageReporter::Module().Report(GetResourceStringAsMSTR(textId),
                                     GetResourceStringAsMSTR(captionId));
}

void ImportHTR::Refuse(int textId, int captionId) {
    Report(textId, captionId);
    record_.Refused(textId);
}

int ImportHTR::DoImport(const wchar_t* name, ImpInterface* importer, Interface* host,
                        BOOL suppressPrompts) {
    if (host == nullptr) return 0;
    try {
        host_ = host;
        importer_ = importer;
        path_ = name != nullptr ? name : L"";
        const int result = RunImport(suppressPrompts);
        record_.EndUnsaid(result == 1);
        htr_.Reset();
        return result;
    } catch (const std::exception&) {
        htr_.Reset();
        htr_.ClearSegments();
        Refuse(IDS_IMPORT_OUT_OF_MEMORY, IDS_IMPORT_HTR_ERROR);
        return 0;
    }
}

bool ImportHTR::FindApplyTarget(HTRSegment& root, INode*& targetNode, HTRSegment*& targetSegment) {
    const int selected = host_->GetSelNodeCount();
    if (selected == 0) {
        Refuse(IDS_SELECT_SKELETON_ROOT, IDS_IMPORT_ERROR);
        return false;
    }
    for (int i = 0; i < selected; ++i) {
        Control* transform = host_->GetSelNode(i)->GetTMController();
        if (transform != nullptr && IsBipedController(transform->ClassID())) {
            Refuse(IDS_BIPED_REFUSED, IDS_IMPORT_ERROR);
            return false;
        }
    }
    INode* chosen = host_->GetSelNode(0);
    targetNode = chosen;
    if (IsBone(chosen)) {
        targetSegment = root.FindInSubtree(chosen->GetName());
        if (targetSegment == nullptr) {
            Refuse(IDS_BRANCH_NOT_IN_FILE, IDS_IMPORT_ERROR);
            return false;
        }
        return true;
    }
    // A group over a skeleton: its first child bone, else itself.
    for (int i = 0; i < chosen->NumberOfChildren(); ++i) {
        if (IsBone(chosen->GetChildNode(i))) {
            targetNode = chosen->GetChildNode(i);
            break;
        }
    }
    return true;
}

INode* ImportHTR::CreateSkeleton(HTRSegment& root, const ImportHTROptions& options) {
    INode* skeleton = BuildSkeleton(root, nullptr);
    if (skeleton == nullptr) return nullptr;
    if (host_->GetCancel()) return nullptr;
    auto* dummy = static_cast<DummyObject*>(host_->CreateInstance(HELPER_CLASS_ID, DUMMY_CLASS_ID));
    const float s = static_cast<float>(double(options.size) * options.scaleFactor);
    dummy->SetBox({Point3(-s, -s, -s), Point3(s, s, s)});
    INode* dummyNode = host_->CreateObjectNode(dummy);
    dummyNode->SetName(DummyName(path_).c_str());
    dummyNode->AttachChild(skeleton, 0);
    return skeleton;
}

int ImportHTR::RunImport(BOOL suppressPrompts) {
    // Animate and set-key mode stay suspended, and the progress display open,
    // until this returns, whichever way it returns.
    HostModesSuspended modes;
    ProgressDisplay progress(*host_, L"Tovelund ImportHTR");
    ImportHTROptions& options = ImportHTROptions::Module();

    const std::wstring file = record_.Start(path_, HtrFileFor);
    const std::wstring error = htr_.Read(file);
    if (!error.empty()) {
        MessageReporter::Module().Report(error, GetResourceStringAsMSTR(IDS_IMPORT_HTR_ERROR));
        record_.FileRefused(error, FileOpenError(file));
        return 0;
    }
    const std::uint32_t held = htr_.FramesHeld();
    record_.Holds(htr_.GetDataFrameRate(), htr_.GetNumFrames(), held);
    if (htr_.GetScaleFactor() != 1.0) Report(IDS_SCALE_FACTOR_HEADER, IDS_IMPORT_HTR_WARNING);

    htr_.ConvertCalibrationUnits(kUnitsMillimetres);
    const double k = 1.0 / GetMasterScale(UNITS_MILLIMETERS);
    if (k != 1.0) htr_.ScaleTranslations(k);
    progress.Update(10);

    // A header that claims far more frames than the file holds would have
    // the import key empty frames by the billion: only the frames held count.
    if (tovfileio::ClaimsTooManyFrames(htr_.GetNumFrames(), held)) {
        MessageReporter::Module().Report(FramesClaimedWarning(htr_.GetNumFrames(), held),
                                         GetResourceStringAsMSTR(IDS_IMPORT_HTR_WARNING));
        htr_.SetNumFrames(held);
    }

    const std::int64_t first = htr_.GetFirstFrame();
    options.startFrame = ClampToInt32(first);
    options.endFrame = ClampToInt32(first + std::int64_t(htr_.GetNumFrames()) - 1);

    if (suppressPrompts == FALSE) {
        // Anything but OK (Cancel, or a dialog that could not run) imports nothing.
        if (RunImportHTRDialog(host_->GetMainWindow(), options) != 1) {
            record_.Cancelled();
            return 1;
        }
    }

    if (options.setFrameRate) SetFrameRate(htr_.GetDataFrameRate());

    std::int64_t frames = options.range
                              ? std::int64_t(options.endFrame) - options.startFrame + 1
                              : std::int64_t(htr_.GetNumFrames());
    if (!options.animate) frames = 1;
    framesToKey_ = ClampToInt32(frames);
    processedSegments_ = 0;

    // Every key lies between the base key one frame before the start and the
    // last frame; all of it must be a time of the scene.
    const std::int64_t tpf = GetTicksPerFrame();
    const std::int64_t startKey = std::int64_t(options.startFrame) + options.offset;
    if (!FitsTime(tpf * (startKey - 1)) || !FitsTime(tpf * (startKey + framesToKey_)) ||
        !FitsTime(tpf * (first - 1)) || !FitsTime(tpf * (first + framesToKey_ + options.offset))) {
        Refuse(IDS_FRAMES_OUTSIDE_TIME, IDS_IMPORT_HTR_ERROR);
        return 0;
    }

    HTRSegment* root = htr_.RootSegment();
    if (root == nullptr) {
        Refuse(IDS_NO_ROOT_SEGMENT, IDS_IMPORT_HTR_ERROR);
        return 0;
    }

    INode* targetNode = nullptr;
    HTRSegment* targetSegment = root;
    if (options.apply) {
        if (!FindApplyTarget(*root, targetNode, targetSegment)) return 0;
    } else {
        targetNode = CreateSkeleton(*root, options);
        if (targetNode == nullptr) return 0;
    }

    if (options.keyBasePosition || options.animate) {
        if (!ApplyMotion(targetNode, *targetSegment)) return 0;
    }

    if (options.animate && htr_.GetNumFrames() >= 2) {
        const std::int64_t from = options.keyBasePosition ? first - 1 : first;
        host_->SetAnimRange(Interval(static_cast<TimeValue>(tpf * from),
                                     static_cast<TimeValue>(
                                         tpf * (first + framesToKey_ + options.offset - 1))));
    }
    progress.Update(100);
    return 1;
}
