// The host states an import or export holds for its whole run, released on
// every way out: animate and set-key mode suspended, a progress display open.
#pragma once

#include "brindle/sdk/Interface.h"

// Suspends animate mode, then set-key mode, and switches animate mode off;
// resumes set-key mode, then animate mode, when it goes.
class HostModesSuspended {
public:
    HostModesSuspended() {
        SuspendAnimate();
        SuspendSetKeyMode();
        AnimateOff();
    }
    ~HostModesSuspended() {
        ResumeSetKeyMode();
        ResumeAnimate();
    }
    HostModesSuspended(const HostModesSuspended&) = delete;
    HostModesSuspended& operator=(const HostModesSuspended&) = delete;
};

// Animate mode suspended and switched on, so that every value set makes a
// key; resumed when it goes.
class AnimateKeys {
public:
    AnimateKeys() {
        SuspendAnimate();
        AnimateOn();
    }
    ~AnimateKeys() { ResumeAnimate(); }
    AnimateKeys(const AnimateKeys&) = delete;
    AnimateKeys& operator=(const AnimateKeys&) = delete;
};

// The host's progress display with a bar and a work function that does
// nothing, started at 0 percent and ended when it goes.
class ProgressDisplay {
public:
    ProgressDisplay(Interface& host, const wchar_t* title) : host_(host) {
        host_.ProgressStart(title, TRUE, NoWork, nullptr);
        host_.ProgressUpdate(0);
    }
    ~ProgressDisplay() { host_.ProgressEnd(); }
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    void Update(int percent) { host_.ProgressUpdate(percent); }

private:
    static DWORD NoWork(void*) { return 0; }

    Interface& host_;
};
