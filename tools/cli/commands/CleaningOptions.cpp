#include "cli/commands/CleaningOptions.h"

#include <charconv>
#include <cmath>
#include <map>
#include <set>

#include "cli/commands/GwmConversion.h"
#include "tovfileio/gwm/MarkerNameMap.h"
#include "tovfileio/text/FileKinds.h"
#include "tovfileio/text/TextCodec.h"

using tovfileio::CleaningStep;

namespace {

std::vector<std::string> CommaList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        items.push_back(text.substr(at, comma - at));
        at = comma + 1;
    }
    return items;
}

bool ParseNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && std::isfinite(value);
}

bool ParseFrame(const std::string& text, std::int64_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

// "NAME,NAME" into wide names; false on an empty name.
bool Names(const std::string& text, std::vector<std::wstring>& names) {
    for (const std::string& name : CommaList(text)) {
        if (name.empty()) return false;
        names.push_back(tovfileio::DecodeUtf8(name));
    }
    return true;
}

// Whether a --rename value names an MNM map rather than pairs: no '=', and
// the marker-name map's extension.
bool NamesMarkerMap(const std::string& value) {
    return value.find('=') == std::string::npos &&
           tovfileio::KindByName(value) == tovfileio::FileKind::kMnm;
}

// The renames of `map`: each TRC name to its GWM code, the first code when
// the map gives a name twice, as the map's own lookup takes it.
std::vector<std::pair<std::wstring, std::wstring>> MapRenames(const tovfileio::MarkerNameMap& map) {
    std::vector<std::pair<std::wstring, std::wstring>> renames;
    std::set<std::wstring> named;
    for (const tovfileio::MarkerNameMapEntry& entry : map.Entries()) {
        if (named.insert(entry.trcName).second) renames.emplace_back(entry.trcName, entry.gwmName);
    }
    return renames;
}

// The step of the `occurrence`th value of `option`; the usage error, or empty.
std::string StepOf(const CleaningOptions& o, const CLI::Option* option, std::size_t occurrence,
                   double maxGap, CleaningStep& step) {
    using Kind = CleaningStep::Kind;
    if (option == o.fillGaps) {
        const std::string& name = o.fillGapsText[occurrence];
        const std::optional<tovfileio::GapMethod> method =
            tovfileio::GapMethodNamed(name.empty() ? "auto" : name);
        step.kind = Kind::kFillGaps;
        step.fill.method = *method;  // checked when the files were sorted out
        step.fill.maxGapSeconds = maxGap;
        return std::string();
    }
    if (option == o.filter) {
        const std::string& text = o.filterText[occurrence];
        static constexpr std::string_view kLowPass = "lowpass:";
        step.kind = Kind::kLowPass;
        if (text.rfind(kLowPass, 0) != 0 || !ParseNumber(text.substr(kLowPass.size()), step.cutoff)) {
            return "option '--filter' takes lowpass:HZ, not '" + text + "'";
        }
        return std::string();
    }
    if (option == o.range) {
        const std::string& from = o.rangeText[2 * occurrence];
        const std::string& to = o.rangeText[2 * occurrence + 1];
        step.kind = Kind::kKeepFrames;
        if (!ParseFrame(from, step.from) || !ParseFrame(to, step.to)) {
            return "option '--range' takes two frame numbers, not '" + from + " " + to + "'";
        }
        return std::string();
    }
    if (option == o.rename) {
        step.kind = Kind::kRename;
        const std::string& text = o.renameText[occurrence];
        if (NamesMarkerMap(text)) {
            // A map is written for a whole marker set: the names the take
            // lacks are passed over. Its pairs come when it is read.
            step.skipAbsent = true;
            return std::string();
        }
        for (const std::string& pair : CommaList(text)) {
            const std::size_t equals = pair.find('=');
            if (equals == std::string::npos || equals == 0 || equals + 1 == pair.size()) {
                return "option '--rename' takes OLD=NEW pairs separated by commas, not '" + pair + "'";
            }
            step.renames.emplace_back(tovfileio::DecodeUtf8(pair.substr(0, equals)),
                                      tovfileio::DecodeUtf8(pair.substr(equals + 1)));
        }
        return std::string();
    }
    const bool keep = option == o.keep;
    step.kind = keep ? Kind::kKeepMarkers : Kind::kDropMarkers;
    if (!Names((keep ? o.keepText : o.dropText)[occurrence], step.names)) {
        return std::string("option '--") + (keep ? "keep" : "drop") + "' takes marker names separated by commas";
    }
    return std::string();
}

}  // namespace

