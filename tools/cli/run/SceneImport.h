// What import-htr and import-trc share: the module's importer run on a
// scene document (a new scene when the file does not exist yet), its
// options dialog answered by the command's flags (the remembered options they
// leave in place said), the scene saved only when the import succeeded, a
// failure named by its cause, and warnings of what the import left that a person
// would otherwise find only later.
#pragma once

#include <string>

#include "brindle/sdk/PluginClasses.h"
#include "cli/files/CommandIO.h"
#include "cli/run/DialogFlags.h"
#include "cli/files/InputFile.h"
#include "cli/run/SceneSession.h"

struct SceneImportRequest {
    // `command` ("import-htr") runs `importer`'s dialog, which `dialogFlags` act on.
    SceneImportRequest(const char* command, Class_ID importer, tovfileio::FileKind format,
                       const DialogFlagTable& dialogFlags)
        : command(command), importer(importer), format(format), flags(dialogFlags) {}

    const char* command;
    Class_ID importer;
    tovfileio::FileKind format;  // what the importer reads
    DialogFlagValues flags;
    std::string input;
    std::string scene;
    HostSettings host;
    bool suppressPrompts = false;
    const CLI::App* parsed = nullptr;  // the command's parsed line: the flags given
};

// Declares what both imports take, into `request`: the file (`inputName`,
// "IN.htr"), `--scene`, the host's settings, `--suppress-prompts` and the
// dialog flags.
void AddSceneImportOptions(CLI::App& command, SceneImportRequest& request, const char* inputName,
                           const char* inputHelp);
// The end of both imports' help: how the dialog options act, `more`, and
// where remembered options live.
std::string SceneImportFooter(const std::string& more, const std::string& command);

// Runs the import. The exit status: a flag the dialog could not take is a
// usage error.
int RunSceneImport(const SceneImportRequest& request, const CommandIO& io);
