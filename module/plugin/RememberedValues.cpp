#include "plugin/RememberedValues.h"

#include <cwchar>

#include "plugin/MessageReporter.h"
#include "resources/ModuleResources.h"

namespace {

// "%g" of `value`: "1e+300", "nan", "2.5".
std::wstring Shown(double value) {
    wchar_t text[32];
    std::swprintf(text, sizeof text / sizeof text[0], L"%g", value);
    return text;
}

}  // namespace

void SayRefused(const std::vector<RefusedValue>& refused, int dialogId) {
    if (refused.empty()) return;
    std::wstring text;
    for (const RefusedValue& value : refused) {
        if (!text.empty()) text += L" ";
        text += GetResourceStringAsMSTR(IDS_REMEMBERED_VALUE) + value.name + L" (" +
                Shown(value.stored) + L")" + GetResourceStringAsMSTR(IDS_REMEMBERED_REFUSED) +
                Shown(value.used) + GetResourceStringAsMSTR(IDS_REMEMBERED_DEFAULT_USED);
    }
    const DialogTemplate* dialog = ModuleDialog(dialogId);
    MessageReporter::Module().Report(text, dialog != nullptr ? dialog->title : L"");
}
