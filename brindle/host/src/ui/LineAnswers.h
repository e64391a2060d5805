// What a person types to answer the headless host line by line: one answer
// a line, for dialogs, questions, file and folder choosers and viewport
// picks. Parsing is separate from reading so that it can be fuzzed.
#pragma once

#include <string>

namespace brindle::host {

struct LineAnswer {
    enum class Kind {
        Empty,       // an empty line
        Yes,         // y, yes
        No,          // n, no
        Click,       // click CONTROL: a button, a check box, a radio button
        Type,        // type CONTROL TEXT: an edit control's whole text
        Enter,       // enter
        Escape,      // escape
        Close,       // close
        Pick,        // pick NODE: a click on a node in the viewport
        RightClick,  // right-click
        Exit,        // exit: close the host
        Quit,        // quit: leave the command
        Help,        // help, ?
        Text,        // anything else: a path or a folder
        Invalid,     // a known word with missing or wrong arguments
    };
    Kind kind = Kind::Empty;
    // Click and Type: a control id, or its label; Pick: a node name, or
    // "#" and a node handle; Text: the whole line; Invalid: why.
    std::string target;
    std::string text;  // Type: the text typed
};

// Parses one line (without its line end; a trailing carriage return and
// surrounding blanks are ignored).
LineAnswer ParseLineAnswer(const std::string& line);

}  // namespace brindle::host
