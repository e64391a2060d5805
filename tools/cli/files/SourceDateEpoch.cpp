#include "cli/files/SourceDateEpoch.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>

bool SourceDateEpochUsable(std::string& problem) {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch == nullptr || *epoch == '\0') return true;
    const std::string text = epoch;
    std::uint64_t seconds = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (result.ec == std::errc() && result.ptr == text.data() + text.size() &&
        seconds <= 253402300799u) {
        return true;
    }
    problem = "SOURCE_DATE_EPOCH must be whole seconds since 1970 (up to the year 9999), not '" +
              text + "'";
    return false;
}

void RequireUsableSourceDateEpoch(CLI::App& command) {
    command.parse_complete_callback([] {
        std::string problem;
        if (!SourceDateEpochUsable(problem)) throw CLI::ValidationError(problem);
    });
}
