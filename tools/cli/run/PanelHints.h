// What the command line tells the line driver about the module's utility
// panel and its MNM creator: which marker each pick is for and what Enter
// does there, the markers --auto leaves out unasked, why Convert or the
// batch log came to nothing when the module does not say, and where a walk
// stopped when the input ended. The module's own messages stay as they are;
// these are lines of the driver's own.
#pragma once

#include <string>

#include "brindle/host/ui/LineDriver.h"
#include "tovfileio/module/PluginReports.h"

struct PanelHintOptions {
    // The panel's creator; null when the panel offers none.
    const MarkerCreator* creator = nullptr;
    // Optional markers without a node of their name are left out unasked
    // (mnm-create --auto).
    bool leaveOutUnmatched = false;
    // The module's words when it cannot open the batch log.
    std::wstring batchLogFailed;
};

brindle::host::LineDriverHints PanelHints(const PanelHintOptions& options);

// Why the panel's Convert, clicked with `mapShown` in its map field, will
// do nothing: no map is chosen ("<none>"), or the file cannot be opened.
// Empty when the map opens.
std::string ConvertRefusal(const std::wstring& mapShown);

// Why no batch log can be opened in the output folder `folderShown` (as the
// panel shows it: "<none>" for none): the folder is missing, no folder, or
// not writable. Empty when no cause is found.
std::string BatchLogCause(const std::wstring& folderShown);
