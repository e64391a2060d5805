// The one-character UTF-8 decoding step shared by the text codecs and the
// line reader, so that files, strings and paths all decode alike.
#pragma once

#include <cstddef>

namespace tovfileio::textcodec {

// Decodes the character at the start of `bytes` (`avail` > 0 bytes readable)
// and returns how many bytes it took. A byte that does not start a valid
// sequence takes one byte and decodes to its own value; `*invalid` tells the
// caller so that paths can mark it. Returns 0 when the available bytes are a
// proper prefix of a valid sequence: the answer then depends on bytes not yet
// read, and the caller either supplies more or, at the end of its input,
// treats the first byte as invalid.
std::size_t DecodeUtf8Char(const unsigned char* bytes, std::size_t avail, char32_t* out,
                           bool* invalid) noexcept;

}  // namespace tovfileio::textcodec
