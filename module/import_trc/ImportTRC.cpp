#include "import_trc/ImportTRC.h"

#include <cstdint>
#include <deque>

#include "import_trc/ImportTRCDialog.h"
#include "import_trc/ImportTRCOptions.h"
#include "tovfileio/module/FilePaths.h"
#include "plugin/FrameKeys.h"
#include "tovfileio/math/UpAxisTurn.h"
#include "tovfileio/text/FrameCounts.h"
#include "plugin/HostModes.h"
#include "plugin/FileOpenError.h"
#include "plugin/MessageReporter.h"
#include "resources/ModuleResources.h"

using namespace tovfileio;

namespace {

// Marker nodes are drawn in blue (0x00BBGGRR).
constexpr DWORD kMarkerWireColor = 0x3333CC;

}  // namespace

void ImportTRC::Refuse(int text) {
    MessageReporter::Module().Report(GetResourceStringAsMSTR(text),
                                     GetResourceStringAsMSTR(IDS_IMPORT_TRC_ERROR));
    record_.Refused(text);
}

const wchar_t* ImportTRC::Ext(int n) { return n == 0 ? L"TRC" : L""; }

int ImportTRC::DoImport(const wchar_t* name, ImpInterface* importer, Interface* host,
                        BOOL suppressPrompts) {
    if (host == nullptr) return 1;
    try {
        host_ = host;
        importer_ = importer;
        path_ = name != nullptr ? name : L"";
        RunImport(suppressPrompts);
        record_.EndUnsaid(false);
    } catch (const std::exception&) {
        Refuse(IDS_IMPORT_OUT_OF_MEMORY);
    }
    trc_.Reset();
    selectedByName_.clear();
    return 1;
}

void ImportTRC::RunImport(BOOL suppressPrompts) {
    // Animate and set-key mode stay suspended, and the progress display open,
    // until this returns, whichever way it returns.
    HostModesSuspended modes;
    ProgressDisplay progress(*host_, L"Tovelund ImportTRC");
    ImportTRCOptions& options = ImportTRCOptions::Module();

    const std::wstring file = record_.Start(path_, TrcFileFor);
    const std::wstring error = trc_.Read(file);
    if (!error.empty()) {
        MessageReporter::Module().Report(error, GetResourceStringAsMSTR(IDS_IMPORT_TRC_ERROR));
        record_.FileRefused(error, FileOpenError(file));
        return;
    }
    record_.Holds(trc_.GetDataRate(), trc_.GetNumFrames(), trc_.GetNumRows());
    trc_.ConvertUnits(kUnitsMillimetres);
    const double k = 1.0 / GetMasterScale(UNITS_MILLIMETERS);
    if (k != 1.0) trc_.Scale(k);
    progress.Update(10);

    // A header that claims far more frames than the file has rows would have
    // the import key empty frames by the billion: only the rows count.
    const std::uint32_t rows = trc_.GetNumRows();
    if (trc_.GetNumFrames() > 0 && tovfileio::ClaimsTooManyFrames(std::uint64_t(trc_.GetNumFrames()), rows)) {
        MessageReporter::Module().Report(FramesClaimedWarning(trc_.GetNumFrames(), rows),
                                         GetResourceStringAsMSTR(IDS_IMPORT_TRC_WARNING));
        trc_.SetNumFrames(static_cast<std::int32_t>(rows));
    }
    const std::int64_t first = trc_.GetStartFrame();
    options.startFrame = ClampToInt32(first);
    options.endFrame = ClampToInt32(first - 1 + trc_.GetNumFrames());

    if (suppressPrompts == FALSE) {
        // Anything but OK (Cancel, or a dialog that could not run) imports nothing.
        if (RunImportTRCDialog(host_->GetMainWindow(), options) != 1) {
            record_.Cancelled();
            return;
        }
    }
    if (!BuildMarkerCloud()) return;
    progress.Update(100);
    record_.Done();
}

INode* ImportTRC::CreateMarker(const std::wstring& name) {
    const ImportTRCOptions& options = ImportTRCOptions::Module();
    const TimeValue now = host_->GetTime();
    INode* node;
    if (options.sphereGeometry) {
        auto* sphere = static_cast<Object*>(host_->CreateInstance(GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID));
        IParamBlock2* block = sphere->GetParamBlock(0);
        const float radius = static_cast<float>(double(options.size * 0.5f) * options.scaleFactor);
        block->SetValue(0, now, radius);
        block->SetValue(1, now, 10);
        block->SetValue(2, now, 1);
        block->SetValue(3, now, 0.0f);
        block->SetValue(6, now, 1);
        node = host_->CreateObjectNode(sphere);
    } else {
        auto* point = static_cast<Object*>(host_->CreateInstance(HELPER_CLASS_ID, POINTHELP_CLASS_ID));
        node = host_->CreateObjectNode(point);
        const float s = static_cast<float>(double(options.size * 0.25f) * options.scaleFactor);
        node->Scale(now, Matrix3(), Point3(s, s, s), TRUE, FALSE, PIV_NONE, FALSE);
    }
    node->SetName(name.c_str());
    node->SetWireColor(kMarkerWireColor);
    return node;
}

