// A user-interface driver for a person (or a script) on standard input:
// every window, question, chooser and pick is shown as text on the output,
// and one line of input answers it. Runs out of input end what is open, as
// a script that runs out does, so nothing waits forever.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "brindle/host/UiDriver.h"

class LineDriver : public brindle::host::UiDriver {
public:
    LineDriver(std::FILE* in, std::FILE* out) : in_(in), out_(out) {}

    // Answers the save dialog titled `title` with `path` instead of asking,
    // as long as input has not ended (a session cut short saves nothing).
    void PresetSaveFile(std::wstring title, std::wstring path) {
        presetTitle_ = std::move(title);
        presetPath_ = std::move(path);
    }

    int AnswerMessageBox(const brindle::host::MessageBoxRequest& request) override;
    std::optional<brindle::host::DialogAction> NextDialogAction(
        const brindle::host::DialogView& dialog) override;
    std::optional<std::vector<std::wstring>> ChooseFiles(
        const brindle::host::FileDialogRequest& request) override;
    std::optional<std::wstring> ChooseFolder(const std::wstring& title) override;
    std::optional<brindle::host::HostEvent> NextEvent(
        const brindle::host::PendingView& pending) override;
    void PickMissed(ULONG node) override;

private:
    // The next line, none at the end of input.
    std::optional<std::string> ReadLine(const std::string& prompt);
    void Say(const std::string& text);
    void Show(const brindle::host::DialogView& dialog);
    void ShowPickable();

    std::FILE* in_;
    std::FILE* out_;
    std::wstring presetTitle_;
    std::wstring presetPath_;
    std::wstring lastShown_;
    bool inputEnded_ = false;
};
