// What the module's plug-ins tell a host beyond their base classes, through
// GetInterface: how their last operation ended, as data, so that a host
// acting on the outcome (the command line choosing its exit status and its
// words) never reads it from the messages shown; the options their dialogs
// remember; and, for the utility panel, the MNM creator's step.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "brindle/sdk/InterfaceServer.h"

// How an operation ended.
enum class OperationEnd {
    kNotRun,     // none has run yet
    kDone,       // the scene was keyed, the file written, the map written
    kCancelled,  // the person did not confirm: Cancel, Abort, a dialog that could not run
    kRefused,    // a message ended it: OperationReport::reason says which
};

struct OperationReport {
    OperationEnd end = OperationEnd::kNotRun;
    // A refused operation: the string-table number of the message that
    // ended it (ResourceIds.h); 0 when the file's reader or writer refused
    // the file, whose words are then in `fileMessage`.
    int reason = 0;
    std::wstring fileMessage;
    // The file the operation read or wrote, as the plug-in named it (after
    // the host's naming rule, unless names are taken as given), and the
    // system's error number when it could not be opened.
    std::wstring file;
    int openError = 0;
    // A file that was read (`fileRead`): its frame rate, the frames its
    // header gives and the frames it holds (an HTR file's longest segment, a
    // TRC file's data rows).
    bool fileRead = false;
    std::int32_t frameRate = 0;
    std::int64_t headerFrames = 0;
    std::uint64_t framesHeld = 0;
    // An export refused for want of a bone: the top-level nodes of the scene
    // that give the exporter one when selected, in the scene's order.
    std::vector<std::wstring> rootsToSelect;
};

// A value an options dialog remembers between runs: its name in the
// settings, its value there now (the default when none is stored), its
// default, and the dialog's control that shows it: a check box or a radio
// pair (`onControl` chosen for true or not zero, `offControl` otherwise) or
// an edit field (`onControl` alone).
struct RememberedOption {
    using Value = std::variant<bool, std::int32_t, float, double, std::wstring>;
    std::wstring name;
    Value value;
    Value defaultValue;
    int onControl = 0;
    int offControl = 0;
};

// Offered by each file plug-in: the HTR importer, the TRC importer and the
// HTR exporter.
inline constexpr Interface_ID kPluginOperationsId(0x3E1A5C07, 0x6B2D4F19);
class PluginOperations : public BaseInterface {
public:
    Interface_ID GetID() override { return kPluginOperationsId; }
    // What the last import or export came to.
    virtual const OperationReport& LastOperation() const = 0;
    // Whether the names the next operations are given are the files
    // themselves (true), or names the host's naming rule turns into files
    // (false, as in the host's own file dialogs; see FilePaths.h).
    virtual void TakeNamesAsGiven(bool asGiven) = 0;
    // The options the plug-in's dialog remembers, as the settings hold them
    // now; reading them creates nothing.
    virtual std::vector<RememberedOption> RememberedOptions() const = 0;
    // Where the settings keep them, below HKEY_CURRENT_USER.
    virtual std::wstring RememberedOptionsSection() const = 0;
};

// The step of the MNM creator's walk through the standard markers that is
// asking for a pick.
struct CreatorStep {
    int marker = 0;    // from 0
    int markers = 0;   // steps in the walk
    bool pair = false;          // the step picks two markers (a wrist)
    bool secondOfPair = false;  // the second of them
    bool optional = false;      // Skip may pass it
    std::wstring description;   // as the creator's dialog shows it
    // The node of the marker's very name, offered as already picked: Enter
    // in the creator's dialog takes it, a pick or Skip goes past it. Empty
    // when the scene has no such node the pick mode takes, or another
    // marker holds it.
    std::wstring offered;
};

// Offered by the utility panel.
inline constexpr Interface_ID kMarkerCreatorId(0x5C09327E, 0x1F6A4B88);
class MarkerCreator : public BaseInterface {
public:
    Interface_ID GetID() override { return kMarkerCreatorId; }
    // The step asking for a pick; none while no walk is asking.
    virtual std::optional<CreatorStep> CurrentStep() const = 0;
    // What the last walk came to: done when the map was written.
    virtual const OperationReport& LastCreation() const = 0;
    // Whether the next walks take the node of each marker's very name
    // without asking (false: they offer it), and answer a wrist-stick
    // question the scene's names answer.
    virtual void TakeMatchesUnasked(bool unasked) = 0;
};
