// The floor a C3D read is compared with: the least work any reader of the
// file's data section must do.
#pragma once

#include <filesystem>
#include <vector>

namespace tovbench {

// Every word of the data section on, points and analog values alike, read
// through `buffer` (resized to 1 MB), copied out and widened to double into
// a reused array: floats in a floating-point file (negative header scale),
// 16-bit integers in an integer one. Returns a sum of some of them, so the
// work is not optimised away.
double ReadC3dWords(const std::filesystem::path& file, std::vector<char>& buffer);

}  // namespace tovbench
