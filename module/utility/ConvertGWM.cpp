#include "utility/ConvertGWM.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "brindle/sdk/TextCodec.h"
#include "brindle/sdk/TextFileWriter.h"
#include "tovfileio/gwm/GWMWriter.h"
#include "plugin/MessageReporter.h"
#include "resources/ModuleResources.h"
#include "utility/ConvertGWMSettingsStore.h"
#include "utility/PickControlNode.h"
#include "utility/StandardMarkerTable.h"

using namespace tovfileio;

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The characters the file dialogs may return.
constexpr std::size_t kFileBufferChars = 260000;
constexpr std::size_t kPathChars = 260;
// The creator dialog hears of a new step by this message.
constexpr UINT kNewMarkerStep = WM_USER + 1;

// A dialog filter: the description, its pattern, and the closing null.
std::wstring Filter(int descriptionId, const wchar_t* pattern) {
    std::wstring filter = GetResourceStringAsMSTR(descriptionId);
    filter += L'\0';
    filter += pattern;
    filter += L'\0';
    filter += L'\0';
    return filter;
}

// One of the conversion's file dialogs, asked with the host's main window
// as owner: path must exist, no read-only box, no places bar, plus `flags`.
class FileDialog {
public:
    FileDialog(HWND owner, int filterId, const wchar_t* pattern, int titleId,
               const wchar_t* extension, const wchar_t* folder, DWORD flags, std::size_t chars)
        : filter_(Filter(filterId, pattern)),
          title_(GetResourceStringAsMSTR(titleId)),
          buffer_(chars, L'\0') {
        request_.lStructSize = sizeof(request_);
        request_.hwndOwner = owner;
        request_.lpstrFilter = filter_.c_str();
        request_.lpstrFile = buffer_.data();
        request_.nMaxFile = static_cast<DWORD>(buffer_.size());
        request_.lpstrInitialDir = folder;
        request_.lpstrTitle = title_.c_str();
        request_.lpstrDefExt = extension;
        request_.Flags = flags | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        request_.FlagsEx = OFN_EX_NOPLACESBAR;
    }
    FileDialog(const FileDialog&) = delete;
    FileDialog& operator=(const FileDialog&) = delete;

    bool Open() { return GetOpenFileNameW(&request_) != FALSE; }
    bool Save() { return GetSaveFileNameW(&request_) != FALSE; }
    // The chosen path, or the folder and names of a multiple selection.
    std::vector<wchar_t>& Buffer() { return buffer_; }
    std::size_t FileOffset() const { return request_.nFileOffset; }

private:
    std::wstring filter_;
    std::wstring title_;
    std::vector<wchar_t> buffer_;
    OPENFILENAMEW request_{};
};

DWORD NoProgressWork(void* /*arg*/) { return 0; }

