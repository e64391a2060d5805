#include "cli/run/CommandLineDriver.h"

#include <cstdio>
#include <string>

#include <unistd.h>

#include "tovfileio/text/TextCodec.h"
#include "cli/report/SafeText.h"

int CommandLineDriver::AnswerMessageBox(const brindle::host::MessageBoxRequest& request) {
    // The module's messages name bones and files: shown escaped, one line.
    const std::string line = Escaped(tovfileio::EncodeUtf8(request.caption)) + ": " +
                             Escaped(tovfileio::EncodeUtf8(request.text)) + "\n";
    io_.Err(line);
    if ((request.type & 0xF) != MB_YESNO) return IDOK;
    // A question needs a person at a terminal; without one it stays
    // unanswered rather than waiting for input that cannot come.
    if (io_.err != stderr || ::isatty(STDIN_FILENO) == 0) return 0;
    for (;;) {
        io_.Err("[y/n] ");
        std::fflush(io_.err);
        char answer[16];
        if (std::fgets(answer, sizeof answer, stdin) == nullptr) return 0;
        if (answer[0] == 'y' || answer[0] == 'Y') return IDYES;
        if (answer[0] == 'n' || answer[0] == 'N') return IDNO;
    }
}

std::optional<brindle::host::DialogAction> CommandLineDriver::NextDialogAction(
    const brindle::host::DialogView& /*dialog*/) {
    if (actions_.empty()) return std::nullopt;
    auto action = std::move(actions_.front());
    actions_.pop_front();
    return action;
}

void CommandLineDriver::DialogOpened(const brindle::host::DialogView& dialog) {
    if (onOpened_) onOpened_(dialog);
}
