// A user-interface driver that hands every request of the host to another
// driver and notes in a plug-in run what the user interface showed: the
// messages, whether one of them reported an error, whether a modal dialog
// opened and how the last one ended.
#pragma once

#include "brindle/host/ui/UiDriver.h"
#include "cli/run/PluginRun.h"

class WatchingDriver : public brindle::host::UiDriver {
public:
    WatchingDriver(brindle::host::UiDriver& driver, PluginRun& run) : driver_(driver), run_(run) {}

    int AnswerMessageBox(const brindle::host::MessageBoxRequest& request) override;
    std::optional<brindle::host::DialogAction> NextDialogAction(
        const brindle::host::DialogView& dialog) override {
        return driver_.NextDialogAction(dialog);
    }
    void DialogOpened(const brindle::host::DialogView& dialog) override {
        run_.dialogShown = true;
        driver_.DialogOpened(dialog);
    }
    std::optional<std::vector<std::wstring>> ChooseFiles(
        const brindle::host::FileDialogRequest& request) override {
        return driver_.ChooseFiles(request);
    }
    std::optional<std::wstring> ChooseFolder(const std::wstring& title) override {
        return driver_.ChooseFolder(title);
    }
    std::optional<brindle::host::HostEvent> NextEvent(
        const brindle::host::PendingView& pending) override {
        return driver_.NextEvent(pending);
    }
    void PickMissed(ULONG node) override { driver_.PickMissed(node); }
    void DialogClosed(const brindle::host::DialogView& dialog, INT_PTR result) override;

private:
    brindle::host::UiDriver& driver_;
    PluginRun& run_;
};
