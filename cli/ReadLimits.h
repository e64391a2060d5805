// The limit that keeps a small or hostile input from filling a disk, unless
// the user asks for more by option: a converted file may be 64 MiB, or 64
// times the input's size when that is more (a conversion writes about its
// input's size), `--max-output` to change it, 0 for no limit. (Memory needs
// no limit of its own: TRC files are read a row at a time, and HTR files
// take memory in proportion to their size.)
#pragma once

#include <cstdint>
#include <optional>
#include <string>

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
