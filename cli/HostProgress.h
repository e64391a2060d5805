// The host's progress display on the command line: a plug-in's progress,
// drawn as a bar on standard error when it is a terminal, for as long as the
// plug-in keeps the display open, and its cancel.
#pragma once

#include <atomic>
#include <cstdio>
#include <memory>

#include "brindle/host/scene/HostInterface.h"
#include "cli/Progress.h"

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

    void Started(const std::wstring& title) override;
    void Updated(int percent) override { percent_ = percent < 0 ? 0 : percent; }
    void Ended() override { bar_.reset(); }
    // Ctrl-C, while a command takes it as a cancel (InterruptAsCancel), is
    // the host's cancel.
    bool Cancelled() override;

private:
    std::FILE* terminal_;
    brindle::host::ProgressSink* previous_;
    std::atomic<int> percent_{0};
    std::unique_ptr<Progress> bar_;
};
