// The line driver's reading, its questions and modal dialogs, and how it
// leaves; its choosers are in LineChoosers.cpp, the host's wait (the panel,
// picks) in LineEvents.cpp.
#include "brindle/host/ui/LineDriver.h"

#include <unistd.h>

#include "brindle/sdk/TextCodec.h"
#include "ui/LineAnswers.h"
#include "ui/LineInput.h"
#include "ui/LineView.h"

namespace brindle::host {
namespace {

constexpr const char* kHelp =
    "answers: click ID|LABEL, type ID TEXT, enter, escape, close, pick NODE|#HANDLE,\n"
    "right-click, Enter (what the pick prompt says); y or n for questions (Enter:\n"
    "the capital one); a path for file and folder choosers (an empty line\n"
    "cancels; ./quit names a file called quit); quit leaves the command\n"
    "from any prompt; exit closes the host while it waits at the panel or a pick\n";

}  // namespace

LineDriver::LineDriver(std::FILE* in, std::FILE* out, TextEscape escaped, CancelAsked cancelAsked)
    : in_(in),
      out_(out),
      editor_(LineEditor::ForTerminal(in, out)),
      escaped_(std::move(escaped)),
      cancelAsked_(std::move(cancelAsked)) {
    PrepareLineInput(in_);
}

LineDriver::~LineDriver() = default;

void LineDriver::Say(const std::string& text) {
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
}

std::string LineDriver::Escaped(const std::wstring& text) const { return escaped_(Utf8(text)); }

std::optional<std::string> LineDriver::ReadLine(const std::string& prompt) {
    if (leaving_) return std::nullopt;
    // Input that ended is not waited for again (a terminal would wait).
    if (inputEnded_) {
        Say(prompt + "\n");
        return std::nullopt;
    }
    std::string line;
    LineRead read = LineRead::kEnd;
    if (editor_) {
        read = editor_->Read(prompt, line, cancelAsked_);
    } else {
        Say(prompt);
        read = ReadInputLine(in_, line, cancelAsked_);
    }
    switch (read) {
        case LineRead::kEnd: inputEnded_ = true; Say("\n"); return std::nullopt;
        case LineRead::kCancelled: leaving_ = true; Say("\n"); return std::nullopt;
        case LineRead::kLine: break;
    }
    // A script's answers are not echoed by a terminal: show them, so that
    // the transcript reads as a session.
    if (isatty(fileno(in_)) == 0) Say(line + "\n");
    return line;
}

void LineDriver::NotHere(const LineAnswer& answer) {
    switch (answer.kind) {
        case LineAnswer::Kind::Quit: leaving_ = true; return;
        case LineAnswer::Kind::Exit:
            Say("the host closes only while it waits at the panel or for a pick: answer "
                "this first, or quit\n");
            return;
        default: Say(kHelp); return;
    }
}

int LineDriver::AnswerMessageBox(const MessageBoxRequest& request) {
    const std::string shown = Escaped(request.caption) + ": " + Escaped(request.text);
    if ((request.type & 0xF) == MB_OK) {
        Say(shown + "\n");
        if (hints_.messageNote) {
            if (const std::string note = hints_.messageNote(request); !note.empty()) Say(note + "\n");
        }
        return IDOK;
    }
    // Enter answers with the box's default button, shown in capitals.
    const bool enterSaysNo = (request.type & MB_DEFMASK) == MB_DEFBUTTON2;
    for (;;) {
        // One who leaves says no.
        if (leaving_) return IDNO;
        const auto line = ReadLine(shown + (enterSaysNo ? " [y/N] " : " [Y/n] "));
        if (!line) return leaving_ ? IDNO : 0;
        const LineAnswer answer = ParseLineAnswer(*line);
        if (answer.kind == LineAnswer::Kind::Yes) return IDYES;
        if (answer.kind == LineAnswer::Kind::No) return IDNO;
        if (answer.kind == LineAnswer::Kind::Empty || answer.kind == LineAnswer::Kind::Enter) {
            return enterSaysNo ? IDNO : IDYES;
        }
        if (answer.kind == LineAnswer::Kind::Quit || answer.kind == LineAnswer::Kind::Exit) {
            NotHere(answer);
            continue;
        }
        Say("answer y or n (Enter: " + std::string(enterSaysNo ? "n" : "y") + ")\n");
    }
}

std::optional<DialogAction> LineDriver::NextDialogAction(const DialogView& dialog) {
    if (leaving_) return LeaveDialog(dialog);
    Say(DialogText(dialog, escaped_));
    for (;;) {
        const auto line = ReadLine("> ");
        if (!line) return leaving_ ? LeaveDialog(dialog) : std::nullopt;
        const LineAnswer answer = ParseLineAnswer(*line);
        switch (answer.kind) {
            case LineAnswer::Kind::Click:
            case LineAnswer::Kind::Type: {
                const int id = FindControl(dialog, answer.target);
                if (id == 0) {
                    Say("no control " + answer.target + "\n");
                    continue;
                }
                if (answer.kind == LineAnswer::Kind::Click) {
                    return DialogAction{DialogAction::Kind::Click, id, {}};
                }
                const std::wstring text = TextCodec::DecodeUtf8(answer.text);
                if (const std::string refused = TypingRefused(dialog, id, text); !refused.empty()) {
                    Say(refused);
                    continue;
                }
                return DialogAction{DialogAction::Kind::SetText, id, text};
            }
            case LineAnswer::Kind::Enter: return DialogAction{DialogAction::Kind::Enter, 0, {}};
            case LineAnswer::Kind::Escape: return DialogAction{DialogAction::Kind::Escape, 0, {}};
            case LineAnswer::Kind::Close: return DialogAction{DialogAction::Kind::Close, 0, {}};
            case LineAnswer::Kind::Empty: continue;
            default:
                NotHere(answer);
                if (leaving_) return LeaveDialog(dialog);
                continue;
        }
    }
}

std::optional<DialogAction> LineDriver::LeaveDialog(const DialogView& dialog) {
    if (dialog.window != leftDialog_) {
        leftDialog_ = dialog.window;
        leaveTries_ = 0;
    }
    // Cancel, then close the window; a dialog that stays open after both
    // ends as one nobody could act in.
    switch (leaveTries_++) {
        case 0: return DialogAction{DialogAction::Kind::Escape, 0, {}};
        case 1: return DialogAction{DialogAction::Kind::Close, 0, {}};
        default: return std::nullopt;
    }
}

}  // namespace brindle::host
