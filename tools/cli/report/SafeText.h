// Text from a file or a scene made safe to print on a terminal: a name may
// hold an escape sequence that clears the screen, or a line feed that forges
// a line of the output. Every name the command line prints goes through
// Escaped, the libraries' own rule (tovfileio/text/Phrases.h), so a name
// reads the same in a finding's sentence and in the command's other output.
#pragma once

#include <string>

#include "tovfileio/text/Phrases.h"
#include "tovfileio/text/TextCodec.h"

using tovfileio::Escaped;

// A wide name (a node, segment or marker) as escaped UTF-8.
inline std::string EscapedName(const std::wstring& name) {
    return Escaped(tovfileio::EncodeUtf8(name));
}