// Lets the host process every window message pending now.
void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Lets the host process one pending message: the pick loop looks at its
// flags after each, so a click meant for the next pick stays queued.
void PumpOneMessage() {
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The conversion as the panel runs it: the host's progress display and
// cancel, the batch log, the save dialog for each target, a reader's
// refusal shown as a message.
class PanelRun : public GwmRunObserver {
public:
    PanelRun(Interface& host, TextFile::Writer& log, const ConvertGWMSettings& settings)
        : host_(host), log_(log), settings_(settings) {}

    bool Cancelled() override {
        PumpMessages();
        return host_.GetCancel() != FALSE;
    }
    void Progress(int percent) override { host_.ProgressUpdate(percent); }
    void Log(const std::string& line) override { log_.Write(line); }
    bool ChooseTarget(const std::wstring& /*source*/, std::wstring& target) override {
        FileDialog dialog(host_.GetMainWindow(), IDS_GWM_FILTER, L"*.gwm", IDS_SELECT_TARGET_GWM,
                          L"gwm", settings_.OutputPath.c_str(), OFN_OVERWRITEPROMPT, kPathChars);
        if (!dialog.Save()) return false;
        target = dialog.Buffer().data();
        return true;
    }
    void SourceRefused(const GwmFileResult& file) override {
        MessageReporter::Module().Report(file.source + L": " + file.readerMessage + L"\n",
                                         GetResourceStringAsMSTR(IDS_CONVERT_GWM_ERROR));
    }
    void FileDone(const GwmFileResult& file) override {
        if (file.outcome != GwmFileResult::Outcome::kFramesUnnumbered) return;
        MessageReporter::Module().Report(file.source + L": " + kGwmFramesUnnumbered + L"\n",
                                         GetResourceStringAsMSTR(IDS_CONVERT_GWM_ERROR));
    }

private:
    Interface& host_;
    TextFile::Writer& log_;
    const ConvertGWMSettings& settings_;
};

// The creator running now; the dialog procedure reaches it through this.
ConvertGWM* runningCreator = nullptr;

INT_PTR MnmCreatorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            runningCreator = reinterpret_cast<ConvertGWM*>(lParam);
            EnableWindow(GetDlgItem(dialog, IDC_MNM_BACK), FALSE);
            return TRUE;
        case kNewMarkerStep: {
            const int step = runningCreator != nullptr ? runningCreator->Step() : 0;
            EnableWindow(GetDlgItem(dialog, IDC_MNM_BACK), step != 0 ? TRUE : FALSE);
            EnableWindow(GetDlgItem(dialog, IDC_MNM_SKIP), FALSE);
            if (IsOptionalMarkerStep(step)) EnableWindow(GetDlgItem(dialog, IDC_MNM_SKIP), TRUE);
            SetDlgItemTextW(dialog, IDC_MARKER_DESCRIPTION, reinterpret_cast<const wchar_t*>(lParam));
            return TRUE;
        }
        case WM_COMMAND:
            if (runningCreator == nullptr) return FALSE;
            switch (LOWORD(wParam)) {
                case IDC_MNM_SKIP: runningCreator->SkipMarker(); return TRUE;
                case IDC_MNM_BACK: runningCreator->BackMarker(); return TRUE;
                case IDC_MNM_ABORT: runningCreator->AbortCreator(); return TRUE;
                case IDOK: runningCreator->ConfirmMarker(); return TRUE;
                default: return FALSE;
            }
        default: return FALSE;
    }
}

}  // namespace

ConvertGWM::ConvertGWM() {
    key_.Open(L"TOVFileIO", L"Brindle", L"ConvertGWM");
    LoadSettings();
}

ConvertGWM::~ConvertGWM() {
    SaveSettings();
    if (runningCreator == this) runningCreator = nullptr;
}

void ConvertGWM::LoadSettings() { refused_ = ::LoadSettings(key_, settings_); }

void ConvertGWM::SaveSettings() { ::SaveSettings(key_, settings_); }

BOOL ConvertGWM::Exit(HWND /*mainWindow*/) {
    interrupted_ = true;
    if (host_ != nullptr) host_->ClearPickMode();
    Sleep(200);
    return TRUE;
}

bool ConvertGWM::ConvertTRCFiles(Interface* host) {
    host_ = host;
    if (host == nullptr) return false;
    // The map is loaded whether or not it filters; without it nothing runs.
    // It is the file chosen now, read anew: never added to an earlier one.
    map_.Clear();
    if (!map_.ReadMNMFile(settings_.MNMPath)) return false;
    std::vector<std::wstring> sources;
    TextFile::Writer log;
    if (!ChooseSources(host, sources, log)) return false;

    host->ProgressStart(L"Tovelund ConvertGWM", TRUE, NoProgressWork, nullptr);
    PanelRun observer(*host, log, settings_);
    const GwmRunResult run = conversion_.Run(
        sources, settings_, map_,
        settings_.Batch ? RefusedSource::kConvertAnyway : RefusedSource::kStopRun, observer);
    // The log takes its name once the run is over; a log that could not be
    // written whole is the host's to hear of.
    if (log.IsOpen()) static_cast<void>(log.Close());
    host->ProgressEnd();
    return run.completed;
}

