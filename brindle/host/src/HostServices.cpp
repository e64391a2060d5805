// The host's heap, the language-pack switch, and the out-of-line members
// that anchor the SDK base classes in the host.
#include <atomic>
#include <cstdlib>

#include "HostControl.h"
#include "brindle/sdk/ClassDesc.h"
#include "brindle/sdk/HostServices.h"
#include "brindle/sdk/PluginClasses.h"

namespace brindle::host {
namespace {

std::atomic<int> failingAllocations{0};
std::atomic<long> liveBlocks{0};
std::atomic<int> localeCalls{0};

}  // namespace

void FailNextHeapAllocations(int count) { failingAllocations = count; }
long LiveHeapBlocks() { return liveBlocks; }
int LanguagePackLocaleCalls() { return localeCalls; }

}  // namespace brindle::host

void* BrindleHeapAlloc(std::size_t bytes) noexcept {
    using namespace brindle::host;
    if (failingAllocations > 0) {
        --failingAllocations;
        return nullptr;
    }
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block != nullptr) ++liveBlocks;
    return block;
}

void BrindleHeapFree(void* block) noexcept {
    if (block == nullptr) return;
    --brindle::host::liveBlocks;
    std::free(block);
}

void UseLanguagePackLocale() { ++brindle::host::localeCalls; }

ClassDesc::~ClassDesc() = default;
SceneImport::~SceneImport() = default;
SceneExport::~SceneExport() = default;
UtilityObj::~UtilityObj() = default;
