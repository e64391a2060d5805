// The host's progress display on the command line: a plug-in's progress,
// drawn as a bar on standard error when it is a terminal, for as long as the
// plug-in keeps the display open, and its cancel.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "brindle/host/scene/HostInterface.h"
#include "cli/run/Progress.h"

class HostProgressBar : public brindle::host::ProgressSink {
public:
    explicit HostProgressBar(std::FILE* terminal)
        : terminal_(terminal), previous_(brindle::host::SetProgressSink(this)) {}
    ~HostProgressBar() override {
        bar_.reset();
        brindle::host::SetProgressSink(previous_);
    }
    HostProgressBar(const HostProgressBar&) = delete;
    HostProgressBar& operator=(const HostProgressBar&) = delete;

    // Until the plug-in opens the display: a bar of `done()` towards `total`
    // (what the plug-in does before it shows its own progress, such as
    // reading its file).
    void ShowUntilStarted(std::uint64_t total, std::function<std::uint64_t()> done,
                          std::string what);

    void Started(const std::wstring& title) override;
    void Updated(int percent) override;
    void Ended() override {
        bar_.reset();
        leading_ = false;
    }
    // Ctrl-C, while a command takes it as a cancel (InterruptAsCancel), is
    // the host's cancel.
    bool Cancelled() override;

private:
    void ShowPluginBar();

    std::FILE* terminal_;
    brindle::host::ProgressSink* previous_;
    std::atomic<int> percent_{0};
    std::unique_ptr<Progress> bar_;
    // The bar of ShowUntilStarted is up: it stays while the plug-in's own
    // display says nothing beyond 0 (an importer opens its display before
    // reading its file).
    bool leading_ = false;
    std::string title_;
};
