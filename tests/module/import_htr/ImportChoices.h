// Every option of the HTR importer's dialog, set by a test.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "cli/run/DialogFlags.h"
#include "resources/ModuleResources.h"

namespace tovtest {

struct HtrChoices {
    bool apply = false, endEffectors = false, keyBase = true, animate = true, tcb = false;
    bool setFps = true;
    std::wstring size = L"1", offset = L"0", scale = L"1";
    std::optional<std::pair<std::wstring, std::wstring>> range = {};
};

// Sets every control of the HTR importer's dialog, in an order in which
// each control is enabled when it is set.
inline void ChooseImport(DialogFlagDriver& driver, const HtrChoices& c) {
    driver.Choose(IDC_HTR_CREATE, "create");
    driver.Type(IDC_SEGMENT_SIZE, c.size, "size");
    driver.Check(IDC_END_EFFECTORS, c.endEffectors, "end effectors");
    if (c.apply) driver.Choose(IDC_HTR_APPLY, "apply");
    driver.Check(IDC_BASE_POSITION, c.keyBase, "base");
    driver.Check(IDC_ANIMATION, true, "animation");
    driver.Choose(c.tcb ? IDC_TCB : IDC_EULER, "controller");
    driver.Choose(c.range ? IDC_FRAME_RANGE : IDC_ALL_FRAMES, "range");
    if (c.range) {
        driver.Type(IDC_FROM_FRAME, c.range->first, "from");
        driver.Type(IDC_TO_FRAME, c.range->second, "to");
    }
    driver.Check(IDC_ANIMATION, c.animate, "animation");
    driver.Type(IDC_FRAME_OFFSET, c.offset, "offset");
    driver.Check(IDC_SET_FRAME_RATE, c.setFps, "fps");
    driver.Type(IDC_GLOBAL_SCALE, c.scale, "scale");
}

}  // namespace tovtest
