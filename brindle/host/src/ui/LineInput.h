// The lines a person types (or a script pipes) to the line driver, read so
// that a cancel asked while it waits (Ctrl-C, where the program running the
// driver takes it as one) ends the wait for the next one at once.
#pragma once

#include <cstdio>
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

}  // namespace brindle::host
