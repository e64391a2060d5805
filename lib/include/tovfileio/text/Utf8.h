// The models hold names and give messages as wide strings, as the host takes
// them; a program that prints or stores them as UTF-8 turns them with this.
#pragma once

#include <string>
#include <string_view>

namespace tovfileio {

std::string ToUtf8(std::wstring_view text);

}  // namespace tovfileio
