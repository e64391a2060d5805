// Dialog flags: options of a command that act on the controls of a plug-in's
// options dialog as a person's clicks and typing would, after the dialog has
// loaded its remembered options; then OK is pressed, so the module's own OK
// handler checks what was chosen. A flag the dialog cannot take (a value its
// field refuses, a control left disabled) is the command line's error: the
// dialog is cancelled and nothing is done.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/run/CommandLineDriver.h"

class DialogFlagDriver : public CommandLineDriver {
public:
    // `command` names the command in warnings ("import-htr").
    DialogFlagDriver(const CommandIO& io, std::string command)
        : CommandLineDriver(io), io_(io), command_(std::move(command)) {}

    // Wanted states, played in the order given. A control already in the
    // wanted state is left alone.
    void Check(int control, bool checked, std::string flag);
    void Choose(int radio, std::string flag);
    void Type(int edit, std::wstring text, std::string flag);
    // Chooses again whichever of two radio buttons was chosen when the dialog
    // opened: the mode a person returns to after setting controls that only
    // the other mode enables.
    void ChooseAsOpened(int radio, int other);

    // When no dialog will open (prompts suppressed): refuses the first flag
    // queued, which nothing could apply, and returns true; false when none
    // was queued. Choices queued on behalf of other flags carry no flag.
    bool RefuseQueuedFlags(const std::string& reason);

    // A flag could not be applied (said on standard error); the dialog was
    // cancelled.
    bool Failed() const { return failed_; }

    std::optional<brindle::host::DialogAction> NextDialogAction(
        const brindle::host::DialogView& dialog) override;

private:
    struct Intent {
        enum class Kind { Check, Choose, Type, ChooseAsOpened } kind;
        int control;
        bool checked;
        std::wstring text;
        std::string flag;
        int other = 0;  // ChooseAsOpened: the second radio button
    };

    // The action that carries out `intent` in `dialog`; none when the control
    // is already as wanted. Sets failed_ when the dialog cannot take it.
    std::optional<brindle::host::DialogAction> ActionFor(const Intent& intent,
                                                         const brindle::host::DialogView& dialog);
    void Refuse(const std::string& problem);

    const CommandIO& io_;
    std::string command_;
    std::deque<Intent> intents_;
    std::optional<brindle::host::DialogView> opened_;  // the dialog as it opened
    bool okPressed_ = false;
    bool failed_ = false;
};

// One flag, or pair of flags, of a command and the controls of its dialog
// that it sets.
struct DialogFlag {
    enum class Kind : std::uint8_t {
        CheckBox,       // `flag` checks `control`, `other` clears it
        Radios,         // `flag` chooses `control`, `other` chooses `otherControl`
        ApplyOrCreate,  // Radios choosing the dialog's mode: `flag` Apply, `other` Create
        Field,          // `flag VALUE` types VALUE into `control`
        WholeOrRange,   // `flag` chooses `control`, the whole span; `other FROM TO`
                        // chooses `otherControl` and types FROM into `from`, TO into `to`
    };
    // The dialog's mode (Apply or Create) that alone enables a control.
    enum class Mode : std::uint8_t { Either, Create, Apply };

    Kind kind;
    const char* flag;
    const char* other = nullptr;
    int control = 0;
    int otherControl = 0;
    const char* help = "";
    const char* otherHelp = "";
    Mode enabledIn = Mode::Either;
    int from = 0, to = 0;
};

// A command's dialog flags in the order of its help.
using DialogFlagTable = std::vector<DialogFlag>;

// The tables of the commands that run the module's options dialogs
// (DialogFlagTables.cpp).
const DialogFlagTable& ImportHtrFlags();
const DialogFlagTable& ImportTrcFlags();
const DialogFlagTable& ExportHtrFlags();

// The dialog flags of one command: declared on its line, filled as it is
// parsed, then queued on the dialog.
class DialogFlagValues {
public:
    explicit DialogFlagValues(const DialogFlagTable& table) : table_(table), given_(table.size()) {}
    // The options declared hold the addresses of the values.
    DialogFlagValues(const DialogFlagValues&) = delete;
    DialogFlagValues& operator=(const DialogFlagValues&) = delete;

    // Declares the flags on `command`, in the table's order.
    void Declare(CLI::App& command);
    // Queues the flags given, in the table's order. The controls only one
    // mode enables are set where the mode's flag stands, as a person would:
    // with that mode chosen (Create's first, then Apply's), choosing, then
    // typing, then ticking; then the mode given is chosen, or the one the
    // dialog opened with.
    void Queue(DialogFlagDriver& driver) const;

private:
    // What the line gave for one flag of the table.
    struct Given {
        std::optional<bool> on;            // the pairs: `flag` or `other`
        bool whole = false;                // WholeOrRange: `flag`
        std::vector<std::string> range;    // WholeOrRange: FROM TO
        std::optional<std::string> value;  // Field

        bool Present() const { return on || whole || !range.empty() || value; }
    };

    void QueueRow(std::size_t row, DialogFlagDriver& driver) const;
    // Queues the flags given of the controls only `mode` enables, after
    // choosing `button`, the mode's radio button; false when none was given.
    bool QueueOnlyIn(DialogFlag::Mode mode, int button, DialogFlagDriver& driver) const;

    const DialogFlagTable& table_;
    std::vector<Given> given_;  // one per row of the table
};
