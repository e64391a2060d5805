// The host interface the headless host hands to plug-ins, over the scene it
// has open, and the progress display behind it.
#pragma once

#include <string>

#include "brindle/sdk/Interface.h"

namespace brindle::host {

// Who shows progress: tovfileio draws a bar on a terminal; nobody by default.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void Started(const std::wstring& title) = 0;
    virtual void Updated(int percent) = 0;
    virtual void Ended() = 0;
    // Whether the person asked to cancel.
    virtual bool Cancelled() { return false; }
};
// Installs the sink (null: none); returns the one installed before.
ProgressSink* SetProgressSink(ProgressSink* sink);

// What the progress display has seen, for tests and drivers.
struct ProgressRecord {
    bool open = false;
    int percent = 0;
    std::wstring title;
    int starts = 0;
    int ends = 0;
};
const ProgressRecord& Progress();

// The interfaces handed to importers and exporters.
Interface& HostInterface();
ImpInterface& HostImportInterface();
ExpInterface& HostExportInterface();

}  // namespace brindle::host
