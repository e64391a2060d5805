#include "cli/DialogFlags.h"

#include "brindle/sdk/TextCodec.h"
#include "resources/ModuleResources.h"

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

std::optional<DialogAction> DialogFlagDriver::NextDialogAction(const DialogView& dialog) {
    while (!intents_.empty()) {
        const Intent intent = std::move(intents_.front());
        intents_.pop_front();
        const brindle::host::ControlView* control = nullptr;
        for (const auto& candidate : dialog.controls) {
            if (candidate.id == intent.control) control = &candidate;
        }
        if (control == nullptr) continue;
        if (!control->enabled) {
            io_.Err("tovfileio " + command_ + ": " + intent.flag +
                    ": that control of the dialog is disabled; it was left as it is\n");
            continue;
        }
        switch (intent.kind) {
            case Intent::Kind::Check:
            case Intent::Kind::Choose:
                if (control->checked == intent.checked) continue;
                return DialogAction{DialogAction::Kind::Click, intent.control, {}};
            case Intent::Kind::Type:
                return DialogAction{DialogAction::Kind::SetText, intent.control, intent.text};
        }
    }
    if (!okPressed_) {
        okPressed_ = true;
        return DialogAction{DialogAction::Kind::Click, IDC_OK, {}};
    }
    // OK was refused (the module said why): close the dialog as a person would.
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
    auto wide = [](const std::string& text) { return TextCodec::DecodeUtf8(text); };
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
