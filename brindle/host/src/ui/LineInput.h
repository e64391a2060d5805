// The lines a person types (or a script pipes) to the line driver, read so
// that a cancel asked while it waits (Ctrl-C, where the program running the
// driver takes it as one) ends the wait for the next one at once.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "brindle/host/ui/LineDriver.h"

namespace brindle::host {

enum class LineRead {
    kLine,       // a line, maybe the last one without a line feed
    kEnd,        // the end of input
    kCancelled,  // a cancel was asked for, before or while it waited
};

// Makes `in` read without a buffer of its own when it is a file descriptor,
// so that waiting for the descriptor is waiting for its next byte. Called
// before the first read.
void PrepareLineInput(std::FILE* in);

// Reads the next line of `in` into `line`, without its line feed; gives up
// as soon as `cancelAsked` (when there is one) says a cancel was asked.
LineRead ReadInputLine(std::FILE* in, std::string& line, const CancelAsked& cancelAsked);

// Waits until `fd` has a byte (or its end) to read; false when a cancel was
// asked for first.
bool WaitForInput(int fd, const CancelAsked& cancelAsked);

// The line editor of a terminal: the person moves in the line and edits it
// in place, and Up and Down bring back the lines typed before.
class LineEditor {
public:
    // An editor for `in` and `out`, when both are a terminal and the build
    // has a line editor; none otherwise (the lines are then read as they
    // come, ReadInputLine).
    static std::unique_ptr<LineEditor> ForTerminal(std::FILE* in, std::FILE* out);
    virtual ~LineEditor() = default;
    // Shows `prompt` and reads the line typed after it into `line`, without
    // its line feed, as ReadInputLine does.
    virtual LineRead Read(const std::string& prompt, std::string& line,
                          const CancelAsked& cancelAsked) = 0;
};

}  // namespace brindle::host
