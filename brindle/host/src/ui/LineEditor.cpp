// The line editor of a terminal, on libedit where the build found it: emacs
// keys to move and edit, and a history of the lines typed in this session.
// Its characters come through a reader of our own, so that a cancel asked
// while it waits (Ctrl-C) ends the wait as it does for plain input. Without
// libedit there is no editor, and a terminal edits the line itself
// (canonical mode: erase, kill the line) before the driver reads it.
#include "ui/LineInput.h"

#include <unistd.h>

#ifdef TOV_HAVE_LIBEDIT
#include <cerrno>
#include <clocale>
#include <cwchar>

#include <histedit.h>
#include <locale.h>

#include "brindle/sdk/TextCodec.h"
#endif

namespace brindle::host {

#ifdef TOV_HAVE_LIBEDIT
namespace {

// Lines kept for Up and Down.
constexpr int kHistoryLines = 500;

// The terminal's text is UTF-8, as all the driver prints: the editor
// measures and writes characters in a UTF-8 locale of its own thread,
// whatever locale the program runs in.
class Utf8Locale {
public:
    Utf8Locale() : locale_(::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0))) {}
    ~Utf8Locale() {
        if (locale_ != static_cast<locale_t>(0)) ::freelocale(locale_);
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;
    locale_t Get() const { return locale_; }

private:
    locale_t locale_;
};

// Uses `locale` on this thread while it lives (nothing when there is none).
class LocaleInUse {
public:
    explicit LocaleInUse(locale_t locale)
        : before_(locale != static_cast<locale_t>(0) ? ::uselocale(locale) : static_cast<locale_t>(0)) {}
    ~LocaleInUse() {
        if (before_ != static_cast<locale_t>(0)) ::uselocale(before_);
    }
    LocaleInUse(const LocaleInUse&) = delete;
    LocaleInUse& operator=(const LocaleInUse&) = delete;

private:
    locale_t before_;
};

// How many bytes follow a UTF-8 lead byte; -1 for a byte that leads none.
int FollowingBytes(unsigned char lead) {
    if (lead < 0x80) return 0;
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF4) return 3;
    return -1;
}

class TerminalEditor final : public LineEditor {
public:
    TerminalEditor(std::FILE* in, std::FILE* out) : fd_(::fileno(in)) {
        const LocaleInUse utf8(locale_.Get());
        editor_ = ::el_init("tovfileio", in, out, stderr);
        history_ = ::history_winit();
        if (editor_ == nullptr || history_ == nullptr) return;
        HistEventW event;
        ::history_w(history_, &event, H_SETSIZE, kHistoryLines);
        ::history_w(history_, &event, H_SETUNIQUE, 1);
        ::el_wset(editor_, EL_EDITOR, L"emacs");
        ::el_wset(editor_, EL_HIST, ::history_w, history_);
        ::el_wset(editor_, EL_CLIENTDATA, this);
        ::el_wset(editor_, EL_PROMPT, &TerminalEditor::PromptOf);
        ::el_wset(editor_, EL_GETCFN, &TerminalEditor::ReadCharacter);
    }
    ~TerminalEditor() override {
        if (editor_ != nullptr) ::el_end(editor_);
        if (history_ != nullptr) ::history_wend(history_);
    }
    TerminalEditor(const TerminalEditor&) = delete;
    TerminalEditor& operator=(const TerminalEditor&) = delete;

    bool Ready() const { return editor_ != nullptr && history_ != nullptr; }

    LineRead Read(const std::string& prompt, std::string& line,
                  const CancelAsked& cancelAsked) override {
        line.clear();
        prompt_ = TextCodec::DecodeUtf8(prompt);
        cancelAsked_ = &cancelAsked;
        cancelled_ = false;
        int count = 0;
        const wchar_t* typed = nullptr;
        {
            const LocaleInUse utf8(locale_.Get());
            typed = ::el_wgets(editor_, &count);
        }
        cancelAsked_ = nullptr;
        if (cancelled_) return LineRead::kCancelled;
        if (typed == nullptr || count <= 0) return LineRead::kEnd;
        std::wstring text(typed, static_cast<std::size_t>(count));
        if (!text.empty() && text.back() == L'\n') text.pop_back();
        if (text.find_first_not_of(L" \t") != std::wstring::npos) {
            HistEventW event;
            ::history_w(history_, &event, H_ENTER, text.c_str());
        }
        line = TextCodec::EncodeUtf8(text);
        return LineRead::kLine;
    }

private:
    static TerminalEditor& Of(EditLine* editor) {
        void* self = nullptr;
        ::el_wget(editor, EL_CLIENTDATA, &self);
        return *static_cast<TerminalEditor*>(self);
    }

    static wchar_t* PromptOf(EditLine* editor) { return Of(editor).prompt_.data(); }

    // The editor's next character: 1 with it, 0 at the end of input, -1
    // when a cancel was asked for or the terminal failed.
    static int ReadCharacter(EditLine* editor, wchar_t* character) {
        return Of(editor).NextCharacter(*character);
    }

    // One byte of the terminal: 1, 0 at its end, -1 on a cancel or an error.
    int NextByte(unsigned char& byte) {
        for (;;) {
            if (!WaitForInput(fd_, *cancelAsked_) || (*cancelAsked_ && (*cancelAsked_)())) {
                cancelled_ = true;
                return -1;
            }
            const ssize_t got = ::read(fd_, &byte, 1);
            if (got >= 0) return static_cast<int>(got);
            if (errno != EINTR && errno != EAGAIN) return -1;
        }
    }

    int NextCharacter(wchar_t& character) {
        unsigned char lead = 0;
        if (const int got = NextByte(lead); got <= 0) return got;
        const int following = FollowingBytes(lead);
        // A byte that is no UTF-8 travels as the driver's text carries
        // such bytes (U+DC80 to U+DCFF).
        if (following < 0) {
            character = static_cast<wchar_t>(0xDC00 | lead);
            return 1;
        }
        char32_t code = following == 0 ? lead : lead & (0x3F >> following);
        for (int i = 0; i < following; ++i) {
            unsigned char next = 0;
            if (const int got = NextByte(next); got <= 0) return got;
            code = (code << 6) | (next & 0x3F);
        }
        character = static_cast<wchar_t>(code);
        return 1;
    }

    int fd_;
    Utf8Locale locale_;
    EditLine* editor_ = nullptr;
    HistoryW* history_ = nullptr;
    std::wstring prompt_;
    const CancelAsked* cancelAsked_ = nullptr;
    bool cancelled_ = false;
};

}  // namespace

std::unique_ptr<LineEditor> LineEditor::ForTerminal(std::FILE* in, std::FILE* out) {
    if (in == nullptr || out == nullptr || ::fileno(in) < 0 || ::fileno(out) < 0) return nullptr;
    if (::isatty(::fileno(in)) == 0 || ::isatty(::fileno(out)) == 0) return nullptr;
    auto editor = std::make_unique<TerminalEditor>(in, out);
    if (!editor->Ready()) return nullptr;
    return editor;
}

#else

std::unique_ptr<LineEditor> LineEditor::ForTerminal(std::FILE* /*in*/, std::FILE* /*out*/) {
    return nullptr;
}

#endif

}  // namespace brindle::host
