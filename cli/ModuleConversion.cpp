#include "cli/ModuleConversion.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "brindle/host/RegistryStore.h"
#include "brindle/host/UiDriver.h"
#include "brindle/host/scene/HostInterface.h"
#include "brindle/sdk/PluginClasses.h"
#include "brindle/sdk/TextCodec.h"
#include "cli/CommandLineDriver.h"
#include "cli/HostProgress.h"
#include "cli/SceneSession.h"
#include "resources/ModuleResources.h"

#include <unistd.h>

namespace {

constexpr Class_ID kUtilitiesClass(0x34CC2142, 0x1E45027A);
constexpr std::size_t kMaxBatchFiles = 1000;

using brindle::host::RegistryKey;
using brindle::host::RegistryValue;

RegistryKey& Child(RegistryKey& key, const std::wstring& name) {
    auto& slot = key.subkeys[name];
    if (!slot) {
        slot = std::make_unique<RegistryKey>();
        slot->name = name;
    }
    return *slot;
}

RegistryValue Text(const std::wstring& text) {
    const std::string bytes = TextCodec::EncodeUtf16LENullTerminated(text);
    return {REG_SZ, std::vector<BYTE>(bytes.begin(), bytes.end())};
}

RegistryValue Flag(bool on) { return {REG_BINARY, {static_cast<BYTE>(on ? 1 : 0)}}; }

RegistryValue Float(float value) {
    std::uint32_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    return {REG_DWORD,
            {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8), static_cast<BYTE>(bits >> 16),
             static_cast<BYTE>(bits >> 24)}};
}

// Answers the open dialog with the sources; the rest nobody answers.
class SourcesDriver : public brindle::host::UiDriver {
public:
    SourcesDriver(std::vector<std::wstring> sources, const CommandIO& io)
        : sources_(std::move(sources)), io_(io) {}
    int AnswerMessageBox(const brindle::host::MessageBoxRequest& request) override {
        io_.Err(TextCodec::EncodeUtf8(request.caption) + ": " + TextCodec::EncodeUtf8(request.text));
        if (request.text.empty() || request.text.back() != L'\n') io_.Err("\n");
        messages_ = true;
        return IDOK;
    }
    std::optional<brindle::host::DialogAction> NextDialogAction(
        const brindle::host::DialogView&) override {
        return std::nullopt;
    }
    std::optional<std::vector<std::wstring>> ChooseFiles(
        const brindle::host::FileDialogRequest& request) override {
        if (request.save || answered_) return std::nullopt;
        answered_ = true;
        return sources_;
    }
    bool Messages() const { return messages_; }

private:
    std::vector<std::wstring> sources_;
    const CommandIO& io_;
    bool answered_ = false;
    bool messages_ = false;
};

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

bool RunModuleConversion(const ModuleConversion& run, const CommandIO& io,
                         const std::string& command) {
    SceneSession session(io, command);
    auto& store = brindle::host::RegistryStore::Instance();
    const std::string storePath = store.FilePath();
    // This run's settings live in a registry of its own, in memory only.
    store.UseFile("");
    std::filesystem::path emptyMap;
    std::wstring mnmPath;
    if (run.mnm) {
        mnmPath = TextCodec::PathToWide(*run.mnm);
    } else {
        // Without a map every marker keeps its name: an empty map, not used
        // as a filter.
        emptyMap = std::filesystem::temp_directory_path() /
                   ("tovfileio-empty-" + std::to_string(::getpid()) + ".mnm");
        std::ofstream{emptyMap};
        mnmPath = TextCodec::PathToWide(emptyMap.string());
    }
    RegistryKey& section = Child(Child(Child(Child(Child(store.CurrentUser(), L"Software"),
                                                    L"Tovelund"),
                                              L"TOVFileIO"),
                                        L"Brindle"),
                                  L"ConvertGWM");
    section.values[L"MNMPath"] = Text(mnmPath);
    section.values[L"InputPath"] = Text(L".");
    section.values[L"OutputPath"] = Text(TextCodec::PathToWide(run.outputFolder));
    section.values[L"Filter"] = Flag(run.mnm && run.filter);
    section.values[L"Batch"] = Flag(run.batch);
    section.values[L"TRCName"] = Flag(true);
    section.values[L"TRCSpace"] = Flag(run.trcSpace);
    section.values[L"Offset"] = Flag(run.offset);
    section.values[L"OffsetX"] = Float(run.offsetX);
    section.values[L"OffsetY"] = Float(run.offsetY);
    section.values[L"OffsetZ"] = Float(run.offsetZ);

    std::vector<std::wstring> sources;
    for (const std::string& source : run.sources) sources.push_back(TextCodec::PathToWide(source));
    bool converted = false;
    if (auto* panel = static_cast<UtilityObj*>(session.CreatePlugin(kUtilitiesClass))) {
        SourcesDriver driver(sources, io);
        {
            InstalledDriver installed(driver);
            HostProgressBar progress(io.err);
            panel->BeginEditParams(&brindle::host::HostInterface(), nullptr);
            // The page shows the stored offsets, and the button stores them.
            brindle::host::DeliverToModeless(
                IDD_UTILITY_PAGE, {brindle::host::DialogAction::Kind::Click, IDC_CONVERT, {}});
            panel->EndEditParams(&brindle::host::HostInterface(), nullptr);
        }
        delete panel;
        for (const std::wstring& problem : brindle::host::TakeUiProblems()) {
            session.Error(TextCodec::EncodeUtf8(problem));
        }
        // The run's answer is not shown on the page: the log tells, a line
        // for every file taken that was written.
        const std::size_t taken = std::min(sources.size(), kMaxBatchFiles);
        const std::string log = Slurp(std::filesystem::path(run.outputFolder) / "ConvertGWMLog.txt");
        std::size_t done = 0;
        for (std::size_t at = log.find("\nfile: "); at != std::string::npos;
             at = log.find("\nfile: ", at + 1)) {
            ++done;
        }
        converted = run.batch ? done == taken && taken > 0 : !driver.Messages();
    }
    if (!emptyMap.empty()) std::filesystem::remove(emptyMap);
    store.UseFile(storePath);
    return converted;
}
