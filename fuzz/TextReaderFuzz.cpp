// Fuzzes the line reader and the path codec.
//
// Each input is written to a file of this process and read with several read
// sizes: the lines must not depend on where buffer boundaries fall. Files
// without a UTF-16 byte-order mark must also give exactly the lines of the
// whole file decoded at once by tovfileio::DecodeUtf8. Any byte string must
// survive PathToWide and WideToPath unchanged.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextReader.h"
#include "fuzz/FuzzInputFile.h"

namespace {

using Lines = std::vector<std::wstring>;


Lines ReadAll(const std::filesystem::path& path, std::size_t readBytes) {
    tovfileio::TextReader reader(readBytes);
    if (!reader.Open(tovfileio::PathToWide(path.native())))
        std::abort();
    Lines lines;
    while (const std::wstring* line = reader.ReadLine())
        lines.push_back(*line);
    return lines;
}

// The lines a UTF-8 file must give: its text decoded in one piece, split at
// line feeds, without the carriage return before each line feed.
Lines ExpectedUtf8Lines(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    const std::wstring text = tovfileio::DecodeUtf8(bytes);
    Lines lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool IsUtf16(std::string_view bytes) {
    return bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".txt");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    input.Write(bytes);

    const Lines lines = ReadAll(input.Path(), 64 * 1024);
    for (const std::size_t readBytes : {1, 2, 3, 4, 5, 7, 13}) {
        if (ReadAll(input.Path(), readBytes) != lines)
            std::abort();
    }
    if (!IsUtf16(bytes) && lines != ExpectedUtf8Lines(bytes))
        std::abort();

    if (tovfileio::WideToPath(tovfileio::PathToWide(bytes)) != bytes)
        std::abort();
    return 0;
}
