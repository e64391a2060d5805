#include "plugin/DialogText.h"

#include <string_view>

#include "plugin/MessageReporter.h"
#include "resources/ModuleResources.h"
#include "tovfileio/text/FixedNumber.h"
#include "tovfileio/text/LeadingNumber.h"

using namespace tovfileio;

namespace {

constexpr int kFieldChars = 256;

std::wstring Widen(const char* begin, const char* end) { return std::wstring(begin, end); }

}  // namespace

std::wstring FormatInt(std::int32_t value) {
    const std::string text = std::to_string(value);
    return Widen(text.data(), text.data() + text.size());
}

std::wstring FormatFixed(double value) {
    char text[tovtext::kFixedRoom];
    const char* end = tovtext::WriteFixed(text, value, 6);
    return Widen(text, end);
}

std::int32_t ReadIntField(HWND dialog, int id) {
    wchar_t text[kFieldChars];
    GetDlgItemTextW(dialog, id, text, kFieldChars);
    return tovtext::LeadingInt(std::wstring_view(text));
}

double ReadDoubleField(HWND dialog, int id) {
    wchar_t text[kFieldChars];
    GetDlgItemTextW(dialog, id, text, kFieldChars);
    return tovtext::LeadingDouble(std::wstring_view(text));
}

bool AcceptFrameRange(HWND dialog, int fromId, int toId, std::int32_t& start, std::int32_t& end,
                      const std::wstring& caption) {
    const std::int32_t from = ReadIntField(dialog, fromId);
    if (from < start) {
        SetDlgItemTextW(dialog, fromId, FormatInt(start).c_str());
        MessageReporter::Module().Report(
            GetResourceStringAsMSTR(IDS_START_FRAME_TOO_SMALL) + FormatInt(start), caption);
        return false;
    }
    start = from;
    const std::int32_t to = ReadIntField(dialog, toId);
    if (to > end) {
        SetDlgItemTextW(dialog, toId, FormatInt(end).c_str());
        MessageReporter::Module().Report(
            GetResourceStringAsMSTR(IDS_END_FRAME_TOO_LARGE) + FormatInt(end), caption);
        return false;
    }
    end = to;
    return true;
}
