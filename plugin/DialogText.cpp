#include "plugin/DialogText.h"

#include <string_view>

#include "text/FixedNumber.h"
#include "text/LeadingNumber.h"

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