INode* ImportTRC::MarkerNode(const std::wstring& name) {
    const ImportTRCOptions& options = ImportTRCOptions::Module();
    if (options.apply) {
        // A selected node of the marker's name, or a direct child of one.
        const auto found = selectedByName_.find(name);
        if (found != selectedByName_.end()) return found->second;
        if (options.selectedOnly) return nullptr;
    }
    return CreateMarker(name);
}

void ImportTRC::IndexSelection() {
    selectedByName_.clear();
    for (int i = 0; i < host_->GetSelNodeCount(); ++i) {
        INode* selected = host_->GetSelNode(i);
        selectedByName_.emplace(selected->GetName(), selected);
        for (int c = 0; c < selected->NumberOfChildren(); ++c) {
            INode* child = selected->GetChildNode(c);
            selectedByName_.emplace(child->GetName(), child);
        }
    }
}

bool ImportTRC::BuildMarkerCloud() {
    const ImportTRCOptions& options = ImportTRCOptions::Module();
    if (options.setFrameRate) SetFrameRate(trc_.GetDataRate());
    const std::int64_t frames = options.range
                                    ? std::int64_t(options.endFrame) - options.startFrame + 1
                                    : std::int64_t(trc_.GetNumFrames());
    const std::int64_t tpf = GetTicksPerFrame();
    const std::int64_t start = std::int64_t(options.startFrame) + options.offset;
    if (!FitsTime(tpf * start) || !FitsTime(tpf * (start + frames)) ||
        !FitsTime(tpf * (std::int64_t(options.offset) + frames + 1))) {
        Refuse(IDS_FRAMES_OUTSIDE_TIME);
        return false;
    }

    INode* cloud = nullptr;
    if (options.rootNode) {
        auto* dummy = static_cast<DummyObject*>(host_->CreateInstance(HELPER_CLASS_ID, DUMMY_CLASS_ID));
        const float s = static_cast<float>(double(options.size) * options.scaleFactor);
        dummy->SetBox({Point3(-s, -s, -s), Point3(s, s, s)});
        cloud = host_->CreateObjectNode(dummy);
        std::wstring name = L"TRCCloud";
        host_->MakeNameUnique(name);
        cloud->SetName(name.c_str());
    }

    if (options.apply) IndexSelection();
    // Each marker is let go once keyed, so that the nodes and keys made for
    // the next ones take its memory rather than fresh memory.
    std::deque<TRCMarker> left = trc_.TakeMarkers();
    const auto markers = static_cast<std::uint32_t>(left.size());
    const std::int64_t firstSample = std::int64_t(options.startFrame) - trc_.GetStartFrame();
    for (std::uint32_t m = 0; m < markers; ++m, left.pop_front()) {
        if (host_->GetCancel()) return false;
        const TRCMarker& marker = left.front();
        INode* node = MarkerNode(marker.GetName());
        if (node != nullptr) {
            Control* position = node->GetTMController()->GetPositionController();
            if (position == nullptr) {
                Refuse(IDS_POSITION_CONTROLLER);
                return false;
            }
            DeleteKeysBetween(position, static_cast<TimeValue>(tpf * start),
                              static_cast<TimeValue>(tpf * (start + frames)));
            AnimateKeys animate;
            for (std::int64_t i = 0; i < frames; ++i) {
                // A sample before the first row reads as the origin, as one
                // past the last does; a dropout is keyed where the file has it.
                const std::int64_t index = firstSample + i;
                const auto sample = index < 0 || index > UINT32_MAX
                                        ? UINT32_MAX
                                        : static_cast<std::uint32_t>(index);
                double x, y, z;
                marker.GetPosition(sample, x, y, z);
                x *= options.scaleFactor;
                y *= options.scaleFactor;
                z *= options.scaleFactor;
                if (!position->CanSetValue()) return false;
                const auto up = tovfileio::YUpToZUp(x, y, z);
                const Point3 p(static_cast<float>(up[0]), static_cast<float>(up[1]),
                               static_cast<float>(up[2]));
                position->SetValue(static_cast<TimeValue>(tpf * (start + i)), &p, 1, CTRL_ABSOLUTE);
            }
        }
        if (node != nullptr && cloud != nullptr) cloud->AttachChild(node, 0);
        host_->ProgressUpdate(
            10 + static_cast<int>(90.0f * static_cast<float>(m + 1) / static_cast<float>(markers)));
    }
    if (trc_.GetNumFrames() >= 2) {
        host_->SetAnimRange(Interval(static_cast<TimeValue>(tpf),
                                     static_cast<TimeValue>(tpf * (options.offset + frames + 1))));
    }
    return true;
}
