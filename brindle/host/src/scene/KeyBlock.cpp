#include "brindle/host/scene/KeyBlock.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace brindle::host {

namespace {

#if defined(__linux__)
std::size_t WholePages(std::size_t bytes) {
    static const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

// Mapped pages from kMappedBytes up: growing them moves the page table,
// never the keys, and touches no page that holds none. The pages are a
// little more than kMappedBytes at least, so that the whole keys they hold
// still come to kMappedBytes and the block is known as mapped by its size.
void* GrowMapped(void* data, std::size_t had, std::size_t want, std::size_t keep, std::size_t& got) {
    const std::size_t length = WholePages(std::max(want, kMappedBytes + kLargestKey));
    void* grown;
    if (had >= kMappedBytes) {
        grown = mremap(data, WholePages(had), length, MREMAP_MAYMOVE);
    } else {
        grown = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (grown != MAP_FAILED) {
            if (keep > 0) std::memcpy(grown, data, keep);
            std::free(data);
        }
    }
    if (grown == MAP_FAILED) throw std::bad_alloc();
    got = length;
    return grown;
}
#endif

}  // namespace

void* GrowKeyBytes(void* data, std::size_t had, std::size_t want, std::size_t keep, std::size_t& got) {
#if defined(__linux__)
    if (want >= kMappedBytes) return GrowMapped(data, had, want, keep, got);
#endif
    void* grown = std::realloc(data, want);
    if (grown == nullptr) throw std::bad_alloc();
    got = want;
    return grown;
}

void FreeKeyBytes(void* data, std::size_t had) {
    if (data == nullptr) return;
#if defined(__linux__)
    if (had >= kMappedBytes) {
        munmap(data, WholePages(had));
        return;
    }
#endif
    std::free(data);
}

}  // namespace brindle::host
