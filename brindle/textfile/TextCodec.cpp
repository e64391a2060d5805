// The host's text codecs: the file libraries' conversions, and the UTF-16
// form the registry keeps strings in.
#include "brindle/sdk/TextCodec.h"

#include <cstdint>

#include "tovfileio/text/TextCodec.h"

namespace TextCodec {

std::wstring DecodeUtf8(std::string_view bytes) { return tovfileio::DecodeUtf8(bytes); }

std::string EncodeUtf8(std::wstring_view text) { return tovfileio::EncodeUtf8(text); }

std::wstring PathToWide(std::string_view nativePath) { return tovfileio::PathToWide(nativePath); }

std::string WideToPath(std::wstring_view widePath) { return tovfileio::WideToPath(widePath); }

std::string EncodeUtf16LENullTerminated(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(2 * (text.size() + 1));
    auto put = [&bytes](std::uint32_t unit) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    };
    for (const wchar_t c : text) {
        const auto code = static_cast<std::uint32_t>(c);
        if (code >= 0x10000 && code <= 0x10FFFF) {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put(code);
        }
    }
    put(0);
    return bytes;
}
}  // namespace TextCodec
