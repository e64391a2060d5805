// tovfileio plugins: load the module as the host does and list its classes.
// tovfileio about: show the module's About box.
#include <cstdio>
#include <memory>
#include <string>

#include "brindle/host/PluginModule.h"
#include "brindle/host/UiDriver.h"
#include "brindle/sdk/PluginClasses.h"
#include "brindle/sdk/TextCodec.h"
#include "cli/CommandIO.h"
#include "cli/CommandLineDriver.h"
#include "cli/JsonWriter.h"
#include "cli/ModuleLocation.h"

namespace {

const char kPluginsHelp[] =
    "Usage: tovfileio plugins [--json]\n"
    "\n"
    "Loads the module TOVFileIO.dlu the way Brindle does and lists its plug-in\n"
    "classes: name, category, super-class id, class id and whether it is public.\n"
    "The module is looked for in $TOVFILEIO_MODULE, beside tovfileio, then in\n"
    "../plugin and ../lib/tovfileio.\n"
    "\n"
    "Options:\n"
    "  --json      one JSON object\n"
    "  -h, --help  show this help\n";

const char kAboutHelp[] =
    "Usage: tovfileio about\n"
    "\n"
    "Shows the texts of the module's About box, as its importers and exporter\n"
    "show it in Brindle.\n";

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
    return text != nullptr ? TextCodec::EncodeUtf8(text) : std::string();
}

std::unique_ptr<brindle::host::PluginModule> LoadModule(const CommandIO& io) {
    const std::string path = FindModule();
    std::string error;
    auto module = brindle::host::PluginModule::Load(path, error);
    if (!module) io.Err(path + ": " + error + "\n");
    return module;
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
    text += "  " + TextCodec::EncodeUtf8(module.Description()) + "\n";
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

}  // namespace

int RunPluginsCommand(const Arguments& args, const CommandIO& io) {
    bool json = false;
    for (const std::string& arg : args) {
        if (arg == "-h" || arg == "--help") {
            io.Out(kPluginsHelp);
            return kExitOk;
        }
        if (arg != "--json") {
            io.Err("tovfileio plugins: unknown argument '" + arg +
                   "'\nTry 'tovfileio plugins --help'.\n");
            return kExitUsage;
        }
        json = true;
    }
    const auto module = LoadModule(io);
    if (!module) return kExitFailed;
    const std::string path = FindModule();
    io.Out(json ? PluginsJson(*module, path) : PluginsText(*module, path));
    return kExitOk;
}

int RunAboutCommand(const Arguments& args, const CommandIO& io) {
    for (const std::string& arg : args) {
        if (arg == "-h" || arg == "--help") {
            io.Out(kAboutHelp);
            return kExitOk;
        }
        io.Err("tovfileio about: unknown argument '" + arg + "'\nTry 'tovfileio about --help'.\n");
        return kExitUsage;
    }
    const auto module = LoadModule(io);
    if (!module) return kExitFailed;
    ClassDesc* desc = module->Classes().empty() ? nullptr : module->Classes().front();
    auto* importer = desc != nullptr ? static_cast<SceneImport*>(desc->Create(FALSE)) : nullptr;
    if (importer == nullptr) {
        io.Err("tovfileio about: the module created no importer\n");
        return kExitFailed;
    }
    // Show what the box holds, then press its OK button.
    CommandLineDriver driver(io);
    driver.OnDialogOpened([&io, &driver](const brindle::host::DialogView& dialog) {
        io.Out(TextCodec::EncodeUtf8(dialog.title) + "\n");
        int okButton = IDOK;
        for (const auto& control : dialog.controls) {
            if (control.kind == ControlKind::Bitmap) {
                io.Out("  [picture]\n");
            } else if (control.kind == ControlKind::Label) {
                io.Out("  " + TextCodec::EncodeUtf8(control.text) + "\n");
            } else if (control.kind == ControlKind::DefaultButton) {
                io.Out("  [" + TextCodec::EncodeUtf8(control.text) + "]\n");
                okButton = control.id;
            }
        }
        driver.Queue({brindle::host::DialogAction::Kind::Click, okButton, {}});
    });
    {
        InstalledDriver installed(driver);
        importer->ShowAbout(brindle::host::MainWindow());
    }
    delete importer;
    return kExitOk;
}
