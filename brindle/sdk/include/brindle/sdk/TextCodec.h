// Conversions between the module's wide text and the bytes of files, paths
// and the registry, as the host offers them to plug-ins.
#pragma once

#include <string>
#include <string_view>

namespace TextCodec {

// UTF-8 to wide text. Each byte that does not start a valid UTF-8 sequence
// becomes one character of the same value, U+0080 to U+00FF.
std::wstring DecodeUtf8(std::string_view bytes);

// Wide text to UTF-8. Characters that are not Unicode scalar values (lone
// surrogates, values above U+10FFFF) are written as U+FFFD.
std::string EncodeUtf8(std::wstring_view text);

// Wide text as UTF-16 little-endian bytes, characters beyond U+FFFF as
// surrogate pairs, followed by a terminating null character: the form the
// registry keeps strings in.
std::string EncodeUtf16LENullTerminated(std::wstring_view text);

// File-system paths. Bytes of a path that are not valid UTF-8 are carried in
// wide text as U+DC80 to U+DCFF, so that any path survives the trip to wide
// text and back byte for byte.
std::wstring PathToWide(std::string_view nativePath);
std::string WideToPath(std::wstring_view widePath);

}  // namespace TextCodec
