// Scripted dialog sessions for table tests: each step clicks a control or
// types into an edit, then OK is pressed and Cancel after it, so a dialog
// that OK's checks kept open still closes. A recording driver keeps the
// dialog as it was before each action.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/ScriptedDriver.h"
#include "tovfileio/module/ResourceIds.h"

namespace tovtest {

struct DialogStep {
    int control;
    const wchar_t* text = nullptr;  // null: a click
};

inline void PlayThenOkAndCancel(brindle::host::ScriptedDriver& driver, const std::vector<DialogStep>& steps) {
    for (const DialogStep& step : steps) {
        if (step.text == nullptr) {
            driver.Click(step.control);
        } else {
            driver.SetText(step.control, step.text);
        }
    }
    driver.Click(IDC_OK).Click(IDC_CANCEL);
}

class RecordingDriver : public brindle::host::ScriptedDriver {
public:
    std::optional<brindle::host::DialogAction> NextDialogAction(
        const brindle::host::DialogView& dialog) override {
        views.push_back(dialog);
        return ScriptedDriver::NextDialogAction(dialog);
    }
    std::vector<brindle::host::DialogView> views;
};

// Control `id` of a dialog's view; throws when the view has none.
inline const brindle::host::ControlView& Control(const brindle::host::DialogView& view, int id) {
    for (const auto& control : view.controls) {
        if (control.id == id) return control;
    }
    throw std::runtime_error("no control " + std::to_string(id));
}

}  // namespace tovtest
