// The cost floors the readers and the writer are measured against: the least
// work any reader of a motion-capture file must do (convert every number of
// the file once) and the least work a writer must do (format every value
// once and hand the bytes to the file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tovfloor {

// Size of the reused buffer both floors work through.
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

struct ParseResult {
    bool opened = false;
    std::uint64_t bytes = 0;    // bytes read from the file
    std::uint64_t numbers = 0;  // fields that converted
    double sum = 0.0;           // of every converted value, so none is optimised away
};

// Reads the file through `buffer` (resized to kBufferBytes) and converts every
// field between blanks, tabs and line ends with std::from_chars. Fields that
// are not numbers are tried and dropped. When `values` is not null, every
// converted value is appended to it.
ParseResult ParseNumbers(const std::string& path, std::vector<char>& buffer,
                         std::vector<double>* values = nullptr);

// Writes every value with std::to_chars (fixed, six decimals), each followed
// by a tab, through `buffer` (resized to kBufferBytes) into the file at
// `path`. Returns the bytes written, or 0 when the file could not be written.
std::uint64_t WriteNumbers(const std::string& path, const std::vector<double>& values,
                           std::vector<char>& buffer);

}  // namespace tovfloor
