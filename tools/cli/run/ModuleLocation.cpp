#include "cli/run/ModuleLocation.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string FindModule() {
    if (const char* path = std::getenv("TOVFILEIO_MODULE"); path != nullptr && *path) return path;
    std::error_code ec;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "TOVFileIO.dlu";
    const auto folder = program.parent_path();
    // Beside the program; in the build tree (tools/cli/ and module/plugin/);
    // installed (bin/ and lib/tovfileio/).
    for (const auto& candidate :
         {folder / "TOVFileIO.dlu", folder / ".." / ".." / "module" / "plugin" / "TOVFileIO.dlu",
          folder / ".." / "lib" / "tovfileio" / "TOVFileIO.dlu"}) {
        if (std::filesystem::exists(candidate, ec)) return candidate.lexically_normal().string();
    }
    return (folder / "TOVFileIO.dlu").string();
}

std::unique_ptr<brindle::host::PluginModule> LoadModule(const CommandIO& io) {
    const std::string path = FindModule();
    std::string error;
    auto module = brindle::host::PluginModule::Load(path, error);
    // The loader's own reason may name the path already.
    if (!module) io.Err((error.rfind(path, 0) == 0 ? error : path + ": " + error) + "\n");
    return module;
}
