// Scripted dialog sessions for table tests: each step clicks a control or
// types into an edit, then OK is pressed and Cancel after it, so a dialog
// that OK's checks kept open still closes.
#pragma once

#include <vector>

#include "tests/support/ScriptedDriver.h"
#include "resources/ModuleResources.h"

namespace tovtest {

struct DialogStep {
    int control;
    const wchar_t* text = nullptr;  // null: a click
};

inline void PlayThenOkAndCancel(brindle::host::ScriptedDriver& driver,
                                const std::vector<DialogStep>& steps) {
    for (const DialogStep& step : steps) {
        if (step.text == nullptr) {
            driver.Click(step.control);
        } else {
            driver.SetText(step.control, step.text);
        }
    }
    driver.Click(IDC_OK).Click(IDC_CANCEL);
}

}  // namespace tovtest
