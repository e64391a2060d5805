// The host's settings kept in a file of the test's own while it lives, so
// that options a dialog remembered in another test cannot change its runs;
// the store file found before is used again after.
#pragma once

#include <string>

#include "brindle/host/RegistryStore.h"
#include "tests/support/TestFiles.h"

namespace tovtest {

class ScratchSettings {
public:
    ScratchSettings() : before_(brindle::host::RegistryStore::Instance().FilePath()) {
        brindle::host::RegistryStore::Instance().UseFile(Path());
    }
    ~ScratchSettings() { brindle::host::RegistryStore::Instance().UseFile(before_); }
    ScratchSettings(const ScratchSettings&) = delete;
    ScratchSettings& operator=(const ScratchSettings&) = delete;

    std::string Path() const { return (dir_.Path() / "registry.reg").string(); }

private:
    ScratchDir dir_;
    std::string before_;
};

}  // namespace tovtest
