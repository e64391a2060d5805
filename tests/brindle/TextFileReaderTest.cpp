#include "brindle/sdk/TextFile.h"

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brindle/sdk/TextCodec.h"
#include "tests/support/TestFiles.h"

namespace {

using Lines = std::vector<std::wstring>;

const std::string kBom = "\xEF\xBB\xBF";  // UTF-8 byte-order mark

// Every line of the file; `readBytes` 0 uses the default reader.
Lines ReadAll(const std::filesystem::path& path, std::size_t readBytes) {
    TextFile::Reader reader = readBytes == 0 ? TextFile::Reader() : TextFile::Reader(readBytes);
    Lines lines;
    if (!reader.Open(tovtest::Wide(path)))
        return {L"<open failed>"};
    // Bounded, so a reader that never reports the end fails instead of hanging.
    while (lines.size() < 1000) {
        const std::wstring* line = reader.ReadLine();
        if (line == nullptr)
            break;
        lines.push_back(*line);
    }
    return lines;
}

// UTF-16 bytes with a byte-order mark, from code units.
std::string Utf16(bool bigEndian, std::initializer_list<char32_t> units) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char32_t u : units) {
        const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

std::wstring Units(std::initializer_list<char32_t> units) {
    std::wstring text;
    for (const char32_t u : units)
        text.push_back(static_cast<wchar_t>(u));
    return text;
}

template <typename String>
String Repeat(const String& piece, int times) {
    String text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

struct FileCase {
    const char* name;
    std::string bytes;
    Lines lines;
};

// Reads each case with every read size from 1 to 17 bytes, which puts a
// buffer boundary at every position of these short files, and with the
// default buffer; all must give the same lines.
void ExpectLinesForEveryReadSize(const std::vector<FileCase>& cases) {
    tovtest::ScratchDir dir;
    for (const auto& c : cases) {
        const auto path = dir.Write("case.txt", c.bytes);
        for (std::size_t readBytes = 0; readBytes <= 17; ++readBytes) {
            EXPECT_EQ(ReadAll(path, readBytes), c.lines) << c.name << ", read size " << readBytes;
        }
    }
}

TEST(TextFileReaderTest, SplitsLinesAtLineFeeds) {
    ExpectLinesForEveryReadSize({
        {"LF", "a\nbb\n", {L"a", L"bb"}},
        {"CRLF", "a\r\nbb\r\n", {L"a", L"bb"}},
        {"lone CR kept", "a\rb\r\n\r", {L"a\rb", L"\r"}},
        {"only the last CR dropped", "a\r\r\n", {L"a\r"}},
        {"no final newline", "a\nlast", {L"a", L"last"}},
        {"empty file", "", {}},
        {"one newline", "\n", {L""}},
        {"only newlines", "\n\r\n\n", {L"", L"", L""}},
    });
}

TEST(TextFileReaderTest, DecodesUtf8WithByteFallback) {
    ExpectLinesForEveryReadSize({
        {"multi-byte", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\n", {L"\u00E9\u20AC\U0001F600"}},
        {"overlong and surrogate", "\xC0\xAF-\xED\xA0\x80\n", {L"\u00C0\u00AF-\u00ED\u00A0\u0080"}},
        {"cut by line feed", "\xE2\x82\r\nz", {L"\u00E2\u0082", L"z"}},
        {"cut by end of file", "a\n\xF0\x9F\x98", {L"a", L"\u00F0\u009F\u0098"}},
        {"BOM skipped", kBom + "a\r\n", {L"a"}},
        {"BOM only", kBom, {}},
        {"BOM later kept", "a" + kBom, {L"a\uFEFF"}},
        {"partial BOM", "\xEF\xBB", {L"\u00EF\u00BB"}},
        {"mixed",
         "12\t-0.5\r\n\xCE\xB1\xCE\xB2\x80\tx\ry\n\n\xF4\x8F\xBF\xBF\xF4\x90\n\xE2\x82\xAC\xE2",
         {L"12\t-0.5", L"\u03B1\u03B2\u0080\tx\ry", L"", L"\U0010FFFF\u00F4\u0090",
          L"\u20AC\u00E2"}},
    });
}

TEST(TextFileReaderTest, DecodesUtf16InBothByteOrders) {
    std::vector<FileCase> cases;
    for (const bool bigEndian : {false, true}) {
        const auto add = [&](const char* name, std::initializer_list<char32_t> units, Lines lines) {
            cases.push_back({name, Utf16(bigEndian, units), std::move(lines)});
        };
        add("lines", {'a', '\r', '\n', '\r', 'b', '\n', 'c'}, {L"a", L"\rb", L"c"});
        add("surrogate pair", {0xD83D, 0xDE00, '\n'}, {L"\U0001F600"});
        add("lone surrogates", {0xDC00, 0xD800, '\n', 0xD83D, 'x', 0xD800},
            {Units({0xDC00, 0xD800}), Units({0xD83D, 'x', 0xD800})});
        add("line feed bytes inside units", {0x0A0A, 0x0D0A, 0x0A0D}, {L"\u0A0A\u0D0A\u0A0D"});
        add("BOM only", {}, {});
        add("empty line", {'\n'}, {L""});
    }
    cases.push_back({"odd byte at end", Utf16(false, {'a'}) + "\xE9", {L"a\u00E9"}});
    cases.push_back(
        {"odd byte after high surrogate", Utf16(true, {0xD800}) + "\x41", {Units({0xD800, 0x41})}});
    ExpectLinesForEveryReadSize(cases);
}

TEST(TextFileReaderTest, LongLinesComeWholeAndLaterLinesIntact) {
    const std::string digits = Repeat<std::string>("0123456789\t-12.5", 20000);  // 320 KB
    const std::wstring wideDigits(digits.begin(), digits.end());
    const std::string euros = Repeat<std::string>("\xE2\x82\xAC", 100000);
    const std::string smileys = Repeat(std::string("\xD8\x3D\xDE\x00", 4), 50000);

    tovtest::ScratchDir dir;
    const FileCase cases[] = {
        {"ASCII", digits + "\r\nx\n" + digits + "\ny", {wideDigits, L"x", wideDigits, L"y"}},
        {"UTF-8", euros + "\r\n\xC3\xA9\n", {std::wstring(100000, L'\u20AC'), L"\u00E9"}},
        {"UTF-16",
         Utf16(true, {}) + smileys + std::string("\0\n\0z", 4),
         {std::wstring(50000, L'\U0001F600'), L"z"}},
    };
    for (const auto& c : cases) {
        const auto path = dir.Write("long.txt", c.bytes);
        for (const std::size_t readBytes : {0, 7, 4093}) {
            EXPECT_TRUE(ReadAll(path, readBytes) == c.lines)
                << c.name << ", read size " << readBytes;
        }
    }
}

TEST(TextFileReaderTest, OpenRejectsWhatCannotBeRead) {
    tovtest::ScratchDir dir;
    std::vector<std::wstring> paths = {tovtest::Wide(dir.Path() / "missing.txt"),
                                       tovtest::Wide(dir.Path()), L""};
    // A NUL must not cut the path down to a file that exists.
    const auto real = dir.Write("real", "x\n");
    paths.push_back(tovtest::Wide(real) + std::wstring(1, L'\0') + L"more");
    // Reading fails at once on this file (offset 0 is never mapped).
    if (std::filesystem::exists("/proc/self/mem"))
        paths.push_back(L"/proc/self/mem");

    TextFile::Reader reader;
    for (const auto& path : paths) {
        ASSERT_TRUE(reader.Open(tovtest::Wide(real)));
        EXPECT_FALSE(reader.Open(path)) << TextCodec::EncodeUtf8(path);
        EXPECT_FALSE(reader.IsOpen());
        EXPECT_EQ(reader.ReadLine(), nullptr);
    }
}

TEST(TextFileReaderTest, ReopenStartsOverOnTheNewFile) {
    tovtest::ScratchDir dir;
    const auto first = dir.Write("first", kBom + "a\nb\n");
    // A name that is not UTF-8 reaches the file system byte for byte.
    const auto second = dir.Write("second\xE9", Utf16(false, {'c', '\n'}));

    TextFile::Reader reader(3);
    ASSERT_TRUE(reader.Open(tovtest::Wide(first)));
    EXPECT_EQ(reader.FileSize(), 7u);
    EXPECT_EQ(*reader.ReadLine(), L"a");
    ASSERT_TRUE(reader.Open(tovtest::Wide(second)));
    EXPECT_EQ(reader.FileSize(), 6u);
    EXPECT_EQ(*reader.ReadLine(), L"c");
    EXPECT_EQ(reader.ReadLine(), nullptr);
    EXPECT_EQ(reader.ReadLine(), nullptr);
    reader.Close();
    reader.Close();
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(reader.FileSize(), 0u);
    EXPECT_EQ(reader.ReadLine(), nullptr);
}

}  // namespace
