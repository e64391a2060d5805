// Conversions between the wide text of the models (names, messages) and the
// bytes of files, paths and terminals.
#pragma once

#include <string>
#include <string_view>

namespace tovfileio {

// UTF-8 to wide text. Each byte that does not start a valid UTF-8 sequence
// (overlong forms, surrogates and values above U+10FFFF are invalid) becomes
// one character of the same value, U+0080 to U+00FF.
std::wstring DecodeUtf8(std::string_view bytes);

// Wide text to UTF-8. Characters that are not Unicode scalar values (lone
// surrogates, values above U+10FFFF) are written as U+FFFD.
std::string EncodeUtf8(std::wstring_view text);

// File-system paths. Bytes of a path that are not valid UTF-8 are carried in
// wide text as U+DC80 to U+DCFF, so that any path given on the command line
// survives the trip to wide text and back byte for byte.
std::wstring PathToWide(std::string_view nativePath);
std::string WideToPath(std::wstring_view widePath);

}  // namespace tovfileio
