// tovfileio roundtrip: an HTR file imported into a fresh scene by the
// module's importer and exported again by its exporter, and how far the
// result is from the file.
#include <cstdio>
#include <string>

#include "brindle/host/scene/HostInterface.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/sdk/PluginClasses.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/commands/Commands.h"
#include "cli/run/DialogFlags.h"
#include "cli/run/FreshImport.h"
#include "cli/report/HtrComparison.h"
#include "json/JsonWriter.h"
#include "cli/report/SafeText.h"
#include "cli/files/HostNames.h"
#include "cli/files/OutputFile.h"
#include "cli/run/SceneSession.h"
#include "cli/run/TemporaryRegistry.h"
#include "tovfileio/module/ClassIds.h"
#include "tovfileio/module/ResourceIds.h"
#include "tovfileio/text/FileKinds.h"

using namespace tovfileio;

namespace {

using brindle::host::Scene;


struct RoundtripOptions {
    std::string input;
    std::string output;
    bool tcb = false;
    bool json = false;
};

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

void PrintText(const CommandIO& io, const RoundtripOptions& options, const HtrDifference& d,
               const std::string& units) {
    std::string text = options.input + " -> " + options.output + "\n";
    if (d.header.empty()) {
        text += d.units.empty() ? "header: the same\n" : "header: the same but for the units\n";
    } else {
        for (const std::string& line : d.header) text += "header differs: " + line + "\n";
    }
    // Other units are no difference of the values, which are compared in IN's.
    if (!d.units.empty()) {
        text += "units differ:";
        for (std::size_t i = 0; i < d.units.size(); ++i) text += (i == 0 ? " " : ", ") + d.units[i];
        text += " (values compared after conversion)\n";
    }
    for (const SegmentDifference& s : d.segments) {
        const std::string name = EscapedName(s.name);
        if (s.missing) text += "segment " + name + ": missing\n";
        if (s.parentDiffers) text += "segment " + name + ": another parent\n";
    }
    text += "largest differences: translation " + Number(d.translation) + " " + units +
            ", bone length " + Number(d.length) + " " + units + ", rotation " +
            Number(d.rotationDegrees) + " degrees\n";
    text += std::string("within the host's single precision: ") +
            (d.withinTolerance ? "yes" : "no") + "\n";
    io.Out(text);
}

void PrintJson(const CommandIO& io, const RoundtripOptions& options, const HtrDifference& d,
               const std::string& units) {
    JsonWriter json;
    json.BeginObject();
    json.Key("input").String(options.input);
    json.Key("output").String(options.output);
    json.Key("units").String(units);
    json.Key("header_differences").BeginArray();
    for (const std::string& line : d.header) json.String(line);
    json.EndArray();
    json.Key("unit_differences").BeginArray();
    for (const std::string& line : d.units) json.String(line);
    json.EndArray();
    json.Key("translation").Double(d.translation);
    json.Key("length").Double(d.length);
    json.Key("rotation_degrees").Double(d.rotationDegrees);
    json.Key("within_tolerance").Bool(d.withinTolerance);
    json.Key("segments").BeginArray();
    for (const SegmentDifference& s : d.segments) {
        json.BeginObject();
        json.Key("name").String(std::wstring_view(s.name));
        json.Key("missing").Bool(s.missing);
        json.Key("parent_differs").Bool(s.parentDiffers);
        json.Key("translation").Double(s.translation);
        json.Key("length").Double(s.length);
        json.Key("rotation_degrees").Double(s.rotationDegrees);
        json.Key("within_tolerance").Bool(s.withinTolerance);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    io.Out(json.Text() + "\n");
}

int RunRoundtrip(const RoundtripOptions& options, const CommandIO& io) {
    SceneSession session(io, "roundtrip");
    HTRFile original;
    const std::wstring error = original.Read(tovfileio::PathToWide(options.input));
    if (!error.empty()) {
        session.Error(options.input + ": " + tovfileio::EncodeUtf8(error));
        return kExitFailed;
    }
    OutputFile output;
    std::string outputError;
    // A device or a FIFO gives nothing back to read: the file exported is
    // read from a staged copy, which then goes to it.
    if (!output.Resolve(options.output, options.input, options.input, tovfileio::KindInfo(tovfileio::FileKind::kHtr).extension, HtrFileNamed,
                        outputError) ||
        !output.StageStream(options.input, tovfileio::KindInfo(tovfileio::FileKind::kHtr).extension, outputError)) {
        session.Error(options.output + ": " + outputError);
        return kExitFailed;
    }
    // Both dialogs keep their settings in memory, so a person's remembered
    // options are neither used nor changed.
    const TemporaryRegistry registry;
    // The scene's system unit is the file's, so that single precision is
    // spent on the file's own magnitudes.
    FreshImportOptions fresh;
    fresh.tcb = options.tcb;
    fresh.systemUnitMm = MillimetresPerUnit(original.GetCalibrationUnits());
    if (!ImportIntoFreshScene(session, io, options.input, tovfileio::FileKind::kHtr, fresh)) return kExitFailed;

    // Export the skeleton under the file's dummy over the file's frames.
    Scene& scene = Scene::Current();
    if (scene.Nodes().empty()) {
        session.Error(options.input + ": the import made no skeleton");
        return kExitFailed;
    }
    scene.ClearSelection();
    scene.Select(scene.Nodes().back());
    const std::int64_t first = original.GetFirstFrame();
    const std::int64_t last = first + std::int64_t(original.GetNumFrames()) - 1;
    const std::int64_t tpf = scene.TicksPerFrame();
    scene.SetAnimationRange(Interval(static_cast<TimeValue>(tpf * (first - 1)),
                                     static_cast<TimeValue>(tpf * last)));
    const auto exporter = session.Create<SceneExport>(kExportHtrClassId);
    if (!exporter) return kExitFailed;
    PluginOperations* operations = OperationsOf(*exporter);
    // The output is resolved already: the path is the file to write.
    if (operations != nullptr) operations->TakeNamesAsGiven(true);
    DialogFlagDriver exportDialog(io, "roundtrip");
    exportDialog.Choose(IDC_SAVED_POSE, "saved pose");
    exportDialog.Check(IDC_EXPORT_ANIMATION, true, "animation");
    exportDialog.Check(IDC_PARENT_TRANSFORMS, true, "parent transforms");
    exportDialog.Choose(IDC_FRAME_RANGE, "range");
    exportDialog.Type(IDC_FROM_FRAME, std::to_wstring(first), "from");
    exportDialog.Type(IDC_TO_FRAME, std::to_wstring(last), "to");
    exportDialog.Type(IDC_FRAME_OFFSET, L"0", "offset");
    exportDialog.Type(IDC_GLOBAL_SCALE, L"1", "scale");
    const std::wstring written = tovfileio::PathToWide(output.WritePath());
    const PluginRun run = session.Run(PluginOperation::Export(operations), exportDialog, [&] {
        return exporter->DoExport(written.c_str(), &brindle::host::HostExportInterface(),
                                  &brindle::host::HostInterface(), FALSE, 0);
    });
    if (!run.Succeeded()) {
        session.Error(options.output + ": the export did not succeed");
        return kExitFailed;
    }
    HTRFile result;
    const std::wstring readBack = result.Read(written);
    if (!readBack.empty()) {
        session.Error(options.output + ": " + tovfileio::EncodeUtf8(readBack));
        return kExitFailed;
    }
    if (!output.Finish(io, outputError)) {
        session.Error(output.Name() + ": " + outputError);
        return kExitFailed;
    }
    const HTRWrittenUnits writtenUnits = UnitsWritten(result);
    result.ConvertCalibrationUnits(original.GetCalibrationUnits());
    const HtrDifference difference = WordDifferences(CompareHTR(original, result, writtenUnits));
    const std::string units = CalibrationUnitsKeyword(original.GetCalibrationUnits());
    if (options.json) {
        PrintJson(io, options, difference, units);
    } else {
        PrintText(io, options, difference, units);
    }
    return difference.withinTolerance ? kExitOk : kExitFailed;
}

}  // namespace

void AddRoundtripCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RoundtripOptions>();
    CLI::App* command = context.AddCommand(
        app, "roundtrip", "import an HTR file, export it again and compare",
        [&context, options] { return RunRoundtrip(*options, context.IO()); });
    command->add_option("IN.htr", options->input, "the HTR file")->required();
    command->add_option("OUT.htr", options->output, "the HTR file exported")->required();
    command->add_flag("--tcb", options->tcb, "key rotations on TCB controllers");
    command->add_flag("--json", options->json, "one JSON object, with every segment");
    command->footer(
        "Imports IN into a fresh scene whose system unit is IN's unit (create mode,\n"
        "base position and animation keyed, the file's frame rate), exports the skeleton again (saved pose,\n"
        "animation, the file's frames) as OUT and reports the largest differences:\n"
        "translations and bone lengths in IN's units, rotations as the angle\n"
        "between the two, in degrees. Exit status 0 when they are within the host's\n"
        "single precision (1e-3 of a unit, or 1.2e-7 of the magnitude, and 1e-4\n"
        "degrees), 1 otherwise. Remembered dialog options are not changed.");
}
