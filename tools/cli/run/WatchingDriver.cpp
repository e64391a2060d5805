#include "cli/run/WatchingDriver.h"

int WatchingDriver::AnswerMessageBox(const brindle::host::MessageBoxRequest& request) {
    // The module titles its errors "... Error" and its warnings "... Warning".
    const std::wstring& caption = request.caption;
    if (caption.size() >= 5 && caption.compare(caption.size() - 5, 5, L"Error") == 0) {
        run_.errorReported = true;
    }
    run_.messages.push_back(request.text);
    return driver_.AnswerMessageBox(request);
}

void WatchingDriver::DialogClosed(const brindle::host::DialogView& dialog, INT_PTR result) {
    run_.accepted = result == IDOK;
    driver_.DialogClosed(dialog, result);
}
