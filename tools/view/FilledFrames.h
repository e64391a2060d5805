// The frames a take's gap fills gave each marker, for the player page: read
// from what the cleaning steps did, under the names the markers have once
// every step is done, and numbered as the take numbers its frames.
#pragma once

#include <map>
#include <span>
#include <string>
#include <vector>

#include "tovfileio/clean/Cleaning.h"
#include "view/PlayerPage.h"

namespace tovview {

// The filled runs of each marker (by its UTF-8 name), in frame order, that
// `report` says the fills among `steps` made: a marker renamed by a later
// step is named as it ends up.
std::map<std::string, std::vector<FilledRun>> FilledByMarker(
    const tovfileio::CleaningReport& report, std::span<const tovfileio::CleaningStep> steps);

// Gives each marker node of `outline` the runs `filled` holds under its name.
void MarkFilledFrames(TakeOutline& outline, const std::map<std::string, std::vector<FilledRun>>& filled);

}  // namespace tovview
