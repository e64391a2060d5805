// Pieces of the sentences a program says about files: a count with its
// noun, and text from a file made safe to print. A name in a file may hold
// an escape sequence that clears the screen, or a line feed that forges a
// line of the output; Escaped shows such characters instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tovfileio {

// `text` with its control characters shown: \r, \t and \n, every other C0
// character and DEL as \xNN (an escape as \x1B). Other bytes, UTF-8
// included, are kept.
std::string Escaped(std::string_view text);

// `text` escaped, in double quotes. Text longer than 40 bytes keeps its
// first 40, less a character they would split, and ends with "...".
std::string Quoted(std::string_view text);

// "1 dropout", "2 dropouts".
std::string Counted(std::uint64_t count, const char* singular, const char* plural);

}  // namespace tovfileio
