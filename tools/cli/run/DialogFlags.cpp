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

void DialogFlagValues::Declare(CLI::App& command) {
    for (std::size_t i = 0; i < table_.size(); ++i) {
        const DialogFlag& row = table_[i];
        Given& given = given_[i];
        if (row.kind == DialogFlag::Kind::Field) {
            command.add_option(row.flag, given.value, row.help);
        } else if (row.kind == DialogFlag::Kind::WholeOrRange) {
            CLI::Option* whole = command.add_flag(row.flag, given.whole, row.help);
            command.add_option(row.other, given.range, row.otherHelp)->expected(2)->excludes(whole);
        } else {
            std::optional<bool>& on = given.on;  // a pair: the second flag has no help
            CLI::Option* set = command.add_flag_callback(row.flag, [&on] { on = true; }, row.help);
            set->excludes(command.add_flag_callback(row.other, [&on] { on = false; }));
        }
    }
}

void DialogFlagValues::QueueRow(std::size_t row, DialogFlagDriver& driver) const {
    const DialogFlag& flag = table_[row];
    const Given& given = given_[row];
    using tovfileio::DecodeUtf8;
    if (!given.Present()) return;
    switch (flag.kind) {
    case DialogFlag::Kind::CheckBox:
        return driver.Check(flag.control, *given.on, flag.flag);
    case DialogFlag::Kind::Radios:
    case DialogFlag::Kind::ApplyOrCreate:
        if (*given.on) return driver.Choose(flag.control, flag.flag);
        return driver.Choose(flag.otherControl, flag.other);
    case DialogFlag::Kind::Field:
        return driver.Type(flag.control, DecodeUtf8(*given.value), flag.flag);
    case DialogFlag::Kind::WholeOrRange:
        if (given.whole) return driver.Choose(flag.control, flag.flag);
        driver.Choose(flag.otherControl, flag.other);
        driver.Type(flag.from, DecodeUtf8(given.range[0]), flag.other);
        return driver.Type(flag.to, DecodeUtf8(given.range[1]), flag.other);
    }
}

bool DialogFlagValues::QueueOnlyIn(DialogFlag::Mode mode, int button,
                                   DialogFlagDriver& driver) const {
    using Kind = DialogFlag::Kind;
    bool chosen = false;
    for (const Kind kind : {Kind::Radios, Kind::Field, Kind::CheckBox}) {
        for (std::size_t i = 0; i < table_.size(); ++i) {
            if (table_[i].enabledIn != mode || table_[i].kind != kind || !given_[i].Present()) continue;
            if (!chosen) driver.Choose(button, "");
            chosen = true;
            QueueRow(i, driver);
        }
    }
    return chosen;
}

void DialogFlagValues::Queue(DialogFlagDriver& driver) const {
    for (std::size_t i = 0; i < table_.size(); ++i) {
        const DialogFlag& row = table_[i];
        if (row.enabledIn != DialogFlag::Mode::Either) continue;  // set with its mode
        if (row.kind == DialogFlag::Kind::ApplyOrCreate) {
            const bool createSet = QueueOnlyIn(DialogFlag::Mode::Create, row.otherControl, driver);
            const bool applySet = QueueOnlyIn(DialogFlag::Mode::Apply, row.control, driver);
            if (!given_[i].Present() && (createSet || applySet)) {
                driver.ChooseAsOpened(row.otherControl, row.control);
            }
        }
        QueueRow(i, driver);
    }
}
