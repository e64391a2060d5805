#include "cli/commands/UsageHints.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Edits (insertions, deletions, substitutions, swaps of neighbours) that
// turn `a` into `b`.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

// Every long name of the command's options, with its dashes.
std::vector<std::string> LongNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    }
    return names;
}

// The parsed command (the program or one of its commands) with arguments
// left over, or null.
const CLI::App* WithLeftOver(const CLI::App& app) {
    if (app.remaining_size() > 0) return &app;
    for (const CLI::App* sub : app.get_subcommands()) {
        if (const CLI::App* found = WithLeftOver(*sub)) return found;
    }
    return nullptr;
}

}  // namespace

namespace {

// The name among `known` nearest to `name`: within two edits, or the only
// one `name` (of four letters or more) begins; empty when none is near.
std::string NearestName(const std::vector<std::string>& known, const std::string& name) {
    std::string nearest;
    std::size_t best = 3;
    std::size_t beginning = 0;
    std::string begun;
    for (const std::string& candidate : known) {
        const std::size_t distance = EditDistance(name, candidate);
        if (distance < best) {
            best = distance;
            nearest = candidate;
        }
        if (name.size() > 3 && candidate.compare(0, name.size(), name) == 0) {
            ++beginning;
            begun = candidate;
        }
    }
    if (nearest.empty() && beginning == 1) nearest = begun;
    return nearest == name ? std::string() : nearest;
}

}  // namespace

std::string NearestOption(const CLI::App& command, const std::string& typed) {
    if (typed.size() < 2 || typed[0] != '-') return std::string();
    // "-scale-factor" and "--scale-factor=2" mean the option's long name.
    std::string name = typed.substr(0, typed.find('='));
    if (name.compare(0, 2, "--") != 0) name = "-" + name;
    const std::string nearest = NearestName(LongNames(command), name);
    return nearest == typed ? std::string() : nearest;
}

std::string NearestCommand(const CLI::App& app, const std::string& typed) {
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands({})) names.push_back(command->get_name());
    return NearestName(names, typed);
}

std::string UnexpectedArguments(const CLI::App& app) {
    const CLI::App* command = WithLeftOver(app);
    if (command == nullptr) return std::string();
    const std::vector<std::string> left = command->remaining();
    std::string text = left.size() > 1 ? "The following arguments were not expected:"
                                       : "The following argument was not expected:";
    for (const std::string& arg : left) text += " " + arg;
    std::vector<std::pair<std::string, std::string>> hints;  // typed, nearest
    for (const std::string& arg : left) {
        std::string nearest = NearestOption(*command, arg);
        if (!nearest.empty()) hints.emplace_back(arg, std::move(nearest));
    }
    if (hints.size() == 1) return text + " (did you mean " + hints[0].second + "?)";
    for (std::size_t i = 0; i < hints.size(); ++i) {
        text += (i == 0 ? " (did you mean " : ", ") + hints[i].second + " for " + hints[i].first;
    }
    return hints.empty() ? text : text + "?)";
}
