// Dialog flags: options of a command that act on the controls of a plug-in's
// options dialog as a person's clicks and typing would, after the dialog has
// loaded its remembered options; then OK is pressed, so the module's own OK
// handler checks what was chosen. A flag the dialog cannot take (a value its
// field refuses, a control left disabled) is the command line's error: the
// dialog is cancelled and nothing is done.
#pragma once

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

// The time and scale controls the import and export dialogs share: the
// whole-span radio (`--all`, or `--slider` for the exporter) or `--range
// FROM TO`, `--offset`, `--set-fps` (importers only) and `--scale-factor`.
struct TimeFlags {
    bool whole = false;
    std::vector<std::string> range;
    std::optional<std::string> offset, scaleFactor;
    std::optional<bool> setFps;
};

// What the flags are called and say for one command.
struct TimeFlagTexts {
    const char* whole;       // "--all" or "--slider"
    const char* wholeHelp;
    const char* rangeHelp;
    const char* offsetHelp;
    const char* scaleHelp;
    bool setFps;             // the dialog has "Set Frame Rate"
};

void AddTimeFlags(CLI::App& command, TimeFlags& flags, const TimeFlagTexts& texts);
// Queues the flags given on the dialog's controls, in the dialog's order.
void QueueTimeFlags(const TimeFlags& flags, const TimeFlagTexts& texts, DialogFlagDriver& driver);

// A pair of flags that set one choice of a dialog on or off; the two
// exclude each other.
void AddSwitch(CLI::App& command, std::optional<bool>& choice, const std::string& on,
               const std::string& off, const std::string& help);
