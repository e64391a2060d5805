#include "tests/support/AllocationFailure.h"

#include <cstdlib>
#include <new>

namespace {

thread_local bool tCounting = false;
thread_local std::size_t tCount = 0;
thread_local std::size_t tFailAt = 0;

void* Allocate(std::size_t size) {
    if (tCounting && ++tCount == tFailAt) throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

void* AllocateOrNull(std::size_t size) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

namespace tovtest {

AllocationFailure::AllocationFailure(std::size_t failAt) {
    tCount = 0;
    tFailAt = failAt;
    tCounting = true;
}

AllocationFailure::~AllocationFailure() { tCounting = false; }

std::size_t AllocationFailure::Count() const { return tCount; }

bool AllocationFailure::Failed() const { return tFailAt != 0 && tCount >= tFailAt; }

}  // namespace tovtest

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateOrNull(size);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
