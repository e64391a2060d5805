#include "cli/run/TemporaryRegistry.h"

#include "brindle/host/registry/RegistryStore.h"

using brindle::host::RegistryStore;

TemporaryRegistry::TemporaryRegistry() : previousFile_(RegistryStore::Instance().FilePath()) {
    if (!previousFile_.empty()) RegistryStore::Instance().UseFile("");
}

TemporaryRegistry::~TemporaryRegistry() {
    if (!previousFile_.empty()) RegistryStore::Instance().UseFile(previousFile_);
}
