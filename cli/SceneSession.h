// What the commands that work on a scene share: the scene document named by
// --scene (a new scene when the file does not exist yet), the host settings
// given before the plug-in runs, the module's plug-ins, run as every
// command runs them (see PluginRunner), and saving the scene only when the
// command succeeded.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/CommandIO.h"
#include "cli/PluginRunner.h"

struct HostSettings {
    std::optional<int> fps;
    std::optional<std::string> systemUnit;
    std::optional<long long> time;
    std::vector<std::string> select;
};

// --fps, --system-unit, --time and --select on `command`.
void AddHostSettingOptions(CLI::App& command, HostSettings& settings);

// Millimetres in one unit: "mm", "cm", "m", "in", "ft", "yd", or a positive
// number of millimetres; none for anything else.
std::optional<double> ParseSystemUnit(const std::string& text);

// What a scene command says when `run` did not succeed: a failed import
// leaves the scene document as it was, a failed export writes nothing.
const char* FailureText(const PluginRun& run);

class SceneSession : public PluginRunner {
public:
    SceneSession(const CommandIO& io, std::string command)
        : PluginRunner(io, std::move(command)) {}

    // Opens the scene of `path` into the host (a new scene when there is no
    // such file, unless `mustExist`) and applies `settings`; false, with the
    // reason on standard error, when the document or a setting cannot be used.
    bool Open(const std::string& path, const HostSettings& settings, bool mustExist = false);
    // Writes the scene back to its document; false, with the reason on
    // standard error, when it could not be written.
    bool Save();

private:
    std::string path_;
};