void AddCleaningOptions(CLI::App& command, CLI::Option* files, CleaningOptions& o) {
    o.files = files;
    o.fillGaps = command.add_option("--fill-gaps", o.fillGapsText,
                                    "marker takes: fill the frames where a marker was not seen, by the "
                                    "method named (default: auto)")
                     ->expected(0, 1)
                     ->allow_extra_args(false)
                     ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                     ->type_name("[auto|linear|spline|rigid|pattern]");
    command.add_option("--max-gap", o.maxGapText, "--fill-gaps: longest gap filled (default: 0.5)")
        ->type_name("SECONDS");
    o.filter = command.add_option("--filter", o.filterText,
                                  "marker takes: the zero-lag low-pass Butterworth filter (2nd order, run "
                                  "forward and back) at HZ")
                   ->allow_extra_args(false)
                   ->type_name("lowpass:HZ");
    o.range = command.add_option("--range", o.rangeText,
                                 "marker takes: keep the frames numbered FROM to TO as the file numbers them")
                  ->expected(2)
                  ->allow_extra_args(false)
                  ->type_name("FROM TO");
    o.rename = command.add_option("--rename", o.renameText,
                                  "marker takes: rename markers, OLD to NEW, or from TRC names to "
                                  "GWM codes through an MNM map (markers the map does not name are "
                                  "kept)")
                   ->allow_extra_args(false)
                   ->type_name("OLD=NEW,...|MAP.mnm");
    o.keep = command.add_option("--keep", o.keepText, "marker takes: keep only these markers")
                 ->allow_extra_args(false)
                 ->type_name("NAME,...");
    o.drop = command.add_option("--drop", o.dropText, "marker takes: leave out these markers")
                 ->allow_extra_args(false)
                 ->type_name("NAME,...");
}

bool CleaningGiven(const CleaningOptions& o) {
    for (const CLI::Option* option : {o.fillGaps, o.filter, o.range, o.rename, o.keep, o.drop}) {
        if (option->count() > 0) return true;
    }
    return !o.maxGapText.empty();
}

std::string CleaningSteps(const CLI::App& command, CleaningOptions& o, std::vector<CleaningStep>& steps,
                          std::vector<std::string>& files) {
    double maxGap = 0.5;
    if (!o.maxGapText.empty() && (!ParseNumber(o.maxGapText, maxGap) || maxGap <= 0)) {
        return "option '--max-gap' takes a number of seconds above 0, not '" + o.maxGapText + "'";
    }
    if (!o.maxGapText.empty() && o.fillGaps->count() == 0) return "--max-gap goes with --fill-gaps";
    // The line in order: each value of an option is one entry (--range has
    // two a step), a positional file one too.
    std::map<const CLI::Option*, std::size_t> values;
    const std::vector<std::string> given = files;
    std::size_t nextFile = 0;
    files.clear();
    std::vector<std::pair<const CLI::Option*, std::size_t>> order;
    for (const CLI::Option* option : command.parse_order()) {
        const std::size_t value = values[option]++;
        if (option == o.files) {
            if (nextFile < given.size()) files.push_back(given[nextFile++]);
        } else if (option == o.range) {
            if (value % 2 == 1) order.emplace_back(option, value / 2);
        } else if (option == o.fillGaps) {
            // A value that names no method is the file that followed.
            std::string& name = o.fillGapsText[value];
            if (!name.empty() && !tovfileio::GapMethodNamed(name)) {
                files.push_back(name);
                name.clear();
            }
            order.emplace_back(option, value);
        } else if (option == o.filter || option == o.rename || option == o.keep || option == o.drop) {
            order.emplace_back(option, value);
        }
    }
    while (nextFile < given.size()) files.push_back(given[nextFile++]);
    o.renameMaps.clear();
    for (const auto& [option, occurrence] : order) {
        CleaningStep step;
        if (std::string problem = StepOf(o, option, occurrence, maxGap, step); !problem.empty()) return problem;
        if (option == o.rename && step.skipAbsent) {
            o.renameMaps.emplace_back(steps.size(), o.renameText[occurrence]);
        }
        steps.push_back(std::move(step));
    }
    return std::string();
}

bool ReadRenameMaps(const CleaningOptions& o, std::vector<CleaningStep>& steps,
                    const CommandIO& io) {
    for (const auto& [place, file] : o.renameMaps) {
        tovfileio::MarkerNameMap map;
        if (!LoadMarkerNameMap(file, map, io)) return false;
        steps[place].renames = MapRenames(map);
    }
    return true;
}
