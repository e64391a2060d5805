// The commands of tovfileio. Each command lives in its own file and adds
// itself to the command line through one function, which declares its
// options on a subcommand and registers the body that runs when it is
// chosen; Tovfileio.cpp lists them all.
#pragma once

#include <functional>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/files/CommandIO.h"

class CommandContext {
public:
    explicit CommandContext(const CommandIO& io) : io_(io) {}

    const CommandIO& IO() const { return io_; }

    // Adds the subcommand `name`; `body` runs once the whole command line
    // has been parsed and `name` was the command chosen.
    CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& description,
                         std::function<int()> body);

    // Reports a command line that parsed but cannot be run ("tovfileio
    // NAME: WHAT" and where to find help); returns kExitUsage.
    int UsageError(const std::string& command, const std::string& what) const;

    // The chosen command's body, or null before parsing chose one.
    const std::function<int()>& Chosen() const { return chosen_; }

private:
    const CommandIO& io_;
    std::function<int()> chosen_;
};

void AddInfoCommand(CLI::App& app, CommandContext& context);
void AddConvertCommand(CLI::App& app, CommandContext& context);
void AddRepairCommand(CLI::App& app, CommandContext& context);
void AddPluginsCommand(CLI::App& app, CommandContext& context);
void AddAboutCommand(CLI::App& app, CommandContext& context);
void AddSceneCommand(CLI::App& app, CommandContext& context);
void AddImportHtrCommand(CLI::App& app, CommandContext& context);
void AddImportTrcCommand(CLI::App& app, CommandContext& context);
void AddExportHtrCommand(CLI::App& app, CommandContext& context);
void AddRoundtripCommand(CLI::App& app, CommandContext& context);
void AddGltfCommand(CLI::App& app, CommandContext& context);
void AddPreviewCommand(CLI::App& app, CommandContext& context);
void AddViewCommand(CLI::App& app, CommandContext& context);
void AddUtilityCommands(CLI::App& app, CommandContext& context);
void AddOptionsCommand(CLI::App& app, CommandContext& context);
