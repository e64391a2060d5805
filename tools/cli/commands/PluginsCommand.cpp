// tovfileio plugins: load the module as the host does and list its classes.
#include <cstdio>
#include <memory>
#include <string>

#include "brindle/host/PluginModule.h"
#include "brindle/sdk/PluginClasses.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/commands/Commands.h"
#include "json/JsonWriter.h"
#include "cli/run/ModuleLocation.h"

namespace {

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

const char* SuperClassName(SClass_ID id) {
    switch (id) {
        case SCENE_IMPORT_CLASS_ID: return "scene import";
        case SCENE_EXPORT_CLASS_ID: return "scene export";
        case UTILITY_CLASS_ID: return "utility";
        default: return "other";
    }
}

std::string Utf8(const wchar_t* text) {
    return text != nullptr ? tovfileio::EncodeUtf8(text) : std::string();
}

std::string PluginsJson(const brindle::host::PluginModule& module, const std::string& path) {
    JsonWriter json;
    json.BeginObject();
    json.Key("module").String(path);
    json.Key("description").String(std::wstring_view(module.Description()));
    json.Key("version").String(Hex(static_cast<std::uint32_t>(module.Version()), 8));
    json.Key("can_auto_defer").Bool(module.CanAutoDefer());
    json.Key("classes").BeginArray();
    int index = 0;
    for (ClassDesc* desc : module.Classes()) {
        json.BeginObject();
        json.Key("index").Int(index++);
        if (desc == nullptr) {
            json.Key("missing").Bool(true).EndObject();
            continue;
        }
        const Class_ID id = desc->ClassID();
        json.Key("name").String(Utf8(desc->ClassName()));
        json.Key("category").String(Utf8(desc->Category()));
        json.Key("super_class_id").String(Hex(desc->SuperClassID(), 4));
        json.Key("class_id").BeginArray().String(Hex(id.PartA(), 8)).String(Hex(id.PartB(), 8));
        json.EndArray();
        json.Key("public").Bool(desc->IsPublic() != 0);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text() + "\n";
}

std::string PluginsText(const brindle::host::PluginModule& module, const std::string& path) {
    std::string text = path + "\n";
    text += "  " + tovfileio::EncodeUtf8(module.Description()) + "\n";
    text += "  version " + Hex(static_cast<std::uint32_t>(module.Version()), 8) +
            (module.CanAutoDefer() ? ", may be loaded on demand\n" : "\n");
    int index = 0;
    for (ClassDesc* desc : module.Classes()) {
        text += "  " + std::to_string(index++) + "  ";
        if (desc == nullptr) {
            text += "(no class)\n";
            continue;
        }
        const Class_ID id = desc->ClassID();
        char line[256];
        std::snprintf(line, sizeof line, "%-13s %-15s %s (%s)  class id (%s, %s)  %s\n",
                      Utf8(desc->ClassName()).c_str(), Utf8(desc->Category()).c_str(),
                      Hex(desc->SuperClassID(), 4).c_str(), SuperClassName(desc->SuperClassID()),
                      Hex(id.PartA(), 8).c_str(), Hex(id.PartB(), 8).c_str(),
                      desc->IsPublic() ? "public" : "private");
        text += line;
    }
    return text;
}

int RunPlugins(bool json, const CommandIO& io) {
    const auto module = LoadModule(io);
    if (!module) return kExitFailed;
    const std::string path = FindModule();
    io.Out(json ? PluginsJson(*module, path) : PluginsText(*module, path));
    return kExitOk;
}

}  // namespace

void AddPluginsCommand(CLI::App& app, CommandContext& context) {
    auto json = std::make_shared<bool>(false);
    CLI::App* command =
        context.AddCommand(app, "plugins", "load the Brindle module and list its plug-in classes",
                           [json, &context] { return RunPlugins(*json, context.IO()); });
    command->add_flag("--json", *json, "one JSON object");
    command->footer(
        "Loads the module TOVFileIO.dlu the way Brindle does and lists its plug-in\n"
        "classes: name, category, super-class id, class id and whether it is public.\n"
        "The module is looked for in $TOVFILEIO_MODULE, beside tovfileio, then in\n"
        "../plugin and ../lib/tovfileio.");
}
