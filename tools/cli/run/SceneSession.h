// What the commands that work on a scene share: the scene document named by
// --scene (a new scene when the file does not exist yet), the host settings
// given before the plug-in runs, the module's plug-ins, run as every
// command runs them (see PluginRunner), and saving the scene only when the
// command succeeded. A command that will save the scene holds its lock from
// before it is read until after it is saved, so two runs changing one
// scene take turns and neither loses the other's work.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "brindle/host/DocumentLock.h"
#include "cli/files/CommandIO.h"
#include "cli/run/PluginRunner.h"

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

// What a command does with its scene document.
enum class SceneUse {
    Read,            // reads it; it must exist
    Change,          // reads it and saves it; it must exist
    CreateOrChange,  // the same, starting a new scene when there is no file
};

class SceneSession : public PluginRunner {
public:
    SceneSession(const CommandIO& io, std::string command)
        : PluginRunner(io, std::move(command)) {}
    ~SceneSession();
    SceneSession(const SceneSession&) = delete;
    SceneSession& operator=(const SceneSession&) = delete;

    // Opens the scene of `path` into the host as `use` says and applies
    // `settings`; false, with the reason on standard error, when the
    // document or a setting cannot be used. To change the scene it first
    // takes the document's lock, waiting for another run that holds it
    // (saying so once when standard error is a terminal) until the time
    // of LockWait, and refusing after that.
    bool Open(const std::string& path, const HostSettings& settings, SceneUse use);
    // Writes the scene back to its document; false, with the reason on
    // standard error, when it could not be written. The lock, if any, is
    // let go when the session ends.
    bool Save();
    // Open found no document and started a new scene.
    bool Created() const { return created_; }

private:
  bool Lock(const std::string& path);

  std::string path_;
  bool created_ = false;
  brindle::host::DocumentLock lock_;
  int cleanupSlot_ = -1;  // the lock file, removed if the run is interrupted
};
