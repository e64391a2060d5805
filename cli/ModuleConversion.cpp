#include "cli/ModuleConversion.h"

#include <algorithm>
#include <cerrno>
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
#include "cli/InterruptCleanup.h"
#include "cli/SceneSession.h"
#include "resources/ModuleResources.h"

namespace {

constexpr Class_ID kUtilitiesClass(0x34CC2142, 0x1E45027A);

// Without a map every marker keeps its name: a map file that opens and
// names nothing, not used as a filter.
constexpr char kEmptyMap[] = "/dev/null";

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

// The run's settings in the in-memory registry the panel reads them from.
void StoreSettings(const ModuleConversion& run, RegistryKey& user) {
    RegistryKey& section = Child(
        Child(Child(Child(Child(user, L"Software"), L"Tovelund"), L"TOVFileIO"), L"Brindle"),
        L"ConvertGWM");
    section.values[L"MNMPath"] = Text(TextCodec::PathToWide(run.mnm ? *run.mnm : kEmptyMap));
    section.values[L"InputPath"] = Text(L".");
    section.values[L"OutputPath"] = Text(TextCodec::PathToWide(run.outputFolder));
    const ConvertGWMSettings& settings = run.settings;
    section.values[L"Filter"] = Flag(run.mnm && settings.Filter);
    section.values[L"Batch"] = Flag(settings.Batch);
    // One file goes where the save dialog's answer says.
    section.values[L"TRCName"] = Flag(settings.Batch);
    section.values[L"TRCSpace"] = Flag(settings.TRCSpace);
    section.values[L"Offset"] = Flag(settings.Offset);
    section.values[L"OffsetX"] = Float(settings.OffsetX);
    section.values[L"OffsetY"] = Float(settings.OffsetY);
    section.values[L"OffsetZ"] = Float(settings.OffsetZ);
}

// Answers the open dialog with the sources and the save dialog with the
// target; message boxes are printed.
class SourcesDriver : public brindle::host::UiDriver {
public:
    SourcesDriver(const ModuleConversion& run, const CommandIO& io) : run_(run), io_(io) {}
    int AnswerMessageBox(const brindle::host::MessageBoxRequest& request) override {
        io_.Err(TextCodec::EncodeUtf8(request.caption) + ": " + TextCodec::EncodeUtf8(request.text));
        if (request.text.empty() || request.text.back() != L'\n') io_.Err("\n");
        reported_ = true;
        return IDOK;
    }
    std::optional<brindle::host::DialogAction> NextDialogAction(
        const brindle::host::DialogView&) override {
        return std::nullopt;
    }
    std::optional<std::vector<std::wstring>> ChooseFiles(
        const brindle::host::FileDialogRequest& request) override {
        bool& answered = request.save ? savedAnswered_ : openAnswered_;
        if (answered || (request.save && run_.target.empty())) return std::nullopt;
        answered = true;
        if (request.save) return std::vector<std::wstring>{TextCodec::PathToWide(run_.target)};
        std::vector<std::wstring> sources;
        for (const std::string& source : run_.sources) sources.push_back(TextCodec::PathToWide(source));
        return sources;
    }
    bool Reported() const { return reported_; }

private:
    const ModuleConversion& run_;
    const CommandIO& io_;
    bool openAnswered_ = false;
    bool savedAnswered_ = false;
    bool reported_ = false;
};

// The progress display, watched: the run sets 0 percent when it starts,
// once more after every file written and 100 at the end, unless the host's
// cancel stopped it; so the updates tell how far it came.
class RunWatcher : public HostProgressBar {
public:
    RunWatcher(std::FILE* terminal, bool interruptCancels)
        : HostProgressBar(terminal), interruptCancels_(interruptCancels) {}
    void Started(const std::wstring& title) override {
        started_ = true;
        HostProgressBar::Started(title);
    }
    void Updated(int percent) override {
        // A run that fails to write a file sets 100 percent right after the
        // failed write: the system's reason is still at hand.
        lastError_ = errno;
        ++updates_;
        last_ = percent;
        HostProgressBar::Updated(percent);
    }
    bool Cancelled() override {
        cancelled_ = cancelled_ || (interruptCancels_ && InterruptAsCancel::Requested());
        return cancelled_;
    }
    // Files written, and whether the run reached its end.
    std::size_t Written() const {
        if (!started_ || updates_ == 0) return 0;
        const bool finished = last_ == 100 && !cancelled_;
        return updates_ - (finished ? 2 : 1);
    }
    bool Finished() const { return started_ && last_ == 100 && !cancelled_; }
    bool Began() const { return started_; }
    int LastError() const { return lastError_; }
    bool CancelledRun() const { return cancelled_; }

private:
    bool interruptCancels_;
    bool started_ = false;
    bool cancelled_ = false;
    std::size_t updates_ = 0;
    int last_ = -1;
    int lastError_ = 0;
};

// The host's file dialog answers a name without a folder as "./NAME", and
// the module writes the source path as folder and name; the log shows the
// paths as the user gave them. Returns the number of the log's reader
// messages.
std::size_t ShowSourcesAsGiven(const std::filesystem::path& logPath,
                               const std::vector<std::string>& sources, std::size_t taken) {
    std::ifstream in(logPath, std::ios::binary);
    if (!in) return 0;
    std::ostringstream text;
    text << in.rdbuf();
    in.close();
    const std::string log = text.str();
    std::string shown;
    shown.reserve(log.size());
    std::size_t source = 0;
    bool changed = false;
    std::size_t lineNumber = 0;
    std::size_t messages = 0;
    for (std::size_t at = 0; at < log.size();) {
        std::size_t end = log.find('\n', at);
        end = end == std::string::npos ? log.size() : end + 1;
        std::string line = log.substr(at, end - at);
        at = end;
        if (++lineNumber > 3 && source < taken) {
            const std::string& given = sources[source];
            const std::string built = "./" + given;
            const std::string doneLine = "file: " + built + " done.\n";
            if (line == doneLine) {
                line = "file: " + given + " done.\n";
                changed = true;
                ++source;
            } else if (line.compare(0, built.size() + 2, built + ": ") == 0) {
                line.erase(0, 2);
                changed = true;
                ++messages;
            } else if (line == "file: " + given + " done.\n") {
                ++source;
            } else {
                ++messages;
            }
        }
        shown += line;
    }
    if (changed) {
        std::ofstream out(logPath, std::ios::binary | std::ios::trunc);
        out << shown;
    }
    return messages;
}

}  // namespace

