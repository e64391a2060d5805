// The host's registry kept in memory for as long as a command needs it: the
// plug-ins it runs load and save their remembered options there, so a
// person's own settings are neither used nor changed. Switching the store
// invalidates the keys open in it, and the module opens its settings
// sections as it loads: load the module while the guard holds, and run
// under it every plug-in whose options are to stay in memory.
#pragma once

#include <string>

class TemporaryRegistry {
public:
    // Switches the registry store to an empty one in memory; a store that
    // is in memory already is kept as it is (nothing of it reaches a file).
    TemporaryRegistry();
    // Switches back to the store file used before, read afresh.
    ~TemporaryRegistry();
    TemporaryRegistry(const TemporaryRegistry&) = delete;
    TemporaryRegistry& operator=(const TemporaryRegistry&) = delete;

private:
    std::string previousFile_;
};
