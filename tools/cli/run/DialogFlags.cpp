#include "cli/run/DialogFlags.h"

#include "brindle/host/ui/EditEntry.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/report/SafeText.h"
#include "tovfileio/module/ResourceIds.h"

using brindle::host::ControlView;
using brindle::host::DialogAction;
using brindle::host::DialogView;

void DialogFlagDriver::Check(int control, bool checked, std::string flag) {
    intents_.push_back({Intent::Kind::Check, control, checked, {}, std::move(flag)});
}

void DialogFlagDriver::Choose(int radio, std::string flag) {
    intents_.push_back({Intent::Kind::Choose, radio, true, {}, std::move(flag)});
}

void DialogFlagDriver::Type(int edit, std::wstring text, std::string flag) {
    intents_.push_back({Intent::Kind::Type, edit, false, std::move(text), std::move(flag)});
}

void DialogFlagDriver::ChooseAsOpened(int radio, int other) {
    intents_.push_back({Intent::Kind::ChooseAsOpened, radio, true, {}, {}, other});
}

namespace {

const ControlView* FindControl(const DialogView& dialog, int id) {
    for (const ControlView& control : dialog.controls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

// How a person names a control: a box or button by its caption, a field by
// the label before it ("the Segment Size field").
std::string ControlName(const DialogView& dialog, const ControlView& control) {
    const bool field = control.kind == ControlKind::Edit || control.kind == ControlKind::CustomEdit;
    if (!field) {
        std::wstring caption = control.text;
        std::erase(caption, L'&');
        return "the " + tovfileio::EncodeUtf8(caption) + " box";
    }
    std::wstring label;
    for (const ControlView& candidate : dialog.controls) {
        if (&candidate == &control) break;
        if (candidate.kind == ControlKind::Label) label = candidate.text;
    }
    return "the " + tovfileio::EncodeUtf8(label) + " field";
}

}  // namespace

void DialogFlagDriver::Refuse(const std::string& problem) {
    io_.Err("tovfileio " + command_ + ": " + problem + "\n");
    failed_ = true;
    intents_.clear();
}

bool DialogFlagDriver::RefuseQueuedFlags(const std::string& reason) {
    for (const Intent& intent : intents_) {
        if (intent.flag.empty()) continue;
        Refuse(intent.flag + ": " + reason);
        return true;
    }
    return false;
}

std::optional<DialogAction> DialogFlagDriver::ActionFor(const Intent& intent,
                                                        const DialogView& dialog) {
    int id = intent.control;
    if (intent.kind == Intent::Kind::ChooseAsOpened) {
        const ControlView* first = FindControl(*opened_, intent.control);
        if (first == nullptr || !first->checked) id = intent.other;
    }
    const ControlView* control = FindControl(dialog, id);
    if (control == nullptr) return std::nullopt;
    if (!control->enabled) {
        Refuse(intent.flag + ": " + ControlName(dialog, *control) + " of the dialog is disabled");
        return std::nullopt;
    }
    if (intent.kind == Intent::Kind::Type) {
        if (!brindle::host::EditTakes(control->entry, intent.text)) {
            Refuse(intent.flag + " " + EscapedName(intent.text) + ": " +
                   ControlName(dialog, *control) + " takes " +
                   brindle::host::EditEntryWords(control->entry));
            return std::nullopt;
        }
        return DialogAction{DialogAction::Kind::SetText, id, intent.text};
    }
    if (control->checked == intent.checked) return std::nullopt;
    return DialogAction{DialogAction::Kind::Click, id, {}};
}

std::optional<DialogAction> DialogFlagDriver::NextDialogAction(const DialogView& dialog) {
    if (!opened_) opened_ = dialog;
    while (!intents_.empty() && !failed_) {
        const Intent intent = std::move(intents_.front());
        intents_.pop_front();
        if (auto action = ActionFor(intent, dialog)) return action;
    }
    if (!okPressed_ && !failed_) {
        okPressed_ = true;
        return DialogAction{DialogAction::Kind::Click, IDC_OK, {}};
    }
    // A flag the dialog could not take, or OK refused (the module said why):
    // close the dialog as a person would.
    return DialogAction{DialogAction::Kind::Click, IDC_CANCEL, {}};
}

void AddSwitch(CLI::App& command, std::optional<bool>& choice, const std::string& on,
               const std::string& off, const std::string& help) {
    CLI::Option* first = command.add_flag_callback(on, [&choice] { choice = true; }, help);
    CLI::Option* second = command.add_flag_callback(off, [&choice] { choice = false; });
    first->excludes(second);
}

void AddTimeFlags(CLI::App& command, TimeFlags& flags, const TimeFlagTexts& texts) {
    CLI::Option* whole = command.add_flag(texts.whole, flags.whole, texts.wholeHelp);
    command.add_option("--range", flags.range, texts.rangeHelp)->expected(2)->excludes(whole);
    command.add_option("--offset", flags.offset, texts.offsetHelp);
    if (texts.setFps) {
        AddSwitch(command, flags.setFps, "--set-fps", "--no-set-fps",
                  "set the scene's frame rate from the file");
    }
    command.add_option("--scale-factor", flags.scaleFactor, texts.scaleHelp);
}

void QueueTimeFlags(const TimeFlags& flags, const TimeFlagTexts& texts, DialogFlagDriver& driver) {
    auto wide = [](const std::string& text) { return tovfileio::DecodeUtf8(text); };
    if (flags.whole) driver.Choose(IDC_ALL_FRAMES, texts.whole);
    if (flags.range.size() == 2) {
        driver.Choose(IDC_FRAME_RANGE, "--range");
        driver.Type(IDC_FROM_FRAME, wide(flags.range[0]), "--range");
        driver.Type(IDC_TO_FRAME, wide(flags.range[1]), "--range");
    }
    if (flags.offset) driver.Type(IDC_FRAME_OFFSET, wide(*flags.offset), "--offset");
    if (flags.setFps) driver.Check(IDC_SET_FRAME_RATE, *flags.setFps, "--set-fps");
    if (flags.scaleFactor) {
        driver.Type(IDC_GLOBAL_SCALE, wide(*flags.scaleFactor), "--scale-factor");
    }
}
