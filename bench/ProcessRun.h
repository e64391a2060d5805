// Benchmarks of whole commands: a program run as its own process, its
// output thrown away, with its exit status and peak memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tovbench {

// Runs `program` with `args`; the exit status (-1 when it did not exit)
// and its peak resident size in bytes.
int RunProcess(const std::string& program, const std::vector<std::string>& args,
               std::uint64_t& peakBytes);

}  // namespace tovbench
