#include "cli/run/SceneSession.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

#include "brindle/host/scene/Scene.h"
#include "brindle/host/scene/SceneDocument.h"
#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/files/InterruptCleanup.h"
#include "cli/run/LockWait.h"

using brindle::host::Scene;

void AddHostSettingOptions(CLI::App& command, HostSettings& settings) {
    command.add_option("--fps", settings.fps, "the scene's frame rate before the plug-in runs")
        ->check(CLI::Range(1, 4800));
    command.add_option("--system-unit", settings.systemUnit,
                       "the scene's system unit: " + tovfileio::CalibrationUnitsKeywords(", ") +
                           ", or millimetres per unit");
    command.add_option("--time", settings.time, "the scene's current time, in ticks");
    command.add_option("--select", settings.select,
                       "select the node of this name (repeatable, in order)")
        ->allow_extra_args(false);
}

std::optional<double> ParseSystemUnit(const std::string& text) {
    if (const auto units = tovfileio::KnownCalibrationUnits(std::string_view(text))) {
        return tovfileio::MillimetresPerUnit(*units);
    }
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double millimetres = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !(millimetres > 0.0) || !std::isfinite(millimetres)) {
        return std::nullopt;
    }
    return millimetres;
}

const char* FailureText(const PluginRun& run) {
    const bool notAccepted = run.Failure() == PluginFailure::NotAccepted;
    if (run.Failure() == PluginFailure::NotWritten) return "the file was not written";
    switch (run.kind) {
        case PluginOperation::Kind::Import:
            return notAccepted ? "the options were not accepted; nothing was imported"
                               : "the import failed; the scene was not changed";
        case PluginOperation::Kind::Export:
            return notAccepted ? "the options were not accepted; nothing was written"
                               : "the export failed; nothing was written";
        case PluginOperation::Kind::Interactive:
            break;
    }
    return "the module did not finish its work";
}

SceneSession::~SceneSession() {
    if (cleanupSlot_ >= 0) UnregisterFromCleanup(cleanupSlot_);
}

bool SceneSession::Lock(const std::string& path) {
    return TakeDocumentLock(lock_, path, io_, Command(), cleanupSlot_);
}

bool SceneSession::Open(const std::string& path, const HostSettings& settings, SceneUse use) {
    path_ = path;
    // Before the document is read: a run that found no file and made a new
    // scene would otherwise save over the scene another run saved meanwhile.
    if (use != SceneUse::Read && !Lock(path)) return false;
    Scene& scene = Scene::Current();
    struct stat info;
    if (use == SceneUse::CreateOrChange && ::stat(path.c_str(), &info) != 0 && errno == ENOENT) {
        scene.Clear();
        created_ = true;
    } else {
        std::string error;
        if (!brindle::host::LoadSceneDocument(path, scene, error)) {
            Error(error);
            return false;
        }
    }
    if (settings.fps && !scene.SetFrameRate(*settings.fps)) {
        Error("--fps " + std::to_string(*settings.fps) + ": not a frame rate of whole ticks");
        return false;
    }
    if (settings.systemUnit) {
        const auto millimetres = ParseSystemUnit(*settings.systemUnit);
        if (!millimetres) {
            Error("--system-unit " + *settings.systemUnit +
                  ": not a unit (" + tovfileio::CalibrationUnitsKeywords(", ") +
                  ", or millimetres per unit)");
            return false;
        }
        scene.SetSystemUnitMillimetres(*millimetres);
    }
    if (settings.time) {
        if (*settings.time < TIME_NegInfinity || *settings.time > TIME_PosInfinity) {
            Error("--time " + std::to_string(*settings.time) + ": beyond the scene's time range");
            return false;
        }
        scene.SetTime(static_cast<TimeValue>(*settings.time));
    }
    scene.ClearSelection();
    for (const std::string& name : settings.select) {
        auto* node = scene.FindByName(tovfileio::DecodeUtf8(name));
        if (node == nullptr) {
            Error("--select " + name + ": the scene has no node of that name");
            return false;
        }
        scene.Select(node);
    }
    return true;
}

bool SceneSession::Save() {
    std::string error;
    if (!brindle::host::SaveSceneDocument(Scene::Current(), path_, error)) {
        Error(error);
        return false;
    }
    return true;
}