bool ConvertGWM::ChooseSources(Interface* host, std::vector<std::wstring>& sources,
                               TextFile::Writer& log) {
    FileDialog sourceDialog(host->GetMainWindow(), IDS_TRC_FILTER, L"*.trc", IDS_SELECT_SOURCE_TRC,
                            L"trc", settings_.InputPath.c_str(),
                            OFN_FILEMUSTEXIST | (settings_.Batch ? OFN_ALLOWMULTISELECT | OFN_EXPLORER
                                                                 : 0),
                            kFileBufferChars);
    if (!sourceDialog.Open()) return false;
    std::vector<wchar_t>& buffer = sourceDialog.Buffer();
    if (!settings_.Batch) {
        sources.emplace_back(buffer.data());
        return true;
    }
    // One chosen file comes back as a full path: cut it into the folder and
    // the name, as several files come.
    const std::size_t offset = sourceDialog.FileOffset();
    if (offset > 0 && offset < buffer.size() && IsSeparator(buffer[offset - 1])) {
        buffer[offset - 1] = L'\0';
    }
    if (!log.Open(TrcToGwmConversion::BatchLogPath(settings_.OutputPath))) {
        MessageReporter::Module().Report(GetResourceStringAsMSTR(IDS_BATCH_LOG_FAILED),
                                         GetResourceStringAsMSTR(IDS_CONVERT_GWM_ERROR));
        return false;
    }
    settings_.InputPath = buffer.data();
    const wchar_t* end = buffer.data() + buffer.size();
    for (const wchar_t* name = buffer.data() + settings_.InputPath.size() + 1;
         name < end && *name != L'\0' && sources.size() < kMaxGwmBatchFiles;
         name += std::wcslen(name) + 1) {
        sources.push_back(settings_.InputPath + kGwmPathSeparator + name);
    }
    return true;
}

bool ConvertGWM::BrowseMNM(Interface* host) {
    host_ = host;
    FileDialog dialog(host != nullptr ? host->GetMainWindow() : nullptr, IDS_MNM_FILTER, L"*.mnm",
                      IDS_SELECT_MAPPING_FILE, L"mnm", nullptr, OFN_FILEMUSTEXIST, kPathChars);
    if (!dialog.Open()) return false;
    settings_.MNMPath = dialog.Buffer().data();
    return true;
}

void ConvertGWM::Redraw() {
    if (host_ != nullptr) host_->RedrawViews(host_->GetTime());
}

void ConvertGWM::ReleaseLast() {
    MarkerNameMapEntry entry;
    if (!picks_.TakeLast(entry) || host_ == nullptr) return;
    if (INode* node = host_->GetINodeByHandle(entry.nodeHandle)) {
        node->SetWireColor(kReleasedWireColor);
    }
}

void ConvertGWM::ReleaseAll() {
    while (!picks_.Entries().empty()) ReleaseLast();
}

bool ConvertGWM::EndCreation(OperationEnd end, const std::wstring& file, int reason) {
    creation_.end = end;
    creation_.file = file;
    creation_.reason = reason;
    return end == OperationEnd::kDone;
}