ModuleConversionResult RunModuleConversion(const ModuleConversion& run, const CommandIO& io,
                                           const std::string& command) {
    ModuleConversionResult result;
    result.taken = run.settings.Batch ? std::min(run.sources.size(), kMaxBatchSources) : 1;
    SceneSession session(io, command);
    auto& store = brindle::host::RegistryStore::Instance();
    const std::string storePath = store.FilePath();
    // This run's settings live in a registry of its own, in memory only.
    store.UseFile("");
    StoreSettings(run, store.CurrentUser());
    bool started = false;
    if (auto panel = session.Create<UtilityObj>(kUtilitiesClass)) {
        result.ran = true;
        SourcesDriver driver(run, io);
        {
            InstalledDriver installed(driver);
            RunWatcher watcher(io.err, run.interruptCancels);
            panel->BeginEditParams(&brindle::host::HostInterface(), nullptr);
            // The page shows the stored offsets, and the button stores them.
            brindle::host::DeliverToModeless(
                IDD_UTILITY_PAGE, {brindle::host::DialogAction::Kind::Click, IDC_CONVERT, {}});
            panel->EndEditParams(&brindle::host::HostInterface(), nullptr);
            result.written = std::min(watcher.Written(), result.taken);
            result.converted = watcher.Finished() && result.written == result.taken;
            result.cancelled = watcher.CancelledRun();
            started = watcher.Began();
            if (!result.converted) result.writeError = watcher.LastError();
        }
        result.reported = driver.Reported();
        panel.reset();
        for (const std::wstring& problem : brindle::host::TakeUiProblems()) {
            session.Error(TextCodec::EncodeUtf8(problem));
        }
        // The log of this run, once its files were taken.
        if (run.settings.Batch && started) {
            result.logMessages = ShowSourcesAsGiven(
                std::filesystem::path(run.outputFolder) / "ConvertGWMLog.txt", run.sources,
                result.taken);
        }
    }
    store.UseFile(storePath);
    return result;
}
