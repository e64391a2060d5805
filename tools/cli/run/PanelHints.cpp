#include "cli/run/PanelHints.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/report/SafeText.h"
#include "tovfileio/gwm/MarkerNameMap.h"
#include "tovfileio/gwm/TrcToGwm.h"
#include "tovfileio/module/ResourceIds.h"

using brindle::host::HostEvent;
using brindle::host::LineDriverHints;
using brindle::host::PendingView;

namespace {

// What the panel's path fields show when nothing is chosen.
constexpr const wchar_t* kNoneShown = L"<none>";

// "marker 11 of 43, first of two: TEXT" for the step the creator asks a
// pick for.
std::string StepName(const CreatorStep& step) {
    return "marker " + std::to_string(step.marker + 1) + " of " + std::to_string(step.markers) +
           (step.pair ? (step.secondOfPair ? ", second of two" : ", first of two") : "") + ": " +
           tovfileio::EncodeUtf8(step.description);
}

// The step name, whether Skip passes it, and what Enter does there; empty
// when the creator asks for no pick.
std::string StepCaption(const MarkerCreator& creator) {
    const std::optional<CreatorStep> step = creator.CurrentStep();
    if (!step) return std::string();
    const std::string enter = !step->offered.empty() ? "; Enter takes " + EscapedName(step->offered)
                              : step->optional       ? "; Enter skips"
                                                     : "";
    return StepName(*step) + (step->optional ? " (optional: click Skip)" : "") + enter;
}

// Whether Enter does something at the creator's pick: takes the node
// offered, or passes an optional marker.
bool EnterPicks(const MarkerCreator& creator) {
    const std::optional<CreatorStep> step = creator.CurrentStep();
    return step && (!step->offered.empty() || step->optional);
}

// Why the creator's pick mode refuses a node that is a marker otherwise.
std::string PickRefusal(const std::wstring& name) {
    if (tovfileio::MarkerNameMap::CanHoldName(name)) return std::string();
    return name.empty() ? "a node without a name cannot be written to an MNM file"
                        : "an MNM file cannot hold a name with blanks; rename the node";
}

// Leaves out, unasked, an optional marker the scene has no node of that
// name for, the first time the walk comes to it: after Back it is asked
// for, so that Back reaches it, as the creator does with the matches it
// takes unasked.
class UnmatchedLeftOut {
public:
    explicit UnmatchedLeftOut(const MarkerCreator& creator) : creator_(creator) {}

    std::string operator()(const PendingView&) {
        const std::optional<CreatorStep> step = creator_.CurrentStep();
        if (!step) return std::string();
        const int place = step->marker * 2 + (step->secondOfPair ? 1 : 0);
        const bool firstTime = place > furthest_;
        furthest_ = std::max(furthest_, place);
        if (!firstTime || !step->optional || !step->offered.empty()) return std::string();
        return StepName(*step) + ": optional, and no node has its name; left out";
    }

private:
    const MarkerCreator& creator_;
    int furthest_ = -1;
};

// The text of control `id` in the open window made from `templateId`.
std::optional<std::wstring> ControlText(const PendingView& pending, int templateId, int id) {
    for (const auto& window : pending.windows) {
        if (window.templateId != templateId) continue;
        for (const auto& control : window.controls) {
            if (control.id == id) return control.text;
        }
    }
    return std::nullopt;
}

// The utility windows open now, as the driver sees them.
PendingView OpenWindows() { return PendingView{brindle::host::ModelessWindows(), false, false}; }

bool IsConvertClick(const HostEvent& event) {
    return event.kind == HostEvent::Kind::Dialog && event.templateId == IDD_UTILITY_PAGE &&
           event.action.kind == brindle::host::DialogAction::Kind::Click &&
           event.action.control == IDC_CONVERT;
}

std::string Shown(const std::wstring& path) { return Escaped(tovfileio::EncodeUtf8(path)); }

}  // namespace

std::string ConvertRefusal(const std::wstring& mapShown) {
    if (mapShown.empty() || mapShown == kNoneShown) {
        return "Convert needs a marker-name map first: choose an MNM file (click " +
               std::to_string(IDC_MNM_BROWSE) + ") or make one (click " +
               std::to_string(IDC_MNM_CREATE) + ")";
    }
    const std::string path = tovfileio::WideToPath(mapShown);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return std::string();
    }
    return "Convert needs the map " + Shown(mapShown) + ", which cannot be opened (" +
           std::strerror(errno) + "); choose another (click " + std::to_string(IDC_MNM_BROWSE) +
           ")";
}

std::string BatchLogCause(const std::wstring& folderShown) {
    const std::string choose = "; choose another (click " + std::to_string(IDC_OUTPUT_BROWSE) + ")";
    if (folderShown.empty() || folderShown == kNoneShown) {
        return "the batch log is written in the output folder, and none is chosen (click " +
               std::to_string(IDC_OUTPUT_BROWSE) + ")";
    }
    const std::string folder = tovfileio::WideToPath(folderShown);
    const std::string named = "the batch log is written in the output folder " + Shown(folderShown);
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        return named + ", which cannot be found (" + std::strerror(errno) + ")" + choose;
    }
    if (!S_ISDIR(status.st_mode)) return named + ", which is not a folder" + choose;
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        return named + ", which cannot be written in (" + std::strerror(errno) + ")" + choose;
    }
    const std::string log =
        tovfileio::WideToPath(tovfileio::TrcToGwmConversion::BatchLogPath(folderShown));
    if (::stat(log.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        return named + ", where " + Escaped(log) + " is a folder";
    }
    return std::string();
}

LineDriverHints PanelHints(const PanelHintOptions& options) {
    LineDriverHints hints;
    // quit in the creator is its Abort: no file is written.
    hints.quitWindow = IDD_MNM_CREATOR;
    hints.quitControl = IDC_MNM_ABORT;
    hints.pickRefusal = PickRefusal;
    hints.eventNote = [](const HostEvent& event, const PendingView& pending) {
        if (!IsConvertClick(event)) return std::string();
        return ConvertRefusal(ControlText(pending, IDD_UTILITY_PAGE, IDC_MNM_PATH).value_or(L""));
    };
    hints.messageNote = [failed = options.batchLogFailed](const brindle::host::MessageBoxRequest& box) {
        if (failed.empty() || box.text != failed) return std::string();
        const auto folder = ControlText(OpenWindows(), IDD_UTILITY_PAGE, IDC_OUTPUT_PATH);
        return folder ? BatchLogCause(*folder) : std::string();
    };
    const MarkerCreator* creator = options.creator;
    if (creator == nullptr) return hints;
    hints.pickCaption = [creator](const PendingView&) { return StepCaption(*creator); };
    hints.pickEnter = [creator](const PendingView&) { return EnterPicks(*creator); };
    hints.enterWindow = IDD_MNM_CREATOR;
    if (options.leaveOutUnmatched) {
        hints.pickUnasked = [leftOut = std::make_shared<UnmatchedLeftOut>(*creator)](
                                const PendingView& pending) { return (*leftOut)(pending); };
    }
    hints.inputEndsAtPick = [creator](const PendingView&) {
        const std::optional<CreatorStep> step = creator->CurrentStep();
        if (!step) return std::string();
        return "the input ended at marker " + std::to_string(step->marker + 1) + " of " +
               std::to_string(step->markers) + ": no more markers are asked for, and no MNM file " +
               "is written";
    };
    return hints;
}
