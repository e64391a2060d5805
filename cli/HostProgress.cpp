#include "cli/HostProgress.h"

#include "brindle/sdk/TextCodec.h"
#include "cli/InterruptCleanup.h"

void HostProgressBar::Started(const std::wstring& title) {
    percent_ = 0;
    bar_ = std::make_unique<Progress>(
        terminal_, 100, [this] { return static_cast<std::uint64_t>(percent_.load()); },
        TextCodec::EncodeUtf8(title));
}

bool HostProgressBar::Cancelled() { return InterruptAsCancel::Requested(); }
