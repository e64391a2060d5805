// A lack of memory where real code allocates, for tests of what it leaves.
// While an AllocationFailure lives, the allocations its thread makes with
// operator new are counted, and the one of the given number throws
// std::bad_alloc; the rest succeed. A test program that links this gets
// operator new and delete of its own, which cost one check while none lives.
#pragma once

#include <cstddef>

namespace tovtest {

class AllocationFailure {
public:
    // Allocation number `failAt` (from 1) fails; 0 only counts.
    explicit AllocationFailure(std::size_t failAt);
    ~AllocationFailure();
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;

    // Allocations counted so far.
    std::size_t Count() const;
    // Whether the allocation meant to fail has come.
    bool Failed() const;
};

}  // namespace tovtest
