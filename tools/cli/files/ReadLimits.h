// The limits that keep a small or hostile input from filling a disk or
// running forever, unless the user asks for more by option. Output: a
// converted file may be 64 MiB, or 64 times the input's size when that is
// more (a conversion writes about its input's size), `--max-output` to
// change it, 0 for no limit. Input: what is copied from a stream, below.
// (Memory needs no limit of its own: TRC files are read a row at a time,
// and HTR files take memory in proportion to their size.)
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The most bytes copied from an input of no known size (standard input, a
// device, a FIFO) unless `--max-input` says otherwise (0: no limit): 4 GiB,
// far beyond the captures these files hold (a 500 MB TRC file is hours of
// markers), so that `info /dev/urandom` ends.
constexpr std::uint64_t kDefaultInputLimit = std::uint64_t{4} << 30;

// The `--max-input` value `text` (empty: the default) as a byte limit; false
// when it is not a size.
bool ParseInputLimit(const std::string& text, std::uint64_t& bytes);

// "4096", "512K", "64M", "2G" (powers of 1024); false on anything else.
bool ParseByteSize(const std::string& text, std::uint64_t& bytes);

// Size of the file at `path`, 0 for anything but a plain file.
std::uint64_t FileBytes(const std::string& path);

// The output limit for an input of `inputBytes` (0: none).
std::uint64_t OutputLimit(std::uint64_t inputBytes, std::optional<std::uint64_t> chosen);

// Why nothing was written when an output passed its limit `limit`, or would
// take at least `atLeast` bytes when that is more.
std::string OutputTooLarge(std::uint64_t limit, std::uint64_t atLeast);

// "64 MiB", "1.5 GiB", "300 bytes".
std::string ByteSizeText(std::uint64_t bytes);
