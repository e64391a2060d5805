// The headless host's open and save file choosers. The installed driver
// gives the names; the chooser takes them as its flags promise the module
// (a file that must exist does, a file is not replaced without a yes, the
// default extension, the starting folder) and asks again when it cannot,
// then hands them over in the buffer as the module reads it.
#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <optional>
#include <vector>

#include <sys/stat.h>

#include "brindle/host/ui/FileChooser.h"
#include "brindle/host/ui/UiDriver.h"
#include "brindle/host/ui/UtilityHost.h"
#include "brindle/sdk/BrindleWindows.h"
#include "brindle/sdk/TextCodec.h"

namespace brindle::host {
namespace {

// Answers a chooser takes before it gives up: nobody needs more, and a
// driver that gives the same refused answer forever cannot hang the host.
constexpr int kMostAnswers = 100;

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

std::size_t NameStart(const std::wstring& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) return i;
    }
    return 0;
}

std::optional<struct stat> Status(const std::wstring& path) {
    struct stat status {};
    if (::stat(TextCodec::WideToPath(path).c_str(), &status) != 0) return std::nullopt;
    return status;
}

bool IsFolder(const std::wstring& path) {
    const auto status = Status(path);
    return status && S_ISDIR(status->st_mode);
}

bool HasExtension(const std::wstring& path) {
    const std::size_t dot = path.rfind(L'.');
    return dot != std::wstring::npos && dot > NameStart(path);
}

}  // namespace

std::wstring AbsolutePath(const std::wstring& path) {
    if (path.empty() || IsSeparator(path.front())) return path;
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    if (error) return path;
    const std::filesystem::path joined =
        (here / std::filesystem::path(TextCodec::WideToPath(path))).lexically_normal();
    return TextCodec::PathToWide(joined.native());
}

std::wstring ChooserFolder(const FileDialogRequest& chooser) {
    const std::wstring& folder = chooser.initialFolder;
    return !folder.empty() && IsFolder(folder) ? folder : L".";
}

std::wstring ChosenPath(const FileDialogRequest& chooser, const std::wstring& given) {
    std::wstring path = given;
    if (!path.empty() && !IsSeparator(path.front())) {
        const std::wstring folder = ChooserFolder(chooser);
        if (folder != L".") path = folder + (IsSeparator(folder.back()) ? L"" : L"/") + path;
        // The module keeps what it is given (the panel's settings), and a
        // later run may start in another folder.
        path = AbsolutePath(path);
    }
    const std::wstring& extension = chooser.defaultExtension;
    const auto status = Status(path);
    const bool folder = status && S_ISDIR(status->st_mode);
    if (!extension.empty() && !HasExtension(path) && NameStart(path) < path.size() && !folder &&
        (chooser.save || !status)) {
        path += L"." + extension;
    }
    return path;
}

std::wstring ChosenPathRefusal(const FileDialogRequest& chooser, const std::wstring& path) {
    const auto status = Status(path);
    if (status && S_ISDIR(status->st_mode)) return path + L" is a folder; choose a file";
    if (chooser.mustExist && !status) return path + L": no such file; choose one that exists";
    return std::wstring();
}

bool ChosenPathReplaces(const FileDialogRequest& chooser, const std::wstring& path) {
    return chooser.save && chooser.overwritePrompt && Status(path).has_value();
}

std::wstring ReplaceQuestion(const std::wstring& path) {
    return path + L" already exists. Replace it?";
}

}  // namespace brindle::host

