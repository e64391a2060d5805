// Floats as base64 text (RFC 4648, padded), as scene documents hold long
// tracks: each float as its four bytes of IEEE single precision, least
// significant byte first, so that every value reads back bit for bit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brindle::host {

// Appends the base64 of `count` floats from `values` to `out`.
void AppendBase64Floats(std::string& out, const float* values, std::size_t count);

// Appends the floats that the base64 `text` spells to `values`; false, with
// `values` as it was, when `text` is not base64 or not of whole floats.
bool AppendFloatsFromBase64(std::string_view text, std::vector<float>& values);

}  // namespace brindle::host
