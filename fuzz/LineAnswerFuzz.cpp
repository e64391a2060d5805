// Any line typed at the line driver parses without failing, and what it
// parses to is consistent: actions name what they act on, and parsing is
// blind to the blanks around the line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/LineAnswers.h"

using brindle::host::LineAnswer;
using brindle::host::ParseLineAnswer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const LineAnswer answer = ParseLineAnswer(line);
    using Kind = LineAnswer::Kind;
    if ((answer.kind == Kind::Click || answer.kind == Kind::Pick || answer.kind == Kind::Type ||
         answer.kind == Kind::Text || answer.kind == Kind::Invalid) &&
        answer.target.empty()) {
        std::abort();
    }
    if (answer.kind != Kind::Type && !answer.text.empty()) std::abort();
    const LineAnswer padded = ParseLineAnswer("  " + line + " \r");
    if (padded.kind != answer.kind || padded.target != answer.target || padded.text != answer.text) {
        std::abort();
    }
    return 0;
}
