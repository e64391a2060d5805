// The limits that keep a small or hostile input from taking a machine's
// memory or disk, unless the user asks for more by option.
//
// - Memory: a TRC file's samples may take 256 MiB plus 16 times the file's
//   size (a well-formed file needs about its own size), `--max-memory` to
//   change it, 0 for the machine's memory. HTR files need memory in
//   proportion to their size and have no limit of their own.
// - Output: a converted file may be 64 MiB, or 64 times the input's size
//   when that is more (a conversion writes about its input's size),
//   `--max-output` to change it, 0 for no limit.
// So an input under 1 MB never makes tovfileio write more than 67 MB or
// hold more than about 600 MB (samples plus the growth of their arrays).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "4096", "512K", "64M", "2G" (powers of 1024); false on anything else.
bool ParseByteSize(const std::string& text, std::uint64_t& bytes);

// Size of the file at `path`, 0 for anything but a plain file.
std::uint64_t FileBytes(const std::string& path);

// The memory limit for the TRC file at `path` (0: the machine's memory).
std::uint64_t ReadMemoryLimit(const std::string& path, std::optional<std::uint64_t> chosen);

// The output limit for an input of `inputBytes` (0: none).
std::uint64_t OutputLimit(std::uint64_t inputBytes, std::optional<std::uint64_t> chosen);

// " (more than LIMIT ...; --max-memory allows more)" after the reader's
// out-of-memory message, else empty.
std::string MemoryAdvice(const std::string& message, std::uint64_t limit);

// Why nothing was written when an output passed its limit `limit`, or would
// take at least `atLeast` bytes when that is more.
std::string OutputTooLarge(std::uint64_t limit, std::uint64_t atLeast);

// "64 MiB", "1.5 GiB", "300 bytes".
std::string ByteSizeText(std::uint64_t bytes);