bool ConvertGWM::CreateMNM(Interface* host) {
    host_ = host;
    creation_ = OperationReport{};
    if (host == nullptr) return false;
    // A walk starts with no picks: those an earlier walk kept when its save
    // failed are given back first, so that they do not join this file.
    ReleaseAll();
    if (!AskBeforeWalk()) return EndCreation(OperationEnd::kCancelled);
    const MessageReporter& reporter = MessageReporter::Module();

    creatorDialog_ = CreateDialogParamW(nullptr, ModuleDialog(IDD_MNM_CREATOR),
                                        host->GetMainWindow(), MnmCreatorProc,
                                        reinterpret_cast<LPARAM>(this));
    if (creatorDialog_ == nullptr) return EndCreation(OperationEnd::kRefused);
    ShowWindow(creatorDialog_, SW_SHOW);
    if (!RunMarkerWalk()) return EndCreation(OperationEnd::kCancelled);

    FileDialog dialog(host->GetMainWindow(), IDS_MNM_FILTER, L"*.mnm", IDS_SELECT_MAPPING_FILE,
                      L"mnm", nullptr, OFN_OVERWRITEPROMPT, kPathChars);
    // Cancelled or failed, the picks stay in the map and keep their colour.
    if (!dialog.Save()) return EndCreation(OperationEnd::kCancelled);
    const std::wstring file = dialog.Buffer().data();
    const std::wstring status = GetResourceStringAsMSTR(IDS_MNM_STATUS);
    if (!picks_.WriteMNMFile(file)) {
        reporter.Report(GetResourceStringAsMSTR(IDS_MNM_OPEN_FAILED), status);
        return EndCreation(OperationEnd::kRefused, file, IDS_MNM_OPEN_FAILED);
    }
    reporter.Report(GetResourceStringAsMSTR(IDS_MNM_SUCCESS), status);
    ReleaseAll();
    Redraw();
    return EndCreation(OperationEnd::kDone, file);
}

bool ConvertGWM::AskBeforeWalk() {
    const MessageReporter& reporter = MessageReporter::Module();
    const HasMarkerNode hasNode = [this](const wchar_t* code) { return MatchFor(code) != nullptr; };
    const std::optional<bool> leftByNames = WristStickByNames(kLeftWristStep, hasNode);
    const std::optional<bool> rightByNames = WristStickByNames(kRightWristStep, hasNode);
    // Said before any question, so that a person abandons before answering
    // anything; the wrists count as the scene's names tell. A scene whose
    // nodes are named otherwise throughout is picked by hand as it always
    // was, without a list of every marker.
    const std::vector<std::wstring> missing =
        AnyMarkerHasNode(hasNode)
            ? MandatoryMarkersWithoutNode(leftByNames.value_or(false),
                                          rightByNames.value_or(false), hasNode)
            : std::vector<std::wstring>{};
    if (!missing.empty()) {
        std::wstring names;
        for (const std::wstring& code : missing) names += (names.empty() ? L"" : L", ") + code;
        const std::wstring text =
            L"The scene has no node named " + names + L", which the map must give (" +
            std::to_wstring(missing.size()) +
            (missing.size() == 1 ? L" marker" : L" markers") +
            L"). Pick other nodes for them as they are asked for? No abandons the creator.";
        if (!reporter.Ask(text, GetResourceStringAsMSTR(IDS_MNM_STATUS))) return false;
    }
    const std::wstring optional = GetResourceStringAsMSTR(IDS_PICK_OPTIONAL);
    const auto ask = [&](const wchar_t* question, const std::optional<bool>& byNames) {
        if (takeMatches_ && byNames) return *byNames;
        return reporter.Ask(question, optional, byNames.value_or(false));
    };
    leftWristStick_ = ask(L"Are you using a left wrist stick?", leftByNames);
    rightWristStick_ = ask(L"Are you using a right wrist stick?", rightByNames);
    return true;
}

INode* ConvertGWM::MatchFor(const wchar_t* code) const {
    if (host_ == nullptr) return nullptr;
    INode* node = host_->GetINodeByName(code);
    if (node == nullptr || PickControlNode::Module().Filter(node) == FALSE) return nullptr;
    return HolderOf(node->GetHandle()) == nullptr ? node : nullptr;
}

const wchar_t* ConvertGWM::HolderOf(ULONG handle) const {
    for (const MarkerNameMapEntry& entry : picks_.Entries()) {
        if (entry.nodeHandle == handle) return entry.gwmName.c_str();
    }
    return nullptr;
}

void ConvertGWM::Record(const wchar_t* code, INode* node) {
    picks_.Append({code, node->GetName(), node->GetHandle()});
    node->SetWireColor(kPickedWireColor);
    Redraw();
}

