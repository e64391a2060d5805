// The user-interface driver of tovfileio: message boxes go to standard
// error, questions are asked on the terminal when there is one, and dialogs
// play the actions the command line stands for.
#pragma once

#include <deque>
#include <functional>
#include <optional>

#include "brindle/host/ui/UiDriver.h"
#include "cli/files/CommandIO.h"

class CommandLineDriver : public brindle::host::UiDriver {
public:
    explicit CommandLineDriver(const CommandIO& io) : io_(io) {}

    // Actions for the dialogs to come, in order.
    void Queue(brindle::host::DialogAction action) { actions_.push_back(std::move(action)); }
    // Called with every dialog as it opens, after it has initialised.
    void OnDialogOpened(std::function<void(const brindle::host::DialogView&)> callback) {
        onOpened_ = std::move(callback);
    }

    int AnswerMessageBox(const brindle::host::MessageBoxRequest& request) override;
    std::optional<brindle::host::DialogAction> NextDialogAction(
        const brindle::host::DialogView& dialog) override;
    void DialogOpened(const brindle::host::DialogView& dialog) override;
    void DialogClosed(const brindle::host::DialogView& dialog, INT_PTR /*result*/) override {
        closed_ = dialog;
    }
    // The last dialog as it closed (its controls as they were accepted or
    // cancelled); none before one closes.
    const std::optional<brindle::host::DialogView>& LastClosed() const { return closed_; }

private:
    const CommandIO& io_;
    std::deque<brindle::host::DialogAction> actions_;
    std::function<void(const brindle::host::DialogView&)> onOpened_;
    std::optional<brindle::host::DialogView> closed_;
};

// Installs a driver for the lifetime of a command and removes it after.
class InstalledDriver {
public:
    explicit InstalledDriver(brindle::host::UiDriver& driver)
        : previous_(brindle::host::SetUiDriver(&driver)) {}
    ~InstalledDriver() { brindle::host::SetUiDriver(previous_); }
    InstalledDriver(const InstalledDriver&) = delete;
    InstalledDriver& operator=(const InstalledDriver&) = delete;

private:
    brindle::host::UiDriver* previous_;
};
