// The TRC-to-GWM conversion and the MNM creator of the utility panel: the
// conversion's settings, the marker-name map, and the creator's walk over
// the standard markers with viewport picks. It is the host's exit callback
// while a pick runs, so that closing the host ends the pick, and tells the
// host which step is asking for a pick and how the last walk ended
// (MarkerCreator).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "brindle/sdk/Interface.h"
#include "brindle/sdk/TextFileWriter.h"
#include "plugin/RegistrySettingsKey.h"
#include "plugin/RememberedValues.h"
#include "tovfileio/gwm/ConvertGWMSettings.h"
#include "tovfileio/gwm/MarkerNameMap.h"
#include "tovfileio/gwm/TrcToGwm.h"
#include "tovfileio/module/PluginReports.h"

// Wire colours of nodes the creator picked and gave back.
constexpr DWORD kPickedWireColor = 0xCC1919;
constexpr DWORD kReleasedWireColor = 0x3333CC;

class ConvertGWM : public ExitBRINDLECallback, public MarkerCreator {
public:
    // Opens the "ConvertGWM" settings and loads them.
    ConvertGWM();
    // Saves the settings.
    ~ConvertGWM() override;
    ConvertGWM(const ConvertGWM&) = delete;
    ConvertGWM& operator=(const ConvertGWM&) = delete;

    // The host is closing during a pick: ends the pick and lets it close.
    BOOL Exit(HWND mainWindow) override;

    // Converts the files the user chooses as the settings say; true when
    // every chosen file was written.
    bool ConvertTRCFiles(Interface* host);

    void LoadSettings();
    void SaveSettings();
    // The remembered values LoadSettings did not use, once, for a note.
    std::vector<RefusedValue> TakeRefused() { return std::exchange(refused_, {}); }

    // Lets the user choose the MNM file; true when one was chosen.
    bool BrowseMNM(Interface* host);
    // Runs the MNM creator; true when an MNM file was written.
    bool CreateMNM(Interface* host);
    // One viewport pick for marker `code`; true when a node was recorded.
    // A node another marker holds is refused and the pick asked again.
    bool PickMarker(const wchar_t* code);

    tovfileio::ConvertGWMSettings& Settings() { return settings_; }
    // The map of the last conversion, read from MNMPath when it began.
    tovfileio::MarkerNameMap& Map() { return map_; }

    // The creator dialog's buttons.
    void SkipMarker();
    void BackMarker();
    void AbortCreator();
    // Enter in the creator's dialog: takes the node offered, else passes an
    // optional marker as Skip does; a mandatory marker with no node offered
    // still waits for a pick.
    void ConfirmMarker();
    // The creator's current step.
    int Step() const { return step_; }
    std::optional<CreatorStep> CurrentStep() const override { return asking_; }
    const OperationReport& LastCreation() const override { return creation_; }
    void TakeMatchesUnasked(bool unasked) override { takeMatches_ = unasked; }
    void CreatorDialogDestroyed() { creatorDialog_ = nullptr; }

private:
    // The sources chosen in the open dialog; false when it was cancelled.
    // A batch also opens its log (false, with the message, when it cannot).
    bool ChooseSources(Interface* host, std::vector<std::wstring>& sources, TextFile::Writer& log);
    // Walks the standard markers; false when the walk was aborted.
    bool RunMarkerWalk();
    // Shows the marker of the current step in the creator's dialog and
    // picks it; `second` for the second marker of a wrist step.
    void AskForMarker(const wchar_t* code, const wchar_t* description, bool second);
    // Ends the creation as `end`, with the file chosen and the message, if
    // any, that ended it.
    bool EndCreation(OperationEnd end, const std::wstring& file = {}, int reason = 0);
    // Before the walk: the mandatory markers the scene has no node of the
    // same name for are said, and the person goes on to pick others or
    // abandons (false). Then the wrist-stick questions, Enter answering as
    // the scene's names say (unasked when the matches are taken so).
    bool AskBeforeWalk();
    // The node named `code` that the pick mode takes and no marker holds;
    // null when there is none.
    INode* MatchFor(const wchar_t* code) const;
    // The marker that holds the node `handle`; null when none does.
    const wchar_t* HolderOf(ULONG handle) const;
    // Records `node` as the node of `code` and gives it the picked colour.
    void Record(const wchar_t* code, INode* node);
    // Takes the last pick off and gives its node the released colour.
    void ReleaseLast();
    void ReleaseAll();
    void Redraw();

    Interface* host_ = nullptr;
    tovfileio::MarkerNameMap map_;
    // The creator's picks, with their nodes; kept (and coloured) when the
    // save failed, until the next walk begins.
    tovfileio::MarkerNameMap picks_;
    tovfileio::TrcToGwmConversion conversion_;
    RegistrySettingsKey key_;
    tovfileio::ConvertGWMSettings settings_;
    std::vector<RefusedValue> refused_;

    // The creator's state.
    int step_ = 0;
    bool leftWristStick_ = false;
    bool rightWristStick_ = false;
    bool interrupted_ = false;
    bool aborted_ = false;
    bool takeMatches_ = false;
    bool confirmed_ = false;  // Enter took the node offered
    ULONG offered_ = 0;       // the node offered for the marker asked, 0 for none
    int furthestStep_ = -1;   // matches are taken unasked only past it
    HWND creatorDialog_ = nullptr;
    std::optional<CreatorStep> asking_;  // while a pick is asked for
    OperationReport creation_;
};
