#include "tovfileio/text/ProcessMemory.h"

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace tovfileio {

std::uint64_t ProcessMemoryAvailable() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    std::uint64_t bytes = std::uint64_t{1} << 32;
    if (pages > 0 && pageSize > 0) {
        bytes = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    }
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
            bytes = std::min<std::uint64_t>(bytes, limit.rlim_cur);
        }
    }
    return bytes;
}

}  // namespace tovfileio
