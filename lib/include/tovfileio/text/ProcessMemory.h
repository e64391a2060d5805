// The memory a reader may fill when its caller sets no limit of its own.
#pragma once

#include <cstdint>

namespace tovfileio {

// The memory this process may take: the machine's physical memory, or less
// when the process is held to an address-space or data-size limit.
std::uint64_t ProcessMemoryAvailable();

}  // namespace tovfileio
