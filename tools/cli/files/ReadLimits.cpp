#include "cli/files/ReadLimits.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include <sys/stat.h>

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

}  // namespace

bool ParseByteSize(const std::string& text, std::uint64_t& bytes) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr == text.data()) return false;
    int shift = 0;
    const std::string unit(result.ptr, end);
    if (unit == "K" || unit == "k") {
        shift = 10;
    } else if (unit == "M" || unit == "m") {
        shift = 20;
    } else if (unit == "G" || unit == "g") {
        shift = 30;
    } else if (unit == "T" || unit == "t") {
        shift = 40;
    } else if (!unit.empty()) {
        return false;
    }
    if (shift > 0 && value > (~std::uint64_t{0} >> shift)) return false;
    bytes = value << shift;
    return true;
}

bool ParseInputLimit(const std::string& text, std::uint64_t& bytes) {
    if (text.empty()) {
        bytes = kDefaultInputLimit;
        return true;
    }
    return ParseByteSize(text, bytes);
}

std::uint64_t FileBytes(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
    return static_cast<std::uint64_t>(status.st_size);
}

std::uint64_t OutputLimit(std::uint64_t inputBytes, std::optional<std::uint64_t> chosen) {
    if (chosen) return *chosen;
    return std::max(64 * kMiB, 64 * inputBytes);
}

std::string ByteSizeText(std::uint64_t bytes) {
    char text[32];
    if (bytes >= (std::uint64_t{1} << 30)) {
        std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1 << 30));
    } else if (bytes >= kMiB) {
        std::snprintf(text, sizeof text, "%.0f MiB", static_cast<double>(bytes) / kMiB);
    } else {
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    }
    return text;
}

std::string OutputTooLarge(std::uint64_t limit, std::uint64_t atLeast) {
    std::string text = "the output would take more than " + ByteSizeText(limit);
    if (atLeast > limit) text = "the output would take at least " + ByteSizeText(atLeast);
    return text + ", out of proportion to the input; --max-output allows more";
}
