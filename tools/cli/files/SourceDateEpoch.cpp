#include "cli/files/SourceDateEpoch.h"

#include "tovfileio/gwm/GWMWriter.h"

bool SourceDateEpochUsable(std::string& problem) {
    const tovfileio::SourceDateEpoch epoch = tovfileio::ReadSourceDateEpoch();
    if (!epoch.set || epoch.usable) return true;
    problem = "SOURCE_DATE_EPOCH must be whole seconds since 1970 (up to the year 9999), not '" +
              epoch.text + "'";
    return false;
}

void RequireUsableSourceDateEpoch(CLI::App& command) {
    command.parse_complete_callback([] {
        std::string problem;
        if (!SourceDateEpochUsable(problem)) throw CLI::ValidationError(problem);
    });
}
