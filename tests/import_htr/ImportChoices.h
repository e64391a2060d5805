// Every option of the HTR importer's dialog set by a test, played by the
// command line's dialog driver, with the messages the module shows kept.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "cli/DialogFlags.h"
#include "resources/ModuleResources.h"

namespace tovtest {

struct HtrChoices {
    bool apply = false;
    std::wstring size = L"1";
    bool endEffectors = false;
    bool keyBase = true;
    bool animate = true;
    bool tcb = false;
    std::optional<std::pair<std::wstring, std::wstring>> range;
    std::wstring offset = L"0";
    bool setFps = true;
    std::wstring scale = L"1";
};

// A dialog driver whose messages ("TITLE: TEXT" lines) are kept in memory.
class CapturingDriver {
public:
    CapturingDriver() : stream_(open_memstream(&data_, &size_)), driver_(io_, "test") {
        io_.out = stream_;
        io_.err = stream_;
    }
    ~CapturingDriver() {
        std::fclose(stream_);
        std::free(data_);
    }
    DialogFlagDriver& Driver() { return driver_; }
    std::string Messages() {
        std::fflush(stream_);
        return std::string(data_, size_);
    }
    // Sets every control of the HTR importer's dialog, in an order in which
    // each control is enabled when it is set.
    CapturingDriver& Choose(const HtrChoices& c) {
        driver_.Choose(IDC_HTR_CREATE, "create");
        driver_.Type(IDC_SEGMENT_SIZE, c.size, "size");
        driver_.Check(IDC_END_EFFECTORS, c.endEffectors, "end effectors");
        if (c.apply) driver_.Choose(IDC_HTR_APPLY, "apply");
        driver_.Check(IDC_BASE_POSITION, c.keyBase, "base");
        driver_.Check(IDC_ANIMATION, true, "animation");
        driver_.Choose(c.tcb ? IDC_TCB : IDC_EULER, "controller");
        driver_.Choose(c.range ? IDC_FRAME_RANGE : IDC_ALL_FRAMES, "range");
        if (c.range) {
            driver_.Type(IDC_FROM_FRAME, c.range->first, "from");
            driver_.Type(IDC_TO_FRAME, c.range->second, "to");
        }
        driver_.Check(IDC_ANIMATION, c.animate, "animation");
        driver_.Type(IDC_FRAME_OFFSET, c.offset, "offset");
        driver_.Check(IDC_SET_FRAME_RATE, c.setFps, "fps");
        driver_.Type(IDC_GLOBAL_SCALE, c.scale, "scale");
        return *this;
    }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* stream_;
    CommandIO io_;
    DialogFlagDriver driver_;
};

}  // namespace tovtest
