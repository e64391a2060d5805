// The line driver's file and folder choosers: a path a line. Each name is
// checked as the host's chooser will take it (FileChooser.h), so a file
// that is not there is said at once and asked for again, and the names
// typed before it in a list stay.
#include <utility>

#include "brindle/host/ui/FileChooser.h"
#include "brindle/host/ui/LineDriver.h"
#include "brindle/sdk/TextCodec.h"
#include "ui/LineAnswers.h"
#include "ui/LineView.h"

namespace brindle::host {
namespace {

// The path a line gives: the whole line, blanks inside kept.
std::wstring PathOf(const LineAnswer& answer, const std::string& line) {
    return TextCodec::DecodeUtf8(answer.kind == LineAnswer::Kind::Text ? answer.target : line);
}

}  // namespace

std::optional<std::wstring> LineDriver::ReadChosenPath(
    const std::string& prompt, const std::function<std::wstring(const std::wstring&)>& refusal) {
    for (;;) {
        const auto line = ReadLine(prompt);
        if (!line) return std::nullopt;
        const LineAnswer answer = ParseLineAnswer(*line);
        if (answer.kind == LineAnswer::Kind::Empty) return std::nullopt;
        if (answer.kind == LineAnswer::Kind::Quit || answer.kind == LineAnswer::Kind::Exit) {
            NotHere(answer);
            if (leaving_) return std::nullopt;
            continue;
        }
        const std::wstring given = PathOf(answer, *line);
        const std::wstring reason = refusal(given);
        if (reason.empty()) return given;
        Say(Escaped(reason) + "\n");
    }
}

std::optional<std::vector<std::wstring>> LineDriver::ChooseFiles(const FileDialogRequest& request) {
    if (leaving_) return std::nullopt;
    if (request.save && !presetPath_.empty() && request.defaultExtension == presetExtension_) {
        // Once: when the chooser does not take it, the person is asked.
        const std::wstring path = std::exchange(presetPath_, std::wstring());
        if (inputEnded_) return std::nullopt;
        Say(Utf8(request.title) + " " + Escaped(path) + "\n");
        return std::vector<std::wstring>{path};
    }
    const std::wstring folder = ChooserFolder(request);
    const std::string prompt =
        Utf8(request.title) + " (" + Utf8(request.filter) + ")" +
        (folder != L"." ? " in " + Escaped(folder) : std::string()) +
        (request.multiple ? ", one path a line, an empty line ends" : "") + ": ";
    // Each name is checked as the host's chooser will take it.
    const auto refusal = [&request](const std::wstring& given) {
        return ChosenPathRefusal(request, ChosenPath(request, given));
    };
    std::vector<std::wstring> paths;
    for (;;) {
        const auto path = ReadChosenPath(paths.empty() ? prompt : "... ", refusal);
        if (!path) break;
        paths.push_back(*path);
        if (!request.multiple) break;
    }
    if (leaving_ || paths.empty()) return std::nullopt;
    return paths;
}

std::optional<std::wstring> LineDriver::ChooseFolder(const std::wstring& title) {
    return ReadChosenPath(Utf8(title) + ": ", [](const std::wstring&) { return std::wstring(); });
}

}  // namespace brindle::host