namespace {

using brindle::host::FileDialogRequest;

// The filter text "Name (*.X)" + null + "*.x" + null + null as "Name (*.X)|*.x".
std::wstring FilterText(const wchar_t* filter) {
    std::wstring text;
    if (filter == nullptr) return text;
    for (const wchar_t* part = filter; *part != L'\0'; part += std::wcslen(part) + 1) {
        if (!text.empty()) text += L'|';
        text += part;
    }
    return text;
}

FileDialogRequest ViewOf(const OPENFILENAMEW& request, bool save) {
    FileDialogRequest shown;
    shown.save = save;
    shown.multiple = (request.Flags & OFN_ALLOWMULTISELECT) != 0;
    shown.mustExist = (request.Flags & OFN_FILEMUSTEXIST) != 0;
    shown.overwritePrompt = (request.Flags & OFN_OVERWRITEPROMPT) != 0;
    shown.title = request.lpstrTitle != nullptr ? request.lpstrTitle : L"";
    shown.filter = FilterText(request.lpstrFilter);
    shown.defaultExtension = request.lpstrDefExt != nullptr ? request.lpstrDefExt : L"";
    shown.initialFolder = request.lpstrInitialDir != nullptr ? request.lpstrInitialDir : L"";
    return shown;
}

// Asks the driver until it gives files the chooser takes: a refused file
// is said and the chooser asks again, as is a replacement not agreed to.
// None when the driver cancels (or nobody is there to ask).
std::optional<std::vector<std::wstring>> AskForFiles(const FileDialogRequest& chooser,
                                                     HWND owner) {
    using namespace brindle::host;
    for (int answer = 0; answer < kMostAnswers; ++answer) {
        UiDriver* driver = CurrentUiDriver();
        if (driver == nullptr || HostClosed()) return std::nullopt;
        const auto chosen = driver->ChooseFiles(chooser);
        if (!chosen || chosen->empty()) return std::nullopt;
        std::vector<std::wstring> paths;
        std::wstring refusal;
        for (const std::wstring& given : *chosen) {
            paths.push_back(ChosenPath(chooser, given));
            if (refusal.empty()) refusal = ChosenPathRefusal(chooser, paths.back());
        }
        if (!refusal.empty()) {
            MessageBoxW(owner, refusal.c_str(), chooser.title.c_str(), MB_OK);
            continue;
        }
        if (ChosenPathReplaces(chooser, paths.front()) &&
            MessageBoxW(owner, ReplaceQuestion(paths.front()).c_str(), chooser.title.c_str(),
                        MB_YESNO | MB_DEFBUTTON2) != IDYES) {
            continue;
        }
        return paths;
    }
    AddUiProblem(L"the file chooser \"" + chooser.title + L"\" took none of the answers");
    return std::nullopt;
}

// The chooser's answer as the module reads it: one file as its full path,
// several as the folder they share and each path below it.
std::wstring AnswerBuffer(const std::vector<std::wstring>& paths, bool multiple,
                          std::size_t& offset) {
    using brindle::host::IsSeparator;
    using brindle::host::NameStart;
    std::wstring buffer;
    if (paths.size() == 1 || !multiple) {
        // One file: its full path; the name starts after the last separator.
        buffer = paths.front();
        offset = NameStart(buffer);
        buffer += L'\0';
    } else {
        // Several: the folder they share, then each path below it (a name
        // when they share their folder).
        std::wstring folder = paths.front().substr(0, NameStart(paths.front()) - 1);
        auto below = [&folder](const std::wstring& path) {
            return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
                   IsSeparator(path[folder.size()]);
        };
        while (!folder.empty() && !std::all_of(paths.begin(), paths.end(), below)) {
            const std::size_t start = NameStart(folder);
            folder = folder.substr(0, start > 0 ? start - 1 : 0);
        }
        if (folder.empty() && !IsSeparator(paths.front().front())) folder = L".";
        buffer = folder;
        buffer += L'\0';
        offset = buffer.size();
        for (const std::wstring& path : paths) {
            buffer += folder == L"." && !below(path) ? path : path.substr(folder.size() + 1);
            buffer += L'\0';
        }
    }
    buffer += L'\0';
    return buffer;
}

BOOL RunFileDialog(OPENFILENAMEW* request, bool save) {
    if (request == nullptr || request->lpstrFile == nullptr || request->nMaxFile == 0) return FALSE;
    const FileDialogRequest chooser = ViewOf(*request, save);
    const auto paths = AskForFiles(chooser, request->hwndOwner);
    if (!paths) return FALSE;
    std::size_t offset = 0;
    const std::wstring buffer = AnswerBuffer(*paths, chooser.multiple, offset);
    if (buffer.size() > request->nMaxFile || offset > 0xFFFF) {
        brindle::host::AddUiProblem(L"the chosen files do not fit the file dialog's buffer");
        return FALSE;
    }
    std::copy(buffer.begin(), buffer.end(), request->lpstrFile);
    request->nFileOffset = static_cast<WORD>(offset);
    request->nFileExtension = 0;
    return TRUE;
}

}  // namespace

BOOL GetOpenFileNameW(OPENFILENAMEW* request) { return RunFileDialog(request, false); }
BOOL GetSaveFileNameW(OPENFILENAMEW* request) { return RunFileDialog(request, true); }
