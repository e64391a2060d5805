#include "cli/run/HostProgress.h"

#include "tovfileio/text/TextCodec.h"
#include "cli/files/InterruptCleanup.h"

void HostProgressBar::ShowUntilStarted(std::uint64_t total, std::function<std::uint64_t()> done,
                                       std::string what) {
    bar_ = std::make_unique<Progress>(terminal_, total, std::move(done), std::move(what));
    leading_ = true;
}

void HostProgressBar::Started(const std::wstring& title) {
    percent_ = 0;
    title_ = tovfileio::EncodeUtf8(title);
    if (!leading_) ShowPluginBar();
}

void HostProgressBar::Updated(int percent) {
    percent = percent < 0 ? 0 : percent;
    // The plug-in's bar counts from 0, where the plug-in started.
    if (leading_ && percent > 0) {
        leading_ = false;
        ShowPluginBar();
    }
    percent_ = percent;
}

void HostProgressBar::ShowPluginBar() {
    bar_.reset();
    bar_ = std::make_unique<Progress>(
        terminal_, 100, [this] { return static_cast<std::uint64_t>(percent_.load()); }, title_);
}

bool HostProgressBar::Cancelled() { return InterruptAsCancel::Requested(); }
