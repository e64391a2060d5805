// The host's text-file service as the file libraries take it: every file the
// module's readers and writers open by path is opened by the host's reader
// and writer, so the host hears of each write that failed.
#pragma once

#include "tovfileio/text/TextFiles.h"

class HostTextFiles final : public tovfileio::TextFileSystem {
public:
    std::unique_ptr<tovfileio::TextLines> OpenLines(const std::wstring& path, int& error) override;
    std::unique_ptr<tovfileio::TextOutput> CreateOutput(const std::wstring& path,
                                                        int& error) override;
};
