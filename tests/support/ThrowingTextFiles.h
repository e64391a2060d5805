// A file system for the libraries whose outputs break off with an exception
// in the middle of a write, for tests of what such a write leaves. Each
// output is the standard writer; once it has taken a set number of bytes,
// the write that would go beyond them hands those bytes to the temporary
// file and throws; later writes go through. Inputs are read by the standard
// reader.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "tovfileio/text/TextFiles.h"

namespace tovtest {

class ThrowingTextFiles final : public tovfileio::TextFileSystem {
public:
    enum class Throw { kBadAlloc, kRuntimeError };

    // Installed for the libraries until destroyed, when the standard file
    // system is put back: every output made meanwhile throws `what` after
    // `bytes` bytes.
    ThrowingTextFiles(std::uint64_t bytes, Throw what);
    ~ThrowingTextFiles() override;
    ThrowingTextFiles(const ThrowingTextFiles&) = delete;
    ThrowingTextFiles& operator=(const ThrowingTextFiles&) = delete;

    std::unique_ptr<tovfileio::TextLines> OpenLines(const std::wstring& path, int& error) override;
    std::unique_ptr<tovfileio::TextOutput> CreateOutput(const std::wstring& path, int& error) override;

    // Whether an output threw.
    bool Threw() const { return threw_; }

private:
    std::uint64_t bytes_;
    Throw what_;
    std::atomic<bool> threw_{false};
};

}  // namespace tovtest