bool ConvertGWM::RunMarkerWalk() {
    step_ = 0;
    furthestStep_ = -1;
    aborted_ = false;
    for (;;) {
        const MarkerStep& marker = StandardMarkerStep(step_);
        if (step_ == kLeftWristStep || step_ == kRightWristStep) {
            const bool stick = step_ == kLeftWristStep ? leftWristStick_ : rightWristStick_;
            // The second marker is asked for whatever the first pick gave.
            AskForMarker(stick ? marker.stickCode : marker.code,
                         stick ? marker.stickDescription : marker.description, false);
            AskForMarker(stick ? marker.stickSecondCode : marker.secondCode,
                         stick ? marker.stickSecondDescription : marker.secondDescription, true);
        } else {
            AskForMarker(marker.code, marker.description, false);
        }
        asking_.reset();
        offered_ = 0;
        furthestStep_ = std::max(furthestStep_, step_);
        if (aborted_) {
            ReleaseAll();
            Redraw();
            return false;
        }
        if (++step_ >= kMarkerSteps) {
            if (creatorDialog_ != nullptr) DestroyWindow(creatorDialog_);
            creatorDialog_ = nullptr;
            return true;
        }
    }
}

void ConvertGWM::AskForMarker(const wchar_t* code, const wchar_t* description, bool second) {
    const bool pair = step_ == kLeftWristStep || step_ == kRightWristStep;
    INode* match = MatchFor(code);
    // A match is taken unasked the first time the walk comes to its step;
    // after Back it is offered, so that Back reaches it.
    if (match != nullptr && takeMatches_ && step_ > furthestStep_) {
        Record(code, match);
        return;
    }
    offered_ = match != nullptr ? match->GetHandle() : 0;
    asking_ = CreatorStep{step_,       kMarkerSteps, pair, second, IsOptionalMarkerStep(step_),
                          description, match != nullptr ? match->GetName() : L""};
    SendMessageW(creatorDialog_, kNewMarkerStep, 0, reinterpret_cast<LPARAM>(description));
    PickMarker(code);
}

bool ConvertGWM::PickMarker(const wchar_t* code) {
    if (host_ == nullptr) return false;
    PickControlNode& pick = PickControlNode::Module();
    for (;;) {
        host_->RegisterExitBRINDLECallback(this);
        pick.pickedNode = nullptr;
        pick.rightClicked = false;
        interrupted_ = false;
        confirmed_ = false;
        host_->SetPickMode(&pick);
        while (pick.active && !interrupted_) PumpOneMessage();
        host_->ClearPickMode();
        host_->UnRegisterExitBRINDLECallback(this);
        INode* node = pick.pickedNode;
        if (confirmed_) {
            node = host_->GetINodeByHandle(offered_);
        } else if (interrupted_) {
            return false;
        }
        if (pick.rightClicked) {
            // The walk asks for this step again.
            --step_;
            return false;
        }
        if (node == nullptr) return false;
        // One node is one marker in the map: the conversion renames a TRC
        // marker by the first line naming it, so a second would be dropped.
        if (const wchar_t* holder = HolderOf(node->GetHandle())) {
            const bool skippable = IsOptionalMarkerStep(step_);
            MessageReporter::Module().Report(
                std::wstring(node->GetName()) + L" is already the node of " + holder +
                    (skippable ? L"; pick another node or click Skip" : L"; pick another node"),
                GetResourceStringAsMSTR(IDS_MNM_STATUS));
            continue;
        }
        Record(code, node);
        return true;
    }
}

void ConvertGWM::SkipMarker() { interrupted_ = true; }

void ConvertGWM::ConfirmMarker() {
    if (!asking_) return;
    if (offered_ != 0) {
        confirmed_ = true;
        interrupted_ = true;
    } else if (IsOptionalMarkerStep(step_)) {
        SkipMarker();
    }
}

void ConvertGWM::BackMarker() {
    ReleaseLast();
    Redraw();
    interrupted_ = true;
    if (step_ > 0) step_ -= 2;
}

void ConvertGWM::AbortCreator() {
    interrupted_ = true;
    aborted_ = true;
    if (creatorDialog_ != nullptr) DestroyWindow(creatorDialog_);
    creatorDialog_ = nullptr;
}
