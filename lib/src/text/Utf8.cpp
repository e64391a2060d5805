#include "tovfileio/text/Utf8.h"

#include "brindle/sdk/TextCodec.h"

namespace tovfileio {

std::string ToUtf8(std::wstring_view text) { return TextCodec::EncodeUtf8(text); }

}  // namespace tovfileio
